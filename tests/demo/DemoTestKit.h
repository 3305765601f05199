#pragma once

// What the demo's tests share: the stand-in and the library's files set up as the demo sets them,
// the host signed in, a user's click, the screen a container shows and a stored message.
#include "DemoHost.h"
#include "TestSandbox.h"
#include "core/model/Message.h"
#include "platform/Sandbox.h"
#include "platform/ui/Animator.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ViewController.h"
#include "standin/StandinServer.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <memory>

namespace pelnix::test {

inline void click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
}

// The screen a container shows (through a navigation controller it may have wrapped it in).
template <typename Screen> Screen* shown(platform::ui::ViewController* controller) {
    for (int depth = 0; controller && depth < 4; ++depth) {
        if (auto* screen = qobject_cast<Screen*>(controller))
            return screen;
        if (auto* navigation = qobject_cast<platform::ui::NavigationController*>(controller))
            controller = navigation->topViewController();
        else if (!controller->childViewControllers().isEmpty())
            controller = controller->childViewControllers().first();
        else
            return nullptr;
    }
    return nullptr;
}

inline bool hasMessage(const QString& text) {
    return Message::PS_findFirstByAttribute(QStringLiteral("text"), text) != nullptr;
}

// The stand-in in a folder of its own, the library's files in a test sandbox, animations instant.
class DemoWorld {
public:
    static constexpr int kNetworkMs = 15000;

    bool start() {
        platform::ui::Animator::setInstant(true);
        platform::Sandbox::setRoot(m_sandbox.root());
        standin::StandinServer::Options options;
        options.dataDir = m_data.path().toStdString();
        m_server = std::make_unique<standin::StandinServer>(options);
        return m_server->start();
    }
    void stop() { m_server->stop(); }
    standin::StandinServer& server() { return *m_server; }
    // The service's base, ending in "/" as the demo's own.
    QUrl url() const {
        QUrl url(QString::fromStdString(m_server->baseUrl()));
        if (!url.path().endsWith(QLatin1Char('/')))
            url.setPath(url.path() + QLatin1Char('/'));
        return url;
    }
    // Starts the host for a window and waits until it has signed its user in and made the group.
    static bool signIn(DemoHost& host) {
        host.setWindowed(true);
        QSignalSpy ready(&host, &DemoHost::conversationReady);
        QSignalSpy finished(&host, &DemoHost::finished);
        host.start();
        return QTest::qWaitFor([&] { return !ready.isEmpty() || !finished.isEmpty(); }, kNetworkMs) &&
               finished.isEmpty();
    }

private:
    TestSandbox m_sandbox;
    QTemporaryDir m_data;
    std::unique_ptr<standin::StandinServer> m_server;
};

} // namespace pelnix::test
