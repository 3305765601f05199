#pragma once

#include <QVariantMap>

namespace pelnix {

// Receives a shared contact: {"pl": the person as pretty-printed JSON text, "name": the name}. A
// screen holds its share-contact delegate as a plain object and hands the contact only to one that
// adopts this interface.
class PLShareContactDelegate {
public:
    virtual ~PLShareContactDelegate() = default;
    virtual void selectedContact(const QVariantMap& contact, qint32 recordID) = 0;
};

} // namespace pelnix
