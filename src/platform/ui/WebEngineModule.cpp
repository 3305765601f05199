#include "WebEngineModule.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QLoggingCategory>
#include <QOpenGLContext>
#include <QThread>

#include <dlfcn.h>

namespace pelnix::platform::ui {

Q_LOGGING_CATEGORY(lcWebEngine, "pelnix.ui.webengine", QtWarningMsg)

namespace {

// Any address in this binary, for asking the loader which file it came from.
const char kAnchor = 0;

// The engine draws through the application's shared GL context, which QGuiApplication makes only when
// Qt::AA_ShareOpenGLContexts is set before it is constructed. A program that links the engine has it
// set by the engine's own module as it is loaded; this library maps the engine only when a page first
// shows, far too late, so it sets the attribute itself as it is loaded. A host that links the library
// has it loaded before main() runs, so before its QApplication exists, and needs to set nothing. This
// is a process-wide attribute set on the host's behalf, as the engine's module would set it; it only
// makes Qt keep one GL context for sharing. Once an application exists (the library was loaded later,
// by dlopen) setting it changes nothing and Qt warns: then it is left alone, and pages cannot show.
void shareGLContextsForPages() {
    if (!QCoreApplication::instance())
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}
Q_CONSTRUCTOR_FUNCTION(shareGLContextsForPages)

QString binaryFolder() {
    Dl_info info{};
    if (dladdr(&kAnchor, &info) == 0 || !info.dli_fname)
        return {};
    // The program itself may be named as it was started; its folder comes from the application.
    const QFileInfo file(QFile::decodeName(info.dli_fname));
    return file.isAbsolute() ? file.canonicalPath() : QString();
}

bool isInside(const QString& path, const QString& folder) {
    return !path.isEmpty() && !folder.isEmpty() &&
           (path + QLatin1Char('/')).startsWith(folder + QLatin1Char('/'));
}

WebEngineBackendFactory load() {
    Q_ASSERT_X(QCoreApplication::instance() &&
                   QThread::currentThread() == QCoreApplication::instance()->thread(),
               "WebEngineModule", "web views are made on the application's thread");
#if QT_CONFIG(opengl)
    // Without the application's shared GL context (shareGLContextsForPages() above) the engine crashes.
    if (!QOpenGLContext::globalShareContext()) {
        qCCritical(lcWebEngine)
            << "web pages cannot be shown: the QApplication was made without"
               " Qt::AA_ShareOpenGLContexts (the library sets it as it is loaded; this process made its"
               " application before loading the library, or turned the attribute off)";
        return nullptr;
    }
#endif
    QStringList tried;
    for (const QString& path : WebEngineModule::candidates()) {
        if (!QFileInfo::exists(path)) {
            tried << path + QStringLiteral(" (absent)");
            continue;
        }
        QLibrary library(path);
        // Pages, the profile and their classes outlive any one view: the module stays until exit.
        library.setLoadHints(QLibrary::PreventUnloadHint);
        if (!library.load()) {
            tried << library.errorString();
            continue;
        }
        if (auto make =
                reinterpret_cast<WebEngineBackendFactory>(library.resolve(kWebEngineBackendFactoryName))) {
            qCInfo(lcWebEngine) << "browser engine mapped from" << path;
            return make;
        }
        tried << path + QStringLiteral(" (no ") + QLatin1String(kWebEngineBackendFactoryName) +
                     QStringLiteral(": another version)");
    }
    qCCritical(lcWebEngine).noquote()
        << "web pages cannot be shown: no browser engine module was found; looked for"
        << tried.join(QStringLiteral(", "));
    return nullptr;
}

} // namespace

WebEngineBackendFactory WebEngineModule::factory() {
    static const WebEngineBackendFactory loaded = load();
    return loaded;
}

QStringList WebEngineModule::candidates() {
    const QString overridden = qEnvironmentVariable(PathVariable);
    if (!overridden.isEmpty())
        return {overridden};
    const QString name = QStringLiteral(PELNIX_WEBENGINE_MODULE_NAME);
    QStringList folders;
    const QString own = binaryFolder();
    folders << own;
    const QString program = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    folders << program;
    QStringList paths;
    for (const QString& folder : std::as_const(folders)) {
        if (!folder.isEmpty() && !paths.contains(QDir(folder).filePath(name)))
            paths << QDir(folder).filePath(name);
    }
    // The build tree's module only for binaries of that same tree: an installed copy never takes it.
    const QString buildTree = QFileInfo(QStringLiteral(PELNIX_BUILD_TREE)).canonicalFilePath();
    if (isInside(own.isEmpty() ? program : own, buildTree))
        paths << QStringLiteral(PELNIX_WEBENGINE_BUILD_PATH);
    return paths;
}

} // namespace pelnix::platform::ui
