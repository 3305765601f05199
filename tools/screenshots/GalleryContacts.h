#pragma once

#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

namespace pelnix::tools {

// One person of the gallery's address book.
struct GalleryPerson {
    QString firstName;
    QString lastName;
    QString email;
    QString phone; // empty for most
    bool photo = false;
};

// Forty people across the alphabet (one name under "#", one with an accent), each with one e-mail
// address; some with a phone number or a photo.
const QList<GalleryPerson>& contactsGalleryPeople();
// Writes the first `count` people as vCard files (one per person, named after them, so their record
// IDs stay the same) into `folder`, with their phone numbers when `withPhones`.
void writeContactsAddressBook(const QString& folder, int count, bool withPhones);

// The contact picker under the storyboard "GalleryContacts", presented as a caller presents it, each
// at the phone's 320 x 568 and at 400 x 720 (identifiers ending in "@400x720"): the indexed list of
// the address book and the service's users, a search, a typed address chosen at the top, and three
// people chosen with the action bar up; right to left, the list, the field taken for typing, and
// three people chosen.
void registerContactsGalleryScreens();
QSize contactsGallerySize(const QString& identifier);
// What the searching screen has typed, and the typed address of the typed-address screen.
QString contactsGallerySearchText();
QString contactsGalleryTypedAddress();
// The names the selection screen chooses, in order.
QStringList contactsGallerySelection();

} // namespace pelnix::tools
