#include "ui/account/PLSettingsTableViewController.h"

#include "core/session/PelnixInfo.h"
#include "foundation/PLReachabilityResponder.h"
#include "foundation/ui/ButtonAdditions.h"
#include "foundation/ui/DeviceInfo.h"
#include "foundation/ui/ViewControllerAdditions.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/TableView.h"
#include "smart/FormJSONManagement.h"
#include "smart/PLChatletCategoryItems.h"
#include "smart/StyleSheetXSLTManagement.h"
#include "ui/account/AccountAnalytics.h"
#include "ui/account/AccountUi.h"
#include "ui/account/PLAppLockAccount.h"
#include "ui/account/PLHostBarButtonItems.h"
#include "ui/toolkit/PLActivityIndicatorView.h"

#include <QEvent>
#include <QLabel>

namespace pelnix {

using namespace platform::ui;
using AccountUi::localized;

namespace {
QString identifierFor(const char* base) {
    const QString identifier = QString::fromLatin1(base);
    return DeviceInfo::currentLocaleIsOfRTLType() ? identifier + QStringLiteral("_RTL") : identifier;
}

bool appLockFeatureEnabled() {
    const auto info = PelnixInfo::sharedInstance();
    return info && info->appLockFeatureEnabled();
}

void colour(QLabel* label, const char* hex) {
    label->setForegroundRole(QPalette::WindowText);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, AccountUi::hexColor(hex));
    label->setPalette(palette);
}

// The leading edge of `direction`. A label aligns its text by the text's own direction unless told
// an absolute side: English in a mirrored row would stay at the left.
Qt::Alignment leadingEdge(Qt::LayoutDirection direction) {
    return Qt::AlignAbsolute | (direction == Qt::RightToLeft ? Qt::AlignRight : Qt::AlignLeft);
}

// The section's header: its title at the leading edge, following the direction as it changes, as
// the rows do.
class SectionHeader : public QLabel {
public:
    explicit SectionHeader(const QString& title) : QLabel(title) { alignTitle(); }

protected:
    void changeEvent(QEvent* event) override {
        QLabel::changeEvent(event);
        if (event->type() == QEvent::LayoutDirectionChange)
            alignTitle();
    }

private:
    void alignTitle() { setAlignment(Qt::AlignVCenter | leadingEdge(layoutDirection())); }
};

// The "Download latest" row.
class DownloadLatestCell : public TableViewCell {
public:
    explicit DownloadLatestCell(const QString& identifier) : TableViewCell(Style::Subtitle, identifier) {
        textLabel()->setText(localized("Download latest"));
        textLabel()->setFont(AccountUi::font("DejaVuSans", 15));
        colour(textLabel(), "404040");
        detailTextLabel()->setText(localized("New chatlets, stylesheets and forms"));
        detailTextLabel()->setFont(AccountUi::font("DejaVuSans", 12));
        colour(detailTextLabel(), "999999");
        setAccessoryType(Accessory::DisclosureIndicator);
        alignTexts();
    }

protected:
    void changeEvent(QEvent* event) override {
        TableViewCell::changeEvent(event);
        if (event->type() == QEvent::LayoutDirectionChange)
            alignTexts();
    }

private:
    void alignTexts() {
        textLabel()->setAlignment(Qt::AlignVCenter | leadingEdge(layoutDirection()));
        detailTextLabel()->setAlignment(Qt::AlignVCenter | leadingEdge(layoutDirection()));
    }
};
} // namespace

PLSettingsTableViewController::PLSettingsTableViewController(QObject* parent)
    : PLBaseTableTableViewController(parent) {}

void PLSettingsTableViewController::viewDidLoad() {
    PLBaseTableTableViewController::viewDidLoad();
    TableView* table = tableView();
    table->setDataSource(this);
    table->setDelegate(this);
    table->setRowHeight(kRowHeight);
    QPalette palette = table->palette();
    palette.setColor(QPalette::Window, QColor(0xEF, 0xEF, 0xF4));
    table->setPalette(palette);
    table->setAutoFillBackground(true);
    configuteNavigationBar();
}

