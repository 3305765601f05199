#include "interface/Pelnix.h"

#include "core/model/ChatRoom.h"
#include "core/model/PLModelManager.h"
#include "core/session/PelnixInfo.h"
#include "core/session/PelnixStateManager.h"
#include "core/session/SessionGeneration.h"
#include "interface/PelnixSetUp.h"
#include "media/PLRichMediaOutbox.h"

namespace pelnix {

namespace {

PelnixStateManager* state() {
    PelnixSetUp::ensureLibraryIsSetUp();
    return PelnixStateManager::sharedStateManagerInstance();
}

} // namespace

void Pelnix::setAuthenticationCode(const QString& code) {
    state()->setAuthToken(code);
}

void Pelnix::setUserEmailID(const QString& email) {
    state()->setUserEmailID(email);
}

void Pelnix::setUserID(const QString& userID) {
    state()->setUserID(userID);
}

void Pelnix::setLoggingEnabled(bool enabled) {
    state()->setLoggingEnabled(enabled);
}

void Pelnix::setCustomAddressBookContactProvider(QObject* provider) {
    state()->setCustomAddressBookContactProvider(provider);
}

QObject* Pelnix::customAddressBookContactProvider() {
    return PelnixStateManager::sharedStateManagerInstance()->customAddressBookContactProvider();
}

quint64 Pelnix::sessionState() {
    return PelnixSetUp::sessionState();
}

qint64 Pelnix::numberOfUnreadMessages() {
    // Without a logged-in user the store holds no one's rooms worth counting.
    if (!PelnixInfo::sharedInstance()->isLoggedInToPelnix())
        return 0;
    state()->initializeDatabase();
    return ChatRoom::totalUnreadMessagesCount();
}

void Pelnix::resetPelnixSession() {
    PelnixSetUp::ensureLibraryIsSetUp();
    // Downloads of the old session are cancelled, and nothing of theirs reaches the next one.
    SessionGeneration::end();
    PelnixStateManager::destroyStateManager();
    const auto info = PelnixInfo::sharedInstance();
    info->setSessionState(0);
    info->save();
    PLModelManager::destroySharedInstance();
    // Uploads of the old session are cancelled and forgotten; the pipeline stays connected.
    PLRichMediaOutbox::uninstall();
    PLRichMediaOutbox::install();
    if (const auto error = PLModelManager::sharedModelManager()->cleanAndResetupDB())
        qCWarning(lcFacade) << "the store could not be emptied:" << error->localizedDescription;
}

} // namespace pelnix
