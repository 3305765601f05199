#include "ui/rooms/PLActiveMembersViewController.h"

#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/RoomMember.h"
#include "core/model/User.h"
#include "foundation/PLReachabilityResponder.h"
#include "foundation/ui/DeviceInfo.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/StoryboardSegue.h"
#include "ui/rooms/PLMembersTableViewCell.h"
#include "ui/rooms/PLRoomMemberReference.h"
#include "ui/rooms/RoomsAnalytics.h"
#include "ui/rooms/RoomsTexts.h"
#include "ui/toolkit/PLActivityIndicatorView.h"

#include <QLoggingCategory>
#include <QThread>
#include <algorithm>

Q_LOGGING_CATEGORY(lcActiveMembers, "pelnix.ui.rooms.activemembers", QtWarningMsg)

namespace pelnix {

using platform::ui::AlertView;
using platform::ui::IndexPath;
using platform::ui::TableView;
using platform::ui::TableViewCell;
using RoomsTexts::localized;

namespace {
qint32 userIDOf(const std::shared_ptr<RoomMember>& member) {
    const auto user = member ? member->user() : nullptr;
    return user ? user->userID() : 0;
}
} // namespace

PLActiveMembersViewController::PLActiveMembersViewController(QObject* parent)
    : ViewController(parent), m_listTable([this] {
          PLMembersAddedToGroupProtocol* container = m_membersAddedDelegate.get();
          return container ? container->bottomActionBarHeight() : 0.0;
      }) {}

PLActiveMembersViewController::~PLActiveMembersViewController() {
    unRegisterToNotifications();
    if (m_readingMembers)
        PLActivityIndicatorView::dismiss();
}

void PLActiveMembersViewController::configureWithChatRoom(const std::shared_ptr<ChatRoom>& room) {
    m_roomID = room ? room->roomId() : QString();
    m_isCurrentUserCreator = room && room->isCurrentUserAdmin();
}

std::shared_ptr<ChatRoom> PLActiveMembersViewController::chatRoom() const {
    return m_roomID.isEmpty() ? nullptr : ChatRoom::chatRoomWithID(m_roomID);
}

QString PLActiveMembersViewController::titleForMemberCount(qint64 count) {
    return count != 0 ? RoomsTexts::localizedFormat("Active(%d)", {QString::number(count)})
                      : localized("Active");
}

bool PLActiveMembersViewController::memberMatches(const PLMemberRow& member, const QString& term) {
    return member.name.startsWith(term, Qt::CaseInsensitive) ||
           member.email.startsWith(term, Qt::CaseInsensitive);
}

QWidget* PLActiveMembersViewController::loadView() {
    QWidget* page = m_listTable.makePage(this, QStringLiteral("activeMembersTableView"),
                                         PLMembersTableViewCell::kActiveIdentifier,
                                         PLMembersTableViewCell::kActiveIdentifierRTL);
    m_tableView = m_listTable.tableView();
    return page;
}

void PLActiveMembersViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    generateMemebersList();
    adjustTableViewContentInset();
}

void PLActiveMembersViewController::viewWillAppear(bool animated) {
    ViewController::viewWillAppear(animated);
    registerToNotifications();
    // A search left behind by the other tab no longer applies.
    m_isFiltered = false;
    if (m_tableView)
        m_tableView->reloadData();
}

void PLActiveMembersViewController::viewDidDisappear(bool animated) {
    unRegisterToNotifications();
    ViewController::viewDidDisappear(animated);
}

// ---- List

