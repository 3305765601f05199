#include "ui/conversation/PLReplyWebViewController.h"

#include "core/api/PLAppConfigurations.h"
#include "core/model/ChatRoomNotifications.h"
#include "core/model/PLModelManager.h"
#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/PLReachabilityResponder.h"
#include "foundation/ui/ImageAdditions.h"
#include "interface/PLAnalyticsTrackingHelper.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/WebView.h"
#include "smart/MessageLinkProcessing.h"
#include "smart/SmartRenderQueue.h"
#include "ui/conversation/ConversationSmartLog.h"
#include "ui/conversation/PLLinkDisplayHelper.h"
#include "ui/conversation/SmartScreenSupport.h"
#include "ui/toolkit/PLActivityIndicatorView.h"

#include <QGridLayout>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

namespace pelnix {

using SmartScreenSupport::text;
using SmartScreenSupport::topOf;

using platform::ui::AlertView;
using platform::ui::BarButtonItem;

namespace {

// The link test answers at once; this keeps its answer.
std::pair<int, QVariantMap> classify(const Message::Ptr& message, const QString& url) {
    std::pair<int, QVariantMap> result{PLLinkTypeExternal, {}};
    MessageLinkProcessing::processLinkURLString(message, url, [&result](int type, const QVariantMap& info) {
        result = {type, info};
    });
    return result;
}

// The model does not announce the user's own answers (the chat window shows those from its outbox);
// one posted from here would leave this page and the chat window's row on the version before it.
void announceOwnAnswer(const Message::Ptr& message) {
    const auto room = message->room();
    if (!room || room->roomId() != PLModelManager::sharedModelManager()->activeRoomID())
        return;
    platform::NotificationCenter::defaultCenter()->post(
        QLatin1String(ChatRoomMessageUpdatedNotification), {},
        {{QLatin1String(kMessageIDKey), message->messageId()}});
}

} // namespace

PLReplyWebViewController::PLReplyWebViewController(QObject* parent) : ViewController(parent) {}

PLReplyWebViewController::~PLReplyWebViewController() {
    platform::NotificationCenter::defaultCenter()->removeObservers(this);
    // Its page will land with nobody to show it to.
    dismissPageIndicator();
}

QVariantMap PLReplyWebViewController::messageJSON() const {
    if (!m_message)
        return {};
    return QJsonDocument::fromJson(m_message->text().toUtf8()).object().toVariantMap();
}

ChatRoom::Ptr PLReplyWebViewController::currentChatRoom() const {
    return m_message ? m_message->room() : nullptr;
}

QWidget* PLReplyWebViewController::loadView() {
    auto* root = new QWidget;
    root->setObjectName(QStringLiteral("replyWebView"));
    root->setAutoFillBackground(true);
    QPalette palette = root->palette();
    palette.setColor(QPalette::Window, Qt::white);
    root->setPalette(palette);
    m_webview = platform::ui::WebView::create(root);
    m_webview->setObjectName(QStringLiteral("webview"));
    auto* layout = new QGridLayout(root);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_webview, 0, 0);
    return root;
}

void PLReplyWebViewController::viewDidLoad() {
    const QVariantMap json = messageJSON();
    setTitle(json.value(QStringLiteral("displayname")).toString());
    if (m_message && !m_message->latestActionIsExpired() && m_message->senderIsMe() &&
        json.value(QStringLiteral("type")).toString() == QLatin1String("primary"))
        createExpiryButton();
    m_webview->setShouldStartLoad([this](const QUrl& url, platform::ui::WebView::NavigationType type) {
        return shouldStartLoad(url, type);
    });
    connect(m_webview, &platform::ui::WebView::didFinishLoad, this,
            &PLReplyWebViewController::pageFinishedLoading);
    platform::NotificationCenter::defaultCenter()->addObserver(
        QLatin1String(ChatRoomMessageUpdatedNotification),
        [this](const platform::Notification& note) {
            handleMessageUpdate(note.userInfo.value(QLatin1String(kMessageIDKey)).toString());
        },
        this);
}

void PLReplyWebViewController::viewWillAppear(bool animated) {
    ViewController::viewWillAppear(animated);
    loadHTMLContent();
}

void PLReplyWebViewController::viewDidDisappear(bool animated) {
    ViewController::viewDidDisappear(animated);
    if (!m_renderingPage)
        return;
    // Gone before its page was built: that page is not shown, and appearing again builds it anew.
    ++m_pageRequest;
    m_renderingPage = false;
    dismissPageIndicator();
}

void PLReplyWebViewController::createExpiryButton() {
    auto* button = new platform::ui::Button;
    button->setObjectName(QStringLiteral("expiryButton"));
    button->setFixedSize(50, 50);
    button->setContentEdgeInsets(QMargins(0, 0, -30, -5));
    const QImage icon = ImageAdditions::loadImageNamed(QStringLiteral("settings_icon"));
    button->setImage(icon);
    button->setImage(icon, platform::ui::Button::State::Highlighted);
    connect(button, &platform::ui::Button::clicked, this, &PLReplyWebViewController::expiresNowButtonClicked);
    navigationItem()->setRightBarButtonItem(new BarButtonItem(button));
}

