#include "ui/conversation/PLChatWindowSearchViewController.h"
#include "platform/ui/WindowFocus.h"

#include "core/api/PLAppConfigurations.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/User.h"
#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/ui/ScrollViewAdditions.h"
#include "foundation/ui/ViewControllerAdditions.h"
#include "platform/ui/KeyboardMonitor.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/Scheduler.h"
#include "ui/conversation/ConversationSmartLog.h"
#include "ui/conversation/PLBulkUserJoinedMessageCell.h"
#include "ui/conversation/PLChatMessageWithProfileImageCell.h"
#include "ui/conversation/PLChatWindowStyle.h"
#include "ui/conversation/PLExtendedTextMessageCell.h"
#include "ui/conversation/PLSmartMessageCell.h"
#include "ui/conversation/PLStaleMessageCell.h"
#include "ui/conversation/PLTextMessageCell.h"
#include "ui/conversation/PLUserActionMessageCell.h"
#include "ui/conversation/TabReach.h"
#include "ui/toolkit/PLCustomSearchTextField.h"

#include <QEvent>
#include <QPainter>

namespace pelnix {

using platform::Notification;
using platform::NotificationCenter;
using platform::ui::CollectionView;
using platform::ui::CollectionViewCell;
using platform::ui::IndexPath;
using platform::ui::Scheduler;

namespace {

enum RowType : qint16 { SmartMessage = 1, TextMessage = 2, BulkJoined = 3 };
// Text rows grouped under the previous one, and rows that head their own run (as in the chat window).
enum TextMessageState : int { NotWorkedOut = 0, Extended = 1, HeadsRun = 2 };

QString text(const char* key) {
    return PLCurrentBundleInfo::localizedString(QString::fromUtf8(key));
}

bool isHiddenStale(const Message::Ptr& message) {
    return message && message->isStale() && message->displayCellHeight() == 0;
}

// The band under the navigation bar that counts the results.
class ResultsBand : public QWidget {
public:
    explicit ResultsBand(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("resultsHolderView"));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(0xEF, 0xEF, 0xF4));
        painter.fillRect(QRect(0, height() - 1, width(), 1), QColor(0xDD, 0xDD, 0xDD));
    }
};

} // namespace

PLChatWindowSearchViewController::PLChatWindowSearchViewController(QObject* parent)
    : PLBaseViewController(parent) {
    setObjectName(QStringLiteral("chatWindowSearchViewController"));
}

PLChatWindowSearchViewController::~PLChatWindowSearchViewController() {
    Scheduler::shared()->cancelPerforms(this);
    for (auto token : std::exchange(m_keyboardObservers, {}))
        NotificationCenter::defaultCenter()->removeObserver(token);
    delete m_searchView;
}

QWidget* PLChatWindowSearchViewController::loadView() {
    auto* root = new QWidget;
    root->setObjectName(QStringLiteral("chatWindowSearchView"));
    root->setAutoFillBackground(true);
    QPalette palette = root->palette();
    palette.setColor(QPalette::Window, Qt::white);
    root->setPalette(palette);
    m_searchCollectionView = new PLChatWindowCollectionView(root);
    m_searchCollectionView->setObjectName(QStringLiteral("searchCollectionView"));
    m_searchCollectionView->setDataSource(this);
    m_searchCollectionView->setDelegate(this);
    m_resultsHolderView = new ResultsBand(root);
    m_searchResultsLabel = new platform::ui::Label({}, m_resultsHolderView);
    m_searchResultsLabel->setObjectName(QStringLiteral("searchResultsLabel"));
    m_searchResultsLabel->setFont(PLChatWindowStyle::font(QStringLiteral("DejaVuSans"), 13));
    m_searchResultsLabel->setTextColor(QColor(0x55, 0x55, 0x55));
    m_searchResultsLabel->setAlignment(Qt::AlignCenter);
    connect(m_searchCollectionView, &PLChatWindowCollectionView::willBeginDragging, this, [this] {
        if (m_scrollToBottomOrTopView)
            m_scrollToBottomOrTopView->showScrollToBottomOrTopViewAnimated(true);
    });
    connect(m_searchCollectionView, &PLChatWindowCollectionView::didScroll, this,
            &PLChatWindowSearchViewController::showOrHideScrollToTopButtons);
    connect(m_searchCollectionView, &PLChatWindowCollectionView::didEndDragging, this,
            &PLChatWindowSearchViewController::resetIfNecessary);
    connect(m_searchCollectionView, &PLChatWindowCollectionView::didEndDecelerating, this,
            &PLChatWindowSearchViewController::resetIfNecessary);
    root->installEventFilter(this);
    return root;
}

