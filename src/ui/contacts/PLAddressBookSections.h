#pragma once

#include "core/model/PLAddressBookContact.h"
#include "ui/contacts/PLPickerContact.h"

#include <QList>
#include <QSet>

namespace pelnix {

// The address book's part of the contact picker's list, prepared on the reading thread with the book: a book
// of a hundred thousand people takes a noticeable time to sort into letter sections, and to measure, for the
// rows' heights, whose addresses need two lines.
class PLAddressBookSections {
public:
    // The entries as picker contacts in their order; the same in the collation's letter sections
    // (one list per title, each sorted by name); and the addresses among them that need more than one
    // line at `textWidth`. Safe on any thread.
    static PLAddressBookSections prepare(const QList<PLAddressBookContact>& entries, qreal textWidth);
    // Whether the address needs more than one line ("DejaVuSans" 12) at `textWidth`.
    static bool isTall(const QString& email, qreal textWidth);

    QList<PLPickerContact> contacts;
    QList<QList<PLPickerContact>> sections;
    qreal textWidth = -1;
    QSet<QString> tallAddresses;
};

} // namespace pelnix
