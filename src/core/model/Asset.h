#pragma once

#include "core/model/EntityAccessors.h"
#include "foundation/persistence/PLEntity.h"

namespace pelnix {

class Message;

// An attachment: where it lives on the server and where its copy lives on this device.
class Asset : public PLEntity<Asset> {
public:
    static QString entityName() { return QStringLiteral("Asset"); }

    PL_ATTRIBUTE(QString, remoteURL, setRemoteURL)
    PL_ATTRIBUTE(QString, localURL, setLocalURL)
    PL_TO_MANY(Message, messages, addMessagesObject, removeMessagesObject)

    static Ptr assetWithRemoteURL(const QString& remoteURL, const ContextPtr& context = {});
    // Finds or creates the row of that remote URL, sets both URLs, saves, and adds it to the
    // message (saved too) when one is given.
    static Ptr addAssetWithRemoteURL(const QString& remoteURL, const QString& localURL,
                                     const std::shared_ptr<Message>& message);
};

} // namespace pelnix
