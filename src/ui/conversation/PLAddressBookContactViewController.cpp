#include "ui/conversation/PLAddressBookContactViewController.h"
#include "platform/ui/WindowFocus.h"

#include "core/model/PLAddressBookHelper.h"
#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/ui/CustomColors.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "foundation/ui/ImageAdditions.h"
#include "foundation/ui/ViewControllerAdditions.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Animator.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/IndexedCollation.h"
#include "platform/ui/KeyboardMonitor.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/StoryboardSegue.h"
#include "platform/ui/TableView.h"
#include "ui/conversation/PLAddressBookContactCell.h"
#include "ui/conversation/PLContactDetailViewController.h"
#include "ui/toolkit/Geometry.h"
#include "ui/toolkit/PLActivityIndicatorView.h"
#include "ui/toolkit/PLCustomSearchView.h"

#include "ui/conversation/SmartScreenSupport.h"

#include <QGridLayout>
#include <QPainter>

namespace pelnix {

using SmartScreenSupport::text;
using SmartScreenSupport::topOf;

using platform::ui::IndexPath;
using platform::ui::TableView;

namespace {

struct ContactSections {
    QList<QList<PLAddressBookContact>> sections;
    QStringList titles;
};

// The non-empty sections of the contacts in the locale's alphabet. Any thread.
ContactSections sectionsOf(const QList<PLAddressBookContact>& contacts) {
    const platform::ui::IndexedCollation collation;
    const auto all = collation.sections<PLAddressBookContact>(
        contacts, [](const PLAddressBookContact& contact) { return contact.profileName; });
    const QStringList titles = collation.sectionTitles();
    ContactSections arranged;
    for (int i = 0; i < all.size(); ++i) {
        if (all[i].isEmpty())
            continue;
        arranged.sections << all[i];
        arranged.titles << titles.value(i);
    }
    return arranged;
}

// A section title in the product's blue on white, over a line from 15 points in to the trailing edge.
class ContactSectionHeader : public QWidget {
public:
    explicit ContactSectionHeader(const QString& title) : m_title(title) {
        setObjectName(QStringLiteral("contactSectionHeader"));
        setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans-Bold"), 12));
    }
    QString title() const { return m_title; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        // The title at the leading side of the header's own direction, not the program's.
        painter.setLayoutDirection(layoutDirection());
        painter.setPen(QColor(0, 134, 202));
        painter.drawText(rect().adjusted(15, 0, -15, -1), Qt::AlignLeft | Qt::AlignVCenter, m_title);
        painter.fillRect(Geometry::inReadingOrder(this, QRect(15, height() - 1, width() - 15, 1)),
                         CustomColors::customSeparatorColor());
    }

private:
    QString m_title;
};

} // namespace

PLAddressBookContactViewController::PLAddressBookContactViewController(QObject* parent)
    : PLBaseViewController(parent) {}

PLAddressBookContactViewController::~PLAddressBookContactViewController() {
    // Its read will land with nobody to show it to.
    if (m_showsReadIndicator)
        PLActivityIndicatorView::dismiss();
    for (auto token : std::as_const(m_keyboardObservers))
        platform::NotificationCenter::defaultCenter()->removeObserver(token);
    delete m_searchView;
}

QWidget* PLAddressBookContactViewController::loadView() {
    auto* root = new QWidget;
    root->setObjectName(QStringLiteral("addressBookContactView"));
    m_contactsTableView = new TableView(root);
    m_contactsTableView->setObjectName(QStringLiteral("contactsTableView"));
    m_contactsTableView->setShowsSeparators(false);
    m_contactsTableView->setRowHeight(PLAddressBookContactCell::kHeight);
    m_contactsTableView->registerCell(PLAddressBookContactCell::kIdentifier,
                                      [] { return new PLAddressBookContactCell; });
    auto* layout = new QGridLayout(root);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_contactsTableView, 0, 0);
    return root;
}

void PLAddressBookContactViewController::viewDidLoad() {
    ViewControllerAdditions::applyCustomAttributesToNavigationBarTitle(this);
    m_cancelBarButtonItem = new platform::ui::BarButtonItem(text("Cancel"), [this] { dismissController(); });
    m_cancelBarButtonItem->setObjectName(QStringLiteral("cancelbarButtonItem"));
    m_cancelBarButtonItem->setTitleFont(
        CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 15));
    navigationItem()->setLeftBarButtonItem(m_cancelBarButtonItem);
    setTitle(text("All Contacts"));
    auto* search = new platform::ui::BarButtonItem(
        QIcon(QPixmap::fromImage(ImageAdditions::loadImageNamed(QStringLiteral("searchChatRoom")))),
        [this] { showSearchBar(); });
    search->setObjectName(QStringLiteral("searchBarButtonItem"));
    navigationItem()->setRightBarButtonItem(search);
    m_searchView = PLCustomSearchView::instanceWithOwner(nullptr);
    m_searchView->setDelegate(this);
    m_searchView->setPlaceholderText(text("Search by name"));
    m_searchView->hide();
    m_contactsTableView->setDataSource(this);
    m_contactsTableView->setDelegate(this);
    fetchContacts();
}

