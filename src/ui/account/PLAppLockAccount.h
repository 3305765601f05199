#pragma once

#include <QtGlobal>
#include <memory>

namespace pelnix {

// What the app lock needs of the signed-in account: its status (3 is signed in with a profile), the
// lock state it keeps (1 on, 0 off), whether the server imposes the lock, and the one change the
// lock screens make. The stored account row serves by default; tests install their own.
class PLAppLockAccount {
public:
    static constexpr qint16 kSignedInStatus = 3;

    virtual ~PLAppLockAccount() = default;
    virtual qint16 status() const = 0;
    virtual qint16 appLockState() const = 0;
    virtual bool showsAppLockScreen() const = 0;
    // Sets and saves the lock state, unless the server imposes the lock.
    virtual void changeAppLockStatusToState(qint64 state) = 0;

    static std::shared_ptr<PLAppLockAccount> current();
    // Null restores the stored account row.
    static void setCurrent(std::shared_ptr<PLAppLockAccount> account);
};

} // namespace pelnix
