#include "core/model/RoomModelServices.h"
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

#include "core/api/PLAppConfigurations.h"
#include "foundation/SafeReaders.h"

#include <QGlobalStatic>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>

namespace pelnix {

Q_LOGGING_CATEGORY(lcRoomModel, "pelnix.model.rooms", QtWarningMsg)

namespace {

RoomModelServices defaults() {
    RoomModelServices s;
    s.currentUserID = &CurrentUserInfo::storedCurrentUserID;
    s.activeRoomID = [] { return QString(); };
    s.userWithID = [](const QVariant& id) {
        qint32 value = SafeKVC::intValueOf(id);
        return User::userWithIntID(value == 0 ? -1 : value);
    };
    s.fetchRoomOnEventQueue = [](const QString&, bool) {};
    s.fetchRoom = [](const QString&, PLResultHandler) { return false; };
    s.markAsCompletedMessageInfoWithSeqId = [](const QString&) {};
    s.postPrivateMessage = [](const std::shared_ptr<ChatRoom>&, const QString&, bool, PLResultHandler) {
        return false;
    };
    s.renderSmartMessage = [](const std::shared_ptr<Message>&) {};
    s.addToDataProcessingQueue = [](std::function<void()> block) { block(); };
    s.isDataProcessingThread = [] { return true; };
    s.numberOfMessagesLoadedOnce = [] {
        auto* c = PLAppConfigurations::currentConfiguration();
        return c ? c->numberOfMessagesLoadedOnce() : quint64(20);
    };
    s.roomsURL = [] {
        auto* c = PLAppConfigurations::currentConfiguration();
        return c ? c->roomsURL() : QString();
    };
    return s;
}

struct Filter {
    QMutex mutex;
    QStringList roomIds;
    bool excluding = false;
};

Q_GLOBAL_STATIC(RoomModelServices, g_services, defaults())
Q_GLOBAL_STATIC(Filter, g_filter)

} // namespace

RoomModelServices& RoomModelServices::shared() {
    return *g_services;
}

void RoomModelServices::reset() {
    *g_services = defaults();
    PelnixGroupFilter::setChatRoomsToFilter({}, false);
}

void PelnixGroupFilter::setChatRoomsToFilter(const QStringList& roomIds, bool isExcluding) {
    QMutexLocker lock(&g_filter->mutex);
    g_filter->roomIds = roomIds;
    g_filter->excluding = isExcluding;
}

QStringList PelnixGroupFilter::chatRoomsToFilter() {
    QMutexLocker lock(&g_filter->mutex);
    return g_filter->roomIds;
}

bool PelnixGroupFilter::isExcluding() {
    QMutexLocker lock(&g_filter->mutex);
    return g_filter->excluding;
}

namespace ModelJSON {

QString idText(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(qint64(value.toDouble()));
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return QString::number(value.toLongLong());
    default:
        return {};
    }
}

std::optional<QVariantMap> textJSON(const QString& text) {
    QJsonParseError error;
    QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object().toVariantMap();
}

std::shared_ptr<User> userOrNewUser(const QVariant& id) {
    if (auto user = RoomModelServices::shared().userWithID(id))
        return user;
    auto user = User::PS_createEntity();
    if (qint32 value = SafeKVC::intValueOf(id))
        user->setUserID(value);
    return user;
}

} // namespace ModelJSON

} // namespace pelnix
