#pragma once

#include "TestSandbox.h"
#include "standin/StandinServer.h"

#include <QJsonObject>
#include <memory>

namespace pelnix {
class ReachabilitySource;
}

namespace pelnix::test {

// One test's world: a sandbox, a stand-in service on a free port with its own data folder, the
// configuration pointed at it, a reachable network, and one seeded user whose credentials sign
// every private request.
class CoreFixture {
public:
    enum class Service { Started, None };
    // With Service::None only the sandbox and the network are set up, for tests that talk to a peer
    // of their own; server() must not be used then.
    explicit CoreFixture(Service service = Service::Started);
    ~CoreFixture();

    standin::StandinServer& server() { return *m_server; }
    // Requests the API port has logged whose path holds `pathPart` and whose body or query holds
    // `bodyPart`.
    int requestsTo(const std::string& pathPart, const std::string& bodyPart = {});
    QString baseUrl() const;
    qint64 userID() const { return m_userID; }
    QString token() const { return m_token; }
    QString email() const { return m_email; }
    // Stops the stand-in; restartServer() brings it back on the same port with the same data folder.
    void stopServer();
    bool restartServer();
    // Flips the network as reachability sees it.
    void setOnline(bool online);

    // The newest logged request whose path contains `pathPart` (an empty request when none).
    standin::StandinServer::LoggedRequest lastRequest(const std::string& pathPart = {}) const;

private:
    TestSandbox m_sandbox;
    QTemporaryDir m_dataDir;
    std::unique_ptr<standin::StandinServer> m_server;
    std::shared_ptr<ReachabilitySource> m_network;
    qint64 m_userID = 0;
    QString m_token;
    QString m_email;
};

// Decodes a form body or query ("a=1&b=%20") into pairs, in order.
QList<QPair<QString, QString>> decodeForm(const std::string& text);

} // namespace pelnix::test