void PLSettingsTableViewController::viewWillAppear(bool animated) {
    PLBaseTableTableViewController::viewWillAppear(animated);
    tableView()->reloadData();
}

void PLSettingsTableViewController::viewWillDisappear(bool animated) {
    ViewControllerAdditions::resetNavigationBarTitleCustomAttributesIfRequired(this);
    PLBaseTableTableViewController::viewWillDisappear(animated);
}

void PLSettingsTableViewController::configuteNavigationBar() {
    const QString title = localized("Settings");
    ViewController* owner = AccountUi::navigationItemOwner(this);
    owner->navigationItem()->setTitle(title);
    owner->setTitle(title);
    addLeftBarButtonItems();
    ViewControllerAdditions::applyCustomAttributesToNavigationBarTitle(this);
    ViewControllerAdditions::addToggleSideDrawerLeftBarButton(this);
}

void PLSettingsTableViewController::addLeftBarButtonItems() {
    ViewController* owner = AccountUi::navigationItemOwner(this);
    const NavigationController* nav = owner->navigationController();
    if (!nav || nav->viewControllers().size() != 1)
        return;
    if (PLHostBarButtonItems::hasItems()) {
        owner->navigationItem()->setLeftBarButtonItems(PLHostBarButtonItems::makeItems());
        return;
    }
    const auto info = PelnixInfo::sharedInstance();
    if (info && info->shouldHideCancelButton())
        return;
    QPointer<PLSettingsTableViewController> self(this);
    auto* cancel = new BarButtonItem(localized("Cancel"), [self] {
        if (self)
            self->dismissSettingsView();
    });
    ButtonAdditions::setDejavuTitleFont(cancel);
    owner->navigationItem()->setLeftBarButtonItem(cancel);
}

void PLSettingsTableViewController::dismissSettingsView() {
    dismissViewController(true);
}

int PLSettingsTableViewController::numberOfRowsInSection(TableView*, int) {
    return appLockFeatureEnabled() ? 2 : 1;
}

TableViewCell* PLSettingsTableViewController::cellForRowAtIndexPath(TableView* table, const IndexPath& path) {
    if (path.row == 0) {
        const QString identifier = identifierFor("PLSettingsCellIdentifier");
        TableViewCell* cell = table->dequeueReusableCell(identifier);
        return cell ? cell : new DownloadLatestCell(identifier);
    }
    const QString identifier = identifierFor("PLAppLockSettingCellIdentifier");
    auto* cell = qobject_cast<PLAppLockSettingCell*>(table->dequeueReusableCell(identifier));
    if (!cell)
        cell = new PLAppLockSettingCell(identifier);
    cell->setAppLockCellDelegate(this);
    const auto account = PLAppLockAccount::current();
    cell->changeViewForAppLockState(account->appLockState(), account->showsAppLockScreen());
    cell->setSelectionStyle(TableViewCell::SelectionStyle::None);
    return cell;
}

QString PLSettingsTableViewController::titleForHeaderInSection(TableView*, int) {
    return localized("GENERAL");
}

qreal PLSettingsTableViewController::heightForRowAtIndexPath(TableView*, const IndexPath&) {
    return kRowHeight;
}

qreal PLSettingsTableViewController::heightForHeaderInSection(TableView*, int) {
    return kHeaderHeight;
}

QWidget* PLSettingsTableViewController::viewForHeaderInSection(TableView* table, int section) {
    auto* header = new SectionHeader(titleForHeaderInSection(table, section));
    header->setObjectName(QStringLiteral("settingsHeader"));
    header->setTextFormat(Qt::PlainText);
    header->setAutoFillBackground(true);
    // Its own roles: inside a list it would take the list's (base) ones.
    header->setBackgroundRole(QPalette::Window);
    header->setForegroundRole(QPalette::WindowText);
    QPalette palette = header->palette();
    palette.setColor(QPalette::Window, QColor(232, 244, 250));
    palette.setColor(QPalette::WindowText, QColor(0, 134, 202));
    header->setPalette(palette);
    header->setFont(AccountUi::font("DejaVuSans", 12));
    header->setContentsMargins(15, 0, 15, 0);
    return header;
}

