#include "ui/contacts/PLAddressBookSections.h"

#include "foundation/ui/CustomFontRegistration.h"
#include "foundation/ui/LabelAdditions.h"
#include "platform/ui/IndexedCollation.h"

#include <QFontMetricsF>

namespace pelnix {

namespace {
QFont addressFont() {
    return CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 12);
}

bool tall(const QString& email, qreal textWidth, const QFont& font, const QFontMetricsF& metrics) {
    if (email.isEmpty())
        return false;
    // An address that fits on its line is one line high (14 points) without being laid out.
    if (metrics.height() <= 20 && metrics.horizontalAdvance(email) <= textWidth)
        return false;
    return LabelAdditions::measureText(email, font, qMax<qreal>(1, textWidth), 1e6).height() > 20;
}
} // namespace

PLAddressBookSections PLAddressBookSections::prepare(const QList<PLAddressBookContact>& entries,
                                                     qreal textWidth) {
    PLAddressBookSections prepared;
    prepared.textWidth = textWidth;
    prepared.contacts.reserve(entries.size());
    const QFont font = addressFont();
    const QFontMetricsF metrics(font);
    for (const PLAddressBookContact& entry : entries) {
        const PLPickerContact contact = PLPickerContact::fromAddressBook(entry);
        prepared.contacts << contact;
        if (tall(contact.email(), textWidth, font, metrics))
            prepared.tallAddresses.insert(contact.email());
    }
    const platform::ui::IndexedCollation collation;
    prepared.sections = collation.sections<PLPickerContact>(
        prepared.contacts, [](const PLPickerContact& contact) { return contact.profileName(); });
    return prepared;
}

bool PLAddressBookSections::isTall(const QString& email, qreal textWidth) {
    const QFont font = addressFont();
    return tall(email, textWidth, font, QFontMetricsF(font));
}

} // namespace pelnix