void PLChatWindowSearchViewController::viewDidLoad() {
    PLBaseViewController::viewDidLoad();
    ViewControllerAdditions::applyCustomAttributesToNavigationBarTitle(this);
    m_searchView = PLCustomSearchView::instanceWithOwner(nullptr);
    m_searchView->setDelegate(this);
    m_searchView->setPlaceholderText(text("Enter search text here"));
    m_searchView->hide();
    // The search field lies over the whole bar: no back button waits under it for Tab.
    navigationItem()->setHidesBackButton(true);
    // Keys on the side control as it slides out go back to the search field.
    TabReach::setKeysHeir(view(), m_searchView->searchTextField());
    if (m_chatRoom)
        m_originalMessages = m_chatRoom->allMessages();
    m_markAsReadHelper = std::make_unique<PLMarkMessageAsReadHelper>();
    layOutSubviews();
    m_searchCollectionView->reloadData();
}

void PLChatWindowSearchViewController::viewWillAppear(bool animated) {
    PLBaseViewController::viewWillAppear(animated);
    if (!m_scrollToBottomOrTopView) {
        m_scrollToBottomOrTopView = PLChatWindowScrollToBottomOrTopView::instance(view());
        m_scrollToBottomOrTopView->setInDelegate(this);
        m_scrollToBottomOrTopView->move(view()->width() - m_scrollToBottomOrTopView->width(), 0);
        m_scrollToBottomOrTopView->show();
    }
    placeSideControl(0);
    m_scrollToBottomOrTopView->hideScrollToBottomOrTopViewAnimated(false);
    updateSearchResultsDisplay();
    auto* center = NotificationCenter::defaultCenter();
    m_keyboardObservers << center->addObserver(
        platform::ui::KeyboardMonitor::kWillShow, [this](const Notification& n) { handleKeyboard(n, true); },
        this);
    m_keyboardObservers << center->addObserver(
        platform::ui::KeyboardMonitor::kWillHide, [this](const Notification& n) { handleKeyboard(n, false); },
        this);
    if (platform::ui::NavigationController* navigation = navigationController()) {
        m_searchView->setParent(navigation->view());
        m_searchView->setGeometry(navigation->navigationBar()->geometry());
        // It lies over the bar for as long as the screen shows, at whatever width the window takes.
        navigation->navigationBar()->installEventFilter(this);
        m_searchView->show();
        m_searchView->raise();
        m_searchView->makeTextFieldFirstResponder();
    }
}

void PLChatWindowSearchViewController::viewWillDisappear(bool animated) {
    for (auto token : std::exchange(m_keyboardObservers, {}))
        NotificationCenter::defaultCenter()->removeObserver(token);
    PLBaseViewController::viewWillDisappear(animated);
}

