#pragma once

#include <QString>
#include <QVariantMap>

namespace pelnix {

// Receives the contact picked for sharing: {"pl": the contact's JSON text, "name"}, with the address
// book's record ID.
class PLShareContactDelegate {
public:
    virtual ~PLShareContactDelegate() = default;
    virtual void selectedContact(const QVariantMap& contact, const QString& recordID) = 0;
};

} // namespace pelnix