void PLSettingsTableViewController::willDisplayCell(TableView*, TableViewCell* cell, const IndexPath&) {
    ButtonAdditions::setCustomHighlightColor(cell);
}

void PLSettingsTableViewController::didSelectRowAtIndexPath(TableView* table, const IndexPath& path) {
    table->deselectRow(path, true);
    if (path.section == 0 && path.row == 0) {
        downloadChatlets();
        AccountAnalytics::trackEvent(QStringLiteral("Settings- Download latest"));
    }
}

void PLSettingsTableViewController::downloadChatlets() {
    m_countBefore = PLChatletCategoryItems::totalChatletsCount();
    if (!PLReachabilityResponder::sharedInstance()->isNetworkReachable(true))
        return;
    PLActivityIndicatorView::show();
    QPointer<PLSettingsTableViewController> self(this);
    PLChatletCategoryItems::updateChaletsWithCompletionHandler([self](bool success) {
        if (!self) {
            PLActivityIndicatorView::dismiss();
            return;
        }
        if (success)
            self->downloadStyleSheets();
        else
            self->downloadFailed();
    });
}

void PLSettingsTableViewController::downloadStyleSheets() {
    QPointer<PLSettingsTableViewController> self(this);
    const bool started = StyleSheetXSLTManagement::getStyleSheetsWithCompletionHandler(
        [self](bool success, const PLOptionalError&, const QString&) {
            if (!self) {
                PLActivityIndicatorView::dismiss();
                return;
            }
            if (success)
                self->downloadFormJSONs();
            else
                self->downloadFailed();
        });
    // A request that never left has no completion to take the overlay down.
    if (!started)
        downloadFailed();
}

void PLSettingsTableViewController::downloadFormJSONs() {
    QPointer<PLSettingsTableViewController> self(this);
    const bool started = FormJSONManagement::getFormJSONsWithCompletionHandler(
        [self](bool success, const PLOptionalError&, const QString&) {
            PLActivityIndicatorView::dismiss();
            if (!self)
                return;
            if (success)
                self->reportNewChatlets();
            else
                self->showFailureMessage();
        });
    if (!started)
        downloadFailed();
}

void PLSettingsTableViewController::downloadFailed() {
    PLActivityIndicatorView::dismiss();
    showFailureMessage();
}

void PLSettingsTableViewController::reportNewChatlets() {
    const qint64 now = PLChatletCategoryItems::totalChatletsCount();
    if (now <= m_countBefore) {
        AccountUi::showOkAlert(this, QString(), localized("No new chatlets available"));
        return;
    }
    AccountUi::showOkAlert(
        this, localized("Success"),
        AccountUi::localizedFormat("%d new chatlets downloaded", {QString::number(now - m_countBefore)}));
}

void PLSettingsTableViewController::showFailureMessage() {
    AccountUi::showOkAlert(this, localized("Failed"), localized("Please try again."));
}

void PLSettingsTableViewController::appLockSettingCell(PLAppLockSettingCell* cell, bool enable) {
    const qint64 state = enable ? 1 : 0;
    const auto account = PLAppLockAccount::current();
    if (cell)
        cell->changeViewForAppLockState(state, account->showsAppLockScreen());
    if (showAppLockScreenForType(state, true))
        return;
    // No lock screen could go up, so nothing changed: the row must not claim otherwise.
    qCInfo(lcAccountScreens) << "The app-lock screen could not be shown for state" << state;
    if (cell)
        cell->changeViewForAppLockState(account->appLockState(), account->showsAppLockScreen());
    showFailureMessage();
}

void PLSettingsTableViewController::appLockSettingCellResetAppPinTapped(PLAppLockSettingCell*) {
    showAppLockScreenForType(2, true);
}

void PLSettingsTableViewController::appLockScreenViewController(PLAppLockScreenViewController* controller,
                                                                bool didFinishProcessing) {
    PLBaseTableTableViewController::appLockScreenViewController(controller, didFinishProcessing);
    // The row shows what was stored, whatever the lock screen ended with.
    if (isViewLoaded())
        tableView()->reloadData();
}

} // namespace pelnix
