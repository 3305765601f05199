// The schema upgrade steps. None of them saves: the upgrade commits them together with the new
// version stamp.

#include "core/model/Asset.h"
#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/Message.h"
#include "core/model/PLModelManager.h"
#include "core/model/StyleSheetXSLT.h"

#include "core/api/PLAppConfigurations.h"
#include "core/session/PelnixInfo.h"
#include "foundation/DocumentSaver.h"
#include "foundation/SafeReaders.h"

#include <QJsonDocument>

namespace pelnix {

namespace {

using K = platform::PredicateKey;

QVariantMap textJSON(const Message& message) {
    return QJsonDocument::fromJson(message.text().toUtf8()).toVariant().toMap();
}

void addAsset(Message& message, const QString& remoteURL, const QString& localURL) {
    auto asset = Asset::PS_findFirstOrCreateByAttribute(QStringLiteral("remoteURL"), remoteURL);
    if (!asset)
        return;
    asset->setLocalURL(localURL);
    message.addAssetsObject(asset);
}

} // namespace

void PLModelManager::upgradeToVersion3() {
    // Rooms that never had an activity date take their latest message's.
    for (const auto& room : ChatRoom::PS_findAllWithPredicate(K("status") != 1 && K("activityDate") == 0)) {
        qint64 latest = 0;
        for (const auto& message : room->messages())
            latest = std::max(latest, message->date());
        if (latest > room->activityDate())
            room->setActivityDate(latest);
    }
    // Attachments move from the message's own URL to asset rows.
    for (const auto& message :
         Message::PS_findAllWithPredicate(K("assetUrl") != QVariant() && K("assetUrl") != QString())) {
        const QString fileUrl = SafeKVC::stringForKey(textJSON(*message), QStringLiteral("fileUrl"));
        if (fileUrl.isEmpty())
            continue;
        addAsset(*message, fileUrl, message->assetUrl());
        message->setAssetUrl(QString());
    }
    // Files already downloaded into room folders become the local copies of their forms' assets.
    for (const QVariant& entry : DocumentSaver::fileIDArrayFromDocumentDirSearch()) {
        const QVariantMap record = entry.toMap();
        const auto room = ChatRoom::PS_findFirstByAttribute(QStringLiteral("roomId"),
                                                            record.value(QStringLiteral("ChatRoomID")));
        if (!room)
            continue;
        for (const auto& message : room->messages()) {
            if (message->xsltName() != QLatin1String("rmform"))
                continue;
            const QVariantMap text = textJSON(*message);
            const QString fileUrl = SafeKVC::stringForKey(text, QStringLiteral("fileUrl"));
            if (SafeKVC::stringForKey(text, QStringLiteral("fileId")) ==
                    record.value(QStringLiteral("DirectoryFileID")).toString() &&
                !fileUrl.isEmpty())
                addAsset(*message, fileUrl, record.value(QStringLiteral("CompletePath")).toString());
        }
    }
}

void PLModelManager::upgradeToVersion4() {
    // In this order: a message matching several rules ends with the last.
    for (const auto& message : Message::PS_findAllWithPredicate(K("replyCount") > 0))
        message->setLatestAction(QStringLiteral("reply"));
    for (const auto& message : Message::PS_findAllWithPredicate(K("replyCount") == 0))
        message->setLatestAction(QStringLiteral("init"));
    for (const auto& message : Message::PS_findAllWithPredicate(K("expired") == true))
        message->setLatestAction(QStringLiteral("expired"));
    for (const auto& sheet : StyleSheetXSLT::PS_findAllWithPredicate(
             K("category") == QStringLiteral("detailform") || K("category") == QStringLiteral("commentform")))
        sheet->PS_deleteEntity();
}

void PLModelManager::upgradeToVersion8() {
    const auto row = CurrentUserInfo::currentUserInfo();
    const auto info = PelnixInfo::sharedInstance();
    if (!row || !info)
        return;
    switch (row->status()) {
    case 0:
    case 1:
    case 2:
        info->setSessionState(0);
        break;
    case 3:
        info->setSessionState(2);
        break;
    case 4:
    case 5:
        info->setSessionState(3);
        break;
    default:
        break;
    }
    // What the host would hand over itself, each accepted only before a session exists.
    if (info->sessionState() == 0) {
        const auto configuration = PLAppConfigurations::currentConfiguration();
        info->setPnEnvironmentID(configuration->pushNotificationCertificateName());
        info->setHostURL(configuration->baseURL());
        info->save();
    }
    if (row->status() >= 3) {
        info->setDeviceToken(row->deviceToken());
        info->save();
    }
}

} // namespace pelnix
