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

Q_LOGGING_CATEGORY(lcActiveMembers, "pelnix.ui.rooms.activemembers")

namespace pelnix {

using platform::ui::AlertView;
using platform::ui::IndexPath;
using platform::ui::TableView;
using platform::ui::TableViewCell;
using RoomsTexts::localized;

namespace {
QString nameOf(const std::shared_ptr<RoomMember>& member) {
    const auto user = member ? member->user() : nullptr;
    return user ? user->profileName() : QString();
}

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
}

void PLActiveMembersViewController::configureWithChatRoom(const std::shared_ptr<ChatRoom>& room) {
    m_roomID = room ? room->roomId() : QString();
    m_isCurrentUserCreator = room && room->isCurrentUserAdmin();
}

std::shared_ptr<ChatRoom> PLActiveMembersViewController::chatRoom() const {
    return m_roomID.isEmpty() ? nullptr : ChatRoom::chatRoomWithID(m_roomID);
}

QString PLActiveMembersViewController::titleForMemberCount(qint64 count) {
    return count != 0 ? RoomsTexts::localizedFormat("Active(%d)", {QString::number(qint16(count))})
                      : localized("Active");
}

bool PLActiveMembersViewController::memberMatches(const std::shared_ptr<RoomMember>& member,
                                                  const QString& term) {
    const auto user = member ? member->user() : nullptr;
    return user && (user->profileName().startsWith(term, Qt::CaseInsensitive) ||
                    user->email().startsWith(term, Qt::CaseInsensitive));
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
    const auto room = chatRoom();
    m_membersArray = PLRoomMemberReference::distinctMembers(room);
    removeCurrentUserFromMembers();
    // Members without a name sort as the empty name.
    std::stable_sort(m_membersArray.begin(), m_membersArray.end(), [](const auto& a, const auto& b) {
        return nameOf(a).compare(nameOf(b), Qt::CaseInsensitive) < 0;
    });
    if (m_currentUser)
        m_membersArray.prepend(m_currentUser);
}

void PLActiveMembersViewController::removeCurrentUserFromMembers() {
    const qint32 me = CurrentUserInfo::currentUserID();
    for (int i = 0; i < m_membersArray.size(); ++i)
        if (userIDOf(m_membersArray[i]) == me) {
            m_currentUser = m_membersArray.takeAt(i);
            return;
        }
}

QList<std::shared_ptr<RoomMember>> PLActiveMembersViewController::shownMembers() const {
    return m_isFiltered ? m_filteredMembersArray : m_membersArray;
}

void PLActiveMembersViewController::refresh() {
    generateMemebersList();
    const auto room = chatRoom();
    setTitle(titleForMemberCount(room ? room->totalMembers() : 0));
    if (PLMembersAddedToGroupProtocol* container = m_membersAddedDelegate.get())
        container->memberCountChanged();
    if (m_isFiltered)
        m_filteredMembersArray = filteredMembersForSearchTerm(m_searchText);
    if (m_tableView)
        m_tableView->reloadData();
}

// ---- Search

QList<std::shared_ptr<RoomMember>>
PLActiveMembersViewController::filteredMembersForSearchTerm(const QString& term) const {
    QList<std::shared_ptr<RoomMember>> out;
    const qint32 me = CurrentUserInfo::currentUserID();
    for (const auto& member : m_membersArray)
        if (memberMatches(member, term) && userIDOf(member) != me)
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
                    self->m_filteredMembersArray.removeIf(
                        [userID](const auto& m) { return userIDOf(m) == userID; });
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
    return int(shownMembers().size());
}

TableViewCell* PLActiveMembersViewController::cellForRowAtIndexPath(TableView* table, const IndexPath& path) {
    const char* identifier = DeviceInfo::currentLocaleIsOfRTLType()
                                 ? PLMembersTableViewCell::kActiveIdentifierRTL
                                 : PLMembersTableViewCell::kActiveIdentifier;
    auto* cell =
        static_cast<PLMembersTableViewCell*>(table->dequeueReusableCell(QString::fromLatin1(identifier)));
    if (path.row == 0 && !m_isFiltered && m_currentUser) {
        cell->configureCellWithMember(m_currentUser, m_isCurrentUserCreator, true, m_isCurrentUserCreator);
        return cell;
    }
    const auto member = shownMembers().value(path.row);
    cell->setDelegate(this);
    cell->configureCellWithMember(member, member && member->isCreator(), false, m_isCurrentUserCreator);
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
    return m_selectedRow ? shownMembers().value(*m_selectedRow) : nullptr;
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
