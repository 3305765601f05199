#include "ui/rooms/PLSelectAdminViewController.h"

#include "core/model/ChatRoom.h"
#include "core/model/RoomMember.h"
#include "core/model/User.h"
#include "foundation/ui/CustomColors.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "foundation/ui/ImageAdditions.h"
#include "foundation/ui/ViewControllerAdditions.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "ui/rooms/PLMakeAdminViewController.h"
#include "ui/rooms/PLSelectAdminTableViewCell.h"
#include "ui/rooms/RoomsTexts.h"
#include "ui/toolkit/PLCustomSearchTextField.h"

#include <QLoggingCategory>
#include <QVBoxLayout>
#include <algorithm>

Q_LOGGING_CATEGORY(lcSelectAdmin, "pelnix.ui.rooms.selectadmin", QtWarningMsg)

namespace pelnix {

using platform::ui::AlertView;
using platform::ui::IndexPath;
using platform::ui::Label;
using platform::ui::TableView;
using platform::ui::TableViewCell;
using RoomsTexts::localized;

PLSelectAdminViewController::PLSelectAdminViewController(QObject* parent) : PLBaseViewController(parent) {}

PLSelectAdminViewController::~PLSelectAdminViewController() = default;

void PLSelectAdminViewController::setCurrentRoom(const std::shared_ptr<ChatRoom>& room) {
    m_roomID = room ? room->roomId() : QString();
}

std::shared_ptr<ChatRoom> PLSelectAdminViewController::currentRoom() const {
    return m_roomID.isEmpty() ? nullptr : ChatRoom::chatRoomWithID(m_roomID);
}

QString PLSelectAdminViewController::sectionLetter(const QString& name) {
    if (name.isEmpty())
        return {};
    // A letter outside the basic plane is two UTF-16 units; the section takes both.
    const int length = name.size() > 1 && name.at(0).isHighSurrogate() && name.at(1).isLowSurrogate() ? 2 : 1;
    return name.left(length).toUpper();
}

bool PLSelectAdminViewController::memberMatches(const std::shared_ptr<RoomMember>& member,
                                                const QString& term) {
    const auto user = member ? member->user() : nullptr;
    return user && (user->profileName().startsWith(term, Qt::CaseInsensitive) ||
                    user->email().startsWith(term, Qt::CaseInsensitive));
}

qreal PLSelectAdminViewController::rowHeightForEmail(const QString& email, qreal screenWidth) {
    // Measured as the row's label lays it out: an address too long for a line breaks anywhere.
    Label label(email);
    label.setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 12));
    label.setNumberOfLines(0);
    const qreal height =
        email.isEmpty() ? 0 : label.sizeThatFits({screenWidth - kWidthConstant, 999}).height();
    return height > kTallEmailHeight ? kCellHeight + 12 : kCellHeight;
}

QWidget* PLSelectAdminViewController::loadView() {
    auto* page = new QWidget;
    page->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    m_tableView = new TableView(page);
    m_tableView->setObjectName(QStringLiteral("adminSelectionTableView"));
    layout->addWidget(m_tableView);
    m_tableView->registerCell(PLSelectAdminTableViewCell::cellIdentifier(),
                              [] { return new PLSelectAdminTableViewCell; });
    m_tableView->setDataSource(this);
    m_tableView->setDelegate(this);
    m_listTable.setTableView(m_tableView);
    return page;
}

