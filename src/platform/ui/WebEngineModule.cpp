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
    // The engine draws through the application's shared GL context, which exists only when the host
    // set Qt::AA_ShareOpenGLContexts before making its QApplication. Linked at start the engine set
    // it by itself; mapped later it cannot, and without the context it crashes.
    if (!QOpenGLContext::globalShareContext()) {
        qCCritical(lcWebEngine)
            << "web pages cannot be shown: the host did not set Qt::AA_ShareOpenGLContexts"
               " before making its QApplication";
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
