#pragma once

#include "platform/PLError.h"

#include <QSizeF>
#include <QUrl>
#include <QVariant>
#include <QWidget>
#include <functional>

namespace pelnix::platform::ui {

// A web view as the screens use it: HTML with a base URL or a URL, history, a veto on every
// navigation, load events with an error on failure, JavaScript, the page's height, insets and a
// background colour. create() makes the process's kind (a browser engine view unless another
// maker is installed); tests install a FakeWebView maker.
//
// Navigations of the page go through the screen's veto: the screen's own loads, and a user's click
// on a link (LinkClicked, which only a click or key press of the user in the view makes). A
// navigation the page starts by itself (a script, a refresh, a form it submits, a link it clicks) is
// refused without asking the veto, and logged, unless the screen follows the page's own navigation
// (a browser showing a site the user chose). What the veto lets through is shown in the view only
// for http, https, data, about and qrc (and file when local access is allowed); any other scheme
// stays with the screen, so a page never opens mail, phone or custom links on its own. The page's
// frames are not navigations of the page: they load as its subresources do.
//
// The page's own scripts are off unless the screen turns them on; the screen's scripts
// (evaluateJavaScript) run in a world of their own either way.
//
// What a page loads by itself (images, styles, scripts, frames, fonts, media, fetches, workers) is
// not asked of the veto: it is let through only from the page's own origin (the origin of its base
// URL, or of the URL it was loaded from; for a local page, the files of its folder, which the
// engine lets it read only when local access is allowed), as data:, blob: or about: URLs, and as
// local files under
// the library's caches folder (platform::Sandbox::caches(), where its image caches live). Anything
// else is blocked and logged, so that a page made of someone else's HTML cannot tell a server when
// and where it is read, nor reach other hosts. The screen may widen the list.
class WebView : public QWidget {
    Q_OBJECT
public:
    enum class NavigationType { LinkClicked, FormSubmitted, BackForward, Reload, FormResubmitted, Other };
    using Maker = std::function<WebView*(QWidget* parent)>;
    using NavigationHook = std::function<bool(const QUrl& url, NavigationType type)>;

    // Load failures carry URL-loading codes in this domain; a load replaced by another navigation
    // or stopped is CancelledError, which screens do not report to the user.
    static constexpr const char* ErrorDomain = "NSURLErrorDomain";
    static constexpr int CancelledError = -999;
    static constexpr int UnknownError = -1;
    static constexpr int TimedOutError = -1001;
    static constexpr int CannotFindHostError = -1003;
    static constexpr int CannotConnectToHostError = -1004;
    static constexpr int BadServerResponseError = -1011;
    static constexpr int DataLengthExceedsMaximumError = -1103;
    static constexpr int ServerCertificateUntrustedError = -1202;

    static WebView* create(QWidget* parent = nullptr);
    static void setMaker(Maker maker);
    // Readies the window `widget` is in for the engine's pages, called before that window is first
    // shown (before its native window is made): a top-level window, or any widget in it. The mark
    // lies in `widget` and goes with it, so a widget readied before the host builds its window around
    // it readies that window too. Where widgets compose GL content through their window, the first
    // page makes Qt switch the window to a GL surface, which destroys the native window and makes it
    // again: a frame of blank window, and a window gone from the window list for a moment. A window
    // that composes through GL from the start is never switched; a window already made is switched
    // as the mark joins it. Done only when the application has shared GL contexts (which the library
    // asks for as it is loaded, WebEngineModule) and GL works; safe to call more than once.
    static void prepareWindowForPages(QWidget* widget);

    explicit WebView(QWidget* parent = nullptr) : QWidget(parent) {}