void PLSelectAdminViewController::viewDidLoad() {
    PLBaseViewController::viewDidLoad();
    setTitle(localized("Change Admin"));
    navigationItem()->setTitle(localized("Change Admin"));
    QPointer<PLSelectAdminViewController> self(this);
    auto* search = new platform::ui::BarButtonItem(
        QIcon(QPixmap::fromImage(ImageAdditions::loadImageNamed(QStringLiteral("searchChatRoom")))), [self] {
            if (self)
                self->searchInList();
        });
    search->setObjectName(QStringLiteral("searchButton"));
    navigationItem()->setRightBarButtonItem(search);
    ViewControllerAdditions::applyCustomAttributesToNavigationBarTitle(this);
    m_sections.clear();
    const auto room = currentRoom();
    if (!room)
        qCWarning(lcSelectAdmin) << "room" << m_roomID << "is not stored; nobody to choose";
    m_allRoomMembers = PLRoomMemberReference::distinctMembers(room);
    m_allRoomMembers.removeAll(currentRoomAdmin());
    m_searchBar = std::make_unique<PLDropDownSearchBar>(this, this, localized("Search by name or email"));
}

void PLSelectAdminViewController::viewWillAppear(bool animated) {
    PLBaseViewController::viewWillAppear(animated);
    if (m_allRoomMembers.isEmpty()) {
        auto* alert =
            new AlertView(localized("Alert"), localized("No active members available to change admin"),
                          localized("OK"), {});
        alert->setObjectName(QStringLiteral("noMembersAlert"));
        alert->show(window());
    }
    m_listTable.observe();
    m_selectedRoomMember = {};
    refreshTableViewToShowAllMembers();
}

void PLSelectAdminViewController::viewWillDisappear(bool animated) {
    m_listTable.stopObserving();
    if (m_searchBar && m_searchBar->isShown())
        m_searchBar->hide();
    PLBaseViewController::viewWillDisappear(animated);
}

// ---- Sections

std::shared_ptr<RoomMember> PLSelectAdminViewController::currentRoomAdmin() const {
    const auto room = currentRoom();
    return room ? room->adminMember() : nullptr;
}

void PLSelectAdminViewController::arrangeMembersIntoSections(
    const QList<std::shared_ptr<RoomMember>>& members) {
    m_sections.clear();
    for (const auto& member : members) {
        const auto user = member ? member->user() : nullptr;
        const QString name = user ? user->profileName() : QString();
        const QString email = user ? user->email() : QString();
        if (name.isEmpty() || email.isEmpty())
            continue;
        QList<Entry>& section = m_sections[sectionLetter(name)];
        // Case-sensitive order within the letter: "Bob" before "bob".
        const auto at =
            std::upper_bound(section.begin(), section.end(), name,
                             [](const QString& n, const Entry& e) { return n.compare(e.name) < 0; });
        section.insert(at, Entry{name, email, member});
    }
    m_contactsSectionTitles = m_sections.keys();
    std::sort(m_contactsSectionTitles.begin(), m_contactsSectionTitles.end(),
              [](const QString& a, const QString& b) { return a.localeAwareCompare(b) < 0; });
}

QStringList PLSelectAdminViewController::namesInSection(const QString& title) const {
    QStringList names;
    for (const Entry& entry : m_sections.value(title))
        names << entry.name;
    return names;
}

const PLSelectAdminViewController::Entry* PLSelectAdminViewController::entryAt(const IndexPath& path) const {
    if (path.section < 0 || path.section >= m_contactsSectionTitles.size())
        return nullptr;
    const auto it = m_sections.constFind(m_contactsSectionTitles.at(path.section));
    if (it == m_sections.constEnd() || path.row < 0 || path.row >= it->size())
        return nullptr;
    return &it->at(path.row);
}

std::shared_ptr<RoomMember> PLSelectAdminViewController::memberForIndexPath(const IndexPath& path) const {
    const Entry* entry = entryAt(path);
    return entry ? entry->member : nullptr;
}

QList<std::shared_ptr<RoomMember>>
PLSelectAdminViewController::filteredMembersForSearchTerm(const QString& term) const {
    QList<std::shared_ptr<RoomMember>> out;
    for (const auto& member : m_allRoomMembers)
        if (memberMatches(member, term))
            out << member;
    return out;
}

void PLSelectAdminViewController::refreshTableViewToShowAllMembers() {
    arrangeMembersIntoSections(m_allRoomMembers);
    if (m_tableView)
        m_tableView->reloadData();
}

