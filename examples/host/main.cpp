// pelnix-demo: a host of the library. It starts the stand-in service on a free loopback port (or uses
// --server URL) and prints its address, signs a user up, opens a group with a colleague and prints the
// conversation as it arrives. With a display it opens the library's root container in a window, where
// the colleague answers every post a moment later and the window's own menu signs out to the login
// container; with none, or with --headless, it posts a scripted conversation. With --interactive it
// then keeps running and posts the lines typed.
#include "AddressFile.h"
#include "DemoHost.h"
#include "DemoWindow.h"

#include "platform/Sandbox.h"
#include "standin/StandinServer.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <optional>

namespace {

bool wantsHeadless(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (qstrcmp(argv[i], "--headless") == 0 || qstrcmp(argv[i], "--interactive") == 0)
            return true;
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen")
        return true;
    return qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char** argv) {
    const bool headless = wantsHeadless(argc, argv);
    // Headless, no screen is shown: a display is neither needed nor wanted.
    if (headless)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    DemoWindow::prepareApplication();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("pelnix-demo"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A host of the Pelnix library: a window with a display, else headless."));
    parser.addHelpOption();
    const QCommandLineOption server(
        QStringLiteral("server"),
        QStringLiteral("Use the stand-in service at <url> instead of starting one."), QStringLiteral("url"));
    const QCommandLineOption sandbox(
        QStringLiteral("sandbox"),
        QStringLiteral("Keep the library's files in <dir> (default: a temporary folder)."),
        QStringLiteral("dir"));
    const QCommandLineOption dataDir(
        QStringLiteral("data-dir"),
        QStringLiteral("Keep the started service's data in <dir> (default: a temporary folder)."),
        QStringLiteral("dir"));
    const QCommandLineOption interactive(
        QStringLiteral("interactive"),
        QStringLiteral("Keep running and post the lines read from standard input."));
    const QCommandLineOption headlessOption(
        QStringLiteral("headless"), QStringLiteral("Print the scripted conversation even with a display."));
    const QCommandLineOption addressFile(
        QStringLiteral("address-file"),
        QStringLiteral(
            "Write the service's address to <file> while the demo runs (the README's one-time-code "
            "line reads it); a path holding anything but an earlier demo's address file is left alone."),
        QStringLiteral("file"));
    parser.addOptions({server, sandbox, dataDir, interactive, headlessOption, addressFile});
    parser.process(app);

    QTemporaryDir temporarySandbox;
    QTemporaryDir temporaryData;
    if (!temporarySandbox.isValid() || !temporaryData.isValid()) {
        std::fprintf(stderr, "pelnix-demo: no temporary folder\n");
        return 1;
    }
    pelnix::platform::Sandbox::setRoot(parser.isSet(sandbox) ? parser.value(sandbox)
                                                             : temporarySandbox.path());

    std::unique_ptr<pelnix::standin::StandinServer> service;
    QUrl serviceUrl(parser.value(server));
    if (!parser.isSet(server)) {
        pelnix::standin::StandinServer::Options options;
        options.dataDir =
            (parser.isSet(dataDir) ? parser.value(dataDir) : temporaryData.path()).toStdString();
        service = std::make_unique<pelnix::standin::StandinServer>(options);
        if (!service->start()) {
            std::fprintf(stderr, "pelnix-demo: the stand-in service did not start\n");
            return 1;
        }
        serviceUrl = QUrl(QString::fromStdString(service->baseUrl()));
    } else if (!serviceUrl.isValid() || serviceUrl.scheme().isEmpty()) {
        std::fprintf(stderr, "pelnix-demo: not a URL: %s\n", qPrintable(parser.value(server)));
        return 2;
    }
    if (!serviceUrl.path().endsWith(QLatin1Char('/')))
        serviceUrl.setPath(serviceUrl.path() + QLatin1Char('/'));

    // The address goes out before anything can ask for a code, and is taken back with the service.
    // Without it only the README's line fails: the demo itself runs on.
    AddressFile published;
    const QString addressPath = parser.value(addressFile);
    if (!addressPath.isEmpty() && !published.publish(addressPath, serviceUrl.toString()))
        std::fprintf(stderr, "pelnix-demo: %s; running on without it\n", qPrintable(published.errorString()));

    int status = 1;
    {
        DemoHost host(serviceUrl, parser.isSet(interactive));
        host.setWindowed(!headless);
        QObject::connect(&host, &DemoHost::finished, &app, [&status](int result) {
            status = result;
            QCoreApplication::exit(result);
        });
        std::unique_ptr<DemoWindow> window;
        QObject::connect(&host, &DemoHost::conversationReady, &app, [&window, &status] {
            window = std::make_unique<DemoWindow>();
            window->show();
            status = 0; // closing the window ends a good run
        });
        host.start();
        app.exec();
        window.reset();
    }
    published.withdraw();
    if (service)
        service->stop();
    return status;
}
