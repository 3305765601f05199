// The settings screen against the stand-in: its rows, the download chain with a failure at each
// step and its count of new chatlets, the app-lock row switching the lock on and off through the
// real lock screen into the secret store, and the navigation bar's items.
#include "AccountTestKit.h"
#include "TestSandbox.h"
#include "core/api/PLAppConfigurations.h"
#include "platform/PlistCodec.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TableView.h"
#include "smart/PLChatletCategoryItems.h"
#include "ui/account/PLAppLockSettingCell.h"
#include "ui/account/PLSettingsTableViewController.h"

#include <QApplication>
#include <QLabel>

using namespace pelnix;
using namespace pelnix::test;
using namespace pelnix::platform::ui;
using Fault = standin::StandinServer::Fault;
using FaultMode = standin::StandinServer::FaultMode;

namespace {
constexpr int kServedChatlets = 5; // the stand-in's catalogue

PLSettingsTableViewController* openSettings(ScreenHost& host) {
    auto* nav = host.present(new NavigationController(ScreenRegistry::shared()->instantiate(
        QStringLiteral("Home"), QStringLiteral("PLSettingsTableViewController"))));
    return topOf<PLSettingsTableViewController>(nav);
}

void tapRow(TableView* table, int row) {
    const QRectF rect = table->rectForRow(IndexPath::forRow(row));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                      (rect.center() - table->contentOffset()).toPoint());
}

PLAppLockSettingCell* lockRow(PLSettingsTableViewController* settings) {
    return qobject_cast<PLAppLockSettingCell*>(
        settings->tableView()->cellForRowAtIndexPath(IndexPath::forRow(1)));
}

// A cached catalogue of `count` chatlets, as an earlier download would have left.
void cacheCatalogue(int count) {
    QVariantList chatlets;
    for (int i = 0; i < count; ++i)
        chatlets << QVariantMap{{"name", QStringLiteral("c%1").arg(i)}};
    const quint64 version = PLAppConfigurations::currentConfiguration()->chatletVersion();
    QVERIFY(platform::PlistCodec::writeFile(PLChatletCategoryItems::catalogueFilePath(version),
                                            QVariantMap{{"Cached", chatlets}}));
    QCOMPARE(PLChatletCategoryItems::totalChatletsCount(), qint64(count));
}

// The first and last columns of `image` that hold ink (a pixel unlike its top-left one).
std::pair<int, int> inkedColumns(const QImage& image) {
    const QRgb background = image.pixel(0, 0);
    int first = image.width(), last = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != background) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
    return {first, last};
}

// Whether the ink of `label` keeps to its right edge (more room left of it than right of it).
bool inkAtTheRight(QWidget* label) {
    const auto [first, last] = inkedColumns(label->grab().toImage());
    return last >= first && label->width() - 1 - last < first;
}

bool inkAtTheLeft(QWidget* label) {
    const auto [first, last] = inkedColumns(label->grab().toImage());
    return last >= first && first < label->width() - 1 - last;
}

// Whether the switch's knob (its white disc on the middle line) is in its right half.
bool knobAtTheRight(QWidget* toggle) {
    const QImage image = toggle->grab().toImage();
    int sum = 0, count = 0;
    for (int x = 0; x < image.width(); ++x)
        if (image.pixel(x, image.height() / 2) == qRgb(255, 255, 255)) {
            sum += x;
            ++count;
        }
    return count > 0 && sum > count * image.width() / 2;
}

// Switches the lock row and confirms.
void switchLock(ScreenHost& host, PLAppLockSettingCell* cell) {
    click(cell->enableOrDisableSwitch());
    answerAlert(host, QStringLiteral("Confirm"), QStringLiteral("Yes"));
}
} // namespace

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void rowsFollowTheFeatureFlag_data();
    void rowsFollowTheFeatureFlag();
    void downloadChain_data();
    void downloadChain();
    void aStepThatCannotStartEndsTheOverlay();
    void theLockGoesOnAndOffThroughTheSecretStore();
    void aLockThatCannotGoUpIsShownAsOff();
    void resetWithoutAPasscodeShowsNoLock();
    void theAnswerActsOnTheStateItAsksAbout_data();
    void theAnswerActsOnTheStateItAsksAbout();
    void leftBarItems_data();
    void leftBarItems();
    void rowsAreMirroredWholeRightToLeft_data();
    void rowsAreMirroredWholeRightToLeft();
    void aDirectionTurnedAtRunTimeMirrorsTheShownScreen_data();
    void aDirectionTurnedAtRunTimeMirrorsTheShownScreen();
};