void PLAddressBookContactViewController::viewWillAppear(bool animated) {
    PLBaseViewController::viewWillAppear(animated);
    m_isFiltered = false;
    m_contactsTableView->reloadData();
    auto* center = platform::NotificationCenter::defaultCenter();
    if (m_keyboardObservers.isEmpty()) {
        m_keyboardObservers << center->addObserver(
            platform::ui::KeyboardMonitor::kWillShow,
            [this](const platform::Notification& note) { keyboardChanged(note, true); }, this);
        m_keyboardObservers << center->addObserver(
            platform::ui::KeyboardMonitor::kWillHide,
            [this](const platform::Notification& note) { keyboardChanged(note, false); }, this);
    }
}

void PLAddressBookContactViewController::viewWillDisappear(bool animated) {
    PLBaseViewController::viewWillDisappear(animated);
    if (m_searchView && m_searchView->parentWidget() && m_searchView->geometry().bottom() + 1 != 0) {
        m_searchView->clearText();
        m_searchView->makeTextFieldResignResponder();
        slideSearchBarAway();
    }
}

void PLAddressBookContactViewController::viewDidDisappear(bool animated) {
    PLBaseViewController::viewDidDisappear(animated);
    for (auto token : std::exchange(m_keyboardObservers, {}))
        platform::NotificationCenter::defaultCenter()->removeObserver(token);
}

void PLAddressBookContactViewController::dismissController() {
    dismissViewController(true);
}

void PLAddressBookContactViewController::fetchContacts() {
    QPointer<PLAddressBookContactViewController> self(this);
    m_readingAddressBook = true;
    PLAddressBookHelper::sharedInstance()->hasAddressBookAccess([self](bool granted) {
        if (!self)
            return;
        auto alert = [self](const QString& title, const QString& message) {
            auto* shown = new platform::ui::AlertView(title, message, text("OK"), {});
            shown->show(self->window());
        };
        if (!granted) {
            alert(
                text("Access Denied"),
                text("Couldn't sync Address Book. \nThis app does not have access to your contacts. You can "
                     "enable access in Privacy Settings."));
            PLActivityIndicatorView::dismiss();
            self->m_readingAddressBook = false;
            return;
        }
        PLActivityIndicatorView::show();
        self->m_showsReadIndicator = true;
        // A big book takes seconds to read and sort: both happen on the reading thread.
        PLAddressBookHelper::readAllAddressBookContacts(
            self, [self, alert](const QList<PLAddressBookContact>& contacts) -> std::function<void()> {
                const ContactSections arranged = sectionsOf(contacts);
                return [self, alert, contacts, arranged] {
                    self->m_readingAddressBook = false;
                    self->m_showsReadIndicator = false;
                    self->m_addressBookContacts = contacts;
                    self->m_sections = arranged.sections;
                    self->m_sectionTitles = arranged.titles;
                    self->m_contactsTableView->reloadData();
                    if (contacts.isEmpty())
                        alert(text("Alert"), text("No contacts available."));
                    PLActivityIndicatorView::dismiss();
                };
            });
    });
}

void PLAddressBookContactViewController::arrangeAddressBookContactsIntoSections() {
    const ContactSections arranged = sectionsOf(m_addressBookContacts);
    m_sections = arranged.sections;
    m_sectionTitles = arranged.titles;
}

QList<PLAddressBookContact>
PLAddressBookContactViewController::filteredContactsArray(const QString& typed) const {
    QList<PLAddressBookContact> matches;
    for (const PLAddressBookContact& contact : m_addressBookContacts)
        if (contact.profileName.startsWith(typed, Qt::CaseInsensitive))
            matches << contact;
    return matches;
}

PLAddressBookContact PLAddressBookContactViewController::contactForIndexPath(const IndexPath& path) const {
    if (m_isFiltered)
        return m_filteredContactsArray.value(path.row);
    return m_sections.value(path.section).value(path.row);
}

int PLAddressBookContactViewController::numberOfSectionsInTableView(TableView*) {
    return m_isFiltered ? 1 : int(m_sections.size());
}

int PLAddressBookContactViewController::numberOfRowsInSection(TableView*, int section) {
    return m_isFiltered ? int(m_filteredContactsArray.size()) : int(m_sections.value(section).size());
}