void PLActiveMembersViewController::generateMemebersList() {
    const quint64 read = ++m_reads;
    if (PLMemberListReader::membershipCount(m_roomID) <= PLMemberListReader::kReadHereUpTo) {
        if (std::exchange(m_readingMembers, false))
            PLActivityIndicatorView::dismiss();
        takeMembers(PLMemberListReader::readNow(m_roomID));
        return;
    }
    // Thousands of members: the screen shows at once, its rows once they are read.
    if (!std::exchange(m_readingMembers, true))
        PLActivityIndicatorView::show();
    PLMemberListReader::read(m_roomID, this, [this, read](const QList<PLMemberRow>& rows) {
        if (read != m_reads)
            return;
        m_readingMembers = false;
        PLActivityIndicatorView::dismiss();
        takeMembers(rows);
        showMembers();
    });
}

void PLActiveMembersViewController::takeMembers(QList<PLMemberRow> rows) {
    m_membersArray = std::move(rows);
    removeCurrentUserFromMembers();
    if (m_currentUser)
        m_membersArray.prepend(*m_currentUser);
}

void PLActiveMembersViewController::removeCurrentUserFromMembers() {
    const qint32 me = CurrentUserInfo::currentUserID();
    for (int i = 0; i < m_membersArray.size(); ++i)
        if (m_membersArray[i].userID == me) {
            m_currentUser = m_membersArray.takeAt(i);
            return;
        }
}

std::shared_ptr<RoomMember> PLActiveMembersViewController::memberOf(const PLMemberRow& row) const {
    return PLRoomMemberReference{m_roomID, row.userID}.resolve();
}

std::shared_ptr<RoomMember> PLActiveMembersViewController::currentUser() const {
    return m_currentUser ? memberOf(*m_currentUser) : nullptr;
}

QList<std::shared_ptr<RoomMember>> PLActiveMembersViewController::shownMembers() const {
    QList<std::shared_ptr<RoomMember>> members;
    for (const PLMemberRow& row : shownRows())
        members << memberOf(row);
    return members;
}

void PLActiveMembersViewController::refresh() {
    generateMemebersList();
    const auto room = chatRoom();
    setTitle(titleForMemberCount(room ? room->memberCount() : 0));
    if (PLMembersAddedToGroupProtocol* container = m_membersAddedDelegate.get())
        container->memberCountChanged();
    if (!m_readingMembers)
        showMembers();
}

void PLActiveMembersViewController::showMembers() {
    if (m_isFiltered)
        m_filteredMembersArray = filteredMembersForSearchTerm(m_searchText);
    if (m_tableView)
        m_tableView->reloadData();
}

// ---- Search

QList<PLMemberRow> PLActiveMembersViewController::filteredMembersForSearchTerm(const QString& term) const {
    QList<PLMemberRow> out;
    const qint32 me = CurrentUserInfo::currentUserID();
    for (const PLMemberRow& member : m_membersArray)
        if (memberMatches(member, term) && member.userID != me)
            out << member;
    return out;
}

void PLActiveMembersViewController::searchForMembersUsingSearchText(const QString& text) {
    if (text.isEmpty()) {
        m_isFiltered = false;
        m_searchText = QString();
    } else {
        m_isFiltered = true;
        m_filteredMembersArray = filteredMembersForSearchTerm(text);
        m_searchText = text;
    }
    if (m_tableView)
        m_tableView->reloadData();
}

void PLActiveMembersViewController::searchCancelled() {
    m_isFiltered = false;
    m_searchText = QString();
    if (m_tableView)
        m_tableView->reloadData();
}

// ---- Removal

void PLActiveMembersViewController::removeMember(const std::shared_ptr<RoomMember>& member) {
    Q_ASSERT(QThread::currentThread() == thread());
    const auto room = chatRoom();
    if (!room || !member)
        return;
    const qint32 userID = userIDOf(member);
    QPointer<PLActiveMembersViewController> self(this);
    const QString roomID = m_roomID;
    const bool started = room->removeMember(
        member, [self, roomID, userID](bool success, const PLOptionalError&, const QString&) {
            PLActivityIndicatorView::dismiss();
            const auto stored = ChatRoom::chatRoomWithID(roomID);
            if (self) {
                if (success) {
                    // Gone from the rows at once, while a large room is read again.
                    const auto removed = [userID](const PLMemberRow& row) { return row.userID == userID; };
                    self->m_filteredMembersArray.removeIf(removed);
                    self->m_membersArray.removeIf(removed);
                    self->refresh();
                } else {
                    auto* alert = new AlertView(localized("Alert"), localized("Failed to delete Member."),
                                                localized("OK"), {});
                    alert->show(self->window());
                }
            }
            RoomsAnalytics::trackRoomEvent(QStringLiteral("Remove members"), stored, success);
        });
    if (started)
        PLActivityIndicatorView::show();
    else
        qCInfo(lcActiveMembers) << "removal from" << m_roomID << "not started (not a member, or offline)";
}