void TestSettings::rowsFollowTheFeatureFlag_data() {
    QTest::addColumn<bool>("feature");
    QTest::addColumn<int>("rows");
    QTest::newRow("feature off") << false << 1;
    QTest::newRow("feature on") << true << 2;
}

void TestSettings::rowsFollowTheFeatureFlag() {
    QFETCH(bool, feature);
    QFETCH(int, rows);
    AccountWorld world(CoreFixture::Service::None);
    world.signIn();
    PelnixInfo::sharedInstance()->setAppLockFeatureEnabled(!feature);
    ScreenHost host;
    PLSettingsTableViewController* settings = openSettings(host);
    QCOMPARE(settings->tableView()->numberOfRows(0), 3 - rows);
    // The flag is read again each time the screen is about to appear.
    PelnixInfo::sharedInstance()->setAppLockFeatureEnabled(feature);
    host.presented()->presentViewController(new ViewController, false);
    host.presented()->dismissViewController(false);
    QTRY_VERIFY(!host.presented()->presentedViewController());
    QCOMPARE(settings->tableView()->numberOfRows(0), rows);
    QCOMPARE(settings->navigationItem()->title(), QStringLiteral("Settings"));
    QCOMPARE(settings->tableView()->rectForHeader(0).height(), PLSettingsTableViewController::kHeaderHeight);
    auto* header = qobject_cast<QLabel*>(settings->tableView()->headerViewAt(0));
    QVERIFY(header);
    QCOMPARE(header->palette().color(QPalette::Window), QColor(232, 244, 250));
    QCOMPARE(header->palette().color(QPalette::WindowText), QColor(0, 134, 202));
    QCOMPARE(header->grab().toImage().pixelColor(3, 3), QColor(232, 244, 250));
    if (feature)
        QVERIFY(lockRow(settings));
}

void TestSettings::downloadChain_data() {
    QTest::addColumn<QString>("failing");
    QTest::addColumn<int>("cached");
    QTest::addColumn<QList<int>>("requests"); // chatlets, stylesheets, forms
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message");
    const QString failed = QStringLiteral("Please try again.");
    QTest::newRow("catalogue fails") << "/chatlets" << 0 << QList<int>{1, 0, 0} << "Failed" << failed;
    QTest::newRow("stylesheets fail") << "^/xslt$" << 0 << QList<int>{1, 1, 0} << "Failed" << failed;
    QTest::newRow("forms fail") << "/forms" << 0 << QList<int>{1, 1, 1} << "Failed" << failed;
    QTest::newRow("all new") << "" << 0 << QList<int>{1, 1, 1} << "Success"
                             << QStringLiteral("%1 new chatlets downloaded").arg(kServedChatlets);
    QTest::newRow("three new") << "" << kServedChatlets - 3 << QList<int>{1, 1, 1} << "Success"
                               << "3 new chatlets downloaded";
    QTest::newRow("nothing new") << "" << kServedChatlets << QList<int>{1, 1, 1} << ""
                                 << "No new chatlets available";
    QTest::newRow("catalogue shrank") << "" << kServedChatlets + 2 << QList<int>{1, 1, 1} << ""
                                      << "No new chatlets available";
    QTest::newRow("no network") << "offline" << 0 << QList<int>{0, 0, 0} << "Failed"
                                << "Please check your network connectivity.";
}

