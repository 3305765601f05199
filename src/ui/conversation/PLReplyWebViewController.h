#pragma once

#include "core/model/ChatRoom.h"
#include "core/model/Message.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/WebView.h"
#include "ui/conversation/PLLinkDisplayHelper.h"
#include "ui/conversation/PLPostChatletDelegate.h"

#include <QPointer>
#include <QVariantMap>

namespace pelnix {

namespace platform::ui {
class BarButtonItem;
class WebView;
} // namespace platform::ui
class PLLinkDisplayHelper;

// The details (link type 7) or comments page (8) of a smart message: HTML the smart-message layer
// builds for it, kept current while replies, comments or the expiry arrive. Its sender may expire a
// "primary" chatlet from here; links in the page get the conversation's link actions, and the reply
// form's answer is posted from here.
class PLReplyWebViewController : public platform::ui::ViewController, public PLPostChatletDelegate {
    Q_OBJECT
public:
    static inline const QString kStoryboard = QStringLiteral("Reply");
    static inline const QString kIdentifier = QStringLiteral("PLReplyWebViewController");
    static inline const QString kNavigationIdentifier = QStringLiteral("ReplyNavigationController");
    static constexpr int kDetailsLinkType = 7;
    static constexpr int kCommentsLinkType = 8;

    explicit PLReplyWebViewController(QObject* parent = nullptr);
    ~PLReplyWebViewController() override;

    // Set by the opener before display.
    Message::Ptr message() const { return m_message; }
    void setMessage(const Message::Ptr& message) { m_message = message; }
    QVariantMap linkInfo() const { return m_linkInfo; }
    void setLinkInfo(const QVariantMap& info) { m_linkInfo = info; }
    int linkType() const { return m_linkType; }
    void setLinkType(int type) { m_linkType = type; }

    platform::ui::WebView* webview() const { return m_webview; }
    PLLinkDisplayHelper* linkDisplayHelper() const { return m_linkDisplayHelper; }
    bool loadedHTMLContent() const { return m_loadedHTMLContent; }
    // Whether the page is being built (off the main thread) and has not reached the web view yet.
    bool isRenderingPage() const { return m_renderingPage; }
    // The expiry button while it is offered.
    platform::ui::BarButtonItem* expiryButtonItem() const;

    // PLPostChatletDelegate
    void postChatletToChatWindow(const QString& message, const Message::Ptr& linkedMessage,
                                 const QList<PLMediaSelection>& pickerSelections) override;
    ChatRoom::Ptr currentChatRoom() const override;

    void loadHTMLContent();
    void handleMessageUpdate(const QString& messageId);
    void expiresNowButtonClicked();
    void showExpireAlertView();
    void expiryClickedHandler();
    void postMessage(const QString& text, bool isSmartMessage, const Message::Ptr& message);
    void showPostFailedErrorMessage(const QString& text = {});
    static bool isValidMessage(const QString& text);
    // The answer to a navigation of the page: whether the page may load it itself.
    // A link the user clicked is classified and acted on; without a click only the page itself loads.
    bool shouldStartLoad(const QUrl& url, platform::ui::WebView::NavigationType navigation =
                                              platform::ui::WebView::NavigationType::LinkClicked);

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidDisappear(bool animated) override;

private:
    QVariantMap messageJSON() const;
    void createExpiryButton();
    void removeExpiryButton();
    // The built page (empty: nothing to show) into the web view.
    void showPage(QString html);
    void dismissPageIndicator();
    void pageFinishedLoading(bool ok);
    void trackExpireChatlet();

    Message::Ptr m_message;
    QVariantMap m_linkInfo;
    int m_linkType = kDetailsLinkType;
    QPointer<platform::ui::WebView> m_webview;
    QPointer<PLLinkDisplayHelper> m_linkDisplayHelper;
    bool m_loadedHTMLContent = false;
    bool m_renderingPage = false;
    // The busy overlay is up for this page, until it loads or the screen goes.
    bool m_pageIndicatorShown = false;
    // The page asked for last; an answer to an earlier one is not shown.
    quint64 m_pageRequest = 0;
};

} // namespace pelnix
