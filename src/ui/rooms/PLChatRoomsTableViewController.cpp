#include "ui/rooms/PLChatRoomsTableViewController.h"

#include "core/model/ChatRoomNotifications.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/Message.h"
#include "core/model/PLModelManager.h"
#include "core/model/User.h"
#include "foundation/PLReachabilityResponder.h"
#include "foundation/ui/CustomColors.h"
#include "foundation/ui/ImageAdditions.h"
#include "foundation/ui/ViewControllerAdditions.h"
#include "interface/PLAnalyticsTrackingHelper.h"
#include "interface/Pelnix.h"
#include "interface/PelnixGroupFilterManager.h"
#include "platform/MainThread.h"
#include "platform/ui/AfterNextPaint.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/StoryboardSegue.h"
#include "platform/ui/TableView.h"
#include "ui/rooms/PLChatRoomDefaultCell.h"
#include "ui/rooms/PLChatRoomTableViewCell.h"
#include "ui/rooms/RoomsBarButtons.h"
#include "ui/rooms/RoomsTexts.h"
#include "ui/toolkit/PLCustomSearchTextField.h"
#include "ui/toolkit/PLCustomSearchView.h"
#include "ui/toolkit/PLNavigationBarRightButtonItems.h"

#include <QSet>
#include <algorithm>