void TestSettings::downloadChain() {
    QFETCH(QString, failing);
    QFETCH(int, cached);
    QFETCH(QList<int>, requests);
    QFETCH(QString, title);
    QFETCH(QString, message);
    AccountWorld world;
    world.signIn();
    if (cached)
        cacheCatalogue(cached);
    if (failing == QLatin1String("offline"))
        world.core.setOnline(false);
    else if (!failing.isEmpty())
        QVERIFY(world.core.server().addFault(Fault{failing.toStdString(), "GET", 1, FaultMode::ServerError}));
    ScreenHost host;
    PLSettingsTableViewController* settings = openSettings(host);
    world.core.server().clearRequestLog();
    tapRow(settings->tableView(), 0);
    QCOMPARE(world.analytics.count(QStringLiteral("Settings- Download latest")), 1);
    QTRY_VERIFY(!host.alerts().isEmpty());
    QVERIFY(busyOverlayGoes());
    QTest::qWait(20);
    // Exactly one alert ends the chain, and no step runs after a failed one.
    QCOMPARE(host.alerts().size(), 1);
    QCOMPARE(host.lastAlert()->title(), title);
    QCOMPARE(host.lastAlert()->message(), message);
    QCOMPARE(world.core.requestsTo("/chatlets"), requests[0]);
    QCOMPARE(world.core.requestsTo("/xslt"), requests[1]);
    QCOMPARE(world.core.requestsTo("/forms"), requests[2]);
    QCOMPARE(settings->chatletCountBeforeDownload(), qint64(cached));
}

void TestSettings::aStepThatCannotStartEndsTheOverlay() {
    AccountWorld world;
    world.signIn();
    ScreenHost host;
    PLSettingsTableViewController* settings = openSettings(host);
    // The catalogue's answer waits; meanwhile the network goes, so the stylesheets cannot even start.
    QVERIFY(world.core.server().addFault(Fault{"/chatlets", "GET", 1, FaultMode::Hold}));
    tapRow(settings->tableView(), 0);
    QVERIFY(PLActivityIndicatorView::isVisible());
    QTRY_COMPARE(world.core.server().heldCount(), 1);
    world.core.setOnline(false);
    world.core.server().releaseHeld();
    QTRY_VERIFY(!host.alerts().isEmpty());
    QVERIFY(busyOverlayGoes());
    QCOMPARE(host.alerts().size(), 1);
    QCOMPARE(host.lastAlert()->message(), QStringLiteral("Please try again."));
    QCOMPARE(world.core.requestsTo("/xslt"), 0);
}

void TestSettings::theLockGoesOnAndOffThroughTheSecretStore() {
    AccountWorld world(CoreFixture::Service::None);
    world.signIn();
    ScreenHost host;
    PLSettingsTableViewController* settings = openSettings(host);
    PLAppLockSettingCell* cell = lockRow(settings);
    QVERIFY(cell);
    QVERIFY(!cell->enableOrDisableSwitch()->isOn());
    QCOMPARE(cell->enableOrDisableTextLabel()->text(), QStringLiteral("Enable App Lock"));

    // On: the set-up pad, a new passcode twice, stored in the secret store.
    switchLock(host, cell);
    auto* lock = qobject_cast<PLAppLockScreenViewController*>(settings->presentedViewController());
    QVERIFY(lock);
    QCOMPARE(lock->lockScreenState(), qint64(1));
    enterOnPad(lock, QStringLiteral("2468"));
    enterOnPad(lock, QStringLiteral("2468"));
    QTRY_VERIFY(!settings->presentedViewController());
    QCOMPARE(PLKeychainAccessHelper::currentPasscode(), QStringLiteral("2468"));
    QVERIFY(!world.secrets->items.isEmpty());
    QCOMPARE(world.account()->appLockState(), qint16(1));
    QCOMPARE(host.lastAlert()->message(), QStringLiteral("Passcode set successfully"));
    answerAlert(host, QStringLiteral("Success"), QStringLiteral("OK"));
    cell = lockRow(settings);
    QVERIFY(cell->enableOrDisableSwitch()->isOn());
    QCOMPARE(cell->enableOrDisableTextLabel()->text(), QStringLiteral("Disable App Lock"));

    // A cancelled switch-off leaves the lock on, and the row says so.
    switchLock(host, cell);
    lock = qobject_cast<PLAppLockScreenViewController*>(settings->presentedViewController());
    QVERIFY(lock);
    QCOMPARE(lock->lockScreenState(), qint64(0));
    lock->currentTopChildViewController()->padView()->cancelButton()->click();
    QTRY_VERIFY(!settings->presentedViewController());
    cell = lockRow(settings);
    QVERIFY(cell->enableOrDisableSwitch()->isOn());
    QCOMPARE(world.account()->appLockState(), qint16(1));

    // Off: the current passcode, then it is gone from the secret store.
    switchLock(host, cell);
    lock = qobject_cast<PLAppLockScreenViewController*>(settings->presentedViewController());
    QVERIFY(lock);
    enterOnPad(lock, QStringLiteral("2468"));
    QTRY_VERIFY(!settings->presentedViewController());
    QVERIFY(PLKeychainAccessHelper::currentPasscode().isEmpty());
    QCOMPARE(world.account()->appLockState(), qint16(0));
    cell = lockRow(settings);
    QVERIFY(!cell->enableOrDisableSwitch()->isOn());
    QCOMPARE(cell->enableOrDisableTextLabel()->text(), QStringLiteral("Enable App Lock"));
}

