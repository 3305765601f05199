#include "core/api/PLAppConfigurations.h"

#include "core/session/PelnixInfo.h"
#include "platform/UserDefaults.h"

#include <QMutex>

namespace pelnix {

namespace {
QMutex g_overridesMutex;
std::function<PLAccountConfigurationOverrides()> g_overridesSource;
const QString kBaseURLToken = QStringLiteral("##BASEURL##");

// Endpoints are the base with their paths appended: a base given without its final "/" (as a host
// writes "http://127.0.0.1:8080") is read as the folder it names.
QString asFolder(const QString& base) {
    return base.isEmpty() || base.endsWith(QLatin1Char('/')) ? base : base + QLatin1Char('/');
}
} // namespace

PLAppConfigurations* PLAppConfigurations::currentConfiguration() {
    return sharedInstance().get();
}

void PLAppConfigurations::reloadCurrentConfiguration() {
    reloadSharedInstance();
}

void PLAppConfigurations::setAccountOverridesSource(std::function<PLAccountConfigurationOverrides()> source) {
    QMutexLocker lock(&g_overridesMutex);
    g_overridesSource = std::move(source);
}

PLAccountConfigurationOverrides PLAppConfigurations::accountOverrides() {
    std::function<PLAccountConfigurationOverrides()> source;
    {
        QMutexLocker lock(&g_overridesMutex);
        source = g_overridesSource;
    }
    return source ? source() : PLAccountConfigurationOverrides();
}

bool PLAppConfigurations::setWithDictionary(const QVariantMap& dictionary) {
    QVariantMap copy = dictionary;
    const QString key = currentEnvironmentDefaultsKey();
    QString environment;
    if (platform::UserDefaults::contains(key)) {
        environment = platform::UserDefaults::value(key).toString();
        copy.insert(key, environment);
    } else {
        environment = copy.value(key).toString();
    }
    copy.remove(key);
    const QVariantMap info = copy.value(QStringLiteral("environmentsInfo")).toMap();
    m_environmentsInfo = info;
    m_environments = info.value(QStringLiteral("environments")).toMap();
    copy.remove(QStringLiteral("environmentsInfo"));
    copy.remove(QStringLiteral("environments"));
    PLStoredModel::setWithDictionary(copy);
    setCurrentEnvironment(environment);
    if (!m_disaplayEnvironmentSelection) {
        m_environments.clear();
        m_environmentsInfo.clear();
    }
    return true;
}

void PLAppConfigurations::setCurrentEnvironment(const QString& name) {
    m_currentEnvironment = name;
    if (!m_environments.contains(name))
        return;
    const QVariantMap environment = m_environments.value(name).toMap();
    m_baseURL = environment.value(QStringLiteral("baseURL")).toString();

    QVariantMap merged = m_environmentsInfo.value(QStringLiteral("common")).toMap();
    for (auto it = environment.cbegin(); it != environment.cend(); ++it)
        merged.insert(it.key(), it.value());
    const QString effectiveBase = baseURL();
    for (auto it = merged.begin(); it != merged.end(); ++it) {
        if (it.value().typeId() == QMetaType::QString)
            it.value() = it.value().toString().replace(kBaseURLToken, effectiveBase);
    }
    // The values in force now become the stored ones before the environment's own apply.
    m_pushNotificationCertificateName = pushNotificationCertificateName();
    m_pictureBucketParameterValue = pictureBucketParameterValue();
    PLStoredModel::setWithDictionary(merged);
}

void PLAppConfigurations::setEnvironment(const QString& name) {
    if (name.isEmpty())
        return;
    setCurrentEnvironment(name);
    if (m_disaplayEnvironmentSelection) {
        platform::UserDefaults::setValue(currentEnvironmentDefaultsKey(), name);
        platform::UserDefaults::synchronize();
    }
}

QString PLAppConfigurations::baseURL() const {
    const PLAccountConfigurationOverrides account = accountOverrides();
    if (!account.userConfigBaseURL.isEmpty())
        return asFolder(account.userConfigBaseURL);
    const QString host = PelnixInfo::sharedInstance()->hostURL();
    if (!host.isEmpty())
        return asFolder(host);
    return asFolder(m_baseURL);
}

QString PLAppConfigurations::pushNotificationCertificateName() const {
    const PLAccountConfigurationOverrides account = accountOverrides();
    if (!account.userConfigPNCertificateName.isEmpty())
        return account.userConfigPNCertificateName;
    const QString host = PelnixInfo::sharedInstance()->pnEnvironmentID();
    if (!host.isEmpty())
        return host;
    return m_pushNotificationCertificateName;
}

QString PLAppConfigurations::pictureBucketParameterValue() const {
    const PLAccountConfigurationOverrides account = accountOverrides();
    if (!account.userConfigPictureBucketName.isEmpty())
        return account.userConfigPictureBucketName;
    return m_pictureBucketParameterValue;
}

} // namespace pelnix
