#include "ui/rooms/PLOpenGroupsViewController.h"

#include "core/model/ChatRoom.h"
#include "core/model/Message.h"
#include "core/model/PLPublicRoom.h"
#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/PLReachabilityResponder.h"
#include "foundation/ui/CustomColors.h"
#include "foundation/ui/DeviceInfo.h"
#include "foundation/ui/ViewControllerAdditions.h"
#include "interface/PLAnalyticsTrackingHelper.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/TableView.h"
#include "ui/rooms/PLOpenGroupTableViewCell.h"
#include "ui/rooms/RoomsBarButtons.h"
#include "ui/rooms/RoomsTexts.h"
#include "ui/toolkit/PLActivityIndicatorView.h"

#include <QLoggingCategory>
#include <QVBoxLayout>

Q_LOGGING_CATEGORY(lcOpenGroups, "pelnix.ui.rooms.opengroups", QtWarningMsg)

namespace pelnix {

using platform::ui::AlertView;
using platform::ui::IndexPath;
using platform::ui::Scheduler;
using platform::ui::TableView;
using platform::ui::TableViewCell;
using RoomsTexts::localized;

namespace {
QPointer<PLOpenGroupsViewController>& sharedInstance() {
    static QPointer<PLOpenGroupsViewController> instance;
    return instance;
}

QString orEmpty(const QString& text) {
    return text.isNull() ? QString(QLatin1String("")) : text;
}
} // namespace

PLOpenGroupsViewController::PLOpenGroupsViewController(QObject* parent) : PLBaseViewController(parent) {}

PLOpenGroupsViewController::~PLOpenGroupsViewController() {
    Scheduler::shared()->cancelPerforms(this);
}

PLOpenGroupsViewController* PLOpenGroupsViewController::sharedOpenGroupControllerInstance() {
    if (!sharedInstance())
        sharedInstance() =
            qobject_cast<PLOpenGroupsViewController*>(platform::ui::ScreenRegistry::shared()->instantiate(
                QStringLiteral("Home"), QStringLiteral("PLOpenGroupsViewController")));
    return sharedInstance();
}

QWidget* PLOpenGroupsViewController::loadView() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    m_tableView = new TableView(page);
    layout->addWidget(m_tableView);
    return page;
}

void PLOpenGroupsViewController::viewDidLoad() {
    PLBaseViewController::viewDidLoad();
    sharedInstance() = this;
    configuteTableView();
    configuteNavigationBar();
}

void PLOpenGroupsViewController::configuteTableView() {
    for (const char* identifier :
         {PLOpenGroupTableViewCell::kReuseIdentifier, PLOpenGroupTableViewCell::kReuseIdentifierRTL}) {
        const QString name = QString::fromLatin1(identifier);
        m_tableView->registerCell(name, [name] { return new PLOpenGroupTableViewCell(name); });
    }
    m_tableView->setDataSource(this);
    m_tableView->setDelegate(this);
}

void PLOpenGroupsViewController::configuteNavigationBar() {
    platform::ui::ViewController* parent = parentViewController();
    platform::ui::ViewController* owner =
        parent && parent->inherits("pelnix::PelnixCustomViewController") ? parent : this;
    owner->setTitle(localized("Public Groups"));
    owner->navigationItem()->setTitle(localized("Public Groups"));
    addLeftBarButtonItems();
    ViewControllerAdditions::applyCustomAttributesToNavigationBarTitle(this);
}

void PLOpenGroupsViewController::addLeftBarButtonItems() {
    QPointer<PLOpenGroupsViewController> self(this);
    RoomsBarButtons::addLeftBarButtonItems(this, [self] {
        if (self)
            self->dismissOpenGroupsView();
    });
}

void PLOpenGroupsViewController::dismissOpenGroupsView() {
    dismissViewController(true);
}

void PLOpenGroupsViewController::viewWillAppear(bool animated) {
    PLBaseViewController::viewWillAppear(animated);
    ViewControllerAdditions::applyCustomAttributesToNavigationBarTitle(this);
    // Fetched anew on every appearance.
    QPointer<PLOpenGroupsViewController> self(this);
    Scheduler::shared()->performAfter(this, kLoadDelayMs, [self] {
        if (self)
            self->loadOpenGroups();
    });
}

void PLOpenGroupsViewController::viewWillDisappear(bool animated) {
    ViewControllerAdditions::resetNavigationBarTitleCustomAttributesIfRequired(this);
    PLBaseViewController::viewWillDisappear(animated);
}

// ---- Loading

void PLOpenGroupsViewController::loadOpenGroups() {
    if (!PLReachabilityResponder::sharedInstance()->isNetworkReachable(true))
        return;
    reloadOpenGroups();
}

void PLOpenGroupsViewController::reloadOpenGroups() {
    QPointer<PLOpenGroupsViewController> self(this);
    const bool started = PLPublicRoom::getPublicRoomsWithCompletionHandler(
        [self](bool success, const PLOptionalError&, const QString&,
               const QList<std::shared_ptr<PLPublicRoom>>& groups) {
            // Dismissed first: a retry shows the overlay again within this turn, which keeps it up.
            PLActivityIndicatorView::dismiss();
            if (!self)
                return;
            if (success) {
                self->setOpenGroups(groups);
                return;
            }
            ++self->m_noOfTries;
            if (self->m_noOfTries >= kAllowedFailures) {
                auto* alert = new AlertView(localized("Failed"), localized("Please try again later."),
                                            localized("OK"), {});
                alert->show(self->window());
            } else {
                self->reloadOpenGroups();
            }
        });
    if (started)
        PLActivityIndicatorView::show();
}

