#pragma once

#include "foundation/PLStoredModel.h"

#include <QVariantMap>
#include <functional>

namespace pelnix {

// Server values that the signed-in account's per-user configuration may set.
struct PLAccountConfigurationOverrides {
    QString userConfigBaseURL;
    QString userConfigPNCertificateName;
    QString userConfigPictureBucketName;
};

// Endpoints, limits and presentation settings, loaded from the bundle's "PLAppConfigurations.plist".
//
// The resource holds an environment table ("environmentsInfo": "common" values and one entry per
// environment); the chosen environment's values are applied with "##BASEURL##" replaced by the
// effective base URL. The base URL and the push certificate name take the account's server values
// first, then the host's settings, then the resource; the picture bucket takes the account's value
// over the resource. The account values are read on every call.
class PLAppConfigurations : public PLStoredModelOf<PLAppConfigurations> {
    Q_OBJECT
    Q_PROPERTY(QString baseURL MEMBER m_baseURL)
    Q_PROPERTY(QString basePublicURL MEMBER m_basePublicURL)
    Q_PROPERTY(QString roomsURL MEMBER m_roomsURL)
    Q_PROPERTY(QString roomsLiteURL MEMBER m_roomsLiteURL)
    Q_PROPERTY(QString eventsURL MEMBER m_eventsURL)
    Q_PROPERTY(QString contactsURL MEMBER m_contactsURL)
    Q_PROPERTY(QString publicRoomsURL MEMBER m_publicRoomsURL)
    Q_PROPERTY(QString echatusersURL MEMBER m_echatusersURL)
    Q_PROPERTY(QString pushNotificationURL MEMBER m_pushNotificationURL)
    Q_PROPERTY(QString inviteURL MEMBER m_inviteURL)
    Q_PROPERTY(QString loadMoreRepliesURL MEMBER m_loadMoreRepliesURL)
    Q_PROPERTY(QString styleSheetURL MEMBER m_styleSheetURL)
    Q_PROPERTY(QString formJSONURL MEMBER m_formJSONURL)
    Q_PROPERTY(QString chaletsURL MEMBER m_chaletsURL)
    Q_PROPERTY(QString detailsURL MEMBER m_detailsURL)
    Q_PROPERTY(QString baseS3TokenURL MEMBER m_baseS3TokenURL)
    Q_PROPERTY(QString baseS3FileURL MEMBER m_baseS3FileURL)
    Q_PROPERTY(QString googleTinyURL MEMBER m_googleTinyURL)
    Q_PROPERTY(QString mapTileURL MEMBER m_mapTileURL)
    Q_PROPERTY(QString geocoderURL MEMBER m_geocoderURL)
    Q_PROPERTY(QString base MEMBER m_base)
    Q_PROPERTY(QString pictureBucketParameterValue MEMBER m_pictureBucketParameterValue)
    Q_PROPERTY(QString pushNotificationCertificateName MEMBER m_pushNotificationCertificateName)
    Q_PROPERTY(QString base64Prefix MEMBER m_base64Prefix)
    Q_PROPERTY(QString smartMessageFontName MEMBER m_smartMessageFontName)
    Q_PROPERTY(QString smartMessageFontSize MEMBER m_smartMessageFontSize)
    Q_PROPERTY(QString smartMessageTextColor MEMBER m_smartMessageTextColor)
    Q_PROPERTY(QString currentEnvironment MEMBER m_currentEnvironment)
    Q_PROPERTY(QString feedbackEmailAddress MEMBER m_feedbackEmailAddress)
    Q_PROPERTY(QString supportEmailAddress MEMBER m_supportEmailAddress)
    Q_PROPERTY(QString iVersionFilePath MEMBER m_iVersionFilePath)
    Q_PROPERTY(QString bugSenseAppKey MEMBER m_bugSenseAppKey)
    Q_PROPERTY(QString mixPanelAppKey MEMBER m_mixPanelAppKey)
    Q_PROPERTY(QString pelnixImageAlbum MEMBER m_pelnixImageAlbum)
    Q_PROPERTY(QString pelnixVideoAlbum MEMBER m_pelnixVideoAlbum)
    Q_PROPERTY(quint64 numberOfMessagesLoadedOnce MEMBER m_numberOfMessagesLoadedOnce)
    Q_PROPERTY(quint64 maxPendingMessageRetryCount MEMBER m_maxPendingMessageRetryCount)
    Q_PROPERTY(quint64 uploadSizeLimit MEMBER m_uploadSizeLimit)
    Q_PROPERTY(quint64 downloadSizeLimit MEMBER m_downloadSizeLimit)
    Q_PROPERTY(quint64 xsltCRV MEMBER m_xsltCRV)
    Q_PROPERTY(quint64 chatletVersion MEMBER m_chatletVersion)
    Q_PROPERTY(quint64 publicRequestTimeout MEMBER m_publicRequestTimeout)
    Q_PROPERTY(quint64 privateRequestTimeout MEMBER m_privateRequestTimeout)
    Q_PROPERTY(double durationBetweenTextMessagesToGroup MEMBER m_durationBetweenTextMessagesToGroup)
    Q_PROPERTY(bool disaplayEnvironmentSelection MEMBER m_disaplayEnvironmentSelection)
    Q_PROPERTY(bool hideInviteMenuOption MEMBER m_hideInviteMenuOption)
    Q_PROPERTY(QVariantMap environmentsInfo MEMBER m_environmentsInfo)
    Q_PROPERTY(QVariantMap environments MEMBER m_environments)
public:
    PLAppConfigurations() = default;

