#pragma once

// What the facade's tests share: a recorder of one answer, a recorder of the analytics events, error
// codes, contacts, and the host's sign-in and set-up as the stand-in's seeded user.

#include "CoreFixture.h"
#include "core/model/PLModelManager.h"
#include "core/session/PelnixInfo.h"
#include "core/session/PelnixStateManager.h"
#include "foundation/persistence/PLPersistence.h"
#include "interface/Pelnix.h"
#include "interface/PelnixEventTracker.h"

namespace pelnix::test {

// The answers one operation gave: how many, and the last one.
struct Outcome {
    int calls = 0;
    bool success = false;
    PLOptionalError error;
    QString message;
    PLResultHandler handler() {
        return [this](bool s, const PLOptionalError& e, const QString& m) {
            ++calls;
            success = s;
            error = e;
            message = m;
        };
    }
};

// Every analytics event the host would hear, in order.
class EventRecorder : public QObject, public PelnixEventTrackerDelegate {
public:
    EventRecorder() { PelnixEventTracker::sharedEventTrackerInstance()->setDelegate(this); }
    ~EventRecorder() override { PelnixEventTracker::sharedEventTrackerInstance()->setDelegate(nullptr); }
    void eventTracked(const QString& eventName, const QVariantMap& properties) override {
        events.append({eventName, properties});
    }
    QVariantMap last(const QString& name) const {
        for (auto it = events.rbegin(); it != events.rend(); ++it)
            if (it->first == name)
                return it->second;
        return {};
    }
    int count(const QString& name) const {
        int n = 0;
        for (const auto& event : events)
            n += event.first == name;
        return n;
    }
    QList<std::pair<QString, QVariantMap>> events;
};

inline qint64 code(const PLOptionalError& error) {
    return error ? error->code : 0;
}

inline QVariant contact(const QString& name, const QString& email, const QString& phone = {}) {
    return QVariant::fromValue(PLPelnixContact{name, email, phone});
}

// The host hands over the fixture user's credentials: the store opens with that account.
inline void signIn(CoreFixture& world) {
    Pelnix::setUserEmailID(world.email());
    Pelnix::setUserID(QString::number(world.userID()));
    Pelnix::setAuthenticationCode(world.token());
}

// What a finished start-up leaves behind.
inline void completeSetUp() {
    PelnixStateManager::sharedStateManagerInstance()->setIsInitialSetUpDone(true);
    const auto info = PelnixInfo::sharedInstance();
    info->setSessionState(2);
    info->save();
}

// Closes the store and drops the manager and the session's memory (the next test starts afresh).
inline void endSession() {
    PLPersistence::cleanUp();
    PLModelManager::destroySharedInstance();
    PelnixStateManager::destroyStateManager();
}

} // namespace pelnix::test