void PLOpenGroupsViewController::setOpenGroups(const QList<std::shared_ptr<PLPublicRoom>>& groups) {
    m_openGroups = groups;
    if (m_tableView)
        m_tableView->reloadData();
}

// ---- Table

int PLOpenGroupsViewController::numberOfRowsInSection(TableView*, int) {
    return int(m_openGroups.size());
}

TableViewCell* PLOpenGroupsViewController::cellForRowAtIndexPath(TableView* table, const IndexPath& path) {
    const char* identifier = DeviceInfo::currentLocaleIsOfRTLType()
                                 ? PLOpenGroupTableViewCell::kReuseIdentifierRTL
                                 : PLOpenGroupTableViewCell::kReuseIdentifier;
    auto* cell =
        static_cast<PLOpenGroupTableViewCell*>(table->dequeueReusableCell(QString::fromLatin1(identifier)));
    cell->setPublicRoom(m_openGroups.value(path.row));
    cell->setDelegate(this);
    cell->setSeparatorColor(CustomColors::chatRoomsTableViewSeparatorColor());
    return cell;
}

qreal PLOpenGroupsViewController::heightForRowAtIndexPath(TableView*, const IndexPath&) {
    return PLOpenGroupTableViewCell::cellHeight();
}

void PLOpenGroupsViewController::didSelectRowAtIndexPath(TableView* table, const IndexPath& path) {
    table->deselectRow(path, true);
    m_selectedPublicGroup = m_openGroups.value(path.row);
    if (m_selectedPublicGroup && m_selectedPublicGroup->isuserJoined())
        showAlert(QStringLiteral("You already joined this group"));
}

// ---- Joining and opening

int PLOpenGroupsViewController::indexOfGroup(const QString& groupID) const {
    for (int i = 0; i < m_openGroups.size(); ++i)
        if (m_openGroups[i] && m_openGroups[i]->roomId() == groupID)
            return i;
    return -1;
}

void PLOpenGroupsViewController::joinPublicGroup(PLOpenGroupTableViewCell* cell) {
    const auto shown = cell ? cell->publicRoom() : nullptr;
    const int row = shown ? int(m_openGroups.indexOf(shown)) : -1;
    if (row < 0 || row >= m_openGroups.size())
        return;
    const auto group = m_openGroups[row];
    m_selectedPublicGroup = group;
    QPointer<PLOpenGroupsViewController> self(this);
    const bool started = group->joinGroupWithCompletionHandler(
        [self, group](bool success, const PLOptionalError&, const QString&) {
            PLActivityIndicatorView::dismiss();
            group->setIsuserJoined(success);
            if (self)
                self->joinFinished(group, success);
        });
    if (started)
        PLActivityIndicatorView::show();
    else
        showFailureMessage();
}

void PLOpenGroupsViewController::joinFinished(const std::shared_ptr<PLPublicRoom>& group, bool success) {
    if (success)
        showAlert(group->name().isEmpty()
                      ? QStringLiteral("Now you are part of this group")
                      : RoomsTexts::localizedFormat("Now you are part of %@", {group->name()}));
    else
        showFailureMessage();
    const auto room = ChatRoom::chatRoomWithID(group->roomId());
    PLAnalyticsTrackingHelper::trackEvent(
        QStringLiteral("Open group joins"),
        {{QStringLiteral("Open Group"), orEmpty(group->name())},
         {QStringLiteral("Group id"), orEmpty(room ? room->roomId() : QString())},
         {QStringLiteral("NumbersOfMember"), room ? qint64(room->totalMembers()) : qint64(0)},
         {QStringLiteral("success"), success},
         {QStringLiteral("Number Of Messages"), room ? qint64(room->messages().size()) : qint64(0)}},
        true);
    // The list may have been fetched again since the join began: the group's row is found by its ID.
    const int row = indexOfGroup(group->roomId());
    if (row < 0)
        return;
    m_openGroups[row]->setIsuserJoined(success || m_openGroups[row]->isuserJoined());
    if (m_tableView)
        m_tableView->reloadRows({IndexPath::forRow(row)});
}

void PLOpenGroupsViewController::showAlert(const QString& message) {
    QPointer<PLOpenGroupsViewController> self(this);
    auto* alert = new AlertView(QString(), PLCurrentBundleInfo::localizedString(message), localized("OK"), {},
                                [self](AlertView*, int) {
                                    if (self)
                                        self->openSelectedPublicGroup();
                                });
    alert->show(window());
}

void PLOpenGroupsViewController::showFailureMessage() {
    auto* alert = new AlertView(QString(), localized("Failed to join Group."), localized("OK"), {});
    alert->show(window());
}

void PLOpenGroupsViewController::openSelectedPublicGroup() {
    if (!m_selectedPublicGroup)
        return;
    const auto room = ChatRoom::chatRoomWithID(m_selectedPublicGroup->roomId());
    if (!m_publicGroupsCompletionHandler)
        return;
    // A group that is not stored here has no ID to hand out.
    if (!room) {
        qCWarning(lcOpenGroups) << "public group" << m_selectedPublicGroup->roomId()
                                << "is not stored; not handed out";
        return;
    }
    m_publicGroupsCompletionHandler(
        PelnixGroup{room->displayName(), room->roomId(), room->isOneToOne() ? 1 : 0});
}

} // namespace pelnix