    // The shared configuration, loaded on first use.
    static PLAppConfigurations* currentConfiguration();
    // Reads the resource again into a new shared configuration.
    static void reloadCurrentConfiguration();

    // The loading entry point: picks the environment (user defaults "currentEnvironment" first) and
    // applies it.
    bool setWithDictionary(const QVariantMap& dictionary) override;
    void setCurrentEnvironment(const QString& name);
    // Switches the environment at run time; remembered for the next load only while environment
    // selection is on.
    void setEnvironment(const QString& name);

    // Effective values (see the class comment).
    QString baseURL() const;
    QString pushNotificationCertificateName() const;
    QString pictureBucketParameterValue() const;
    QString currentEnvironment() const { return m_currentEnvironment; }

    QString basePublicURL() const { return m_basePublicURL; }
    QString roomsURL() const { return m_roomsURL; }
    QString roomsLiteURL() const { return m_roomsLiteURL; }
    QString eventsURL() const { return m_eventsURL; }
    QString contactsURL() const { return m_contactsURL; }
    QString publicRoomsURL() const { return m_publicRoomsURL; }
    QString echatusersURL() const { return m_echatusersURL; }
    QString pushNotificationURL() const { return m_pushNotificationURL; }
    QString inviteURL() const { return m_inviteURL; }
    QString loadMoreRepliesURL() const { return m_loadMoreRepliesURL; }
    QString styleSheetURL() const { return m_styleSheetURL; }
    QString formJSONURL() const { return m_formJSONURL; }
    QString chaletsURL() const { return m_chaletsURL; }
    QString detailsURL() const { return m_detailsURL; }
    QString baseS3TokenURL() const { return m_baseS3TokenURL; }
    QString baseS3FileURL() const { return m_baseS3FileURL; }
    QString googleTinyURL() const { return m_googleTinyURL; }
    // The map's tile server as a z/x/y URL template ("{z}", "{x}", "{y}"), and the base URL of the
    // geocoding service ("search" and "reverse" below it); empty: none.
    QString mapTileURL() const { return m_mapTileURL; }
    QString geocoderURL() const { return m_geocoderURL; }
    QString base() const { return m_base; }
    QString base64Prefix() const { return m_base64Prefix; }
    QString smartMessageFontName() const { return m_smartMessageFontName; }
    QString smartMessageFontSize() const { return m_smartMessageFontSize; }
    QString smartMessageTextColor() const { return m_smartMessageTextColor; }
    QString feedbackEmailAddress() const { return m_feedbackEmailAddress; }
    QString supportEmailAddress() const { return m_supportEmailAddress; }
    QString iVersionFilePath() const { return m_iVersionFilePath; }
    QString bugSenseAppKey() const { return m_bugSenseAppKey; }
    QString mixPanelAppKey() const { return m_mixPanelAppKey; }
    QString pelnixImageAlbum() const { return m_pelnixImageAlbum; }
    QString pelnixVideoAlbum() const { return m_pelnixVideoAlbum; }
    quint64 numberOfMessagesLoadedOnce() const { return m_numberOfMessagesLoadedOnce; }
    quint64 maxPendingMessageRetryCount() const { return m_maxPendingMessageRetryCount; }
    quint64 uploadSizeLimit() const { return m_uploadSizeLimit; }
    // The most bytes one attachment download may bring (0: the downloader's own bound).
    quint64 downloadSizeLimit() const { return m_downloadSizeLimit; }
    quint64 xsltCRV() const { return m_xsltCRV; }
    quint64 chatletVersion() const { return m_chatletVersion; }
    quint64 publicRequestTimeout() const { return m_publicRequestTimeout; }
    quint64 privateRequestTimeout() const { return m_privateRequestTimeout; }
    double durationBetweenTextMessagesToGroup() const { return m_durationBetweenTextMessagesToGroup; }
    bool disaplayEnvironmentSelection() const { return m_disaplayEnvironmentSelection; }
    bool hideInviteMenuOption() const { return m_hideInviteMenuOption; }
    QVariantMap environmentsInfo() const { return m_environmentsInfo; }
    QVariantMap environments() const { return m_environments; }

