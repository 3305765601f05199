#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace pelnix::platform {

// One labelled value of a person: an e-mail address or a phone number. The label is empty when the
// card gives none.
struct AddressBookValue {
    QString label;
    QString value;
};

// One person of the address book.
struct AddressBookPerson {
    qint32 recordID = 0;
    QString firstName;
    QString lastName;
    QList<AddressBookValue> emails;
    QList<AddressBookValue> phones;
    QByteArray thumbnail; // encoded image data, empty without a photo (or with one over the bound)
};

// Reads the people of vCard text (versions 2.1, 3.0 and 4.0): N, FN, EMAIL, TEL and PHOTO, with
// folded lines, escapes and TYPE labels. Unknown properties are ignored; malformed cards give what
// could be read.
class AddressBookVCardReader {
public:
    // A photo's encoded data above this many bytes is left out.
    static constexpr qsizetype kMaximumPhotoBytes = 8 * 1024 * 1024;

    // `source` names the file, so that record IDs stay stable while the file keeps its name.
    static QList<AddressBookPerson> read(const QByteArray& text, const QString& source);
    // The label a TYPE parameter stands for ("work", "home", "mobile", ...); "" when none.
    static QString labelForTypes(const QStringList& types);
};

} // namespace pelnix::platform
