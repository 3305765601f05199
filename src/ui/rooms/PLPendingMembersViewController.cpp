#include "ui/rooms/PLPendingMembersViewController.h"

#include "core/model/ChatRoom.h"
#include "foundation/ui/DeviceInfo.h"
#include "ui/rooms/PLMembersTableViewCell.h"
#include "ui/rooms/PLSmsInvitation.h"
#include "ui/rooms/RoomsTexts.h"
#include "ui/toolkit/PLActivityIndicatorView.h"

#include <QLoggingCategory>
#include <QThread>

Q_LOGGING_CATEGORY(lcPendingMembers, "pelnix.ui.rooms.pendingmembers", QtWarningMsg)

namespace pelnix {

using platform::ui::IndexPath;
using platform::ui::TableView;
using platform::ui::TableViewCell;
using RoomsTexts::localized;

namespace {
QString field(const QVariant& invitee, const char* key) {
    return invitee.toMap().value(QString::fromLatin1(key)).toString();
}
} // namespace

PLPendingMembersViewController::PLPendingMembersViewController(QObject* parent)
    : ViewController(parent), m_listTable([this] {
          PLMembersAddedToGroupProtocol* container = m_membersAddedDelegate.get();
          return container ? container->bottomActionBarHeight() : 0.0;
      }) {
    setTitle(localized("Pending"));
}

PLPendingMembersViewController::~PLPendingMembersViewController() = default;

void PLPendingMembersViewController::configureWithChatRoom(const std::shared_ptr<ChatRoom>& room,
                                                           bool isCurrentUserCreator) {
    m_roomID = room ? room->roomId() : QString();
    m_isCurrentUserCreator = isCurrentUserCreator;
}

std::shared_ptr<ChatRoom> PLPendingMembersViewController::chatRoom() const {
    return m_roomID.isEmpty() ? nullptr : ChatRoom::chatRoomWithID(m_roomID);
}

QWidget* PLPendingMembersViewController::loadView() {
    QWidget* page = m_listTable.makePage(this, QStringLiteral("pendingMembersTableView"),
                                         PLMembersTableViewCell::kPendingIdentifier,
                                         PLMembersTableViewCell::kPendingIdentifierRTL);
    m_tableView = m_listTable.tableView();
    return page;
}

void PLPendingMembersViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    adjustTableViewContentInset();
    // The container may have asked already: a second load's answer, served before a withdrawal and
    // landing after it, would bring the withdrawn invitee back.
    if (!m_isPendingMembersLoaded && !m_loading)
        configurePendingMembersAfterAddingAndRemovingMembers();
}

void PLPendingMembersViewController::viewWillAppear(bool animated) {
    registerToNotifications();
    m_isFiltered = false;
    reloadTable();
    ViewController::viewWillAppear(animated);
}

void PLPendingMembersViewController::viewDidDisappear(bool animated) {
    unRegisterToNotifications();
    ViewController::viewDidDisappear(animated);
}

void PLPendingMembersViewController::reloadTable() {
    if (m_tableView)
        m_tableView->reloadData();
}

// ---- Loading

void PLPendingMembersViewController::configurePendingMembersAfterAddingAndRemovingMembers() {
    // Emptied at once and shown so: no row may stand for an invitee that is gone from the list.
    m_pendingMembersArray.clear();
    m_loading = true;
    reloadTable();
    QPointer<PLPendingMembersViewController> self(this);
    const bool started = ChatRoom::pendingMembersForRoom(
        m_roomID, [self](bool success, const PLOptionalError&, const QString&, const QVariantList& invitees) {
            PLActivityIndicatorView::dismiss();
            if (!self)
                return;
            self->m_loading = false;
            if (!success) {
                qCInfo(lcPendingMembers) << "invitees of" << self->m_roomID << "not loaded";
                self->reloadTable();
                return;
            }
            self->setPendingMembers(invitees);
        });
    if (started) {
        PLActivityIndicatorView::show();
    } else {
        m_loading = false;
        reloadTable();
    }
}

void PLPendingMembersViewController::setPendingMembers(const QVariantList& invitees) {
    Q_ASSERT(QThread::currentThread() == thread());
    m_isPendingMembersLoaded = true;
    setTitle(RoomsTexts::localizedFormat("Pending(%d)", {QString::number(invitees.size())}));
    if (PLMembersAddedToGroupProtocol* container = m_membersAddedDelegate.get())
        container->memberCountChanged();
    m_pendingMembersArray = invitees;
    if (m_isFiltered)
        m_filteredMembersArray = filteredMembersForSearchTerm(m_searchText);
    reloadTable();
}