void PLReplyWebViewController::removeExpiryButton() {
    navigationItem()->setRightBarButtonItem(nullptr);
}

BarButtonItem* PLReplyWebViewController::expiryButtonItem() const {
    return const_cast<PLReplyWebViewController*>(this)->navigationItem()->rightBarButtonItem();
}

void PLReplyWebViewController::loadHTMLContent() {
    Q_ASSERT(QThread::currentThread() == thread());
    if (m_loadedHTMLContent || m_renderingPage || !m_webview)
        return;
    PLActivityIndicatorView::show();
    m_pageIndicatorShown = true;
    m_renderingPage = true;
    // The stylesheet may have to be downloaded and the transform may run to its time bound: both
    // happen off the main thread, and the page comes back here.
    const quint64 request = ++m_pageRequest;
    const std::weak_ptr<Message> asked = m_message;
    const auto now = SmartRenderQueue::shared()->detailsPageHTML(
        m_message, m_linkInfo, this, [this, request, asked](const QString& html) {
            Q_ASSERT(QThread::currentThread() == thread());
            // A reload, another message or a closing since then asked for another page, or for none.
            if (request != m_pageRequest || asked.lock() != m_message)
                return;
            showPage(html);
        });
    if (now)
        showPage(*now);
}

void PLReplyWebViewController::showPage(QString html) {
    m_renderingPage = false;
    m_loadedHTMLContent = true;
    const QString baseURL = PLAppConfigurations::currentConfiguration()->baseURL();
    // Served over https, the page asks the service's own pages over https too.
    if (baseURL.contains(QLatin1String("https"))) {
        const QString host = QUrl(baseURL).host();
        if (!host.isEmpty())
            html.replace(QStringLiteral("http://%1/").arg(host), QStringLiteral("https://%1/").arg(host));
    }
    if (!html.isEmpty() && m_webview) {
        m_webview->loadHTMLString(html, QUrl(baseURL));
    } else {
        // Nothing to show: an offline device learns why.
        dismissPageIndicator();
        PLReachabilityResponder::sharedInstance()->isNetworkReachable(true);
    }
}

void PLReplyWebViewController::dismissPageIndicator() {
    if (!m_pageIndicatorShown)
        return;
    m_pageIndicatorShown = false;
    PLActivityIndicatorView::dismiss();
}

void PLReplyWebViewController::pageFinishedLoading(bool ok) {
    m_pageIndicatorShown = false;
    PLActivityIndicatorView::dismiss();
    if (!ok)
        return;
    m_webview->evaluateJavaScript(QStringLiteral("document.body.style.webkitTouchCallout='none'; "
                                                 "document.documentElement.style.webkitUserSelect='none';"));
    if (m_linkType != kCommentsLinkType)
        return;
    // The comments page opens at its end, where the newest comments are.
    QPointer<PLReplyWebViewController> self(this);
    m_webview->evaluateJavaScript(
        QStringLiteral("document.body.offsetHeight;"), [self](const QVariant& height) {
            if (self && self->m_webview)
                self->m_webview->evaluateJavaScript(
                    QStringLiteral("window.scrollBy(0, %1);").arg(qint64(height.toDouble())));
        });
}

void PLReplyWebViewController::handleMessageUpdate(const QString& messageId) {
    if (!m_message || messageId.isEmpty() || messageId != m_message->messageId())
        return;
    m_message->refreshObject();
    const bool reload = m_message->latestActionIsExpired() ||
                        (m_linkType == kCommentsLinkType && m_message->latestActionIsComment()) ||
                        (m_linkType == kDetailsLinkType && m_message->latestActionIsReply());
    if (!reload)
        return;
    // The page being built shows the message before this update: it is built again.
    ++m_pageRequest;
    m_renderingPage = false;
    m_loadedHTMLContent = false;
    loadHTMLContent();
}