void TestSettings::aLockThatCannotGoUpIsShownAsOff() {
    AccountWorld world(CoreFixture::Service::None);
    world.signIn(2);
    ScreenHost host;
    PLSettingsTableViewController* settings = openSettings(host);
    PLAppLockSettingCell* cell = lockRow(settings);
    switchLock(host, cell);
    // Not signed in with a profile: no lock screen, and the row does not claim the lock is on.
    QVERIFY(!settings->presentedViewController());
    QVERIFY(!cell->enableOrDisableSwitch()->isOn());
    QCOMPARE(cell->enableOrDisableTextLabel()->text(), QStringLiteral("Enable App Lock"));
    QCOMPARE(host.lastAlert()->title(), QStringLiteral("Failed"));
    QCOMPARE(host.lastAlert()->message(), QStringLiteral("Please try again."));
    QCOMPARE(world.account()->appLockState(), qint16(0));
}

void TestSettings::resetWithoutAPasscodeShowsNoLock() {
    AccountWorld world(CoreFixture::Service::None);
    world.signIn();
    world.account()->setAppLockState(1);
    world.account()->save();
    // The process's first lock (at the first appearance) is not what this is about.
    PLAppLockSettingsManager::sharedAppLockSettingsManager()->setShouldShowAppLockScreen(false);
    ScreenHost host;
    PLSettingsTableViewController* settings = openSettings(host);
    PLAppLockSettingCell* cell = lockRow(settings);
    QVERIFY(!cell->resetPinButton()->isHidden());
    click(cell->resetPinButton());
    QVERIFY(!settings->presentedViewController());
    // With a passcode it asks for the current one first.
    PLKeychainAccessHelper::setNewPassCodePin(QStringLiteral("1357"));
    click(cell->resetPinButton());
    auto* lock = qobject_cast<PLAppLockScreenViewController*>(settings->presentedViewController());
    QVERIFY(lock);
    QCOMPARE(lock->lockScreenState(), qint64(2));
}

void TestSettings::theAnswerActsOnTheStateItAsksAbout_data() {
    QTest::addColumn<bool>("lockedBefore");
    QTest::addColumn<QString>("answer");
    QTest::newRow("enable, yes") << false << "Yes";
    QTest::newRow("enable, no") << false << "No";
    QTest::newRow("disable, yes") << true << "Yes";
    QTest::newRow("disable, no") << true << "No";
}

// The host turns its page away and back while the question is open: the row re-reads the stored
// state under it, and the answer still concerns what was asked.
void TestSettings::theAnswerActsOnTheStateItAsksAbout() {
    QFETCH(bool, lockedBefore);
    QFETCH(QString, answer);
    AccountWorld world(CoreFixture::Service::None);
    world.signIn();
    if (lockedBefore) {
        world.account()->setAppLockState(1);
        world.account()->save();
        PLKeychainAccessHelper::setNewPassCodePin(QStringLiteral("1357"));
        PLAppLockSettingsManager::sharedAppLockSettingsManager()->setShouldShowAppLockScreen(false);
    }
    ScreenHost host;
    PLSettingsTableViewController* settings = openSettings(host);
    PLAppLockSettingCell* cell = lockRow(settings);
    QVERIFY(cell);
    QCOMPARE(cell->enableOrDisableSwitch()->isOn(), lockedBefore);
    const QString question = lockedBefore ? QStringLiteral("Are you sure you want to disable App Lock?")
                                          : QStringLiteral("Are you sure you want to enable App Lock?");
    click(cell->enableOrDisableSwitch());
    QCOMPARE(host.lastAlert()->message(), question);

    ViewController* page = host.presented();
    page->beginAppearanceTransition(false, false);
    page->endAppearanceTransition();
    page->beginAppearanceTransition(true, false);
    page->endAppearanceTransition();
    cell = lockRow(settings);
    QCOMPARE(cell->enableOrDisableSwitch()->isOn(), lockedBefore);

    answerAlert(host, QStringLiteral("Confirm"), answer);
    auto* lock = qobject_cast<PLAppLockScreenViewController*>(settings->presentedViewController());
    QCOMPARE(world.account()->appLockState(), qint16(lockedBefore ? 1 : 0));
    if (answer == QLatin1String("Yes")) {
        QVERIFY(lock);
        QCOMPARE(lock->lockScreenState(), qint64(lockedBefore ? 0 : 1));
        QCOMPARE(cell->enableOrDisableSwitch()->isOn(), !lockedBefore);
        return;
    }
    QVERIFY(!lock);
    QCOMPARE(cell->enableOrDisableSwitch()->isOn(), lockedBefore);
    QCOMPARE(cell->enableOrDisableTextLabel()->text(),
             lockedBefore ? QStringLiteral("Disable App Lock") : QStringLiteral("Enable App Lock"));
    // The next tap asks the same question again.
    click(cell->enableOrDisableSwitch());
    QCOMPARE(host.lastAlert()->message(), question);
}

