#pragma once

#include "platform/PLError.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

namespace pelnix {

// What the host hands over for the running process: the credentials, the logging switch, the
// contact provider, and a few process flags. Main thread.
//
// A credential setter is refused while the session state is 2 (set-up complete). Once all three
// credentials are non-empty, the store is opened and the account row is made afresh from them.
class PelnixStateManager {
public:
    // Opens the store (once per state object).
    using DatabaseInitializer = std::function<void()>;
    // Re-creates the store with a fresh account row for these credentials.
    using AccountInitializer = std::function<void(qint32 userID, const QString& email, const QString& token)>;

    static PelnixStateManager* sharedStateManagerInstance();
    // Releases the shared instance; the next access builds one with every value reset.
    static void destroyStateManager();

    // The model layer installs these when it is linked in.
    static void setDatabaseInitializer(DatabaseInitializer initializer);
    static void setAccountInitializer(AccountInitializer initializer);

    QString authToken() const { return m_authToken; }
    QString userEmailID() const { return m_userEmailID; }
    QString userID() const { return m_userID; }
    void setAuthToken(const QString& value);
    void setUserEmailID(const QString& value);
    void setUserID(const QString& value);

    bool loggingEnabled() const { return m_loggingEnabled; }
    void setLoggingEnabled(bool enabled);

    bool isDatabaseInitialized() const { return m_isDatabaseInitialized; }
    bool isInitialSetUpDone() const { return m_isInitialSetUpDone; }
    void setIsInitialSetUpDone(bool value) { m_isInitialSetUpDone = value; }
    QString sessionID() const { return m_sessionID; }
    void setSessionID(const QString& value) { m_sessionID = value; }
    bool isLoginSuccessful() const { return m_isLoginSuccessful; }
    // YES also moves the session to state 1 and saves it.
    void setIsLoginSuccessful(bool value);
    // The host's contact source (a QObject implementing the facade's PLCustomContactProvider), held
    // weakly: a destroyed provider reads as null and is never asked.
    QObject* customAddressBookContactProvider() const { return m_contactProvider; }
    void setCustomAddressBookContactProvider(QObject* provider) { m_contactProvider = provider; }

    // True when the credentials were accepted, or (read anew) when the session state is 2.
    bool isAllParametersSet();
    void initializeDatabase();
    void initializeCurrentUserIfAllParametersAreSet();

    // Answers at once on the caller's thread: (true, none) when the parameters are set or the user
    // is logged in; otherwise (false, -1000 listing the missing values).
    static void checkWetherUserHasSetAllRequiredParametersWithCompletionHandler(
        const std::function<void(bool, const PLOptionalError&)>& completion);

    // The integer user ID: its leading decimal digits (0 when there are none).
    static qint32 userIDValue(const QString& text);

private:
    PelnixStateManager() = default;
    bool refusedInSetUpState(const char* name) const;

    QString m_authToken;
    QString m_userEmailID;
    QString m_userID;
    bool m_loggingEnabled = false;
    bool m_isDatabaseInitialized = false;
    bool m_isInitialSetUpDone = false;
    QString m_sessionID;
    bool m_isLoginSuccessful = false;
    QPointer<QObject> m_contactProvider;
    bool m_isAllParametersSet = false;
};

} // namespace pelnix
