#include "WebView.h"

#include "ClosedWindowHandle.h"
#include "WebEngineWebView.h"

#include "platform/Sandbox.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QGuiApplication>
#include <QOpenGLContext>
#include <QOpenGLWidget>

namespace pelnix::platform::ui {

namespace {
WebView::Maker& maker() {
    static WebView::Maker made;
    return made;
}

const QString kPageSurfaceName = QStringLiteral("webPageSurface");

// A GL widget in the window when its native window is made has it made for GL composition. It never
// shows, so it never makes a context of its own; it goes wherever the widget holding it goes, and
// makes a window it joins after that window was shown be made again at once. The window it leaves
// may be one the user closed (the view shown alone, or a host's pane holding it): Qt tells texture
// widgets of a change of window before the move, the one moment to forget that window's leftover
// QWindow, which the window made again would take down with it.
class PageSurface : public QOpenGLWidget {
public:
    using QOpenGLWidget::QOpenGLWidget;

protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::WindowAboutToChangeInternal)
            ClosedWindowHandle::forget(window());
        return QOpenGLWidget::event(event);
    }
};

// Whether the engine's pages make the window compose through GL here: GL works, and the platform
// composes GL widgets through the window's own surface. Elsewhere (offscreen, framebuffer and VNC
// platforms) the engine draws in software and leaves the window alone, and a GL widget cannot be
// made at all.
bool windowsSwitchToGLForPages() {
    if (!QCoreApplication::testAttribute(Qt::AA_ShareOpenGLContexts))
        return false;
    const QOpenGLContext* shared = QOpenGLContext::globalShareContext();
    if (!shared || !shared->isValid())
        return false;
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland")) ||
           platform == QLatin1String("windows") || platform == QLatin1String("cocoa") ||
           platform == QLatin1String("eglfs");
}
} // namespace

WebView* WebView::create(QWidget* parent) {
    if (maker())
        return maker()(parent);
    return new WebEngineWebView(parent);
}

void WebView::setMaker(Maker made) {
    maker() = std::move(made);
}

void WebView::prepareWindowForPages(QWidget* widget) {
    if (!widget || !windowsSwitchToGLForPages() ||
        widget->findChild<QOpenGLWidget*>(kPageSurfaceName, Qt::FindDirectChildrenOnly))
        return;
    auto* surface = new PageSurface(widget);
    surface->setObjectName(kPageSurfaceName);
    surface->hide();
}

void WebView::measureContentHeight(std::function<void(qreal)> done) {
    measureContentSize([done = std::move(done)](const QSizeF& size) {
        if (done)
            done(size.height());
    });
}

bool WebView::pageScrolls(Qt::Orientation orientation) const {
    // The engine rounds the contents to whole points.
    const QSize viewport = pageViewportSize();
    return orientation == Qt::Vertical ? m_contentSize.height() > viewport.height() + 0.5
                                       : m_contentSize.width() > viewport.width() + 0.5;
}

void WebView::setContentSize(const QSizeF& size) {
    if (size == m_contentSize)
        return;
    m_contentSize = size;
    emit contentSizeChanged(size);
}

void WebView::setShouldStartLoad(std::function<bool(const QUrl&)> hook) {
    if (!hook) {
        m_shouldStartLoad = {};
        return;
    }
    m_shouldStartLoad = [hook = std::move(hook)](const QUrl& url, NavigationType) { return hook(url); };
}

bool WebView::isDisplayableScheme(const QUrl& url, bool localFilesAllowed) {
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("file"))
        return localFilesAllowed;
    return scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
           scheme == QLatin1String("data") || scheme == QLatin1String("about") ||
           scheme == QLatin1String("qrc");
}

QUrl WebView::originOf(const QUrl& url) {
    QUrl origin;
    origin.setScheme(url.scheme().toLower());
    origin.setHost(url.host().toLower());
    origin.setPort(url.port(url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0  ? 443
                            : url.scheme().compare(QLatin1String("http"), Qt::CaseInsensitive) == 0 ? 80
                                                                                                    : -1));
    return origin;
}

void WebView::allowSubresourcesFrom(const QUrl& origin) {
    const QUrl normalised = originOf(origin);
    if (!m_subresourceOrigins.contains(normalised))
        m_subresourceOrigins << normalised;
}

void WebView::allowSubresourcesFromFolder(const QString& folder) {
    const QString clean = QDir::cleanPath(QDir(folder).absolutePath());
    if (!m_subresourceFolders.contains(clean))
        m_subresourceFolders << clean;
}

QStringList WebView::allowedSubresourceFolders() const {
    // Read each time: the host may choose the sandbox root after the view was made.
    return QStringList{QDir::cleanPath(Sandbox::caches())} + m_subresourceFolders;
}

bool WebView::allowsSubresource(const QUrl& url, const QUrl& pageURL) const {
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("data") || scheme == QLatin1String("blob") ||
        scheme == QLatin1String("about"))
        return true;
    if (scheme == QLatin1String("file")) {
        // The path as written, made absolute and without "..": a link in a cache folder to
        // elsewhere still names a file in the folder, which is what the folder holds.
        const QString path = QDir::cleanPath(url.toLocalFile());
        QStringList folders = allowedSubresourceFolders();
        // A page shown from a local file has the files of its folder as its own origin.
        if (pageURL.isLocalFile())
            folders << QDir::cleanPath(pageURL.adjusted(QUrl::RemoveFilename).toLocalFile());
        for (const QString& folder : std::as_const(folders)) {
            if (path.startsWith(folder + QLatin1Char('/')))
                return true;
        }
        return false;
    }
    if (url.host().isEmpty())
        return false;
    if (m_anyWebOrigin && (scheme == QLatin1String("http") || scheme == QLatin1String("https")))
        return true;
    const QUrl origin = originOf(url);
    return (pageURL.isValid() && !pageURL.host().isEmpty() && origin == originOf(pageURL)) ||
           m_subresourceOrigins.contains(origin);
}

} // namespace pelnix::platform::ui