void TestSettings::leftBarItems_data() {
    QTest::addColumn<bool>("pushed");
    QTest::addColumn<bool>("hideCancel");
    QTest::addColumn<bool>("hostItems");
    QTest::addColumn<QString>("left");
    QTest::newRow("alone in its stack") << false << false << false << "Cancel";
    QTest::newRow("host hides Cancel") << false << true << false << "";
    QTest::newRow("host's items") << false << false << true << "Menu";
    QTest::newRow("pushed") << true << false << true << "";
}

void TestSettings::leftBarItems() {
    QFETCH(bool, pushed);
    QFETCH(bool, hideCancel);
    QFETCH(bool, hostItems);
    QFETCH(QString, left);
    AccountWorld world(CoreFixture::Service::None);
    world.signIn();
    int hostTaps = 0;
    BarButtonItem menu(QStringLiteral("Menu"), [&hostTaps] { ++hostTaps; });
    const auto info = PelnixInfo::sharedInstance();
    info->setShouldHideCancelButton(hideCancel);
    info->setLeftBarButtonItems(hostItems ? QVariantList{QVariant::fromValue<QObject*>(&menu)}
                                          : QVariantList{});
    ScreenHost host;
    auto* settings = qobject_cast<PLSettingsTableViewController*>(ScreenRegistry::shared()->instantiate(
        QStringLiteral("Home"), QStringLiteral("PLSettingsTableViewController")));
    auto* nav = new NavigationController(pushed ? new ViewController : settings);
    host.present(nav);
    if (pushed)
        nav->pushViewController(settings, false);
    const QList<BarButtonItem*> items = settings->navigationItem()->leftBarButtonItems();
    QCOMPARE(items.isEmpty() ? QString() : items.first()->title(), left);
    if (left == QLatin1String("Menu")) {
        items.first()->trigger();
        QCOMPARE(hostTaps, 1);
        QCOMPARE(menu.parent(), nullptr); // still the host's
    } else if (left == QLatin1String("Cancel")) {
        items.first()->trigger();
        QTRY_VERIFY(!host.presented());
    }
    info->setLeftBarButtonItems({});
    info->setShouldHideCancelButton(false);
}

void TestSettings::rowsAreMirroredWholeRightToLeft_data() {
    QTest::addColumn<bool>("application");
    QTest::newRow("the host's window right to left") << false;
    QTest::newRow("the application right to left") << true;
}

