#pragma once

#include "foundation/PLStoredModel.h"

#include <QVariantList>

namespace pelnix {

// The session that survives relaunches: the session state and the host's settings and appearance,
// kept in "PelnixInfo.plist" in Application Support.
//
// Session states: 0 none, 1 logged in through e-mail verification, 2 set-up complete, 3 ended by
// the server. Colours are kept as colour text ("#rrggbbaa" or a colour name).
class PelnixInfo : public PLStoredModelOf<PelnixInfo> {
    Q_OBJECT
    Q_PROPERTY(QString navigationTitle MEMBER m_navigationTitle)
    Q_PROPERTY(QString navigationTitleColor MEMBER m_navigationTitleColor)
    Q_PROPERTY(QString tableViewSeparatorColor MEMBER m_tableViewSeparatorColor)
    Q_PROPERTY(QString mediaIconBase64 MEMBER m_mediaIconBase64)
    Q_PROPERTY(QString chatletIconBase64 MEMBER m_chatletIconBase64)
    Q_PROPERTY(quint64 sessionState READ sessionState WRITE setStoredSessionState)
    Q_PROPERTY(double mediaIconScale MEMBER m_mediaIconScale)
    Q_PROPERTY(double chatletIconScale MEMBER m_chatletIconScale)
    Q_PROPERTY(bool shouldHideCancelButton MEMBER m_shouldHideCancelButton)
    Q_PROPERTY(QString pnEnvironmentID MEMBER m_pnEnvironmentID)
    Q_PROPERTY(QString deviceToken MEMBER m_deviceToken)
    Q_PROPERTY(quint64 showContactsOptions MEMBER m_showContactsOptions)
    Q_PROPERTY(QString hostURL MEMBER m_hostURL)
    // Bar button items are live widgets of the host: kept for the process only.
    Q_PROPERTY(QVariantList leftBarButtonItems MEMBER m_leftBarButtonItems STORED false)
    Q_PROPERTY(bool appLockFeatureEnabled MEMBER m_appLockFeatureEnabled)
    Q_PROPERTY(bool sandboxingFeatureEnabled MEMBER m_sandboxingFeatureEnabled)
    Q_PROPERTY(bool sandBoxingEnabled MEMBER m_sandBoxingEnabled)
public:
    PelnixInfo() = default;

    quint64 sessionState() const { return m_sessionState; }
    // A changed state is stored; a change to 0 or 3 also clears the appearance (destroy(), which
    // saves). An unchanged state does nothing.
    void setSessionState(quint64 state);
    // Clears the appearance and contact options, restores both feature switches, and saves.
    void destroy();
    bool isLoggedInToPelnix() const { return m_sessionState == 1 || m_sessionState == 2; }

    QString navigationTitle() const { return m_navigationTitle; }
    void setNavigationTitle(const QString& v) { m_navigationTitle = v; }
    QString navigationTitleColor() const { return m_navigationTitleColor; }
    void setNavigationTitleColor(const QString& v) { m_navigationTitleColor = v; }
    QString tableViewSeparatorColor() const { return m_tableViewSeparatorColor; }
    void setTableViewSeparatorColor(const QString& v) { m_tableViewSeparatorColor = v; }
    QString mediaIconBase64() const { return m_mediaIconBase64; }
    void setMediaIconBase64(const QString& v) { m_mediaIconBase64 = v; }
    QString chatletIconBase64() const { return m_chatletIconBase64; }
    void setChatletIconBase64(const QString& v) { m_chatletIconBase64 = v; }
    double mediaIconScale() const { return m_mediaIconScale; }
    void setMediaIconScale(double v) { m_mediaIconScale = v; }
    double chatletIconScale() const { return m_chatletIconScale; }
    void setChatletIconScale(double v) { m_chatletIconScale = v; }
    bool shouldHideCancelButton() const { return m_shouldHideCancelButton; }
    void setShouldHideCancelButton(bool v) { m_shouldHideCancelButton = v; }
    QString pnEnvironmentID() const { return m_pnEnvironmentID; }
    void setPnEnvironmentID(const QString& v) { m_pnEnvironmentID = v; }
    QString deviceToken() const { return m_deviceToken; }
    void setDeviceToken(const QString& v) { m_deviceToken = v; }
    quint64 showContactsOptions() const { return m_showContactsOptions; }
    void setShowContactsOptions(quint64 v) { m_showContactsOptions = v; }
    QString hostURL() const { return m_hostURL; }
    void setHostURL(const QString& v) { m_hostURL = v; }
    QVariantList leftBarButtonItems() const { return m_leftBarButtonItems; }
    void setLeftBarButtonItems(const QVariantList& v) { m_leftBarButtonItems = v; }
    bool appLockFeatureEnabled() const { return m_appLockFeatureEnabled; }
    void setAppLockFeatureEnabled(bool v) { m_appLockFeatureEnabled = v; }
    bool sandboxingFeatureEnabled() const { return m_sandboxingFeatureEnabled; }
    void setSandboxingFeatureEnabled(bool v) { m_sandboxingFeatureEnabled = v; }
    bool sandBoxingEnabled() const { return m_sandBoxingEnabled; }
    void setSandBoxingEnabled(bool v) { m_sandBoxingEnabled = v; }

private:
    // Loading a saved file sets the state without the side effects of a change.
    void setStoredSessionState(quint64 state) { m_sessionState = state; }

    QString m_navigationTitle;
    QString m_navigationTitleColor;
    QString m_tableViewSeparatorColor;
    QString m_mediaIconBase64;
    QString m_chatletIconBase64;
    quint64 m_sessionState = 0;
    double m_mediaIconScale = 0;
    double m_chatletIconScale = 0;
    bool m_shouldHideCancelButton = false;
    QString m_pnEnvironmentID;
    QString m_deviceToken;
    quint64 m_showContactsOptions = 0;
    QString m_hostURL;
    QVariantList m_leftBarButtonItems;
    bool m_appLockFeatureEnabled = true;
    bool m_sandboxingFeatureEnabled = true;
    bool m_sandBoxingEnabled = false;
};

} // namespace pelnix
