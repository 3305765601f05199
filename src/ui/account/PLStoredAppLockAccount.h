#pragma once

#include "ui/account/PLAppLockAccount.h"

namespace pelnix {

// The account row of the store, read afresh on every call; with no row the account counts as not
// signed in with the lock off, and changes are dropped.
class PLStoredAppLockAccount : public PLAppLockAccount {
public:
    qint16 status() const override;
    qint16 appLockState() const override;
    bool showsAppLockScreen() const override;
    void changeAppLockStatusToState(qint64 state) override;
};

} // namespace pelnix