bool PLChatWindowSearchViewController::eventFilter(QObject* watched, QEvent* event) {
    if (isViewLoaded() && watched == view() && event->type() == QEvent::Resize)
        layOutSubviews();
    if (platform::ui::NavigationController* navigation = navigationController();
        navigation && watched == navigation->navigationBar() && m_searchView &&
        m_searchView->parentWidget() == navigation->view() &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        m_searchView->setGeometry(navigation->navigationBar()->geometry());
    return PLBaseViewController::eventFilter(watched, event);
}

void PLChatWindowSearchViewController::layOutSubviews() {
    QWidget* root = view();
    // The band lies over the list's top, which the list's top inset leaves clear.
    m_resultsHolderView->setGeometry(0, 0, root->width(), kResultsBandHeight);
    m_searchResultsLabel->setGeometry(m_resultsHolderView->rect().adjusted(10, 0, -10, 0));
    m_searchCollectionView->setGeometry(root->rect());
    m_searchCollectionView->setContentInsetTop(kResultsBandHeight,
                                               m_searchCollectionView->contentInset().bottom());
    m_resultsHolderView->raise();
    placeSideControl(0);
}

void PLChatWindowSearchViewController::placeSideControl(int keyboardHeight) {
    if (!m_scrollToBottomOrTopView || !m_resultsHolderView)
        return;
    // Top and height only: whether it is slid in or out at the right edge is the control's.
    const int top = m_resultsHolderView->geometry().bottom() + 1;
    m_scrollToBottomOrTopView->setGeometry(m_scrollToBottomOrTopView->x(), top,
                                           m_scrollToBottomOrTopView->width(),
                                           qMax(0, view()->height() - top - keyboardHeight));
}

void PLChatWindowSearchViewController::handleKeyboard(const Notification& note, bool showing) {
    // The window may be going away around the focused search field.
    if (!m_searchCollectionView)
        return;
    const int height =
        showing ? note.userInfo.value(platform::ui::KeyboardMonitor::kFrameBeginKey).toRect().height() : 0;
    m_searchCollectionView->setContentInsetTop(kResultsBandHeight, height);
    placeSideControl(height);
}

// ---- Matching and the search run

bool PLChatWindowSearchViewController::messageMatches(const Message::Ptr& message,
                                                      const QString& typed) const {
    if (!message || typed.isEmpty())
        return false;
    const QString lower = typed.toLower();
    if (message->text().contains(lower, Qt::CaseInsensitive))
        return true;
    QString sender = lower;
    if (typed == text("Me")) {
        const auto account = CurrentUserInfo::currentUserInfo();
        const auto me = account ? account->user() : nullptr;
        sender = me ? me->profileName() : QString();
        // Without a name of the user's own, "Me" finds no sender at all rather than everybody.
        if (sender.isEmpty())
            return false;
    }
    const auto user = message->senderUser();
    return user && user->profileName().contains(sender, Qt::CaseInsensitive);
}

void PLChatWindowSearchViewController::search(const QString& typed) {
    Scheduler::shared()->cancelPerforms(this);
    m_messages.clear();
    if (!typed.isEmpty())
        for (const Message::Ptr& message : std::as_const(m_originalMessages))
            if (messageMatches(message, typed))
                m_messages << message;
    m_searchCollectionView->reloadData();
    updateSearchResultsDisplay();
    QPointer<PLChatWindowSearchViewController> self(this);
    Scheduler::shared()->performAfter(this, kResetDelayMs, [self] {
        if (self)
            self->resetIfNecessary();
    });
    if (!m_messages.isEmpty())
        m_searchCollectionView->scrollToBottomAnimated(false);
}

void PLChatWindowSearchViewController::searchTextFieldDidChange(PLCustomSearchTextField* textField) {
    search(textField ? textField->text() : QString());
}

void PLChatWindowSearchViewController::updateSearchResultsDisplay() {
    const bool empty = !m_searchView || m_searchView->textFieldText().isEmpty();
    m_resultsHolderView->setVisible(!empty);
    if (empty)
        return;
    const qsizetype n = m_messages.size();
    if (n > 0)
        m_searchResultsLabel->setText(
            text("%1 %2 found").arg(n).arg(n < 2 ? text("result") : text("results")));
    else
        m_searchResultsLabel->setText(text("No results found"));
}

void PLChatWindowSearchViewController::searchViewCancelledSearch() {
    QPointer<PLChatWindowSearchViewController> self(this);
    Scheduler::shared()->performAfter(this, kCancelDelayMs, [self] {
        if (!self)
            return;
        self->search(QString());
        self->removeSearchBarAndPopAnimated(true);
    });
}

void PLChatWindowSearchViewController::removeSearchBarAndPopAnimated(bool animated) {
    Scheduler::shared()->cancelPerforms(this);
    if (platform::ui::NavigationController* navigation = navigationController())
        navigation->navigationBar()->removeEventFilter(this);
    if (m_searchView) {
        m_searchView->makeTextFieldResignResponder();
        m_searchView->hide();
        platform::ui::WindowFocus::takeOutOfWindow(m_searchView);
    }
    if (platform::ui::NavigationController* navigation = navigationController())
        if (navigation->topViewController() == this)
            navigation->popViewController(animated);
}

// ---- Read marking

void PLChatWindowSearchViewController::resetIfNecessary() {
    if (!m_markAsReadHelper)
        return;
    m_markAsReadHelper->cancelAllPreviousRequest();
    markCellsAsRead();
}

void PLChatWindowSearchViewController::markCellsAsRead() {
    const auto cells = m_searchCollectionView->visibleCells();
    if (!cells.isEmpty() && m_markAsReadHelper)
        m_markAsReadHelper->markAsReadCells(cells, kReadDelayMs);
}

// ---- Cells

int PLChatWindowSearchViewController::numberOfItemsInSection(CollectionView*, int) {
    return int(m_messages.size());
}

bool PLChatWindowSearchViewController::isExtendedTextMessageAtIndexPath(const IndexPath& path) {
    const int index = path.item();
    if (index <= 0 || index >= m_messages.size())
        return false;
    const Message::Ptr& message = m_messages[index];
    if (message->textMessageState() != NotWorkedOut)
        return message->textMessageState() == Extended;
    const Message::Ptr& previous = m_messages[index - 1];
    const double window =
        PLAppConfigurations::currentConfiguration()->durationBetweenTextMessagesToGroup() * 60 * 1000;
    const bool extended = previous->type() == TextMessage && message->type() == TextMessage &&
                          previous->senderUser() && message->senderUser() &&
                          previous->senderUser()->userID() == message->senderUser()->userID() &&
                          double(message->date() - previous->date()) < window;
    message->setTextMessageState(extended ? Extended : HeadsRun);
    return extended;
}

CollectionViewCell* PLChatWindowSearchViewController::cellForItemAtIndexPath(CollectionView* view,
                                                                             const IndexPath& path) {
    const Message::Ptr message = m_messages.value(path.item());
    const qint16 type = message ? message->type() : 0;
    CollectionViewCell* cell = nullptr;
    switch (type) {
    case SmartMessage:
        if (isHiddenStale(message)) {
            cell = view->dequeueReusableCell(PLStaleMessageCell::kIdentifier, path);
        } else {
            cell = view->dequeueReusableCell(PLSmartMessageCell::kIdentifier, path);
            if (auto* smart = qobject_cast<PLSmartMessageCell*>(cell)) {
                configureSmartMessageCell(smart);
                smart->loadCellFromSmartMessageInfo(PLChatWindowCellContent(message));
            }
        }
        break;
    case TextMessage:
        if (isExtendedTextMessageAtIndexPath(path)) {
            cell = view->dequeueReusableCell(PLExtendedTextMessageCell::kIdentifier, path);
            if (auto* extended = qobject_cast<PLExtendedTextMessageCell*>(cell))
                extended->setMessage(message);
        } else {
            cell = view->dequeueReusableCell(PLTextMessageCell::kIdentifier, path);
            if (auto* plain = qobject_cast<PLTextMessageCell*>(cell))
                plain->setMessage(message);
        }
        break;
    case BulkJoined:
        cell = view->dequeueReusableCell(PLBulkUserJoinedMessageCell::kIdentifier, path);
        if (auto* joined = qobject_cast<PLBulkUserJoinedMessageCell*>(cell))
            joined->setMessage(message, this,
                               m_bulkUserJoinedMessageStateDictionary.value(message->messageId()) != 0);
        break;
    default:
        cell = view->dequeueReusableCell(PLUserActionMessageCell::kIdentifier, path);
        if (auto* action = qobject_cast<PLUserActionMessageCell*>(cell))
            action->setMessage(message);
        break;
    }
    if (cell)
        cell->setProperty("tag", path.item());
    return cell;
}

QSizeF PLChatWindowSearchViewController::sizeForItemAtIndexPath(CollectionView* view, const IndexPath& path) {
    const qreal width = view->viewport()->width();
    const Message::Ptr message = m_messages.value(path.item());
    if (!message)
        return {width, 0};
    qreal height = 0;
    switch (message->type()) {
    case SmartMessage:
        height = message->displayCellHeight() != 0 ? message->displayCellHeight()
                                                   : PLSmartMessageCell::defaultCellHeight();
        break;
    case TextMessage:
        height = isExtendedTextMessageAtIndexPath(path)
                     ? PLExtendedTextMessageCell::cellHeightWithMessageString(message->displayText(), width)
                     : PLTextMessageCell::cellHeightWithMessageString(message->displayText(), width);
        break;
    case BulkJoined:
        height = PLBulkUserJoinedMessageCell::cellHeightWithMessageString(
            message->displayText(), message->bulkJoinedUserNames(),
            m_bulkUserJoinedMessageStateDictionary.value(message->messageId()) != 0, width);
        break;
    default:
        height = PLUserActionMessageCell::cellHeightWithMessageString(message->displayText(), int(width));
        break;
    }
    return {width, height};
}

bool PLChatWindowSearchViewController::shouldSelectItemAtIndexPath(CollectionView*, const IndexPath&) {
    return false;
}

void PLChatWindowSearchViewController::didEndDisplayingCell(CollectionView*, CollectionViewCell* cell,
                                                            const IndexPath&) {
    if (m_markAsReadHelper)
        m_markAsReadHelper->cancelPreviousSelectorForCell(cell);
}

void PLChatWindowSearchViewController::configureSmartMessageCell(PLSmartMessageCell* cell) {
    cell->resizeRowOnLoad(m_searchCollectionView);
    QPointer<PLChatWindowSearchViewController> self(this);
    cell->setLinkHandler([self](const QString& url, const Message::Ptr& message) {
        if (self)
            self->linkTapped(url, message);
    });
}

void PLChatWindowSearchViewController::linkTapped(const QString& url, const Message::Ptr& message) {
    removeSearchBarAndPopAnimated(false);
    if (auto completion = std::exchange(m_completion, nullptr))
        completion(url, message);
}

void PLChatWindowSearchViewController::arrowIndicatorButtonTappedFrom(PLBulkUserJoinedMessageCell* cell) {
    const auto message = cell ? cell->message() : nullptr;
    const int index = message ? int(m_messages.indexOf(message)) : -1;
    if (index < 0)
        return;
    int& expanded = m_bulkUserJoinedMessageStateDictionary[message->messageId()];
    expanded = expanded != 0 ? 0 : 1;
    m_searchCollectionView->reloadItems({IndexPath::forItem(index)});
}

// ---- The side control

void PLChatWindowSearchViewController::showOrHideScrollToTopButtons() {
    if (m_scrollToBottomOrTopView)
        m_scrollToBottomOrTopView->setControllType(m_searchCollectionView->scrollControlType());
}

void PLChatWindowSearchViewController::scrollToTopOrBottomView(PLChatWindowScrollToBottomOrTopView* view,
                                                               unsigned buttonType) {
    if (view == m_scrollToBottomOrTopView)
        m_searchCollectionView->scrollForControlButton(buttonType);
}

} // namespace pelnix
