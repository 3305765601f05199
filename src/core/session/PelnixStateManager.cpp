#include "core/session/PelnixStateManager.h"

#include "core/session/PelnixInfo.h"
#include "foundation/PLCurrentBundleInfo.h"
#include "platform/Log.h"

#include <memory>

namespace pelnix {

namespace {
std::unique_ptr<PelnixStateManager> g_shared;
PelnixStateManager::DatabaseInitializer g_databaseInitializer;
PelnixStateManager::AccountInitializer g_accountInitializer;
} // namespace

PelnixStateManager* PelnixStateManager::sharedStateManagerInstance() {
    if (!g_shared)
        g_shared.reset(new PelnixStateManager);
    return g_shared.get();
}

void PelnixStateManager::destroyStateManager() {
    g_shared.reset();
    // The logging switch belongs to the state object.
    platform::Log::setEnabled(false);
}

void PelnixStateManager::setDatabaseInitializer(DatabaseInitializer initializer) {
    g_databaseInitializer = std::move(initializer);
}

void PelnixStateManager::setAccountInitializer(AccountInitializer initializer) {
    g_accountInitializer = std::move(initializer);
}

void PelnixStateManager::setLoggingEnabled(bool enabled) {
    m_loggingEnabled = enabled;
    platform::Log::setEnabled(enabled);
}

bool PelnixStateManager::refusedInSetUpState(const char* name) const {
    if (PelnixInfo::sharedInstance()->sessionState() != 2)
        return false;
    platform::Log::write(
        QStringLiteral("Failed to set %1 as initialization is completed").arg(QLatin1String(name)));
    return true;
}

void PelnixStateManager::setAuthToken(const QString& value) {
    if (refusedInSetUpState("authToken"))
        return;
    m_authToken = value;
    initializeCurrentUserIfAllParametersAreSet();
}

void PelnixStateManager::setUserEmailID(const QString& value) {
    if (refusedInSetUpState("userEmailID"))
        return;
    m_userEmailID = value;
    initializeCurrentUserIfAllParametersAreSet();
}

void PelnixStateManager::setUserID(const QString& value) {
    if (refusedInSetUpState("userID"))
        return;
    m_userID = value;
    initializeCurrentUserIfAllParametersAreSet();
}

void PelnixStateManager::setIsLoginSuccessful(bool value) {
    m_isLoginSuccessful = value;
    if (value) {
        auto info = PelnixInfo::sharedInstance();
        info->setSessionState(1);
        info->save();
    }
}

bool PelnixStateManager::isAllParametersSet() {
    if (m_isAllParametersSet)
        return true;
    m_isAllParametersSet = PelnixInfo::sharedInstance()->sessionState() == 2;
    return m_isAllParametersSet;
}

void PelnixStateManager::initializeDatabase() {
    if (m_isDatabaseInitialized)
        return;
    if (g_databaseInitializer)
        g_databaseInitializer();
    m_isDatabaseInitialized = true;
}

qint32 PelnixStateManager::userIDValue(const QString& text) {
    qint64 value = 0;
    int i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+')))
        negative = text.at(i++) == QLatin1Char('-');
    for (; i < text.size() && text.at(i).isDigit() && text.at(i).unicode() < 128; ++i) {
        value = value * 10 + (text.at(i).unicode() - '0');
        if (value > qint64(INT32_MAX) + 1)
            break;
    }
    value = negative ? -value : value;
    if (value > INT32_MAX)
        value = INT32_MAX;
    if (value < INT32_MIN)
        value = INT32_MIN;
    return qint32(value);
}

void PelnixStateManager::initializeCurrentUserIfAllParametersAreSet() {
    if (m_userID.isEmpty() || m_userEmailID.isEmpty() || m_authToken.isEmpty())
        return;
    initializeDatabase();
    const qint32 id = userIDValue(m_userID);
    if (id == 0)
        platform::Log::debug(QStringLiteral("The user ID has no leading digits; 0 is used"));
    if (g_accountInitializer)
        g_accountInitializer(id, m_userEmailID, m_authToken);
    m_isAllParametersSet = true;
}

void PelnixStateManager::checkWetherUserHasSetAllRequiredParametersWithCompletionHandler(
    const std::function<void(bool, const PLOptionalError&)>& completion) {
    PelnixStateManager* state = sharedStateManagerInstance();
    if (state->isAllParametersSet() || PelnixInfo::sharedInstance()->isLoggedInToPelnix()) {
        if (completion)
            completion(true, std::nullopt);
        return;
    }
    QString message;
    if (state->userEmailID().isEmpty()) {
        message += PLCurrentBundleInfo::localizedString(QStringLiteral("Email ID not set\n"));
        platform::Log::write(QStringLiteral("Please set user email ID"));
    }
    if (state->userID().isEmpty()) {
        message += PLCurrentBundleInfo::localizedString(QStringLiteral("User ID not set\n"));
        platform::Log::write(QStringLiteral("Please set user ID"));
    }
    if (state->authToken().isEmpty()) {
        message += PLCurrentBundleInfo::localizedString(QStringLiteral("AuthenticationCode not set\n"));
        platform::Log::write(QStringLiteral("Please set authenticationCode"));
    }
    if (completion)
        completion(false, PLError(PLCurrentBundleInfo::identifier(), -1000, message));
}

} // namespace pelnix
