#include "ui/rooms/PLNewGroupMembersViewController.h"

#include "core/model/PLAddressBookContact.h"
#include "core/model/PLAddressBookHelper.h"
#include "core/model/User.h"
#include "foundation/ui/ButtonAdditions.h"
#include "foundation/ui/CustomColors.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "foundation/ui/ViewControllerAdditions.h"
#include "interface/PLPelnixContact.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/TableView.h"
#include "ui/contacts/PLContactsTableViewCell.h"
#include "ui/rooms/RoomsBottomBar.h"
#include "ui/rooms/RoomsTexts.h"
#include "ui/toolkit/PLCustomSeparatorView.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcNewGroupMembers, "pelnix.ui.rooms.newgroupmembers", QtWarningMsg)

namespace pelnix {

using namespace platform::ui;
using RoomsTexts::localized;

namespace {
const QString kCellIdentifier = QStringLiteral("PLContactsCell");

// The detail line a member's row shows.
QString detailOf(const QVariant& member) {
    const QMetaType type = member.metaType();
    if (type == QMetaType::fromType<PLAddressBookContact>()) {
        const auto contact = member.value<PLAddressBookContact>();
        return contact.phone.isEmpty() ? contact.email : contact.phone;
    }
    if (type == QMetaType::fromType<std::shared_ptr<User>>()) {
        const auto user = member.value<std::shared_ptr<User>>();
        return user ? user->email() : QString();
    }
    if (type == QMetaType::fromType<PLPelnixContact>()) {
        const auto contact = member.value<PLPelnixContact>();
        return contact.email.isEmpty() ? contact.phone : contact.email;
    }
    return {};
}
} // namespace

PLNewGroupMembersViewController::PLNewGroupMembersViewController(QObject* parent)
    : PLBaseViewController(parent) {}

PLNewGroupMembersViewController::~PLNewGroupMembersViewController() = default;

void PLNewGroupMembersViewController::setSharedMembers(NewGroupMemberList members) {
    m_members = members ? std::move(members) : std::make_shared<QVariantList>();
    if (m_contactsTableView)
        m_contactsTableView->reloadData();
}

void PLNewGroupMembersViewController::setSelectedContactsArray(const QVariantList& contacts) {
    setSharedMembers(std::make_shared<QVariantList>(contacts));
}

QWidget* PLNewGroupMembersViewController::loadView() {
    auto* page = new QWidget;
    page->setAutoFillBackground(true);
    m_contactsTableView = new TableView(page);
    m_contactsTableView->setObjectName(QStringLiteral("contactsTableView"));
    const RoomsBottomBar::Bar bar =
        RoomsBottomBar::make(page, QStringLiteral("moreMembersButton"), localized("Add more members"));
    m_bottomView = bar.view;
    m_moreMembersButton = bar.button;
    connect(m_moreMembersButton, &Button::clicked, this, &PLNewGroupMembersViewController::addMoreMembers);
    page->installEventFilter(this);
    return page;
}

bool PLNewGroupMembersViewController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view() && event->type() == QEvent::Resize)
        layoutPage();
    return PLBaseViewController::eventFilter(watched, event);
}

void PLNewGroupMembersViewController::layoutPage() {
    const QRect page = view()->rect();
    const int bar = m_shouldShowAddMoreMembersOption ? kBottomViewHeight : 0;
    // The list ends above the add-more bar.
    m_contactsTableView->setGeometry(0, 0, page.width(), page.height() - bar);
    m_bottomView->setGeometry(0, page.height() - kBottomViewHeight, page.width(), kBottomViewHeight);
    m_moreMembersButton->setGeometry(m_bottomView->rect());
}

void PLNewGroupMembersViewController::viewDidLoad() {
    PLBaseViewController::viewDidLoad();
    m_contactsTableView->registerCell(kCellIdentifier,
                                      [] { return new PLContactsTableViewCell(kCellIdentifier); });
    m_contactsTableView->setDataSource(this);
    m_contactsTableView->setDelegate(this);
    ViewControllerAdditions::applyCustomAttributesToNavigationBarTitle(this);
    const QFont barFont = CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 15);
    m_moreMembersButton->setTitleFont(barFont);
    QPointer<PLNewGroupMembersViewController> self(this);
    auto* done = new BarButtonItem(
        BarButtonItem::SystemItem::Done,
        [self] {
            if (self)
                self->doneButtonClicked();
        },
        this);
    done->setObjectName(QStringLiteral("doneBarButton"));
    ButtonAdditions::setDejavuTitleFont(done);
    navigationItem()->setRightBarButtonItem(done);
    if (m_shouldShowAddMoreMembersOption) {
        navigationItem()->setLeftBarButtonItems({});
        setTitle(localized("Group Members"));
    } else {
        auto* cancel = new BarButtonItem(
            BarButtonItem::SystemItem::Cancel,
            [self] {
                if (self)
                    self->cancelButtonClicked();
            },
            this);
        cancel->setObjectName(QStringLiteral("cancelBarButton"));
        ButtonAdditions::setDejavuTitleFont(cancel);
        navigationItem()->setLeftBarButtonItem(cancel);
        m_bottomView->hide();
        setTitle(localized("Members list"));
    }
    layoutPage();
}

