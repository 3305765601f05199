#include "ui/account/PLCountryCodesViewController.h"

#include "foundation/ui/ButtonAdditions.h"
#include "foundation/ui/CustomColors.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "foundation/ui/DeviceInfo.h"
#include "foundation/ui/ViewControllerAdditions.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/Animator.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/KeyboardMonitor.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/TableView.h"
#include "ui/account/AccountUi.h"
#include "ui/account/PLCountryCodeTableViewCell.h"
#include "ui/account/PLPageView.h"
#include "ui/toolkit/PLCustomSearchTextField.h"
#include "ui/toolkit/PLCustomSearchView.h"

namespace pelnix {

using namespace platform::ui;
using AccountUi::localized;
using platform::NotificationCenter;

namespace {
bool sameCountry(const std::optional<PLCountryInfo>& a, const PLCountryInfo& b) {
    return a && a->isoCode() == b.isoCode() && a->name() == b.name();
}
} // namespace

PLCountryCodesViewController::PLCountryCodesViewController(QObject* parent) : PLBaseViewController(parent) {}

PLCountryCodesViewController::~PLCountryCodesViewController() {
    NotificationCenter::defaultCenter()->removeObservers(&m_keyboardObservers);
}

QString PLCountryCodesViewController::cellIdentifier() const {
    return DeviceInfo::currentLocaleIsOfRTLType() ? QStringLiteral("PLCountryCodeTableViewCell_RTL")
                                                  : QStringLiteral("PLCountryCodeTableViewCell");
}

QWidget* PLCountryCodesViewController::loadView() {
    auto* page = new PLPageView([this] { layout(); });
    m_searchContainer = new QWidget(page);
    m_searchContainer->setObjectName(QStringLiteral("searchContainerView"));
    m_table = new TableView(page);
    m_table->setObjectName(QStringLiteral("countryCodesTableView"));
    m_table->setDataSource(this);
    m_table->setDelegate(this);
    m_table->setRowHeight(kRowHeight);
    const QString identifier = cellIdentifier();
    m_table->registerCell(identifier, [identifier] { return new PLCountryCodeTableViewCell(identifier); });
    // An empty section footer: no separators below the last country.
    m_table->setShowsSeparators(true);
    return page;
}

void PLCountryCodesViewController::layout() {
    if (!m_table || !isViewLoaded())
        return;
    const QRect bounds = view()->rect();
    m_searchContainer->setGeometry(0, 0, bounds.width(), kSearchHeight);
    if (m_searchView)
        m_searchView->setGeometry(0, 0, bounds.width(), kSearchHeight);
    m_table->setGeometry(0, kSearchHeight, bounds.width(), bounds.height() - kSearchHeight);
}

void PLCountryCodesViewController::viewDidLoad() {
    PLBaseViewController::viewDidLoad();
    ViewControllerAdditions::applyCustomAttributesToNavigationBarTitle(this);
    navigationItem()->setTitle(localized("Select Country"));
    m_all = PLCountryInfo::countryList();
    m_shown = m_all;
    // The country in use is marked on opening, when the list knows it.
    if (m_initial) {
        for (const PLCountryInfo& country : std::as_const(m_all)) {
            if (country.isoCode() == m_initial->isoCode()) {
                m_chosen = country;
                break;
            }
        }
    }
    QPointer<PLCountryCodesViewController> self(this);
    m_cancel = new BarButtonItem(localized("Cancel"), [self] {
        if (self)
            self->performSegue(QStringLiteral("cancel"));
    });
    m_done = new BarButtonItem(localized("Done"), [self] {
        if (self)
            self->performSegue(QStringLiteral("done"));
    });
    for (BarButtonItem* item : {m_cancel.data(), m_done.data()})
        item->setTitleFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 15));
    navigationItem()->setLeftBarButtonItem(m_cancel);
    navigationItem()->setRightBarButtonItem(m_done);

    m_searchView = PLCustomSearchView::instanceWithOwner(this);
    m_searchView->setParent(m_searchContainer);
    m_searchView->setDelegate(this);
    m_searchView->setPlaceholderText(localized("Type a country name"));
    m_searchView->show();
    layout();
    m_table->reloadData();
}

