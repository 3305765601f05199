#pragma once

// Another member's device for the stream tests: the library is one per process, so the test program
// runs again as a child, finds the stand-in's address in an environment variable, signs in as that
// member and reports through lines on its standard output.

#include "FacadeTestKit.h"

#include "core/api/PLAppConfigurations.h"
#include "core/session/PelnixInfo.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

#include <cstdio>
#include <optional>

namespace pelnix::test {

// In the child, with its sandbox made: the library signed in as the member and started; false when it
// did not start.
inline bool startPeerSession(const QString& baseUrl, const QString& email, qint64 id, const QString& token) {
    PelnixInfo::sharedInstance()->setHostURL(baseUrl);
    PLAppConfigurations::reloadCurrentConfiguration();
    Pelnix::setUserEmailID(email);
    Pelnix::setUserID(QString::number(id));
    Pelnix::setAuthenticationCode(token);
    Outcome started;
    Pelnix::initWithCompletionHandler(started.handler());
    return QTest::qWaitFor([&started] { return started.calls > 0; }, 30000) && started.success;
}

// In the child: one line to the parent.
inline void tellParent(const QByteArray& line) {
    std::printf("%s\n", line.constData());
    std::fflush(stdout);
}

// In the parent: the child, started on construction and killed, if still running, on destruction.
class PeerDevice {
public:
    PeerDevice(const char* variable, const QString& baseUrl) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QLatin1String(variable), baseUrl);
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start(QCoreApplication::applicationFilePath(), {});
    }
    ~PeerDevice() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    PeerDevice(const PeerDevice&) = delete;
    PeerDevice& operator=(const PeerDevice&) = delete;

    QProcess& process() { return m_process; }
    // The rest of the next unread line that starts with `prefix`; nothing when the child ended or the
    // time ran out first. Lines before it are passed over.
    std::optional<QString> says(const QString& prefix, int timeoutMs) {
        std::optional<QString> found;
        const bool ended = QTest::qWaitFor(
            [&] {
                m_output += m_process.readAllStandardOutput();
                for (qsizetype start = 0, stop = m_output.indexOf('\n'); stop >= 0;
                     start = stop + 1, stop = m_output.indexOf('\n', start)) {
                    const QByteArray line = m_output.mid(start, stop - start);
                    if (line.startsWith(prefix.toUtf8())) {
                        found = QString::fromUtf8(line.mid(prefix.size()).trimmed());
                        m_output.remove(0, stop + 1);
                        return true;
                    }
                }
                return m_process.state() == QProcess::NotRunning;
            },
            timeoutMs);
        return ended ? found : std::nullopt;
    }
    // The end of what the child wrote on its standard error, for a failure message.
    QByteArray errorTail() { return m_process.readAllStandardError().right(3000); }

private:
    QProcess m_process;
    QByteArray m_output;
};

} // namespace pelnix::test