int PLNewGroupMembersViewController::numberOfRowsInSection(TableView*, int) {
    return int(m_members->size());
}

TableViewCell* PLNewGroupMembersViewController::cellForRowAtIndexPath(TableView* table,
                                                                      const IndexPath& path) {
    auto* cell = static_cast<PLContactsTableViewCell*>(table->dequeueReusableCell(kCellIdentifier));
    cell->setDelegate(this);
    cell->setRemoveButtonVisible(true);
    // The table's line, in the rooms' separator colour, lies over the cell's own.
    cell->setSeparatorColor(CustomColors::chatRoomsTableViewSeparatorColor());
    cell->separatorView()->hide();
    // Reading the book for a photo would hold up the main thread for every row.
    cell->setThumbnailSource([this](qint32 recordID) {
        const auto found = m_bookThumbnails.constFind(recordID);
        if (found != m_bookThumbnails.constEnd())
            return *found;
        askForBookThumbnail(recordID);
        return QImage();
    });
    const QVariant member = m_members->value(path.row);
    const QMetaType type = member.metaType();
    if (type == QMetaType::fromType<std::shared_ptr<User>>())
        cell->configureCellWithUser(member.value<std::shared_ptr<User>>());
    else if (type == QMetaType::fromType<PLAddressBookContact>())
        cell->configureCellWithAddressBookContact(member.value<PLAddressBookContact>());
    else if (type == QMetaType::fromType<PLPelnixContact>())
        cell->configureCellWithAddressBookContact(member.value<PLPelnixContact>());
    return cell;
}

void PLNewGroupMembersViewController::askForBookThumbnail(qint32 recordID) {
    if (m_bookThumbnailsAsked.contains(recordID) || m_bookThumbnailsToAsk.contains(recordID))
        return;
    if (m_bookThumbnailsToAsk.isEmpty())
        QMetaObject::invokeMethod(this, &PLNewGroupMembersViewController::readAskedBookThumbnails,
                                  Qt::QueuedConnection);
    m_bookThumbnailsToAsk.insert(recordID);
}

void PLNewGroupMembersViewController::readAskedBookThumbnails() {
    const QSet<qint32> asked = std::exchange(m_bookThumbnailsToAsk, {});
    m_bookThumbnailsAsked.unite(asked);
    PLAddressBookHelper::readThumbnailsOf(asked, this, [this](const QHash<qint32, QImage>& thumbnails) {
        m_bookThumbnails.insert(thumbnails);
        if (m_contactsTableView)
            m_contactsTableView->reloadData();
    });
}

qreal PLNewGroupMembersViewController::heightForMember(const QVariant& member, int width) const {
    const QString detail = detailOf(member);
    if (detail.isEmpty())
        return kCellHeight;
    const QFontMetrics metrics(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 12));
    const int height = metrics
                           .boundingRect(QRect(0, 0, qMax(1, width - 112), 10000),
                                         Qt::TextWordWrap | Qt::TextWrapAnywhere, detail)
                           .height();
    return height > 20 ? kTallCellHeight : kCellHeight;
}

qreal PLNewGroupMembersViewController::heightForRowAtIndexPath(TableView*, const IndexPath& path) {
    return heightForMember(m_members->value(path.row), isViewLoaded() ? view()->width() : 320);
}

void PLNewGroupMembersViewController::removeMemberFromContactCell(PLContactsTableViewCell* cell) {
    const auto path = m_contactsTableView ? m_contactsTableView->indexPathForCell(cell) : std::nullopt;
    if (!path || path->row < 0 || path->row >= m_members->size())
        return;
    m_members->removeAt(path->row);
    m_contactsTableView->reloadData();
}

void PLNewGroupMembersViewController::addMoreMembers() {
    ViewController* picker = ScreenRegistry::shared()->instantiate(
        QStringLiteral("Home"), QStringLiteral("PLContactsNavigationController"));
    if (!picker) {
        qCInfo(lcNewGroupMembers) << "the contact picker is not available";
        return;
    }
    ViewController* top = picker;
    if (auto* navigation = qobject_cast<NavigationController*>(picker);
        navigation && navigation->topViewController())
        top = navigation->topViewController();
    QMetaObject::invokeMethod(top, "configureWithAddedContacts", Q_ARG(QVariantList, *m_members),
                              Q_ARG(QObject*, this), Q_ARG(bool, true));
    presentViewController(picker, true);
}

void PLNewGroupMembersViewController::contactViewControllerAddedContacts(QObject*,
                                                                         const QVariantList& contacts) {
    m_members->append(contacts);
    if (m_contactsTableView)
        m_contactsTableView->reloadData();
}

void PLNewGroupMembersViewController::doneButtonClicked() {
    if (m_handler)
        m_handler(*m_members);
    ViewController* presented =
        navigationController() ? static_cast<ViewController*>(navigationController()) : this;
    presented->dismissViewController(true);
}

void PLNewGroupMembersViewController::cancelButtonClicked() {
    ViewController* presented =
        navigationController() ? static_cast<ViewController*>(navigationController()) : this;
    presented->dismissViewController(true);
}

} // namespace pelnix
