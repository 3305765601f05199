#include "ui/conversation/PLChatWindowViewController.h"

#include "core/model/ChatRoomNotifications.h"
#include "core/model/PendingMessageInfo.h"
#include "foundation/ui/ViewControllerAdditions.h"
#include "interface/PLAnalyticsTrackingHelper.h"
#include "interface/PelnixEventTracker.h"
#include "platform/MainThread.h"
#include "platform/ui/ApplicationStateMonitor.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/WebView.h"
#include "platform/ui/Window.h"
#include "ui/conversation/ConversationLog.h"
#include "ui/conversation/ConversationNotifications.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLChatWindowScrollToBottomOrTopView.h"
#include "ui/conversation/PLMarkMessageAsReadHelper.h"
#include "ui/conversation/PLNewUpdatesNotificationButton.h"
#include "ui/conversation/PLPostToChatView.h"
#include "ui/conversation/TabReach.h"

#include <QApplication>
#include <QEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <limits>
#include <utility>

namespace pelnix {

using platform::Notification;
using platform::NotificationCenter;
using platform::ui::IndexPath;

PLChatWindowViewController::PLChatWindowViewController(QObject* parent) : PLBaseViewController(parent) {
    setObjectName(QStringLiteral("chatWindowViewController"));
    // Its segues are found by this identity however the window was made.
    setStoryboardIdentity(kStoryboard, kIdentifier);
}

PLChatWindowViewController::~PLChatWindowViewController() {
    unregisterToChatWindowNotifications();
    unregisterToKeyboardNotifications();
    if (m_uploaderSheet)
        QMetaObject::invokeMethod(m_uploaderSheet, "cleanUp");
    for (auto token : std::exchange(m_appearanceObservers, {}))
        NotificationCenter::defaultCenter()->removeObserver(token);
    m_markMessageAsReadHelper.reset();
}

PLChatWindowCollectionView* PLChatWindowViewController::collectionView() const {
    return m_collectionView;
}

PLPostToChatView* PLChatWindowViewController::postToChatView() const {
    return m_postToChatView;
}

PLChatWindowScrollToBottomOrTopView* PLChatWindowViewController::scrollToBottomOrTopView() const {
    return m_scrollToBottomOrTopView;
}

PLNewUpdatesNotificationButton* PLChatWindowViewController::unreadMessgesNotifiactionButton() const {
    return m_notificationButton;
}

QString PLChatWindowViewController::roomId() const {
    return m_chatRoom ? m_chatRoom->roomId() : QString();
}

void PLChatWindowViewController::setRoomId(const QString& roomId) {
    m_chatRoom = ChatRoom::chatRoomWithID(roomId);
    if (!m_chatRoom)
        qCWarning(lcConversation) << "no room" << roomId << "to show";
}

QWidget* PLChatWindowViewController::loadView() {
    auto* root = new QWidget;
    // The list and the bar cover the whole view and paint their own backgrounds.
    root->setObjectName(QStringLiteral("chatWindowView"));
    root->resize(320, 568);
    m_collectionView = new PLChatWindowCollectionView(root);
    m_collectionView->setDataSource(this);
    m_collectionView->setDelegate(this);
    connect(m_collectionView, &PLChatWindowCollectionView::willBeginDragging, this,
            &PLChatWindowViewController::scrollViewWillBeginDragging);
    connect(m_collectionView, &PLChatWindowCollectionView::didScroll, this,
            &PLChatWindowViewController::scrollViewDidScroll);
    connect(m_collectionView, &PLChatWindowCollectionView::didEndDragging, this,
            &PLChatWindowViewController::scrollViewDidEndDragging);
    connect(m_collectionView, &PLChatWindowCollectionView::didEndDecelerating, this,
            &PLChatWindowViewController::scrollViewDidEndDecelerating);
    addPostingMessageViewAtBottom(root);
    root->installEventFilter(this);
    m_collectionView->viewport()->installEventFilter(this);
    return root;
}

void PLChatWindowViewController::viewDidLoad() {
    PLBaseViewController::viewDidLoad();
    m_shouldScrollOnViewWillAppear = true;
    m_shouldScrollToBottomOnWebviewLoad = true;
    setNavigationTitle();
    addBarButtonItems();
    ViewControllerAdditions::applyCustomAttributesToNavigationBarTitle(this);
    m_chatWindowState = kStateNormal;
    layOutSubviews();
    // The list ends at the input bar's top; nothing covers it at the top, as the navigation bar stands
    // above this view.
    m_collectionView->setContentInsetTop(0, m_postToChatView->height());
    registerToChatWindowNotifications();
    if (m_chatRoom)
        loadFirstPage();
    setUpUnreadMessagesNotificationSystem();
    // Keys on a control that leaves sight (the scroll control sliding out, "Load More" scrolled away)
    // come back to the text.
    TabReach::setKeysHeir(view(), m_postToChatView->messageTextView());
    m_collectionView->reloadData();
}

void PLChatWindowViewController::loadFirstPage() {
    m_hasNewerMessagesToLoad = false;
    if (loadFirstPageAtFirstUnread())
        return;
    m_chatRoom->messagesBeforeTime(
        0, [this](const QList<Message::Ptr>& page, bool olderExist, qint64 oldestDate) {
            m_rows.setMessages(page);
            m_hasMoreMessagesToLoad = olderExist;
            m_loadMoreTime = oldestDate;
            PLChatWindowRowList::insertDateMessages(m_rows.rows());
            m_rows.insertUnreadMessagesSeparatorIfRequired();
        });
}

bool PLChatWindowViewController::loadFirstPageAtFirstUnread() {
    // Every unread message in one page would cost what the room holds: past a window's worth, the
    // list opens at the first unread message with a page before it and a window after it, and the
    // rest follows page by page as the user reads down.
    const auto firstUnread = m_chatRoom->firstUnreadMessage();
    if (!firstUnread)
        return false;
    bool newerExist = false;
    const auto newer =
        m_chatRoom->messagesFromTime(firstUnread->date(), true, kUnreadWindowRows, &newerExist);
    if (!newerExist)
        return false;
    QList<Message::Ptr> page;
    bool olderExist = false;
    qint64 oldestDate = 0;
    m_chatRoom->messagesBeforeTime(firstUnread->date(),
                                   [&](const QList<Message::Ptr>& older, bool older_, qint64 oldest) {
                                       page = older;
                                       olderExist = older_;
                                       oldestDate = oldest;
                                   });
    m_rows.setMessages(page + newer);
    m_hasMoreMessagesToLoad = olderExist;
    m_loadMoreTime = page.isEmpty() ? firstUnread->date() : oldestDate;
    m_hasNewerMessagesToLoad = true;
    m_loadNewerTime = newer.last()->date();
    PLChatWindowRowList::insertDateMessages(m_rows.rows());
    m_rows.insertUnreadMessagesSeparatorIfRequired(m_chatRoom->unreadMessageRowCount());
    return true;
}

void PLChatWindowViewController::layOutSubviews() {
    QWidget* root = view();
    // A window made smaller or narrower (rows grow taller) keeps a list at its end there.
    keepingTheListAtItsEnd([this, root] {
        m_collectionView->setGeometry(root->rect());
        m_postToChatView->setGeometry(0, postToChatViewTop(), root->width(), m_postToChatView->height());
        m_postToChatView->raise();
        postToChatViewFrameChanged();
    });
}

bool PLChatWindowViewController::eventFilter(QObject* watched, QEvent* event) {
    if (m_collectionView && watched == m_collectionView->viewport() && event->type() == QEvent::Paint) {
        m_lastFrame.restart();
        m_firstRowSinceFrame = {};
    } else if (isViewLoaded() && watched == view() && event->type() == QEvent::Resize)
        layOutSubviews();
    else if (watched == m_postToChatView &&
             (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        postToChatViewFrameChanged();
    return PLBaseViewController::eventFilter(watched, event);
}

void PLChatWindowViewController::viewWillAppear(bool animated) {
    PLBaseViewController::viewWillAppear(animated);
    m_markMessageAsReadHelper = std::make_unique<PLMarkMessageAsReadHelper>();
    m_postToChatView->installEventFilter(this);
    refreshViewIfRequired();
    updateViewForChatRoomStatusAnimated(false);
    // The list is placed before its first frame: it opens where the user reads, with no scroll seen.
    if (m_shouldScrollOnViewWillAppear) {
        if (m_rows.unreadMessages().isEmpty())
            m_collectionView->scrollToBottomAnimated(false);
        else
            scrollToUnreadMessage(false);
    }
    m_shouldScrollOnViewWillAppear = false;
}

void PLChatWindowViewController::viewDidAppear(bool animated) {
    PLBaseViewController::viewDidAppear(animated);
    registerToKeyboardNotifications();
    auto* center = NotificationCenter::defaultCenter();
    platform::ui::ApplicationStateMonitor::shared();
    m_appearanceObservers << center->addObserver(
        platform::ui::ApplicationStateMonitor::kDidBecomeActive,
        [this](const Notification&) { appDidBecomeActive(); }, this);
    m_appearanceObservers << center->addObserver(
        QLatin1String(PLChatWindowCellMarkedAsReadNotification),
        [this](const Notification& n) {
            handleMessageMarkedAsReadNotification(
                n.userInfo.value(QLatin1String(kChatWindowMessageKey)).toString());
        },
        this);
    markVisibleMessagesAsReadAfterDelay(kAppearingReadDelayMs);
    addScrollToBottomOrTopView();
    trackConversationVisit();
    takeKeysFromThePages();
}

QWidget* PLChatWindowViewController::preferredFocusWidget() {
    QPlainTextEdit* text = m_postToChatView ? m_postToChatView->messageTextView() : nullptr;
    // Under a banner, or with the bar below the screen, the text takes no keys (it is disabled).
    return text && text->isEnabled() ? text : nullptr;
}

// A page takes the keys with the click on its link (a vote, a picture), and the chatlet and attachment
// buttons with Tab and Space; shown again once the page they opened is left (a vote or a chatlet sent,
// a picture posted or viewed), the window has the user type into its text, rather than into the page
// or onto the button that was only the way there.
void PLChatWindowViewController::takeKeysFromThePages() {
    QWidget* focus = QApplication::focusWidget();
    if (!focus || !m_collectionView)
        return;
    bool wayToAPage = m_postToChatView && (focus == m_postToChatView->postChatletButton() ||
                                           focus == m_postToChatView->mediaUploadButton());
    if (m_collectionView->viewport()->isAncestorOf(focus))
        for (QWidget* w = focus; w && !wayToAPage; w = w->parentWidget())
            wayToAPage = qobject_cast<platform::ui::WebView*>(w) != nullptr;
    if (QWidget* text = preferredFocusWidget(); wayToAPage && text && text->isVisible())
        platform::ui::Window::giveKeyboardTo(text);
}

void PLChatWindowViewController::trackConversationVisit() {
    // The count costs a query of the store: only made when the host listens.
    if (!m_chatRoom || !PelnixEventTracker::sharedEventTrackerInstance()->trackerDelegate())
        return;
    const qint64 count = Message::PS_countOfEntitiesWithPredicate(
        platform::PredicateKey(QStringLiteral("room")) == m_chatRoom);
    PLAnalyticsTrackingHelper::trackEvent(QStringLiteral("Conversation Screen Visited"),
                                          {{QStringLiteral("Number of messages"), count},
                                           {QStringLiteral("Adminonly"), m_chatRoom->adminOnly()},
                                           {QStringLiteral("Group"), m_chatRoom->name()},
                                           {QStringLiteral("RoomId"), m_chatRoom->roomId()},
                                           {QStringLiteral("IsAdmin"), m_chatRoom->isCurrentUserAdmin()}});
}

void PLChatWindowViewController::viewWillDisappear(bool animated) {
    dismissKeyboard();
    for (auto token : std::exchange(m_appearanceObservers, {}))
        NotificationCenter::defaultCenter()->removeObserver(token);
    unregisterToKeyboardNotifications();
    for (QLabel* label :
         view()->findChildren<QLabel*>(QStringLiteral("floatingLabel"), Qt::FindDirectChildrenOnly))
        if (label->property("tag").toInt() == kFloatingLabelTag)
            label->deleteLater();
    m_postToChatView->removeEventFilter(this);
    // Marks not fired yet are dropped: those messages stay unread.
    m_markMessageAsReadHelper.reset();
    ViewControllerAdditions::resetNavigationBarTitleCustomAttributesIfRequired(this);
    PLBaseViewController::viewWillDisappear(animated);
}

void PLChatWindowViewController::viewDidDisappear(bool animated) {
    PLBaseViewController::viewDidDisappear(animated);
    auto* navigation = navigationController();
    if (navigation && !navigation->viewControllers().contains(this)) {
        resetTextMessagesState();
        unregisterToChatWindowNotifications();
        m_collectionView->setDelegate(nullptr);
    }
}

// ---- The row list

void PLChatWindowViewController::handleMessageInsertAtTheEnd(const PLChatWindowCellContent& row) {
    auto& rows = m_rows.rows();
    rows.append(row);
    QList<IndexPath> paths;
    if (m_rows.shouldInsertDateCellBeforeMessage(row, m_rows.count() - 1)) {
        rows.insert(m_rows.count() - 1, PLChatWindowRowList::dateRowForDay(row.date()));
        paths << IndexPath::forItem(m_rows.count() - 2);
    }
    paths << IndexPath::forItem(m_rows.count() - 1);
    m_collectionView->insertItems(paths);
}

void PLChatWindowViewController::showFrameIfDue() {
    // While rows pour in, the queued announcements would hold back painting until the last one: a
    // frame is painted at least every frame interval, so each row shows about as it arrives.
    if (!isVisible() || !m_collectionView)
        return;
    if (!m_lastFrame.isValid() || m_lastFrame.elapsed() >= kFrameIntervalMs)
        m_collectionView->viewport()->repaint();
}

void PLChatWindowViewController::hideCollectionViewCellsWithStaleMessages() {
    auto& waiting = m_rows.currentCellsToHide();
    if (waiting.empty() || m_collectionView->isScrolling())
        return;
    std::set<int> visible;
    for (const IndexPath& path : m_collectionView->indexPathsForVisibleItems())
        visible.insert(path.item());
    const int firstVisible = visible.empty() ? std::numeric_limits<int>::max() : *visible.begin();
    qreal heightAbove = 0;
    QList<IndexPath> collapsed;
    for (auto it = waiting.begin(); it != waiting.end();) {
        const int index = *it;
        if (visible.count(index)) {
            ++it;
            continue;
        }
        if (index < firstVisible)
            heightAbove += m_rows.at(index).displayCellHeight();
        m_rows.allCellsToHide().insert(index);
        collapsed << IndexPath::forItem(index);
        it = waiting.erase(it);
    }
    if (collapsed.isEmpty())
        return;
    // The content above the screen shrinks by exactly the collapsed heights, so what is on screen
    // stays where it is.
    QPointer<PLChatWindowViewController> self(this);
    m_collectionView->performBatchUpdates(
        [this, heightAbove] {
            m_collectionView->invalidateLayout();
            const QPointF offset = m_collectionView->contentOffset();
            m_collectionView->setContentOffset(QPointF(offset.x(), qMax<qreal>(0, offset.y() - heightAbove)));
        },
        [self, collapsed](bool) {
            if (self && self->m_collectionView)
                self->m_collectionView->reloadItems(collapsed);
        });
}

bool PLChatWindowViewController::shouldHideMessageAtIndexPath(const IndexPath& path) const {
    return m_rows.shouldHideMessageAtIndex(path.item());
}

void PLChatWindowViewController::resetUnreadStateAndReload() {
    m_rows.resetUnreadState();
    setUnreadMessagesNotificationViewState(kNotificationViewHidden);
    m_collectionView->reloadData();
}

QList<Message::Ptr> PLChatWindowViewController::messagesForRefresh() const {
    if (!m_chatRoom)
        return {};
    // Everything newer would be the whole unread run again.
    if (m_hasNewerMessagesToLoad)
        return m_chatRoom->messagesBetweenTimes(m_loadMoreTime, m_loadNewerTime);
    return m_chatRoom->allMessagesAfterTime(m_loadMoreTime);
}

void PLChatWindowViewController::refreshWithLatestMessages(const QList<Message::Ptr>& messages) {
    // The date rows and the separator go in before the list is shown again: one reload for all.
    m_rows.setMessages(messages);
    PLChatWindowRowList::insertDateMessages(m_rows.rows());
    m_rows.insertUnreadMessagesSeparatorIfRequired(
        m_hasNewerMessagesToLoad && m_chatRoom ? m_chatRoom->unreadMessageRowCount() : -1);
    resetUnreadStateAndReload();
    if (m_rows.unreadMessages().isEmpty())
        m_collectionView->scrollToBottomAnimated(false);
    else
        scrollToUnreadMessage(true);
    m_needToReloadVisibleCellReadState = true;
    markVisibleMessagesAsReadAfterDelay(kAppearingReadDelayMs);
    showOrHideScrollToTopButtons();
}

void PLChatWindowViewController::refreshViewIfRequired() {
    if (m_needToRefeshView && m_chatRoom) {
        m_chatRoom->messagesBeforeTime(
            0, [this](const QList<Message::Ptr>& page, bool olderExist, qint64 oldestDate) {
                m_rows.setMessages(page);
                m_hasMoreMessagesToLoad = olderExist;
                m_loadMoreTime = oldestDate;
                resetUnreadStateAndReload();
            });
    }
    m_needToRefeshView = false;
}

void PLChatWindowViewController::appDidBecomeActive() {
    if (!m_chatRoom)
        return;
    QPointer<PLChatWindowViewController> self(this);
    m_chatRoom->fetchLatestMessagesWithCompletionHandler(
        [self](bool success, const PLOptionalError&, const QString&) {
            if (!self || !success || !self->m_chatRoom)
                return;
            self->refreshWithLatestMessages(self->messagesForRefresh());
        });
}

void PLChatWindowViewController::registerToChatWindowNotifications() {
    Q_ASSERT(platform::isMainThread());
    unregisterToChatWindowNotifications();
    if (m_chatRoom)
        m_activeRoomToken = PLActiveRoomOwnership::acquire(m_chatRoom->roomId());
    auto* center = NotificationCenter::defaultCenter();
    const auto messageId = [](const Notification& n) {
        return n.userInfo.value(QLatin1String(kMessageIDKey)).toString();
    };
    m_chatWindowObservers << center->addObserver(
        QLatin1String(ChatRoomMessageAddedNotification),
        [this, messageId](const Notification& n) { handleMessageAdd(messageId(n)); }, this);
    m_chatWindowObservers << center->addObserver(
        QLatin1String(ChatRoomMessageUpdatedNotification),
        [this, messageId](const Notification& n) { handleMessageUpdate(messageId(n)); }, this);
    m_chatWindowObservers << center->addObserver(
        QLatin1String(ChatRoomKickedNotification), [this](const Notification&) { handleRoomStateChange(); },
        this);
    m_chatWindowObservers << center->addObserver(
        QLatin1String(ChatRoomClosedNotification), [this](const Notification&) { handleRoomStateChange(); },
        this);
    m_chatWindowObservers << center->addObserver(
        QLatin1String(ChatRoomUpdatedNotification),
        [this](const Notification& n) {
            chatRoomUpdated(n.userInfo.value(QLatin1String(kChatRoomIDKey)).toString());
        },
        this);
    m_chatWindowObservers << center->addObserver(
        QLatin1String(ChatRoomPostingMessageStateChangedNotification),
        [this, messageId](const Notification& n) { postingMessageStateChanged(messageId(n)); }, this);
    m_chatWindowObservers << center->addObserver(
        QLatin1String(RetryOrDiscardPendingMessageNotification),
        [this](const Notification& n) { retryOrDiscardPendingMessage(n.userInfo); }, this);
}

void PLChatWindowViewController::unregisterToChatWindowNotifications() {
    if (m_activeRoomToken)
        PLActiveRoomOwnership::release(std::exchange(m_activeRoomToken, 0));
    for (auto token : std::exchange(m_chatWindowObservers, {}))
        NotificationCenter::defaultCenter()->removeObserver(token);
}

} // namespace pelnix