    // The account code installs the reader of the account's server values. Until then (and while the
    // store is not open) no account value applies.
    static void setAccountOverridesSource(std::function<PLAccountConfigurationOverrides()> source);

    // The user-defaults key of the chosen environment.
    static QString currentEnvironmentDefaultsKey() { return QStringLiteral("currentEnvironment"); }

private:
    static PLAccountConfigurationOverrides accountOverrides();

    QString m_baseURL{};
    QString m_basePublicURL{};
    QString m_roomsURL{};
    QString m_roomsLiteURL{};
    QString m_eventsURL{};
    QString m_contactsURL{};
    QString m_publicRoomsURL{};
    QString m_echatusersURL{};
    QString m_pushNotificationURL{};
    QString m_inviteURL{};
    QString m_loadMoreRepliesURL{};
    QString m_styleSheetURL{};
    QString m_formJSONURL{};
    QString m_chaletsURL{};
    QString m_detailsURL{};
    QString m_baseS3TokenURL{};
    QString m_baseS3FileURL{};
    QString m_googleTinyURL{};
    QString m_mapTileURL{};
    QString m_geocoderURL{};
    QString m_base{};
    QString m_pictureBucketParameterValue{};
    QString m_pushNotificationCertificateName{};
    QString m_base64Prefix{};
    QString m_smartMessageFontName{};
    QString m_smartMessageFontSize{};
    QString m_smartMessageTextColor{};
    QString m_currentEnvironment{};
    QString m_feedbackEmailAddress{};
    QString m_supportEmailAddress{};
    QString m_iVersionFilePath{};
    QString m_bugSenseAppKey{};
    QString m_mixPanelAppKey{};
    QString m_pelnixImageAlbum{};
    QString m_pelnixVideoAlbum{};
    quint64 m_numberOfMessagesLoadedOnce = 0;
    quint64 m_maxPendingMessageRetryCount = 0;
    quint64 m_uploadSizeLimit = 0;
    quint64 m_downloadSizeLimit = 0;
    quint64 m_xsltCRV = 0;
    quint64 m_chatletVersion = 0;
    quint64 m_publicRequestTimeout = 0;
    quint64 m_privateRequestTimeout = 0;
    double m_durationBetweenTextMessagesToGroup = 0;
    bool m_disaplayEnvironmentSelection = false;
    bool m_hideInviteMenuOption = false;
    QVariantMap m_environmentsInfo{};
    QVariantMap m_environments{};
};

} // namespace pelnix
