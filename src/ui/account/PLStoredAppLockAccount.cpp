#include "ui/account/PLStoredAppLockAccount.h"

// The entity headers declare their relations' classes only; the fetch needs them whole.
#include "core/model/Asset.h"
#include "core/model/Challenge.h"
#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/DeletedMessage.h"
#include "core/model/Message.h"
#include "core/model/PendingMessageInfo.h"
#include "core/model/RichMediaInfo.h"
#include "core/model/RoomMember.h"
#include "core/model/User.h"
#include "platform/MainThread.h"

namespace pelnix {

namespace {
// The row as it is: the lock never makes one (currentUserInfo() would), it comes with the sign-in.
CurrentUserInfo::Ptr row() {
    Q_ASSERT(platform::isMainThread());
    return CurrentUserInfo::PS_findFirst();
}

std::shared_ptr<PLAppLockAccount>& slot() {
    static std::shared_ptr<PLAppLockAccount> account;
    return account;
}
} // namespace

std::shared_ptr<PLAppLockAccount> PLAppLockAccount::current() {
    Q_ASSERT(platform::isMainThread());
    if (!slot())
        slot() = std::make_shared<PLStoredAppLockAccount>();
    return slot();
}

void PLAppLockAccount::setCurrent(std::shared_ptr<PLAppLockAccount> account) {
    Q_ASSERT(platform::isMainThread());
    slot() = std::move(account);
}

qint16 PLStoredAppLockAccount::status() const {
    const auto account = row();
    return account ? account->status() : 0;
}

qint16 PLStoredAppLockAccount::appLockState() const {
    const auto account = row();
    return account ? account->appLockState() : 0;
}

bool PLStoredAppLockAccount::showsAppLockScreen() const {
    const auto account = row();
    return account && account->showsAppLockScreen();
}

void PLStoredAppLockAccount::changeAppLockStatusToState(qint64 state) {
    if (const auto account = row())
        account->changeAppLockStatusToState(qint16(state));
}

} // namespace pelnix
