// The installed package as a host's build uses it: install into a fresh prefix, then configure, build
// and run a small host that finds the library with find_package(Pelnix) and shows a web page, whose
// engine comes from beside the installed library.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

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

    const QString source = work.filePath("host");
    QVERIFY(QDir().mkpath(source));
    write(source + "/CMakeLists.txt", R"(cmake_minimum_required(VERSION 3.25)
project(Host LANGUAGES CXX)
set(CMAKE_CXX_STANDARD 20)
find_package(Pelnix 0.1 REQUIRED)
add_executable(host main.cpp)
target_link_libraries(host PRIVATE Pelnix::Pelnix)
)");
    write(source + "/main.cpp", R"(#include <interface/Pelnix.h>
#include <interface/PelnixEventTracker.h>
#include <platform/ui/WebView.h>
#include <QApplication>
#include <QEventLoop>
#include <QFile>
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
    return 0;
}
)");
    const QString hostBuild = work.filePath("host-build");
    QVERIFY(run("cmake", {"-S", source, "-B", hostBuild, "-G", "Ninja", "-DCMAKE_PREFIX_PATH=" + prefix}));
    QVERIFY(run("cmake", {"--build", hostBuild}));
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
}

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"