bool PLPendingMembersViewController::showsEmptyRow() const {
    return m_pendingMembersArray.isEmpty() && !m_isFiltered && m_isPendingMembersLoaded && !m_loading;
}

// ---- Search

QVariantList PLPendingMembersViewController::filteredMembersForSearchTerm(const QString& term) const {
    QVariantList out;
    for (const QVariant& invitee : m_pendingMembersArray)
        if (field(invitee, "name").startsWith(term, Qt::CaseSensitive))
            out << invitee;
    return out;
}

void PLPendingMembersViewController::searchForMembersUsingSearchText(const QString& text) {
    if (text.isEmpty()) {
        m_isFiltered = false;
        m_searchText = QString();
    } else {
        m_isFiltered = true;
        m_filteredMembersArray = filteredMembersForSearchTerm(text);
        m_searchText = text;
    }
    reloadTable();
}

void PLPendingMembersViewController::searchCancelled() {
    m_isFiltered = false;
    m_searchText = QString();
    reloadTable();
}

// ---- Invitations

void PLPendingMembersViewController::invitePendingMemberViaSms(const QString& phone) {
    PLSmsInvitation::send(phone, this);
}

void PLPendingMembersViewController::removePendingMember(const QString& name) {
    const QVariantList shown = shownMembers();
    QString inviteeID;
    for (const QVariant& invitee : shown)
        if (field(invitee, "name") == name) {
            inviteeID = field(invitee, "id");
            break;
        }
    if (inviteeID.isEmpty())
        return;
    QPointer<PLPendingMembersViewController> self(this);
    const bool started = ChatRoom::removePendingMemberForRoom(
        m_roomID, inviteeID, [self, inviteeID](bool success, const PLOptionalError&, const QString&) {
            if (!success)
                qCInfo(lcPendingMembers) << "invitation" << inviteeID << "not withdrawn";
            if (self && success) {
                // By ID: the lists may have been reloaded since the withdrawal began.
                const auto isWithdrawn = [&inviteeID](const QVariant& v) {
                    return field(v, "id") == inviteeID;
                };
                self->m_filteredMembersArray.removeIf(isWithdrawn);
                self->m_pendingMembersArray.removeIf(isWithdrawn);
                self->setTitle(RoomsTexts::localizedFormat(
                    "%@(%lu)", {localized("Pending"), QString::number(self->m_pendingMembersArray.size())}));
                if (PLMembersAddedToGroupProtocol* container = self->m_membersAddedDelegate.get())
                    container->memberCountChanged();
                self->reloadTable();
            }
            PLActivityIndicatorView::dismiss();
        });
    if (started)
        PLActivityIndicatorView::show();
}

// ---- Keyboard

void PLPendingMembersViewController::adjustTableViewContentInset() {
    m_listTable.adjust();
}

void PLPendingMembersViewController::registerToNotifications() {
    m_listTable.observe();
}

void PLPendingMembersViewController::unRegisterToNotifications() {
    m_listTable.stopObserving();
}

// ---- Table

int PLPendingMembersViewController::numberOfRowsInSection(TableView*, int) {
    if (showsEmptyRow())
        return 1;
    return int(shownMembers().size());
}

TableViewCell* PLPendingMembersViewController::cellForRowAtIndexPath(TableView* table,
                                                                     const IndexPath& path) {
    const char* identifier = DeviceInfo::currentLocaleIsOfRTLType()
                                 ? PLMembersTableViewCell::kPendingIdentifierRTL
                                 : PLMembersTableViewCell::kPendingIdentifier;
    auto* cell =
        static_cast<PLMembersTableViewCell*>(table->dequeueReusableCell(QString::fromLatin1(identifier)));
    cell->setDelegate(this);
    if (showsEmptyRow()) {
        cell->configureCellForEmptyPendingMembers();
        return cell;
    }
    const QVariant invitee = shownMembers().value(path.row);
    cell->configureCellWithName(field(invitee, "name"), field(invitee, "type"), m_isCurrentUserCreator);
    return cell;
}

qreal PLPendingMembersViewController::heightForRowAtIndexPath(TableView*, const IndexPath&) {
    return PLMembersTableViewCell::kRowHeight;
}

} // namespace pelnix