platform::ui::TableViewCell*
PLAddressBookContactViewController::cellForRowAtIndexPath(TableView* table, const IndexPath& path) {
    auto* cell = static_cast<PLAddressBookContactCell*>(
        table->dequeueReusableCell(PLAddressBookContactCell::kIdentifier));
    cell->configureWithName(contactForIndexPath(path).profileName);
    return cell;
}

QString PLAddressBookContactViewController::titleForHeaderInSection(TableView*, int section) {
    return m_isFiltered ? QString() : m_sectionTitles.value(section);
}

QStringList PLAddressBookContactViewController::sectionIndexTitlesForTableView(TableView*) {
    if (m_isFiltered || m_addressBookContacts.size() < kIndexThreshold)
        return {};
    return m_sectionTitles;
}

int PLAddressBookContactViewController::sectionForSectionIndexTitle(TableView*, const QString& title, int) {
    return int(m_sectionTitles.indexOf(title));
}

qreal PLAddressBookContactViewController::heightForHeaderInSection(TableView*, int) {
    return m_isFiltered ? 0 : kHeaderHeight;
}

QWidget* PLAddressBookContactViewController::viewForHeaderInSection(TableView*, int section) {
    if (m_isFiltered)
        return nullptr;
    return new ContactSectionHeader(m_sectionTitles.value(section));
}

void PLAddressBookContactViewController::didSelectRowAtIndexPath(TableView* table, const IndexPath& path) {
    table->deselectRow(path, true);
    m_selected = path;
    performSegue(kDetailSegue, this);
}

void PLAddressBookContactViewController::prepareForSegue(platform::ui::StoryboardSegue& segue,
                                                         QObject* sender) {
    PLBaseViewController::prepareForSegue(segue, sender);
    auto* detail = qobject_cast<PLContactDetailViewController*>(segue.destinationViewController());
    if (segue.identifier() != kDetailSegue || !detail || !m_selected)
        return;
    detail->configureWithContactRecordID(contactForIndexPath(*m_selected).recordID, m_shareContactDelegate);
}

QRect PLAddressBookContactViewController::searchBarFrame(bool shown) const {
    platform::ui::NavigationController* navigation = navigationController();
    const QRect bar = navigation ? navigation->navigationBar()->geometry() : QRect(0, 0, 320, 44);
    return shown ? bar : bar.translated(0, -(bar.bottom() + 1));
}

void PLAddressBookContactViewController::showSearchBar() {
    platform::ui::NavigationController* navigation = navigationController();
    if (!navigation || !m_searchView)
        return;
    m_searchView->setParent(navigation->view());
    m_searchView->setGeometry(searchBarFrame(false));
    m_searchView->show();
    m_searchView->raise();
    platform::ui::Animator::animateProperty(m_searchView, "geometry", searchBarFrame(true),
                                            kSearchBarSlideMs);
    m_searchView->makeTextFieldFirstResponder();
}

void PLAddressBookContactViewController::slideSearchBarAway() {
    QPointer<PLCustomSearchView> bar(m_searchView);
    platform::ui::Animator::animateProperty(m_searchView, "geometry", searchBarFrame(false),
                                            kSearchBarSlideMs, platform::ui::Animator::Curve::EaseInOut,
                                            [bar](bool finished) {
                                                if (bar && finished) {
                                                    bar->hide();
                                                    platform::ui::WindowFocus::takeOutOfWindow(bar);
                                                }
                                            });
}

void PLAddressBookContactViewController::hideSearchBar() {
    if (!m_searchView)
        return;
    m_searchView->clearText();
    m_searchView->makeTextFieldResignResponder();
    slideSearchBarAway();
    m_isFiltered = false;
    m_contactsTableView->reloadData();
}

void PLAddressBookContactViewController::searchTextFieldDidChange(PLCustomSearchTextField*) {
    const QString typed = m_searchView ? m_searchView->textFieldText() : QString();
    m_isFiltered = !typed.isEmpty();
    m_filteredContactsArray = m_isFiltered ? filteredContactsArray(typed) : QList<PLAddressBookContact>{};
    m_contactsTableView->reloadData();
}

void PLAddressBookContactViewController::searchViewCancelledSearch() {
    hideSearchBar();
}

void PLAddressBookContactViewController::keyboardChanged(const platform::Notification& note, bool showing) {
    const int bottom =
        showing ? note.userInfo.value(platform::ui::KeyboardMonitor::kFrameEndKey).toRect().height() : 0;
    m_contactsTableView->setContentInset(QMargins(0, 0, 0, bottom));
}

} // namespace pelnix
