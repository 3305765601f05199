#include "CoreFixture.h"

#include "core/api/PLAPIService.h"
#include "core/api/PLAppConfigurations.h"
#include "core/session/PelnixInfo.h"
#include "foundation/PLReachability.h"
#include "foundation/PLReachabilityResponder.h"
#include "foundation/PLStoredModel.h"
#include "foundation/ReachabilitySource.h"
#include "platform/UserDefaults.h"

#include <QJsonArray>
#include <QUrl>

namespace pelnix::test {

CoreFixture::CoreFixture(Service service) {
    PLStoredModel::dropSharedInstancesForTesting();
    m_network = std::make_shared<ReachabilitySource>();
    setOnline(true);
    PLReachabilityResponder::sharedInstance()->setReachabilityInstance(
        std::make_shared<PLReachability>(m_network, false));
    if (service == Service::None)
        return;

    m_server = std::make_unique<standin::StandinServer>(
        standin::StandinServer::Options{m_dataDir.path().toStdString(), 0, 0, 15000});
    if (!m_server->start())
        qFatal("the stand-in service did not start");

    const QJsonObject seeded = m_server->seed(QJsonObject{
        {"org", "acme"},
        {"users", QJsonArray{QJsonObject{
                      {"id", 41}, {"email", "ann@acme.test"}, {"name", "Ann"}, {"token", "T0k3n+/="}}}},
    });
    const QJsonObject user = seeded.value("users").toArray().at(0).toObject();
    m_userID = user.value("id").toVariant().toLongLong();
    m_token = user.value("token").toString();
    m_email = user.value("email").toString();

    PelnixInfo::sharedInstance()->setHostURL(baseUrl());
    PLAppConfigurations::reloadCurrentConfiguration();
    const qint32 id = qint32(m_userID);
    const QString token = m_token, email = m_email;
    PLAPIService::setAccountCredentialsSource([id, token, email] {
        return PLAccountCredentials{id, token, email, QStringLiteral("Ann")};
    });
}

CoreFixture::~CoreFixture() {
    PLAPIService::setAccountCredentialsSource({});
    if (m_server)
        m_server->stop();
    PLStoredModel::dropSharedInstancesForTesting();
}

void CoreFixture::stopServer() {
    m_server->stop();
}

bool CoreFixture::restartServer() {
    const uint16_t port = m_server->port();
    m_server->stop();
    m_server = std::make_unique<standin::StandinServer>(
        standin::StandinServer::Options{m_dataDir.path().toStdString(), port, 0, 15000});
    return m_server->start() && m_server->port() == port;
}

QString CoreFixture::baseUrl() const {
    return QString::fromStdString(m_server->baseUrl());
}

void CoreFixture::setOnline(bool online) {
    m_network->setFlags(online ? PLReachability::kReachable : 0u, 0u);
}

standin::StandinServer::LoggedRequest CoreFixture::lastRequest(const std::string& pathPart) const {
    const auto log = m_server->requestLog();
    for (auto it = log.rbegin(); it != log.rend(); ++it) {
        if (it->server == "api" && it->path.find(pathPart) != std::string::npos)
            return *it;
    }
    return {};
}

QList<QPair<QString, QString>> decodeForm(const std::string& text) {
    QList<QPair<QString, QString>> out;
    if (text.empty())
        return out;
    for (const QByteArray& pair : QByteArray::fromStdString(text).split('&')) {
        const int eq = pair.indexOf('=');
        const QByteArray key = eq < 0 ? pair : pair.left(eq);
        const QByteArray value = eq < 0 ? QByteArray() : pair.mid(eq + 1);
        out.append({QUrl::fromPercentEncoding(key), QUrl::fromPercentEncoding(value)});
    }
    return out;
}

int CoreFixture::requestsTo(const std::string& pathPart, const std::string& bodyPart) {
    int count = 0;
    for (const auto& r : server().requestLog())
        if (r.server == "api" && r.path.find(pathPart) != std::string::npos &&
            (r.body + r.query).find(bodyPart) != std::string::npos)
            ++count;
    return count;
}

} // namespace pelnix::test