    virtual void loadHTMLString(const QString& html, const QUrl& baseURL) = 0;
    virtual void loadURL(const QUrl& url) = 0;
    // The result arrives through `done` (an invalid value where scripts do not run).
    virtual void evaluateJavaScript(const QString& script,
                                    std::function<void(const QVariant&)> done = {}) = 0;
    // What a view sized to its page needs: the height the loaded page takes at the width it is laid
    // out at now (in points, whatever the view's own height, and with no room kept for a scroll bar),
    // and that width; 0 x 0 when unknown.
    virtual void measureContentSize(std::function<void(const QSizeF& size)> done) = 0;
    // The height of the loaded page in points, as above; 0 when unknown.
    void measureContentHeight(std::function<void(qreal height)> done);
    // The size of the page's contents as the engine last laid them out (at least the view's size;
    // empty before the engine has told it). A page whose contents are no larger than the view has
    // nothing of its own to scroll: the wheel over it goes to the views around it.
    QSizeF contentSize() const { return m_contentSize; }
    // Whether the page has anything of its own to scroll in that direction.
    bool pageScrolls(Qt::Orientation orientation) const;
    virtual bool canGoBack() const = 0;
    virtual bool canGoForward() const = 0;
    virtual void goBack() = 0;
    virtual void goForward() = 0;
    virtual void stopLoading() = 0;
    virtual void reload() = 0;
    virtual bool isLoading() const = 0;
    virtual void setContentInsets(const QMargins& insets) = 0;
    // The colour the page shows where it paints no background of its own (white until set). Always
    // opaque: a page the engine draws translucent is composed over every widget of the window under
    // GL composition (dims, sheets, alerts included), so a screen that wants the page to blend in
    // gives the colour behind the view instead; a translucent colour is shown over white.
    virtual void setBackgroundColor(const QColor& color) = 0;
    // Off by default: scripts of a page cannot read local files, and its links cannot open them.
    virtual void setAllowsLocalFileAccess(bool allowed) = 0;
    // Off by default: the page's own scripts do not run.
    virtual void setAllowsPageScripts(bool allowed) = 0;
    // On by default. Off, the page shows no scroll bar of its own, and none takes width from its
    // layout: for a view sized to its page, where the views around it scroll (set before a load).
    virtual void setShowsScrollBars(bool shown) = 0;
    // Off by default: only the screen's loads and the user's clicks navigate (see above).
    void setFollowsPageNavigation(bool follows) { m_followsPageNavigation = follows; }
    bool followsPageNavigation() const { return m_followsPageNavigation; }

    // Asked before any navigation; false keeps the view where it is (the screen handles the URL).
    void setShouldStartLoad(NavigationHook hook) { m_shouldStartLoad = std::move(hook); }
    void setShouldStartLoad(std::function<bool(const QUrl&)> hook);
    bool shouldStartLoad(const QUrl& url, NavigationType type = NavigationType::Other) const {
        return !m_shouldStartLoad || m_shouldStartLoad(url, type);
    }
    // The schemes a page may be shown from once the screen let the navigation through.
    static bool isDisplayableScheme(const QUrl& url, bool localFilesAllowed);

    // Widens what a page may load by itself: everything of `origin`'s scheme, host and port
    // (its path does not count), respectively the local files under `folder`.
    void allowSubresourcesFrom(const QUrl& origin);
    void allowSubresourcesFromFolder(const QString& folder);
    // Widens it to every http and https origin: for a browser showing a site the user chose, whose
    // pages load their pictures, styles and scripts from other hosts. Local files stay as above.
    void allowSubresourcesFromAnyWebOrigin() { m_anyWebOrigin = true; }
    QList<QUrl> allowedSubresourceOrigins() const { return m_subresourceOrigins; }
    // The folders whose files a page may load: the caches folder, then what the screen added.
    QStringList allowedSubresourceFolders() const;
    // Whether a page whose own origin is that of `pageURL` may load `url` by itself.
    bool allowsSubresource(const QUrl& url, const QUrl& pageURL) const;
    // Scheme, host and port (the scheme's default when none is given) of a URL.
    static QUrl originOf(const QUrl& url);

signals:
    void contentSizeChanged(const QSizeF& size);
    void didStartLoad();
    // Every started load ends here; a failed one emits didFailLoad just before.
    void didFinishLoad(bool ok);
    void didFailLoad(const pelnix::PLError& error);

protected:
    // What the engine reports of the page's contents (contentSizeChanged when it differs).
    void setContentSize(const QSizeF& size);
    // The size of the area the page is shown in.
    virtual QSize pageViewportSize() const { return size(); }

private:
    QSizeF m_contentSize;
    NavigationHook m_shouldStartLoad;
    QList<QUrl> m_subresourceOrigins;
    bool m_anyWebOrigin = false;
    bool m_followsPageNavigation = false;
    QStringList m_subresourceFolders;
};

} // namespace pelnix::platform::ui