bool PLReplyWebViewController::shouldStartLoad(const QUrl& url,
                                               platform::ui::WebView::NavigationType navigation) {
    const QString urlString = url.toString();
    // Without the user's click only the page itself loads: the page is made of other people's HTML.
    if (navigation != platform::ui::WebView::NavigationType::LinkClicked) {
        const QUrl base(PLAppConfigurations::currentConfiguration()->baseURL());
        if (url.adjusted(QUrl::NormalizePathSegments) == base.adjusted(QUrl::NormalizePathSegments))
            return true;
        qCWarning(lcConversationSmart) << "the details page tried to leave without a click; refused";
        return false;
    }
    const auto [type, info] = classify(m_message, urlString);
    if (!PLLinkDisplayHelper::canHandleLinkforType(type))
        return true;
    if (type == PLLinkTypeExternal) {
        const QString detailsURL = PLAppConfigurations::currentConfiguration()->detailsURL();
        if (!detailsURL.isEmpty() && urlString.startsWith(detailsURL))
            return false;
    }
    if (!m_linkDisplayHelper) {
        m_linkDisplayHelper = PLLinkDisplayHelper::instanceWithViewController(this, currentChatRoom());
        m_linkDisplayHelper->setPostChatletDelegate(this);
    }
    // Handled after the page's answer, so that a screen it opens never runs inside the engine's call.
    QPointer<PLLinkDisplayHelper> helper(m_linkDisplayHelper);
    const Message::Ptr message = m_message;
    QMetaObject::invokeMethod(
        this,
        [helper, type = type, urlString, info = info, message] {
            if (helper)
                helper->handleProcessedLink(type, urlString, info, message);
        },
        Qt::QueuedConnection);
    return false;
}

void PLReplyWebViewController::expiresNowButtonClicked() {
    auto* sheet = new platform::ui::ActionSheet({}, text("Cancel"), {}, {text("Expire now")},
                                                [this](AlertView* shown, int index) {
                                                    if (index != shown->cancelButtonIndex())
                                                        showExpireAlertView();
                                                });
    sheet->show(window());
}

void PLReplyWebViewController::showExpireAlertView() {
    auto* confirm =
        new AlertView(text("Expire Chatlet now?"),
                      text("On expiring this chatlet, participants will not be able to reply to it."), {},
                      {text("Expire"), text("Cancel")}, [this](AlertView* shown, int index) {
                          if (index != shown->cancelButtonIndex())
                              expiryClickedHandler();
                          trackExpireChatlet();
                      });
    confirm->setCancelButtonIndex(1);
    confirm->show(window());
}

void PLReplyWebViewController::trackExpireChatlet() {
    const ChatRoom::Ptr room = currentChatRoom();
    PLAnalyticsTrackingHelper::trackEvent(
        QStringLiteral("Expire chatlet"),
        {{QStringLiteral("Adminonly"), room && room->adminOnly()},
         {QStringLiteral("Formid"), m_message ? m_message->formId() : QString()},
         {QStringLiteral("IsAdmin"), room && room->isCurrentUserAdmin()}});
}

void PLReplyWebViewController::expiryClickedHandler() {
    if (!m_message || !PLReachabilityResponder::sharedInstance()->isNetworkReachable(true))
        return;
    QPointer<PLReplyWebViewController> self(this);
    const bool started = m_message->expireNowWithCompletionHandler(
        [self](bool success, const PLOptionalError&, const QString&) {
            PLActivityIndicatorView::dismiss();
            if (!self)
                return;
            if (success) {
                SmartScreenSupport::showAlert(self, text("Success"), text("This Chatlet is Expired now."));
                self->removeExpiryButton();
            } else {
                SmartScreenSupport::showAlert(self, text("Failed"), text("Please try again."));
            }
        });
    if (started)
        PLActivityIndicatorView::show();
}

void PLReplyWebViewController::postChatletToChatWindow(const QString& message, const Message::Ptr&,
                                                       const QList<PLMediaSelection>&) {
    if (m_message && m_message->latestActionIsExpired()) {
        showPostFailedErrorMessage(text("Chatlet is expired."));
        return;
    }
    postMessage(message, true, m_message);
}

void PLReplyWebViewController::postMessage(const QString& messageText, bool isSmartMessage,
                                           const Message::Ptr& message) {
    const ChatRoom::Ptr room = message ? message->room() : nullptr;
    QPointer<PLReplyWebViewController> self(this);
    const bool started =
        room && room->postPrivateMessage(
                    messageText, isSmartMessage,
                    [self, message](bool success, const PLOptionalError& error, const QString& answer) {
                        PLActivityIndicatorView::dismiss();
                        if (!self)
                            return;
                        if (!success) {
                            // A refusal's reason comes in the answer's text; a transport failure has only the
                            // error.
                            self->showPostFailedErrorMessage(!answer.isEmpty() ? answer
                                                             : error           ? error->localizedDescription
                                                                               : QString());
                            return;
                        }
                        if (!message)
                            return;
                        message->refreshObject();
                        if (message->latestActionIsExpired())
                            self->showPostFailedErrorMessage(text("Chatlet is expired."));
                        else
                            announceOwnAnswer(message);
                    });
    if (started) {
        PLActivityIndicatorView::show();
        return;
    }
    if (PLReachabilityResponder::sharedInstance()->isNetworkReachable(true))
        showPostFailedErrorMessage();
}

void PLReplyWebViewController::showPostFailedErrorMessage(const QString& message) {
    SmartScreenSupport::showAlert(this, text("Post Failed"),
                                  message.isEmpty() ? text("Please try again.") : message);
}

bool PLReplyWebViewController::isValidMessage(const QString& message) {
    return !message.trimmed().isEmpty();
}

} // namespace pelnix