namespace pelnix {

Q_LOGGING_CATEGORY(lcRoomsList, "pelnix.ui.rooms.list", QtWarningMsg)

using platform::ui::BarButtonItem;
using platform::ui::Button;
using platform::ui::IndexPath;
using platform::ui::NavigationController;
using platform::ui::TableView;
using platform::ui::TableViewCell;
using platform::ui::ViewController;
using RoomsTexts::localized;

namespace {
QPointer<PLChatRoomsTableViewController>& sharedInstance() {
    static QPointer<PLChatRoomsTableViewController> instance;
    return instance;
}

bool isLibraryContainer(const ViewController* controller) {
    return controller && controller->inherits("pelnix::PelnixViewController");
}

} // namespace

PLChatRoomsTableViewController::PLChatRoomsTableViewController(QObject* parent)
    : PLBaseTableTableViewController(parent) {}

PLChatRoomsTableViewController::~PLChatRoomsTableViewController() {
    unregisterToNotification();
}

PLChatRoomsTableViewController* PLChatRoomsTableViewController::sharedViewControllerInstance() {
    return sharedInstance();
}

// ---- Set-up

void PLChatRoomsTableViewController::viewDidLoad() {
    PLBaseTableTableViewController::viewDidLoad();
    configureTableView();
    configureNavigationBar();
    // The search bar shows only when asked for: it is made after the first frame (or when first
    // needed), not before it.
    platform::ui::afterNextPaint(view(), this, [this] { initializeSearchBar(); });
    loadChatRooms();
    sharedInstance() = this;
    if (!m_alertsFactory)
        m_alertsFactory = std::make_unique<PLGroupInfoAlertsFactory>();
}

void PLChatRoomsTableViewController::configureTableView() {
    TableView* table = tableView();
    table->registerCell(QString::fromLatin1(PLChatRoomTableViewCell::kReuseIdentifier),
                        [] { return new PLChatRoomTableViewCell; });
    table->registerCell(QString::fromLatin1(PLChatRoomDefaultCell::kReuseIdentifier),
                        [] { return new PLChatRoomDefaultCell; });
    table->setDataSource(this);
    table->setDelegate(this);
    // Each row draws its separator in the list's colour; the space below the last row has none.
    table->setShowsSeparators(true);
    connect(table, &TableView::didEndDecelerating, this,
            &PLChatRoomsTableViewController::reloadSwipeOptionsOnVisibleCells);
}

void PLChatRoomsTableViewController::configureNavigationBar() {
    ViewControllerAdditions::applyCustomAttributesToNavigationBarTitle(this);
    resetNavigationBar();
}

ViewController* PLChatRoomsTableViewController::titleOwner() {
    ViewController* parent = parentViewController();
    return isLibraryContainer(parent) ? parent : this;
}

void PLChatRoomsTableViewController::resetNavigationBar() {
    titleOwner()->setTitle(localized("Chats"));
    titleOwner()->navigationItem()->setTitle(localized("Chats"));
    addRightBarButtons();
    const QString hostTitle = Pelnix::navigationTitle();
    if (!hostTitle.isNull()) {
        titleOwner()->setTitle(hostTitle);
        titleOwner()->navigationItem()->setTitle(hostTitle);
    }
    addLeftBarButtonItems();
}

void PLChatRoomsTableViewController::addRightBarButtons() {
    auto* buttons = new PLNavigationBarRightButtonItems;
    buttons->setObjectName(QStringLiteral("PLNavigationBarRightButtonItems"));
    auto makeButton = [buttons](const char* name, const char* image, const char* accessible) {
        auto* button = new Button(buttons);
        button->setObjectName(QString::fromLatin1(name));
        button->setImage(ImageAdditions::loadImageNamed(QString::fromLatin1(image)));
        button->setAccessibleName(localized(accessible));
        button->setFixedSize(36, 44);
        button->setFocusPolicy(Qt::NoFocus);
        buttons->addButton(button);
        return button;
    };
    Button* search = makeButton("searchChatRoomsButton", "searchChatRoomsIcon", "Search");
    Button* add = makeButton("addChatRoomButton", "addChatRoomIcon", "New conversation");
    QPointer<PLChatRoomsTableViewController> self(this);
    connect(search, &Button::clicked, this, [self] {
        if (self)
            self->searchChatRoomsButtonClickerHandler();
    });
    connect(add, &Button::clicked, this, [self] {
        if (self)
            self->addChatRoomButtonClickHandler();
    });
    // The original bar pulls its custom item 15 points to the edge with a negative fixed space; a Qt
    // bar lays items out from its own margin, so the custom item stands alone.
    titleOwner()->navigationItem()->setRightBarButtonItems(
        {new BarButtonItem(static_cast<QWidget*>(buttons))});
}

void PLChatRoomsTableViewController::addLeftBarButtonItems() {
    QPointer<PLChatRoomsTableViewController> self(this);
    RoomsBarButtons::addLeftBarButtonItems(this, [self] {
        if (self)
            self->dismissChatView();
    });
}

void PLChatRoomsTableViewController::initializeSearchBar() {
    if (!m_searchBar)
        m_searchBar = std::make_unique<PLDropDownSearchBar>(this, this, localized("Search for chat rooms"));
}

void PLChatRoomsTableViewController::dismissChatView() {
    dismissViewController(true);
}

// ---- Appearance

void PLChatRoomsTableViewController::viewWillAppear(bool animated) {
    PLBaseTableTableViewController::viewWillAppear(animated);
    m_viewWillAppearCalled = true;
    registerToNotification();
    reloadChatRooms();
    const QString hostTitle = Pelnix::navigationTitle();
    if (!hostTitle.isNull()) {
        setTitle(hostTitle);
        navigationItem()->setTitle(hostTitle);
    }
    ViewControllerAdditions::applyCustomAttributesToNavigationBarTitle(this);
}

void PLChatRoomsTableViewController::viewDidAppear(bool animated) {
    invokeViewWillAppearIfRequired();
    PLBaseTableTableViewController::viewDidAppear(animated);
    const auto account = CurrentUserInfo::currentUserInfo();
    const auto me = account ? account->user() : nullptr;
    if (me && !me->email().isEmpty())
        PLAnalyticsTrackingHelper::trackEvent(QStringLiteral("Home screen visited"),
                                              {{QStringLiteral("#of groups"), qint64(m_chatRooms.size())}});
}

void PLChatRoomsTableViewController::viewWillDisappear(bool animated) {
    setChatRoomsViewState(ListState);
    unregisterToNotification();
    for (platform::ui::Label* label : floatingLabels()) {
        label->hide();
        label->deleteLater();
    }
    ViewControllerAdditions::resetNavigationBarTitleCustomAttributesIfRequired(this);
    PLBaseTableTableViewController::viewWillDisappear(animated);
}

void PLChatRoomsTableViewController::invokeViewWillAppearIfRequired() {
    if (!m_viewWillAppearCalled)
        viewWillAppear(false);
}

// ---- Loading

void PLChatRoomsTableViewController::loadChatRooms() {
    m_chatRoomsLoaded = true;
    const bool reachable = PLReachabilityResponder::sharedInstance()->isNetworkReachable(true);
    // Offline the list waits for the next appearance, unless a store upgrade is pending.
    if (!reachable && PLModelManager::sharedModelManager()->needsUpgrade() == 0)
        return;
    // A view loaded to be shown is reloaded by its appearance within the same turn: the load waits a
    // turn and is dropped when a reload came first, so that the rooms are read once, not twice.
    const quint64 load = ++m_loadGeneration;
    QPointer<PLChatRoomsTableViewController> self(this);
    QMetaObject::invokeMethod(
        this,
        [self, load] {
            if (self && self->m_loadGeneration == load)
                self->reloadChatRooms();
        },
        Qt::QueuedConnection);
}

void PLChatRoomsTableViewController::reloadChatRooms() {
    Q_ASSERT(platform::isMainThread());
    m_chatRoomsLoaded = true;
    ++m_loadGeneration;
    // The rooms alone: the rows on screen read their latest messages as they are shown, so that the
    // first frame of a list of a hundred thousand rooms does not wait for every room's.
    m_chatRooms = ChatRoom::allChatRooms();
    m_latestMessagesRun = 0;
    showChatRoomsAnew();
    // The options behind the rows are built once the rows are on screen: nobody can swipe before,
    // and a row that opens builds its own options first in any case.
    if (isViewLoaded() && !std::exchange(m_swipeOptionsReloadQueued, true))
        platform::ui::afterNextPaint(tableView()->viewport(), this, [this] {
            m_swipeOptionsReloadQueued = false;
            reloadSwipeOptionsOnVisibleCells();
        });
}

void PLChatRoomsTableViewController::showChatRoomsAnew() {
    m_tableRooms = m_chatRooms;
    m_touchedRoomIDs.clear();
    if (isViewLoaded())
        tableView()->reloadData();
}

void PLChatRoomsTableViewController::readLatestMessagesAround(int row) {
    const auto room = m_tableRooms.value(row);
    if (!room || room->holdsLatestMessage())
        return;
    // Of a list read at a time, a fetch costs about as much as a few dozen rows: the first run is a
    // screen's worth or more, and a list that goes on being read (scrolled, jumped around in) is read
    // in longer runs, up to a bound that keeps each run's time far below a frame's.
    constexpr int kFirstRun = 32;
    constexpr int kLongestRun = 256;
    const int screenRows =
        isViewLoaded() ? int(tableView()->height() / PLChatRoomTableViewCell::cellHeight()) + 2 : 0;
    const int size = m_latestMessagesRun > 0 ? m_latestMessagesRun : std::max(kFirstRun, screenRows);
    m_latestMessagesRun = std::min(size * 2, std::max(kLongestRun, size));
    // The rows that follow first (the list is read downwards), then those above it (read upwards).
    const int count = int(m_tableRooms.size());
    QList<std::shared_ptr<ChatRoom>> run;
    for (int i = row; i < std::min(count, row + size) && run.size() < size; ++i)
        if (m_tableRooms[i] && !m_tableRooms[i]->holdsLatestMessage())
            run << m_tableRooms[i];
    for (int i = row - 1; i >= std::max(0, row - size) && run.size() < size; --i)
        if (m_tableRooms[i] && !m_tableRooms[i]->holdsLatestMessage())
            run << m_tableRooms[i];
    ChatRoom::readLatestMessages(run);
}

void PLChatRoomsTableViewController::reloadSwipeOptionsOnVisibleCells() {
    if (!isViewLoaded())
        return;
    for (TableViewCell* cell : tableView()->visibleCells())
        if (auto* row = qobject_cast<PLChatRoomTableViewCell*>(cell))
            row->reloadSwipeOptions();
}

// ---- Live updates

void PLChatRoomsTableViewController::registerToNotification() {
    unregisterToNotification();
    auto* center = platform::NotificationCenter::defaultCenter();
    QPointer<PLChatRoomsTableViewController> self(this);
    // `update` of the ID the notification carries under `key`.
    const auto observeID = [&](const char* name, const char* key,
                               void (PLChatRoomsTableViewController::*update)(const QString&)) {
        return center->addObserver(
            QLatin1String(name),
            [self, key, update](const platform::Notification& notification) {
                if (self)
                    (self->*update)(notification.userInfo.value(QLatin1String(key)).toString());
            },
            this);
    };
    m_updateObserver = observeID(ChatRoomUpdatedNotification, kChatRoomIDKey,
                                 &PLChatRoomsTableViewController::updateChatRoomWithID);
    // The user's own posts are announced as messages only, and so are their answers: a chat window
    // beside the list posts into rooms the list shows.
    for (const char* name : {ChatRoomMessageAddedNotification, ChatRoomMessageUpdatedNotification})
        m_messageObservers << observeID(name, kMessageIDKey,
                                        &PLChatRoomsTableViewController::updateChatRoomOfMessageWithID);
    m_filterObserver = center->addObserver(
        QLatin1String(PLChatRoomGroupFilteringCriterionChangedNotification),
        [self](const platform::Notification&) {
            if (self)
                self->reloadChatRooms();
        },
        this);
}

void PLChatRoomsTableViewController::unregisterToNotification() {
    auto* center = platform::NotificationCenter::defaultCenter();
    if (m_updateObserver)
        center->removeObserver(std::exchange(m_updateObserver, 0));
    if (m_filterObserver)
        center->removeObserver(std::exchange(m_filterObserver, 0));
    for (const auto token : std::exchange(m_messageObservers, {}))
        center->removeObserver(token);
}

int PLChatRoomsTableViewController::indexOfRoom(const std::shared_ptr<ChatRoom>& room) const {
    if (!room)
        return -1;
    // The context hands out one object per room; after a reset of the context the list holds older
    // objects of the same rooms, found by their IDs.
    if (const qsizetype at = m_chatRooms.indexOf(room); at >= 0)
        return int(at);
    const QString roomID = room->roomId();
    for (int i = 0; i < m_chatRooms.size(); ++i)
        if (m_chatRooms[i] && m_chatRooms[i]->roomId() == roomID)
            return i;
    return -1;
}

void PLChatRoomsTableViewController::updateChatRoomWithID(const QString& roomID) {
    if (!m_chatRoomsLoaded)
        return;
    const auto room = ChatRoom::chatRoomWithID(roomID);
    const int row = room ? indexOfRoom(room) : -1;
    if (row < 0) {
        addChatRoomWithID(roomID);
        return;
    }
    room->refreshObject();
    m_chatRooms[row] = room;
    if (row > 0 && room->activityDate() > m_chatRooms.first()->activityDate()) {
        m_chatRooms.removeAt(row);
        m_chatRooms.prepend(room);
        moveChatRoomToFirstIndexFromIndex(row);
    } else {
        reloadChatRoomAtIndex(row);
    }
}

void PLChatRoomsTableViewController::updateChatRoomOfMessageWithID(const QString& messageID) {
    if (!m_chatRoomsLoaded)
        return;
    const auto message = Message::messageWithID(messageID);
    if (const auto room = message ? message->room() : nullptr)
        updateChatRoomWithID(room->roomId());
}

void PLChatRoomsTableViewController::addChatRoomWithID(const QString& roomID) {
    if (!m_chatRoomsLoaded)
        return;
    const auto room = ChatRoom::chatRoomWithID(roomID);
    if (!room || !shouldInsertToTableViewNewChatRoom(room))
        return;
    m_chatRooms.prepend(room);
    touchRoomAtIndex(0);
}

bool PLChatRoomsTableViewController::shouldInsertToTableViewNewChatRoom(
    const std::shared_ptr<ChatRoom>& room) const {
    if (!room || indexOfRoom(room) >= 0)
        return false;
    const QString typed = m_searchBar ? m_searchBar->view()->textFieldText() : QString();
    // A plain, case-sensitive test, unlike the search filter itself.
    return typed.isEmpty() || room->displayName().contains(typed, Qt::CaseSensitive);
}

void PLChatRoomsTableViewController::reloadChatRoomAtIndex(int index) {
    touchRoomAtIndex(index);
}

void PLChatRoomsTableViewController::moveChatRoomToFirstIndexFromIndex(int index) {
    // The room is at the top of the list already; its row follows with the next table update.
    touchRoomAtIndex(0);
    Q_UNUSED(index);
}

void PLChatRoomsTableViewController::touchRoomAtIndex(int index) {
    if (index < 0 || index >= m_chatRooms.size() || !m_chatRooms[index])
        return;
    m_touchedRoomIDs.insert(m_chatRooms[index]->roomId());
    if (m_tableUpdateQueued)
        return;
    // Rows change without animation, so a burst of updates in one turn of the event loop is shown
    // as one change of the table, made before the next frame.
    m_tableUpdateQueued = true;
    QPointer<PLChatRoomsTableViewController> self(this);
    QMetaObject::invokeMethod(
        this,
        [self] {
            if (self)
                self->applyTableUpdates();
        },
        Qt::QueuedConnection);
}

void PLChatRoomsTableViewController::applyTableUpdates() {
    m_tableUpdateQueued = false;
    if (m_touchedRoomIDs.isEmpty())
        return;
    const QList<std::shared_ptr<ChatRoom>> before = m_tableRooms;
    const QSet<QString> touched = std::exchange(m_touchedRoomIDs, {});
    m_tableRooms = m_chatRooms;
    if (!isViewLoaded())
        return;
    // The placeholder row of an empty list gives way to the first room with a whole reload.
    if (m_viewState == ListState && (before.isEmpty() || m_tableRooms.isEmpty())) {
        tableView()->reloadData();
        return;
    }
    QHash<QString, int> oldRows;
    for (int i = 0; i < before.size(); ++i)
        oldRows.insert(before[i]->roomId(), i);
    QList<platform::ui::IndexPath> deleted;
    QList<platform::ui::IndexPath> inserted;
    int lastKept = -1;
    bool ordered = true;
    for (int i = 0; i < m_tableRooms.size(); ++i) {
        const QString id = m_tableRooms[i]->roomId();
        if (touched.contains(id)) {
            inserted << IndexPath::forRow(i);
            continue;
        }
        // The other rooms keep their order; only the touched ones are taken out and put in again.
        const int old = oldRows.value(id, -1);
        ordered = ordered && old > lastKept;
        lastKept = old;
    }
    for (const QString& id : touched)
        if (const int old = oldRows.value(id, -1); old >= 0)
            deleted << IndexPath::forRow(old);
    if (!ordered) {
        tableView()->reloadData();
        return;
    }
    tableView()->beginUpdates();
    tableView()->deleteRows(deleted);
    tableView()->insertRows(inserted);
    tableView()->endUpdates();
}

// ---- Search

void PLChatRoomsTableViewController::setChatRoomsViewState(qint64 state) {
    m_viewState = state;
    reloadChatRooms();
    if (state == SearchState && isViewLoaded())
        initializeSearchBar();
    if (!m_searchBar)
        return;
    if (state == SearchState) {
        m_searchBar->show();
        m_unfilteredChatRooms = m_chatRooms;
        return;
    }
    m_searchBar->hide();
    m_searchText = QString();
    m_unfilteredChatRooms.reset();
}

void PLChatRoomsTableViewController::toggleSearchBarAnimated() {
    setChatRoomsViewState(m_viewState == ListState ? SearchState : ListState);
}

void PLChatRoomsTableViewController::searchChatRoomsButtonClickerHandler() {
    toggleSearchBarAnimated();
}

void PLChatRoomsTableViewController::searchViewCancelledSearch() {
    toggleSearchBarAnimated();
    m_searchText = QString();
}

void PLChatRoomsTableViewController::searchTextFieldDidChange(PLCustomSearchTextField* textField) {
    const QString text = textField ? textField->text() : QString();
    const QList<std::shared_ptr<ChatRoom>> all =
        m_unfilteredChatRooms.value_or(QList<std::shared_ptr<ChatRoom>>());
    if (text.isEmpty()) {
        m_chatRooms = all;
        m_searchText = QString();
    } else {
        m_chatRooms.clear();
        for (const auto& room : all)
            if (room && room->displayName().contains(text, Qt::CaseInsensitive))
                m_chatRooms << room;
        m_searchText = text;
    }
    showChatRoomsAnew();
}

// ---- Table

int PLChatRoomsTableViewController::numberOfRowsInSection(TableView*, int) {
    const int rooms = int(m_tableRooms.size());
    return m_viewState == ListState ? qMax(1, rooms) : rooms;
}

TableViewCell* PLChatRoomsTableViewController::cellForRowAtIndexPath(TableView* table,
                                                                     const IndexPath& path) {
    if (m_tableRooms.isEmpty())
        return table->dequeueReusableCell(QString::fromLatin1(PLChatRoomDefaultCell::kReuseIdentifier));
    auto* cell = static_cast<PLChatRoomTableViewCell*>(
        table->dequeueReusableCell(QString::fromLatin1(PLChatRoomTableViewCell::kReuseIdentifier)));
    cell->setDataSource(this);
    cell->setDelegate(this);
    readLatestMessagesAround(path.row);
    cell->setChatRoom(m_tableRooms.value(path.row));
    cell->setSeparatorLine(path.row == m_tableRooms.size() - 1 ? 0 : 15,
                           CustomColors::chatRoomsTableViewSeparatorColor());
    cell->setProperty("tag", path.row);
    return cell;
}

qreal PLChatRoomsTableViewController::heightForRowAtIndexPath(TableView*, const IndexPath&) {
    return m_tableRooms.isEmpty() ? kPlaceholderRowHeight : PLChatRoomTableViewCell::cellHeight();
}

void PLChatRoomsTableViewController::didSelectRowAtIndexPath(TableView*, const IndexPath& path) {
    if (m_tableRooms.isEmpty())
        return;
    // Taken first: leaving the screen for the room ends the search.
    const QString searched = m_searchText;
    const qint64 shown = m_tableRooms.size();
    openChatRoom(m_tableRooms.value(path.row));
    if (!searched.isNull())
        PLAnalyticsTrackingHelper::trackEvent(
            QStringLiteral("Home screen- Search"),
            {{QStringLiteral("TextInput"), searched}, {QStringLiteral("#of groups"), shown}});
}

// ---- Opening a room

void PLChatRoomsTableViewController::openChatRoom(const std::shared_ptr<ChatRoom>& room) {
    m_selectedChatRoomID = room ? room->roomId() : QString();
    if (!performSegue(QStringLiteral("ChatRoomSelect"), this))
        qCWarning(lcRoomsList) << "the conversation screen is not available; room" << m_selectedChatRoomID
                               << "not opened";
}

void PLChatRoomsTableViewController::openChatRoomWithID(const QString& roomID) {
    if (const auto room = ChatRoom::chatRoomWithID(roomID))
        openChatRoom(room);
}

void PLChatRoomsTableViewController::prepareForSegue(platform::ui::StoryboardSegue& segue, QObject* sender) {
    PLBaseTableTableViewController::prepareForSegue(segue, sender);
    if (ViewController* destination = segue.destinationViewController())
        destination->setProperty("roomId", m_selectedChatRoomID);
}

} // namespace pelnix
