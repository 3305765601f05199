// The installed package as a host's build uses it: install into a fresh prefix, then configure, build
// and run small hosts that find the library with find_package(Pelnix): every installed header compiled
// alone; one host shows a web page, whose engine comes from beside the installed library, and uses the
// offline picture cache and the asset check; one opens the root container, the rooms list and a chat
// window against the stand-in and sends a message from the chat window, saying nothing of the
// library's below warnings unless QT_LOGGING_RULES asks. The example the README points a host to
// (examples/host) builds as a project of its own against the prefix.
#include "standin/StandinServer.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QtTest>

class TestPackage : public QObject {
    Q_OBJECT
private slots:
    void aHostBuildsAgainstTheInstalledPackage();
};

namespace {

// Runs a program to its end; its output on failure.
bool run(const QString& program, const QStringList& arguments, QString* output = nullptr) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool finished = process.waitForFinished(300000);
    const QString text = QString::fromLocal8Bit(process.readAll());
    if (output)
        *output = text;
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        qWarning().noquote() << program << arguments.join(' ') << "\n" << text;
        return false;
    }
    return true;
}

void write(const QString& path, const QByteArray& text) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

} // namespace

void TestPackage::aHostBuildsAgainstTheInstalledPackage() {
    const QString buildDir = qEnvironmentVariable("PELNIX_BUILD_DIR");
    QVERIFY2(!buildDir.isEmpty(), "PELNIX_BUILD_DIR names the library's build folder");
    QTemporaryDir work;
    const QString prefix = work.filePath("prefix");
    QVERIFY(run("cmake", {"--install", buildDir, "--prefix", prefix}));
    QVERIFY(QFile::exists(prefix + "/include/pelnix/interface/Pelnix.h"));
    QVERIFY(QFile::exists(prefix + "/include/pelnix/platform/PLError.h"));
    // The host-implemented protocols come with the package.
    QVERIFY(QFile::exists(prefix + "/include/pelnix/interface/PLCustomContactProvider.h"));
    QVERIFY(QFile::exists(prefix + "/include/pelnix/interface/PelnixEventTracker.h"));
    QVERIFY(QFile::exists(prefix + "/include/pelnix/platform/ui/WebView.h"));
    // So do the helpers a host may use on its own.
    QVERIFY(QFile::exists(prefix + "/include/pelnix/foundation/PLOfflineURLCache.h"));
    QVERIFY(QFile::exists(prefix + "/include/pelnix/foundation/AssetURLChecker.h"));

    const QString source = work.filePath("host");
    QVERIFY(QDir().mkpath(source + "/headers"));
    // One translation unit per installed header, each including that header alone.
    const QString includes = prefix + "/include/pelnix";
    QStringList headers;
    for (QDirIterator it(includes, {"*.h"}, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        headers << QDir(includes).relativeFilePath(it.next());
    headers.sort();
    QVERIFY(headers.contains("interface/PelnixGroupController.h"));
    QVERIFY(headers.contains("platform/ui/BarButtonItem.h"));
    // A class an installed header only names is defined in another one, but for the store's entities,
    // which a host reaches through the value classes (PelnixGroup, PelnixUser, PelnixGroupMember).
    const QStringList entities{"ChatRoom", "User", "RoomMember"};
    QString installed;
    for (const QString& header : headers) {
        QFile file(includes + '/' + header);
        QVERIFY(file.open(QIODevice::ReadOnly));
        installed += QString::fromUtf8(file.readAll());
    }
    const QRegularExpression named("^\\s*class (\\w+);", QRegularExpression::MultilineOption);
    for (auto it = named.globalMatch(installed); it.hasNext();) {
        const QString name = it.next().captured(1);
        if (name.startsWith('Q') || entities.contains(name))
            continue;
        QVERIFY2(installed.contains(QRegularExpression("class " + name + "\\s*(final\\s*)?[:{]")),
                 qPrintable(name));
    }
    for (int i = 0; i < headers.size(); ++i)
        write(source + QStringLiteral("/headers/h%1.cpp").arg(i), "#include <" + headers[i].toUtf8() + ">\n");
    write(source + "/CMakeLists.txt", R"(cmake_minimum_required(VERSION 3.25)
project(Host LANGUAGES CXX)
set(CMAKE_CXX_STANDARD 20)
find_package(Pelnix 0.1 REQUIRED)
file(GLOB header_units headers/*.cpp)
add_library(headers OBJECT ${header_units})
target_link_libraries(headers PRIVATE Pelnix::Pelnix)
add_executable(host main.cpp)
target_link_libraries(host PRIVATE Pelnix::Pelnix)
add_executable(screens screens.cpp)
target_link_libraries(screens PRIVATE Pelnix::Pelnix)
)");
    write(source + "/screens.cpp", R"(#include <interface/Pelnix.h>
#include <platform/ui/NavigationController.h>
#include <platform/ui/ScreenRegistry.h>
#include <platform/ui/Window.h>
#include <ui/shell/PLRootViewController.h>
#include <ui/shell/PelnixViewController.h>
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QSocketNotifier>
#include <cstdio>
#include <unistd.h>

using namespace pelnix;
using platform::ui::NavigationController;
using platform::ui::ViewController;

// Runs the event loop until `done` holds, for at most 30 s.
static bool waitFor(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return done();
}

// The class of the screen a container shows.
static const char* shownClass(ViewController* controller) {
    for (int depth = 0; controller && depth < 3; ++depth) {
        auto* navigation = qobject_cast<NavigationController*>(controller);
        if (navigation)
            controller = navigation->topViewController();
        else if (qobject_cast<PelnixViewController*>(controller) && !controller->childViewControllers().isEmpty())
            controller = controller->childViewControllers().first();
        else
            break;
    }
    return controller ? controller->metaObject()->className() : "none";
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    Pelnix::setHostURL(qEnvironmentVariable("HOST_SERVICE"));
    Pelnix::setUserEmailID(qEnvironmentVariable("HOST_EMAIL"));
    Pelnix::setUserID(qEnvironmentVariable("HOST_USER"));
    Pelnix::setAuthenticationCode(qEnvironmentVariable("HOST_TOKEN"));
    bool started = false, ok = false;
    Pelnix::initWithCompletionHandler([&](bool success, const PLOptionalError&, const QString&) {
        started = true;
        ok = success;
    });
    const QString room = qEnvironmentVariable("HOST_ROOM");
    if (!waitFor([&] { return started; }) || !ok || !waitFor([&] { return Pelnix::pelnixGroupWithID(room).has_value(); })) {
        std::printf("not started\n");
        return 1;
    }

    // The host's own pages, which the root container reads.
    auto* registry = platform::ui::ScreenRegistry::shared();
    registry->registerScreen("SDKTest", "HostLanding", [] { return new ViewController; });
    registry->setInitialScreen("SDKTest", "HostLanding");
    registry->registerScreen("Home", "HostChats", []() -> ViewController* {
        ViewController* list = platform::ui::ScreenRegistry::shared()->instantiate("Home", "PLChatRoomsTableViewController");
        return list ? new NavigationController(list) : nullptr;
    });
    registry->setInitialScreen("Home", "HostChats");
    platform::ui::Window window;
    window.resize(400, 720);
    auto* root = new PLRootViewController;
    window.setRootViewController(root);
    window.show();
    root->showChatsViewController();
    std::printf("root %s\n", shownClass(root->chatRoomsNavigationViewController()));

    ViewController* rooms = Pelnix::pelnixGroupsViewController();
    window.setRootViewController(rooms);
    std::printf("rooms %s\n", shownClass(rooms));

    ViewController* chat = Pelnix::createPelnixWindowViewControllerWithGroup(Pelnix::pelnixGroupWithID(room));
    window.setRootViewController(chat);
    std::printf("chat %s\n", shownClass(chat));
    auto* text = chat->view()->findChild<QPlainTextEdit*>("messageTextView");
    auto* send = chat->view()->findChild<QAbstractButton*>("sendButton");
    if (!text || !send)
        return 1;
    text->setPlainText("Hello from the host");
    send->click();
    std::printf("sent\n");
    std::fflush(stdout);
    // Runs, delivering, until the test closes the input.
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[64];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
            app.quit();
    });
    return app.exec();
}
)");
    write(source + "/main.cpp", R"(#include <foundation/AssetURLChecker.h>
#include <foundation/PLOfflineURLCache.h>
#include <interface/Pelnix.h>
#include <interface/PelnixEventTracker.h>
#include <platform/ui/WebView.h>
#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QTimer>
#include <cstdio>

// The files mapped into this process whose name contains `part`.
static QStringList mapped(const char* part) {
    QFile maps("/proc/self/maps");
    QStringList files;
    if (maps.open(QIODevice::ReadOnly))
        for (const QByteArray& line : maps.readAll().split('\n'))
            if (line.contains(part) && !files.contains(QString::fromLocal8Bit(line.mid(line.indexOf('/')))))
                files << QString::fromLocal8Bit(line.mid(line.indexOf('/')));
    return files;
}

// The host's own contacts and analytics receiver, as the library's protocols ask for them.
class Contacts : public QObject, public pelnix::PLCustomContactProvider {
public:
    std::optional<QList<pelnix::PLPelnixContact>> customAddressBookContacts() override {
        return QList<pelnix::PLPelnixContact>{{"Ada", "ada@host.test", {}}, {"Bo", {}, "+4420"}};
    }
};
class Tracker : public QObject, public pelnix::PelnixEventTrackerDelegate {};

int main(int argc, char** argv) {
    // Web pages share GL contexts, which is set before the application exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    // The change screen opens lock state 2; an unknown view type opens none.
    const auto change = pelnix::Pelnix::appLockStatusFromPassCodeViewType(3);
    const auto unknown = pelnix::Pelnix::appLockStatusFromPassCodeViewType(9);
    Contacts contacts;
    pelnix::Pelnix::setCustomAddressBookContactProvider(&contacts);
    auto* provider = pelnix::PLCustomContactProvider::of(pelnix::Pelnix::customAddressBookContactProvider());
    const auto offered = provider ? provider->customAddressBookContacts() : std::nullopt;
    Tracker tracker;
    auto* events = pelnix::PelnixEventTracker::sharedEventTrackerInstance();
    events->setEventTrackerDelegate(&tracker);
    std::printf("%lld %d %d %d\n", static_cast<long long>(change.value_or(-1)), unknown.has_value(),
                offered ? int(offered->size()) : -1,
                events->trackerDelegate() == static_cast<pelnix::PelnixEventTrackerDelegate*>(&tracker));

    // A web page: the browser engine is mapped with the first view, not before.
    const bool mappedBefore = !mapped("libQt6WebEngineCore").isEmpty();
    using pelnix::platform::ui::WebView;
    WebView* view = WebView::create();
    bool finished = false;
    QString text;
    QEventLoop loop;
    QObject::connect(view, &WebView::didFinishLoad, view, [&](bool ok) {
        finished = ok;
        view->evaluateJavaScript("document.body.textContent", [&](const QVariant& value) {
            text = value.toString();
            loop.quit();
        });
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    view->loadHTMLString("<p>shown</p>", QUrl("https://host.test/"));
    loop.exec();
    std::printf("%d %d %s %s\n", mappedBefore, finished, qPrintable(text),
                qPrintable(mapped("pelnix_webengine").join(',')));
    delete view;

    // The offline copies of pictures: one listed under the name the library gives it (a name that
    // is not one plain file name is refused), read back, with the cache on the host's own manager;
    // and the check that a picked item still exists.
    using pelnix::PLOfflineURLCache;
    const QString picture = "https://host.test/pictures/p.png";
    const bool listed =
        PLOfflineURLCache::addSubstitutionPath(picture, PLOfflineURLCache::cacheFileNameForURL(picture));
    const bool refused = !PLOfflineURLCache::addSubstitutionPath("https://host.test/q.png", "../q.png");
    const QVariantMap paths = PLOfflineURLCache::substitutionPaths();
    QNetworkAccessManager network;
    auto* cache = new PLOfflineURLCache;
    network.setCache(cache);
    const QString self = QCoreApplication::applicationFilePath();
    const bool exists = pelnix::AssetURLChecker::assetExists(QUrl::fromLocalFile(self));
    const bool gone = !pelnix::AssetURLChecker::assetExists(QUrl::fromLocalFile(self + ".gone"));
    std::printf("%d %d %d %d %d %d %s\n", listed, refused, int(paths.size()),
                paths.value(picture).toString() == PLOfflineURLCache::cacheFileNameForURL(picture),
                network.cache() == cache, exists && gone,
                qPrintable(PLOfflineURLCache::mimeTypeForPath("p.jpg")));
    return 0;
}
)");
    const QString hostBuild = work.filePath("host-build");
    QVERIFY(run("cmake", {"-S", source, "-B", hostBuild, "-G", "Ninja", "-DCMAKE_PREFIX_PATH=" + prefix}));
    QString compiled;
    QVERIFY2(run("cmake", {"--build", hostBuild, "--target", "headers", "--", "-k", "0"}, &compiled),
             qPrintable(compiled.split('\n').filter(QRegularExpression("error|FAILED")).join('\n')));
    QCOMPARE(QDir(hostBuild + "/CMakeFiles/headers.dir/headers").entryList({"*.o"}).size(), headers.size());
    QVERIFY(run("cmake", {"--build", hostBuild}));

    // The README's example, as a project of its own against the prefix alone.
    const QString example = work.filePath("example-build");
    QVERIFY(run("cmake", {"-S", qEnvironmentVariable("PELNIX_SOURCE_DIR") + "/examples/host", "-B", example,
                          "-G", "Ninja", "-DCMAKE_PREFIX_PATH=" + prefix}));
    QVERIFY(run("cmake", {"--build", example}));
    QString output;
    qputenv("PELNIX_SANDBOX_ROOT", work.filePath("sandbox").toLocal8Bit());
    QVERIFY(run(hostBuild + "/host", {}, &output));
    // The host's own lines only: the engine has things of its own to say.
    const QStringList lines = output.split('\n').filter(QRegularExpression("^\\d"));
    QCOMPARE(lines.value(0), QStringLiteral("2 0 2 1"));
    // The engine was not mapped before the view, showed the page, and came from the prefix.
    const QStringList web = lines.value(1).split(' ');
    QCOMPARE(web.mid(0, 3), (QStringList{"0", "1", "shown"}));
    QVERIFY2(QFileInfo(web.value(3)).canonicalFilePath().startsWith(QDir(prefix).canonicalPath() + '/'),
             qPrintable(output));
    QCOMPARE(lines.value(2), QStringLiteral("1 1 1 1 1 1 image/png"));

    // The screens, against the stand-in.
    QTemporaryDir data;
    pelnix::standin::StandinServer service({data.path().toStdString(), 0, 0, 15000});
    QVERIFY(service.start());
    service.seed(QJsonObject{
        {"org", "host"},
        {"users",
         QJsonArray{QJsonObject{{"id", 41}, {"email", "ann@host.test"}, {"name", "Ann"}, {"token", "h0st"}},
                    QJsonObject{{"id", 42}, {"email", "bo@host.test"}, {"name", "Bo"}, {"token", "b0"}}}},
        {"rooms",
         QJsonArray{QJsonObject{
             {"_id", "host-room"}, {"name", "Host room"}, {"members", QJsonArray{41, 42}}, {"admin", 41}}}}});
    // The library's lines as the host's terminal shows them, each with its severity.
    QString logged;
    // Each run sends one message; `round` of them are then delivered.
    const auto runScreens = [&](const QString& loggingRules, int round) {
        QProcess screens;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("PELNIX_SANDBOX_ROOT", work.filePath("screens-sandbox"));
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("QT_MESSAGE_PATTERN", "%{type} %{category}: %{message}");
        // On the standard error even without a terminal, as a host started from one shows it.
        environment.insert("QT_FORCE_STDERR_LOGGING", "1");
        environment.remove("QT_LOGGING_RULES");
        if (!loggingRules.isEmpty())
            environment.insert("QT_LOGGING_RULES", loggingRules);
        environment.insert("HOST_SERVICE", QString::fromStdString(service.baseUrl()));
        environment.insert("HOST_EMAIL", "ann@host.test");
        environment.insert("HOST_USER", "41");
        environment.insert("HOST_TOKEN", "h0st");
        environment.insert("HOST_ROOM", "host-room");
        screens.setProcessEnvironment(environment);
        logged.clear();
        QObject::connect(&screens, &QProcess::readyReadStandardError, &screens,
                         [&] { logged += QString::fromLocal8Bit(screens.readAllStandardError()); });
        screens.start(hostBuild + "/screens", {});
        QVERIFY(screens.waitForStarted());
        QString said;
        QTRY_VERIFY_WITH_TIMEOUT(
            (said += QString::fromLocal8Bit(screens.readAllStandardOutput())).contains("sent\n") ||
                screens.state() == QProcess::NotRunning,
            60000);
        QVERIFY2(said.contains("sent\n"), qPrintable(said + logged));
        QVERIFY2(said.contains("root pelnix::PLChatRoomsTableViewController\n"), qPrintable(said));
        QVERIFY2(said.contains("rooms pelnix::PLChatRoomsTableViewController\n"), qPrintable(said));
        QVERIFY2(said.contains("chat pelnix::PLChatWindowViewController\n"), qPrintable(said));
        const auto delivered = [&service] {
            int count = 0;
            for (const QJsonValue& message : service.storedMessages("host-room"))
                count += message.toObject().value("text").toString() == QLatin1String("Hello from the host");
            return count;
        };
        QTRY_VERIFY_WITH_TIMEOUT(delivered() >= round, 30000);
        screens.closeWriteChannel();
        QVERIFY(screens.waitForFinished(30000));
        QCOMPARE(screens.exitCode(), 0);
        logged += QString::fromLocal8Bit(screens.readAllStandardError());
    };
    const QRegularExpression chatter("^(debug|info) pelnix[.:]", QRegularExpression::MultilineOption);
    runScreens({}, 1);
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(!logged.contains(chatter), qPrintable(logged.split('\n').filter(chatter).mid(0, 10).join('\n')));
    // One category turned up speaks, and only that one.
    runScreens("pelnix.modelmanager.stream.debug=true", 2);
    if (QTest::currentTestFailed())
        return;
    const QStringList spoken = logged.split('\n').filter(chatter);
    QVERIFY2(!spoken.isEmpty(), qPrintable(logged));
    QVERIFY2(spoken.filter(QRegularExpression("^debug pelnix\\.modelmanager\\.stream: ")).size() ==
                 spoken.size(),
             qPrintable(spoken.join('\n')));
    service.stop();
}

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"