// ---- Keyboard

void PLActiveMembersViewController::adjustTableViewContentInset() {
    m_listTable.adjust();
}

void PLActiveMembersViewController::registerToNotifications() {
    m_listTable.observe();
}

void PLActiveMembersViewController::unRegisterToNotifications() {
    m_listTable.stopObserving();
}

// ---- Table

int PLActiveMembersViewController::numberOfRowsInSection(TableView*, int) {
    return int(shownRows().size());
}

TableViewCell* PLActiveMembersViewController::cellForRowAtIndexPath(TableView* table, const IndexPath& path) {
    const char* identifier = DeviceInfo::currentLocaleIsOfRTLType()
                                 ? PLMembersTableViewCell::kActiveIdentifierRTL
                                 : PLMembersTableViewCell::kActiveIdentifier;
    auto* cell =
        static_cast<PLMembersTableViewCell*>(table->dequeueReusableCell(QString::fromLatin1(identifier)));
    if (path.row == 0 && !m_isFiltered && m_currentUser) {
        cell->configureCellWithMember(memberOf(*m_currentUser), m_isCurrentUserCreator, true,
                                      m_isCurrentUserCreator);
        return cell;
    }
    const PLMemberRow row = shownRows().value(path.row);
    cell->setDelegate(this);
    cell->configureCellWithMember(memberOf(row), row.isCreator, false, m_isCurrentUserCreator);
    return cell;
}

qreal PLActiveMembersViewController::heightForRowAtIndexPath(TableView*, const IndexPath&) {
    return PLMembersTableViewCell::kRowHeight;
}

void PLActiveMembersViewController::didSelectRowAtIndexPath(TableView* table, const IndexPath& path) {
    table->deselectRow(path, true);
    m_selectedRow = path.row;
    performSegue(DeviceInfo::currentLocaleIsOfRTLType() ? kDetailSegueRTL : kDetailSegue, this);
}

std::shared_ptr<RoomMember> PLActiveMembersViewController::selectedMember() const {
    const PLMemberRow row = m_selectedRow ? shownRows().value(*m_selectedRow) : PLMemberRow();
    return row.userID ? memberOf(row) : nullptr;
}

bool PLActiveMembersViewController::shouldPerformSegue(const QString& identifier, QObject* sender) {
    if (identifier != kDetailSegue && identifier != kDetailSegueRTL)
        return ViewController::shouldPerformSegue(identifier, sender);
    const auto member = selectedMember();
    if (!member)
        return false;
    if (!PLReachabilityResponder::sharedInstance()->isNetworkReachable(true))
        return false;
    return userIDOf(member) != CurrentUserInfo::currentUserID();
}

void PLActiveMembersViewController::prepareForSegue(platform::ui::StoryboardSegue& segue, QObject* sender) {
    ViewController::prepareForSegue(segue, sender);
    if (segue.identifier() != kDetailSegue && segue.identifier() != kDetailSegueRTL)
        return;
    auto* detail = segue.destinationViewController();
    const auto member = selectedMember();
    if (!detail || !member)
        return;
    const auto room = member->room();
    detail->setProperty("userID", userIDOf(member));
    detail->setProperty("roomId", room ? room->roomId() : m_roomID);
}

} // namespace pelnix