void PLCountryCodesViewController::viewWillAppear(bool animated) {
    PLBaseViewController::viewWillAppear(animated);
    layout();
    const qsizetype row = currentSelectedIndex();
    if (row != kNotFound && !m_searching)
        m_table->scrollToRowAtIndexPath(IndexPath::forRow(int(row)), RowListView::ScrollPosition::Middle,
                                        true);
    auto* center = NotificationCenter::defaultCenter();
    center->removeObservers(&m_keyboardObservers);
    KeyboardMonitor::shared();
    QPointer<PLCountryCodesViewController> self(this);
    center->addObserver(
        KeyboardMonitor::kWillShow,
        [self](const platform::Notification& n) {
            if (self)
                self->setKeyboardInset(n.userInfo.value(KeyboardMonitor::kFrameEndKey).toRect().height(),
                                       n.userInfo.value(KeyboardMonitor::kDurationKey).toDouble());
        },
        &m_keyboardObservers);
    center->addObserver(
        KeyboardMonitor::kWillHide,
        [self](const platform::Notification& n) {
            if (self)
                self->setKeyboardInset(0, n.userInfo.value(KeyboardMonitor::kDurationKey).toDouble());
        },
        &m_keyboardObservers);
}

void PLCountryCodesViewController::viewWillDisappear(bool animated) {
    NotificationCenter::defaultCenter()->removeObservers(&m_keyboardObservers);
    PLBaseViewController::viewWillDisappear(animated);
}

void PLCountryCodesViewController::setKeyboardInset(int bottom, double durationSeconds) {
    QPointer<TableView> table = m_table;
    Animator::animate(int(durationSeconds * 1000), [table, bottom] {
        if (!table)
            return;
        QMargins inset = table->contentInset();
        inset.setBottom(bottom);
        table->setContentInset(inset);
    });
}

std::optional<PLCountryInfo> PLCountryCodesViewController::selectedCountry() const {
    if (m_cancelled)
        return std::nullopt;
    return m_chosen;
}

qsizetype PLCountryCodesViewController::currentSelectedIndex() const {
    if (!m_chosen)
        return kNotFound;
    for (qsizetype i = 0; i < m_shown.size(); ++i)
        if (sameCountry(m_chosen, m_shown[i]))
            return i;
    return kNotFound;
}

bool PLCountryCodesViewController::shouldPerformSegue(const QString& identifier, QObject*) {
    m_cancelled = identifier == QLatin1String("cancel");
    return true;
}

int PLCountryCodesViewController::numberOfRowsInSection(TableView*, int) {
    return int(m_shown.size());
}

TableViewCell* PLCountryCodesViewController::cellForRowAtIndexPath(TableView* table, const IndexPath& path) {
    auto* cell = qobject_cast<PLCountryCodeTableViewCell*>(table->dequeueReusableCell(cellIdentifier()));
    if (!cell)
        cell = new PLCountryCodeTableViewCell(cellIdentifier());
    if (path.row >= 0 && path.row < m_shown.size())
        cell->setCountryInfo(m_shown.at(path.row));
    cell->setSeparatorColor(CustomColors::chatRoomsTableViewSeparatorColor());
    return cell;
}

qreal PLCountryCodesViewController::heightForRowAtIndexPath(TableView*, const IndexPath&) {
    return kRowHeight;
}

void PLCountryCodesViewController::willDisplayCell(TableView*, TableViewCell* cell, const IndexPath& path) {
    if (auto* row = qobject_cast<PLCountryCodeTableViewCell*>(cell))
        row->setCountrySelected(path.row < m_shown.size() && sameCountry(m_chosen, m_shown.at(path.row)));
}

void PLCountryCodesViewController::didSelectRowAtIndexPath(TableView* table, const IndexPath& path) {
    table->deselectRow(path, true);
    if (path.row < 0 || path.row >= m_shown.size())
        return;
    const PLCountryInfo country = m_shown.at(path.row);
    if (!sameCountry(m_chosen, country)) {
        m_chosen = country;
        table->reloadData();
    }
    if (m_searching) {
        // A pick from a search result is the answer: the picker closes on its own.
        QPointer<PLCountryCodesViewController> self(this);
        Scheduler::shared()->performAfter(this, kAutoDoneMs, [self] {
            if (self)
                self->performSegue(QStringLiteral("done"));
        });
    }
}

void PLCountryCodesViewController::searchTextFieldDidChange(PLCustomSearchTextField* textField) {
    m_searching = true;
    const QString text = textField ? textField->text() : QString();
    if (text.isEmpty()) {
        m_shown = m_all;
    } else {
        m_shown.clear();
        for (const PLCountryInfo& country : std::as_const(m_all))
            if (country.name().startsWith(text, Qt::CaseInsensitive))
                m_shown << country;
    }
    m_table->reloadData();
    // A result starts at its top, wherever the whole list was scrolled.
    m_table->scrollToTop(false);
}

void PLCountryCodesViewController::searchViewCancelledSearch() {
    m_searching = false;
    m_shown = m_all;
    m_searchView->clearText();
    m_searchView->makeTextFieldResignResponder();
    m_table->reloadData();
}

} // namespace pelnix
