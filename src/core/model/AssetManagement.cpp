#include "core/model/Asset.h"
#include "core/model/Challenge.h"
#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/DeletedMessage.h"
#include "core/model/FormJSON.h"
#include "core/model/Message.h"
#include "core/model/PendingMessageInfo.h"
#include "core/model/RichMediaInfo.h"
#include "core/model/RoomMember.h"
#include "core/model/User.h"

namespace pelnix {

Asset::Ptr Asset::assetWithRemoteURL(const QString& remoteURL, const ContextPtr& context) {
    return PS_findFirstByAttribute(QStringLiteral("remoteURL"), remoteURL, context);
}

Asset::Ptr Asset::addAssetWithRemoteURL(const QString& remoteURL, const QString& localURL,
                                        const std::shared_ptr<Message>& message) {
    auto asset = assetWithRemoteURL(remoteURL);
    if (!asset)
        asset = PS_createEntity();
    asset->setLocalURL(localURL);
    asset->setRemoteURL(remoteURL);
    asset->save();
    if (message) {
        message->addAssetsObject(asset);
        message->save();
    }
    return asset;
}

} // namespace pelnix
