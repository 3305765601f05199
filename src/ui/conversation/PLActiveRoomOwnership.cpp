#include "ui/conversation/PLActiveRoomOwnership.h"

#include "core/model/PLModelManager.h"
#include "platform/MainThread.h"

#include <QList>
#include <utility>

namespace pelnix {

namespace {
struct Owner {
    PLActiveRoomOwnership::Token token;
    QString roomId;
};

QList<Owner>& owners() {
    static QList<Owner> list;
    return list;
}

PLActiveRoomOwnership::Token g_next = 1;
} // namespace

PLActiveRoomOwnership::Token PLActiveRoomOwnership::acquire(const QString& roomId) {
    Q_ASSERT(platform::isMainThread());
    const Token token = g_next++;
    owners().append({token, roomId});
    PLModelManager::sharedModelManager()->setActiveRoomID(roomId);
    return token;
}

void PLActiveRoomOwnership::release(Token token) {
    Q_ASSERT(platform::isMainThread());
    auto& list = owners();
    const int index =
        int(std::find_if(list.begin(), list.end(), [token](const Owner& o) { return o.token == token; }) -
            list.begin());
    if (index >= list.size())
        return;
    const bool wasOwner = index == list.size() - 1;
    const QString roomId = list.takeAt(index).roomId;
    if (!wasOwner || !PLModelManager::hasSharedInstance())
        return;
    auto* manager = PLModelManager::sharedModelManager();
    // Someone else may have named a room since; only this window's own setting is taken back.
    if (manager->activeRoomID() != roomId)
        return;
    manager->setActiveRoomID(list.isEmpty() ? QString() : list.last().roomId);
}

QString PLActiveRoomOwnership::ownedRoomId() {
    return owners().isEmpty() ? QString() : owners().last().roomId;
}

} // namespace pelnix