// ---- Choosing

void PLSelectAdminViewController::singleSelectForAdminSelectionForIndexPath(const IndexPath& path) {
    m_selectedRoomMember = PLRoomMemberReference::of(memberForIndexPath(path));
    makeAdminClicked();
}

void PLSelectAdminViewController::makeAdminClicked() {
    const auto member = m_selectedRoomMember.resolve();
    if (!member)
        return;
    auto* confirmation = new PLMakeAdminViewController;
    confirmation->setSelectedMember(member);
    confirmation->setCurrentRoom(currentRoom());
    confirmation->setAdminChangeDelegate(this);
    presentViewController(confirmation, true);
}

void PLSelectAdminViewController::adminChangeComplete() {
    auto* nav = navigationController();
    if (!nav)
        return;
    const auto stack = nav->viewControllers();
    const int index = int(stack.indexOf(this));
    // Only a screen on the stack above another can pop itself.
    if (index > 0)
        nav->popToViewController(stack.at(index - 1), true);
}

// ---- Search

void PLSelectAdminViewController::searchInList() {
    if (m_searchBar)
        m_searchBar->show();
}

void PLSelectAdminViewController::searchTextFieldDidChange(PLCustomSearchTextField* textField) {
    const QString text = textField ? textField->text() : QString();
    arrangeMembersIntoSections(text.isEmpty() ? m_allRoomMembers : filteredMembersForSearchTerm(text));
    if (m_tableView)
        m_tableView->reloadData();
}

void PLSelectAdminViewController::searchViewCancelledSearch() {
    if (m_searchBar)
        m_searchBar->hide();
    refreshTableViewToShowAllMembers();
}

// ---- Table

int PLSelectAdminViewController::numberOfSectionsInTableView(TableView*) {
    return int(m_contactsSectionTitles.size());
}

int PLSelectAdminViewController::numberOfRowsInSection(TableView*, int section) {
    return int(m_sections.value(m_contactsSectionTitles.value(section)).size());
}

TableViewCell* PLSelectAdminViewController::cellForRowAtIndexPath(TableView* table, const IndexPath& path) {
    auto* cell = static_cast<PLSelectAdminTableViewCell*>(
        table->dequeueReusableCell(PLSelectAdminTableViewCell::cellIdentifier()));
    cell->showDetailsOfMember(memberForIndexPath(path));
    return cell;
}

qreal PLSelectAdminViewController::heightForRowAtIndexPath(TableView*, const IndexPath& path) {
    const Entry* entry = entryAt(path);
    const qreal width = isViewLoaded() ? view()->width() : 320;
    return rowHeightForEmail(entry ? entry->email : QString(), width);
}

qreal PLSelectAdminViewController::heightForHeaderInSection(TableView*, int) {
    return kHeaderHeight;
}

QWidget* PLSelectAdminViewController::viewForHeaderInSection(TableView*, int section) {
    auto* header = new QWidget;
    header->setObjectName(kHeaderIdentifier);
    header->setAutoFillBackground(true);
    QPalette palette = header->palette();
    palette.setColor(QPalette::Window, QColor(240, 240, 240));
    header->setPalette(palette);
    auto* layout = new QVBoxLayout(header);
    layout->setContentsMargins(15, 0, 15, 0);
    auto* label = new Label(m_contactsSectionTitles.value(section), header);
    label->setObjectName(QStringLiteral("headerLabel"));
    label->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans-Bold"), 15));
    label->setTextColor(CustomColors::pelnixBlueColor());
    layout->addWidget(label);
    return header;
}

void PLSelectAdminViewController::didSelectRowAtIndexPath(TableView* table, const IndexPath& path) {
    table->deselectRow(path, false);
    singleSelectForAdminSelectionForIndexPath(path);
    table->scrollToRowAtIndexPath(path, platform::ui::RowListView::ScrollPosition::None, true);
}

} // namespace pelnix