// As Qt mirrors a layout: the switch at the leading edge (left), the texts at the right, the
// chevron at the left.
void TestSettings::rowsAreMirroredWholeRightToLeft() {
    QFETCH(bool, application);
    AccountWorld world(CoreFixture::Service::None);
    world.signIn();
    ScreenHost host;
    if (application)
        qApp->setLayoutDirection(Qt::RightToLeft);
    else
        host.window.setLayoutDirection(Qt::RightToLeft);
    const auto restore = qScopeGuard([] { qApp->setLayoutDirection(Qt::LeftToRight); });
    PLSettingsTableViewController* settings = openSettings(host);
    TableView* table = settings->tableView();

    PLAppLockSettingCell* lock = lockRow(settings);
    QVERIFY(lock);
    QCOMPARE(lock->layoutDirection(), Qt::RightToLeft);
    QWidget* lockSwitch = lock->enableOrDisableSwitch();
    QWidget* lockText = lock->enableOrDisableTextLabel();
    QCOMPARE(lockSwitch->mapTo(lock, QPoint(0, 0)).x(), 15);
    QVERIFY(lockText->mapTo(lock, QPoint(0, 0)).x() >
            lockSwitch->mapTo(lock, QPoint(lockSwitch->width(), 0)).x());
    QCOMPARE(lockText->mapTo(lock, QPoint(lockText->width(), 0)).x(), lock->width() - 15);
    QVERIFY(inkAtTheRight(lockText));

    auto* download = table->cellForRowAtIndexPath(IndexPath::forRow(0));
    QVERIFY(download);
    QCOMPARE(download->layoutDirection(), Qt::RightToLeft);
    QVERIFY(inkAtTheRight(download->textLabel()));
    QVERIFY(inkAtTheRight(download->detailTextLabel()));
    // The chevron stands left of the row's content.
    const int contentLeft = download->contentView()->geometry().left();
    QVERIFY(contentLeft > 0);
    const auto [first, last] =
        inkedColumns(download->grab(QRect(0, 0, contentLeft, download->height() - 2)).toImage());
    QVERIFY(last >= first);

    auto* header = qobject_cast<QLabel*>(table->headerViewAt(0));
    QVERIFY(header);
    QVERIFY(inkAtTheRight(header));
}

void TestSettings::aDirectionTurnedAtRunTimeMirrorsTheShownScreen_data() {
    QTest::addColumn<Qt::LayoutDirection>("from");
    QTest::addColumn<bool>("application");
    QTest::newRow("the host's window turned right to left") << Qt::LeftToRight << false;
    QTest::newRow("the application turned right to left") << Qt::LeftToRight << true;
    QTest::newRow("the host's window turned left to right") << Qt::RightToLeft << false;
    QTest::newRow("the application turned left to right") << Qt::RightToLeft << true;
}

// The host turns the direction while the screen shows: the header's title, the rows' texts and the
// lock's switch (off: its knob at the leading end) go to their mirrored places, without a reload.
void TestSettings::aDirectionTurnedAtRunTimeMirrorsTheShownScreen() {
    QFETCH(Qt::LayoutDirection, from);
    QFETCH(bool, application);
    const Qt::LayoutDirection to = from == Qt::RightToLeft ? Qt::LeftToRight : Qt::RightToLeft;
    AccountWorld world(CoreFixture::Service::None);
    world.signIn();
    ScreenHost host;
    const auto restore = qScopeGuard([] { qApp->setLayoutDirection(Qt::LeftToRight); });
    const auto turn = [&](Qt::LayoutDirection direction) {
        if (application)
            qApp->setLayoutDirection(direction);
        else
            host.window.setLayoutDirection(direction);
    };
    turn(from);
    PLSettingsTableViewController* settings = openSettings(host);
    TableView* table = settings->tableView();
    QWidget* header = table->headerViewAt(0);
    PLAppLockSettingCell* lock = lockRow(settings);
    TableViewCell* download = table->cellForRowAtIndexPath(IndexPath::forRow(0));
    QVERIFY(header && lock && download);
    const auto verifyShown = [&](Qt::LayoutDirection direction) {
        const bool rtl = direction == Qt::RightToLeft;
        // The same header and rows: nothing was reloaded.
        QCOMPARE(table->headerViewAt(0), header);
        QCOMPARE(lockRow(settings), lock);
        QCOMPARE(header->layoutDirection(), direction);
        QCOMPARE(rtl ? inkAtTheRight(header) : inkAtTheLeft(header), true);
        QCOMPARE(rtl ? inkAtTheRight(download->textLabel()) : inkAtTheLeft(download->textLabel()), true);
        QCOMPARE(rtl ? inkAtTheRight(lock->enableOrDisableTextLabel())
                     : inkAtTheLeft(lock->enableOrDisableTextLabel()),
                 true);
        QVERIFY(!lock->enableOrDisableSwitch()->isOn());
        QCOMPARE(knobAtTheRight(lock->enableOrDisableSwitch()), rtl);
    };
    verifyShown(from);
    turn(to);
    verifyShown(to);
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestSettings t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_settings.moc"
