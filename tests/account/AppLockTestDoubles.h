#pragma once

#include "core/session/PLAppLockSettingsManager.h"
#include "foundation/PLKeychainAccessHelper.h"
#include "platform/SecretStore.h"
#include "platform/ui/Animator.h"
#include "ui/account/PLAppLockAccount.h"
#include "ui/account/PLAppLockScreenViewControllerDelegate.h"
#include "ui/account/PLPadLockScreenDelegates.h"

#include <QHash>
#include <QList>
#include <QObject>

namespace pelnix::test {

// The signed-in account as the lock sees it, in memory.
class FakeAppLockAccount : public PLAppLockAccount {
public:
    qint16 status() const override { return m_status; }
    qint16 appLockState() const override { return m_appLockState; }
    bool showsAppLockScreen() const override { return m_mandatory; }
    void changeAppLockStatusToState(qint64 state) override {
        ++changes;
        if (!m_mandatory)
            m_appLockState = qint16(state);
    }

    qint16 m_status = PLAppLockAccount::kSignedInStatus;
    qint16 m_appLockState = 1;
    bool m_mandatory = false;
    int changes = 0;
};

// A secret store in memory that can be told to refuse writes.
class MemorySecretStore : public platform::SecretStore {
public:
    std::optional<QVariantMap> read(const QString& id) override {
        return items.contains(id) ? std::optional<QVariantMap>(items.value(id)) : std::nullopt;
    }
    bool write(const QString& id, const QVariantMap& attributes) override {
        if (refuseWrites)
            return false;
        items.insert(id, attributes);
        return true;
    }
    bool remove(const QString& id) override {
        items.remove(id);
        return true;
    }
    QHash<QString, QVariantMap> items;
    bool refuseWrites = false;
};

// Fresh process state for one test: an in-memory secret store holding `passcode` (none when empty),
// a signed-in account with the lock on, the lock flags as at start, animations at once.
struct AppLockWorld {
    std::shared_ptr<MemorySecretStore> store = std::make_shared<MemorySecretStore>();
    std::shared_ptr<FakeAppLockAccount> account = std::make_shared<FakeAppLockAccount>();

    explicit AppLockWorld(const QString& passcode = {}) {
        platform::ui::Animator::setInstant(true);
        platform::SecretStore::setDefaultStore(store);
        PLKeychainAccessHelper::dropKeychainInstanceForTesting();
        if (!passcode.isEmpty())
            PLKeychainAccessHelper::setNewPassCodePin(passcode);
        PLAppLockAccount::setCurrent(account);
        auto* flags = PLAppLockSettingsManager::sharedAppLockSettingsManager();
        flags->setShouldShowAppLockScreen(true);
        flags->setIsAlreadyPresentingLockScreen(false);
    }
    ~AppLockWorld() {
        PLAppLockAccount::setCurrent({});
        PLKeychainAccessHelper::dropKeychainInstanceForTesting();
        platform::SecretStore::setDefaultStore({});
    }
};

// Records what a lock screen reports.
class LockScreenRecorder : public QObject, public PLAppLockScreenViewControllerDelegate {
public:
    void appLockScreenViewController(PLAppLockScreenViewController*, bool didFinishProcessing) override {
        results.append(didFinishProcessing);
    }
    QList<bool> results;
};

// Records what a pad reports; accepts `validPin`.
class PadRecorder : public QObject,
                    public PLPadLockScreenViewControllerDelegate,
                    public PLPadLockScreenSetupViewControllerDelegate {
public:
    bool padLockScreenViewController(PLPadLockScreenViewController*, const QString& pin) override {
        validated.append(pin);
        return pin == validPin;
    }
    void unlockWasSuccessfulForPadLockScreenViewController(PLPadLockScreenViewController*) override {
        ++successes;
    }
    void unlockWasUnsuccessful(const QString& pin, qint64 attempt, PLPadLockScreenViewController*) override {
        failures.append({pin, attempt});
    }
    void unlockWasCancelledForPadLockScreenViewController(PLPadLockScreenViewController*) override {
        ++cancels;
    }
    void attemptsExpiredForPadLockScreenViewController(PLPadLockScreenViewController*) override { ++expired; }
    void pinSet(const QString& pin, PLPadLockScreenSetupViewController*) override { pinsSet.append(pin); }
    void unlockWasCancelledForSetupViewController(PLPadLockScreenSetupViewController*) override { ++cancels; }

    QString validPin = QStringLiteral("1234");
    QStringList validated;
    QList<std::pair<QString, qint64>> failures;
    QStringList pinsSet;
    int successes = 0;
    int cancels = 0;
    int expired = 0;
};

} // namespace pelnix::test
