// Share contact: the address book's people in sections with an index from 31 on, searched by the
// beginning of their names, and the detail whose ticked values become the shared-contact record.
#include "MirroredGeometry.h"
#include "SmartScreensTestWorld.h"

#include "core/model/PLAddressBookHelper.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/KeyboardMonitor.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/SectionIndexBar.h"
#include "platform/ui/TableView.h"
#include "ui/conversation/PLAddressBookContactCell.h"
#include "ui/conversation/PLAddressBookContactViewController.h"
#include "ui/conversation/PLContactDetailCell.h"
#include "ui/conversation/PLContactDetailViewController.h"
#include "ui/conversation/PLShareContactDelegate.h"
#include "ui/toolkit/PLActivityIndicatorView.h"
#include "ui/toolkit/PLCustomSearchTextField.h"
#include "ui/toolkit/PLCustomSearchView.h"
#include "ui/toolkit/PLCustomSeparatorView.h"

#include <QApplication>
#include <QDir>
#include <QScopeGuard>
#include <QSemaphore>
#include <QStyle>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::IndexPath;
using platform::ui::NavigationController;
using platform::ui::ScreenRegistry;

namespace {

class RecordingShareDelegate : public QObject, public PLShareContactDelegate {
public:
    void selectedContact(const QVariantMap& contact, qint32 recordID) override {
        contacts << contact;
        recordIDs << recordID;
    }
    QList<QVariantMap> contacts;
    QList<qint32> recordIDs;
};

// A plain object: not a share-contact delegate.
class Bystander : public QObject {};

QByteArray card(const QString& first, const QString& last, const QByteArray& values = "TEL:555\r\n") {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nN:" + last.toUtf8() + ";" + first.toUtf8() + ";;;\r\n" + values +
           "END:VCARD\r\n";
}

// The picture and name, then each row's icon, label, value and tick.
QList<QWidget*> detailParts(PLContactDetailViewController* detail) {
    QList<QWidget*> parts{detail->contactImageView(), detail->nameLabel()};
    platform::ui::TableView* table = detail->contactDetailtableView();
    for (int section = 0; section < detail->numberOfSectionsInTableView(table); ++section)
        for (int row = 0; row < detail->numberOfRowsInSection(table, section); ++row)
            if (auto* cell = qobject_cast<PLContactDetailCell*>(table->cellForRowAtIndexPath({section, row})))
                parts << cell->fieldTypeImageView() << cell->typeLabel() << cell->emailOrPhoneLabel()
                      << cell->selectionStateImageView();
    return parts;
}

// Whether each text of the detail starts at its right.
QList<bool> textsStartRight(const QList<QWidget*>& parts) {
    QList<bool> right;
    for (QWidget* part : parts)
        if (auto* label = qobject_cast<platform::ui::Label*>(part))
            right << bool(QStyle::visualAlignment(label->layoutDirection(), label->alignment()) &
                          Qt::AlignRight);
    return right;
}

QStringList names(const QList<PLAddressBookContact>& contacts) {
    QStringList out;
    for (const auto& contact : contacts)
        out << contact.profileName;
    return out;
}

} // namespace

class TestShareContact : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        // Sections sort with the locale's collation; the C locale would sort by code point.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        world = std::make_unique<SmartScreensWorld>();
        host = world->showHost();
    }
    void cleanupTestCase() { world.reset(); }

    void aRowMirrorsRightToLeft_data() {
        QTest::addColumn<bool>("turnedWhileShown");
        QTest::addRow("list right to left") << false;
        QTest::addRow("turned while shown") << true;
    }
    // Right to left a row's line starts under the name's right end and runs to the row's left edge,
    // the mirror of left to right.
    void aRowMirrorsRightToLeft() {
        QFETCH(bool, turnedWhileShown);
        QWidget leftToRightList;
        auto* leftToRight = new PLAddressBookContactCell(&leftToRightList);
        leftToRight->resize(320, int(PLAddressBookContactCell::kHeight));
        leftToRightList.show();
        QWidget list;
        if (!turnedWhileShown)
            list.setLayoutDirection(Qt::RightToLeft);
        auto* cell = new PLAddressBookContactCell(&list);
        cell->resize(320, int(PLAddressBookContactCell::kHeight));
        list.show();
        if (turnedWhileShown)
            list.setLayoutDirection(Qt::RightToLeft);
        const auto parts = [](PLAddressBookContactCell* row) {
            return QList<QWidget*>{row->nameLabel(), row->customSeparatorView()};
        };
        QCOMPARE(leftToRight->customSeparatorView()->x(), 15);
        QCOMPARE(test::geometries(parts(cell)), test::mirroredGeometries(parts(leftToRight)));
    }
    void init() {
        QDir folder(world->contactsFolder.path());
        for (const QString& file : folder.entryList(QDir::Files))
            folder.remove(file);
        platform::AddressBook::sharedAddressBook()->setAuthorizationStatus(
            platform::AddressBook::Authorization::Authorized);
    }
    void cleanup() {
        world->dismissAlerts();
        if (host->presentedViewController())
            host->dismissViewController(false);
        platform::ui::KeyboardMonitor::shared()->hide();
        world->settle();
    }

    void theIndexShowsFromThirtyOnePeople_data();
    void theIndexShowsFromThirtyOnePeople();
    void namesFallIntoTheirSections();
    void searchMatchesTheBeginningOfNames();
    void withoutAccessOrPeopleTheListSaysSo_data();
    void withoutAccessOrPeopleTheListSaysSo();
    void theBookIsReadOffTheMainThread();
    void leavingWithTheSearchBarOutRemovesIt();
    void theKeyboardInsetsTheList();
    void aRowOpensItsPerson();
    void thePersonIsReadOffTheMainThread();

    void aPersonWithOnlyAddressesSharesNoPhone();
    void tickedValuesKeepTheListOrder();
    void nothingTickedIsRefused_data();
    void nothingTickedIsRefused();
    void aNonDelegateGetsNothingAndTheScreensClose();
    void theDetailFollowsItsScreensDirection_data();
    void theDetailFollowsItsScreensDirection();

private:
    // Shown, its book not yet read.
    PLAddressBookContactViewController* presentList(QObject* delegate = nullptr) {
        auto* navigation = qobject_cast<NavigationController*>(
            ScreenRegistry::shared()->instantiate(PLAddressBookContactViewController::kStoryboard,
                                                  PLAddressBookContactViewController::kNavigationIdentifier));
        auto* list = qobject_cast<PLAddressBookContactViewController*>(navigation->topViewController());
        list->setShareContactDelegate(delegate);
        host->presentViewController(navigation, false);
        return list;
    }
    PLAddressBookContactViewController* openList(QObject* delegate = nullptr) {
        PLAddressBookContactViewController* list = presentList(delegate);
        // The book is read off the main thread once access is answered.
        if (!QTest::qWaitFor([list] { return list->isViewLoaded() && !list->isReadingAddressBook(); }))
            QTest::qFail("the address book was not read", __FILE__, __LINE__);
        world->settle();
        return list;
    }
    PLContactDetailViewController* openDetail(const QString& first, QObject* delegate) {
        PLAddressBookContactViewController* list = openList(delegate);
        for (int section = 0; section < list->sections().size(); ++section)
            for (int row = 0; row < list->sections()[section].size(); ++row)
                if (list->sections()[section][row].profileName.startsWith(first))
                    list->didSelectRowAtIndexPath(list->contactsTableView(), IndexPath{section, row});
        world->settle();
        auto* detail =
            qobject_cast<PLContactDetailViewController*>(list->navigationController()->topViewController());
        // The person is read off the main thread.
        if (detail && !QTest::qWaitFor([detail] { return !detail->isReadingPerson(); }))
            QTest::qFail("the person was not read", __FILE__, __LINE__);
        world->settle();
        return detail;
    }
    void addPeople(int count) {
        for (int i = 0; i < count; ++i)
            writeCard(
                world->contactsFolder.path(), QStringLiteral("p%1.vcf").arg(i),
                card(QStringLiteral("%1Person%2").arg(QChar('A' + i % 26)).arg(i), QStringLiteral("X")));
    }
    void tap(PLContactDetailViewController* detail, int section, int row) {
        detail->didSelectRowAtIndexPath(detail->contactDetailtableView(), IndexPath{section, row});
    }

    std::unique_ptr<SmartScreensWorld> world;
    ChatletHost* host = nullptr;
};

void TestShareContact::theIndexShowsFromThirtyOnePeople_data() {
    QTest::addColumn<int>("people");
    QTest::addColumn<bool>("index");
    QTest::newRow("30") << 30 << false;
    QTest::newRow("31") << 31 << true;
}

void TestShareContact::theIndexShowsFromThirtyOnePeople() {
    QFETCH(int, people);
    QFETCH(bool, index);
    addPeople(people);
    PLAddressBookContactViewController* list = openList();
    QCOMPARE(list->addressBookContacts().size(), people);
    platform::ui::TableView* table = list->contactsTableView();
    QCOMPARE(list->sectionIndexTitlesForTableView(table).isEmpty(), !index);
    QCOMPARE(list->title(), QStringLiteral("All Contacts"));
    auto* bar = table->findChild<platform::ui::SectionIndexBar*>();
    QCOMPARE(bar && bar->isVisible(), index);
    if (index)
        QCOMPARE(list->sectionForSectionIndexTitle(table, QStringLiteral("C"), 2),
                 int(list->sectionTitles().indexOf(QStringLiteral("C"))));
}

void TestShareContact::namesFallIntoTheirSections() {
    const QString folder = world->contactsFolder.path();
    writeCard(folder, "a.vcf", card("1abc", ""));
    writeCard(folder, "b.vcf", card("#hash", ""));
    writeCard(folder, "c.vcf", card("Émile", "Zola"));
    writeCard(folder, "d.vcf", card("emma", "Y"));
    writeCard(folder, "e.vcf", card("Bo", "X"));
    writeCard(folder, "f.vcf", card("NoValues", "X", ""));
    PLAddressBookContactViewController* list = openList();
    QCOMPARE(list->sectionTitles(), (QStringList{"B", "E", "#"}));
    QCOMPARE(names(list->sections()[1]), (QStringList{"Émile Zola", "emma Y"}));
    QCOMPARE(names(list->sections()[2]).size(), 2);
    platform::ui::TableView* table = list->contactsTableView();
    QCOMPARE(list->numberOfSectionsInTableView(table), 3);
    QCOMPARE(list->heightForHeaderInSection(table, 0), 28.0);
    QCOMPARE(list->titleForHeaderInSection(table, 2), QStringLiteral("#"));
}

void TestShareContact::searchMatchesTheBeginningOfNames() {
    const QString folder = world->contactsFolder.path();
    for (const char* name : {"Anna", "andy", "Dan", "Bob"})
        writeCard(folder, QStringLiteral("%1.vcf").arg(QLatin1String(name)), card(QLatin1String(name), ""));
    PLAddressBookContactViewController* list = openList();
    list->showSearchBar();
    PLCustomSearchView* bar = list->searchView();
    QVERIFY(bar->isVisible());
    QCOMPARE(bar->parentWidget(), list->navigationController()->view());
    QCOMPARE(bar->placeholderText(), QStringLiteral("Search by name"));
    QTest::keyClicks(bar->searchTextField(), QStringLiteral("an"));
    QVERIFY(list->isFiltered());
    // In the address book's order, whatever the locale makes of it.
    QStringList expected;
    for (const QString& name : names(list->addressBookContacts()))
        if (name == QLatin1String("Anna") || name == QLatin1String("andy"))
            expected << name;
    QCOMPARE(expected.size(), 2);
    QCOMPARE(names(list->filteredContacts()), expected);
    platform::ui::TableView* table = list->contactsTableView();
    QCOMPARE(list->numberOfSectionsInTableView(table), 1);
    QCOMPARE(list->heightForHeaderInSection(table, 0), 0.0);
    QVERIFY(list->sectionIndexTitlesForTableView(table).isEmpty());
    QCOMPARE(list->contactForIndexPath(IndexPath{0, 1}).profileName, expected.at(1));
    bar->searchTextField()->clear();
    list->searchTextFieldDidChange(bar->searchTextField());
    QVERIFY(!list->isFiltered());
    QCOMPARE(list->numberOfSectionsInTableView(table), 3);
    list->searchViewCancelledSearch();
    QVERIFY(!bar->isVisible());
}

void TestShareContact::withoutAccessOrPeopleTheListSaysSo_data() {
    QTest::addColumn<bool>("granted");
    QTest::addColumn<QString>("alert");
    QTest::newRow("denied")
        << false
        << "Access Denied / Couldn't sync Address Book. \nThis app does not have access to your "
           "contacts. You can enable access in Privacy Settings.";
    QTest::newRow("nobody") << true << "Alert / No contacts available.";
}

void TestShareContact::withoutAccessOrPeopleTheListSaysSo() {
    QFETCH(bool, granted);
    QFETCH(QString, alert);
    if (!granted) {
        addPeople(3);
        platform::AddressBook::sharedAddressBook()->setAuthorizationStatus(
            platform::AddressBook::Authorization::Denied);
    }
    PLAddressBookContactViewController* list = openList();
    QCOMPARE(world->alertTexts(), QStringList{alert});
    QCOMPARE(list->numberOfSectionsInTableView(list->contactsTableView()), 0);
    world->settle();
    QVERIFY(!PLActivityIndicatorView::isVisible());
}

void TestShareContact::theBookIsReadOffTheMainThread() {
    addPeople(40);
    // The reading thread is held: the list can only fill from there.
    QSemaphore held;
    // Whatever fails below, the reading thread is let go before the semaphore goes.
    const auto letGo = qScopeGuard([&held] {
        held.release(2);
        PLAddressBookHelper::readingPool()->waitForDone();
    });
    PLAddressBookHelper::readingPool()->start([&held] { held.acquire(); });
    QPointer<PLAddressBookContactViewController> list = presentList();
    QTRY_VERIFY(PLActivityIndicatorView::isVisible());
    world->settle();
    QVERIFY(list->isReadingAddressBook());
    QVERIFY(list->addressBookContacts().isEmpty());
    QCOMPARE(list->numberOfSectionsInTableView(list->contactsTableView()), 0);
    held.release();
    QTRY_VERIFY(!list->isReadingAddressBook());
    QCOMPARE(list->addressBookContacts().size(), 40);
    QCOMPARE(list->sectionTitles().size(), 26);
    world->settle();
    QVERIFY(!PLActivityIndicatorView::isVisible());
    QVERIFY(world->alertTexts().isEmpty());

    // Closed while its read is under way: the busy overlay goes with it.
    PLAddressBookHelper::readingPool()->start([&held] { held.acquire(); });
    host->dismissViewController(false);
    list = presentList();
    QTRY_VERIFY(PLActivityIndicatorView::isVisible());
    host->dismissViewController(false);
    delete list->navigationController();
    world->settle();
    QVERIFY(!PLActivityIndicatorView::isVisible());
    held.release();
    PLAddressBookHelper::readingPool()->waitForDone();
    world->settle();
    QVERIFY(!PLActivityIndicatorView::isVisible());
    QVERIFY(world->alertTexts().isEmpty());
}

void TestShareContact::leavingWithTheSearchBarOutRemovesIt() {
    addPeople(2);
    PLAddressBookContactViewController* list = openList();
    list->showSearchBar();
    QPointer<PLCustomSearchView> bar = list->searchView();
    QTest::keyClicks(bar->searchTextField(), QStringLiteral("A"));
    host->dismissViewController(false);
    world->settle();
    QVERIFY(!bar || !bar->parentWidget());
}

void TestShareContact::theKeyboardInsetsTheList() {
    addPeople(2);
    PLAddressBookContactViewController* list = openList();
    platform::ui::KeyboardMonitor::shared()->show(216, world->window.get());
    QCOMPARE(list->contactsTableView()->contentInset(), QMargins(0, 0, 0, 216));
    platform::ui::KeyboardMonitor::shared()->hide();
    QCOMPARE(list->contactsTableView()->contentInset(), QMargins());
}

void TestShareContact::aRowOpensItsPerson() {
    addPeople(3);
    RecordingShareDelegate delegate;
    PLContactDetailViewController* detail = openDetail(QStringLiteral("BPerson"), &delegate);
    QVERIFY(detail);
    QCOMPARE(detail->nameLabel()->text(), QStringLiteral("BPerson1 X"));
    QCOMPARE(detail->phonesArray().size(), 1);
    // Both screens title their bar buttons in their own font, whatever the host window's.
    const auto isBarFont = [](platform::ui::BarButtonItem* item) {
        QVERIFY(item && item->view());
        QCOMPARE(item->view()->font().family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(item->view()->font().pixelSize(), 15);
    };
    isBarFont(detail->navigationItem()->rightBarButtonItem());
    NavigationController* navigation = detail->navigationController();
    navigation->popViewController(false);
    world->settle();
    isBarFont(navigation->topViewController()->navigationItem()->leftBarButtonItem());
}

void TestShareContact::thePersonIsReadOffTheMainThread() {
    addPeople(3);
    PLAddressBookContactViewController* list = openList();
    QSemaphore held;
    const auto letGo = qScopeGuard([&held] {
        held.release(2);
        PLAddressBookHelper::readingPool()->waitForDone();
    });
    // The reading thread is held: the person can only come from there.
    PLAddressBookHelper::readingPool()->start([&held] { held.acquire(); });
    list->didSelectRowAtIndexPath(list->contactsTableView(), IndexPath{1, 0});
    world->settle();
    QPointer<PLContactDetailViewController> detail =
        qobject_cast<PLContactDetailViewController*>(list->navigationController()->topViewController());
    QVERIFY(detail);
    QVERIFY(detail->isReadingPerson());
    QVERIFY(PLActivityIndicatorView::isVisible());
    QCOMPARE(detail->nameLabel()->text(), QString());
    QCOMPARE(detail->numberOfSectionsInTableView(detail->contactDetailtableView()), 0);
    held.release();
    QTRY_VERIFY(!detail->isReadingPerson());
    QCOMPARE(detail->nameLabel()->text(), QStringLiteral("BPerson1 X"));
    QCOMPARE(detail->phonesArray().size(), 1);
    world->settle();
    QVERIFY(!PLActivityIndicatorView::isVisible());

    // Left while its read is under way: the busy overlay goes with it.
    PLAddressBookHelper::readingPool()->start([&held] { held.acquire(); });
    NavigationController* navigation = detail->navigationController();
    navigation->popViewController(false);
    list->didSelectRowAtIndexPath(list->contactsTableView(), IndexPath{0, 0});
    world->settle();
    detail = qobject_cast<PLContactDetailViewController*>(navigation->topViewController());
    QVERIFY(detail && detail->isReadingPerson());
    navigation->popViewController(false);
    delete detail.data();
    world->settle();
    QVERIFY(!PLActivityIndicatorView::isVisible());
    held.release();
    PLAddressBookHelper::readingPool()->waitForDone();
    world->settle();
    QVERIFY(!PLActivityIndicatorView::isVisible());
}

void TestShareContact::aPersonWithOnlyAddressesSharesNoPhone() {
    writeCard(world->contactsFolder.path(), "m.vcf",
              card("Mia", "Wong", "EMAIL;TYPE=WORK:mia@work.test\r\nEMAIL:mia@home.test\r\n"));
    RecordingShareDelegate delegate;
    PLContactDetailViewController* detail = openDetail(QStringLiteral("Mia"), &delegate);
    platform::ui::TableView* table = detail->contactDetailtableView();
    QCOMPARE(detail->numberOfSectionsInTableView(table), 1);
    QCOMPARE(detail->numberOfRowsInSection(table, 0), 2);
    QCOMPARE(detail->fieldTypeAtIndexPath(IndexPath{0, 0}), int(PLContactDetailCell::Email));
    auto* cell = qobject_cast<PLContactDetailCell*>(table->cellForRowAtIndexPath(IndexPath{0, 1}));
    QVERIFY(cell);
    QCOMPARE(cell->emailOrPhoneLabel()->text(), QStringLiteral("mia@home.test"));
    QCOMPARE(cell->typeLabel()->text(), QStringLiteral("email1"));
    tap(detail, 0, 1);
    QVERIFY(cell->isShownAsSelected());
    detail->doneButtonTapped();
    QCOMPARE(delegate.contacts.size(), 1);
    const QVariantMap record = delegate.contacts.first();
    QCOMPARE(record.value("name").toString(), QStringLiteral("Mia Wong"));
    const QString pl = record.value("pl").toString();
    QVERIFY(pl.contains(QLatin1String("\n    "))); // pretty-printed
    const QVariantMap person = QJsonDocument::fromJson(pl.toUtf8()).object().toVariantMap();
    QCOMPARE(person.value("name").toString(), QStringLiteral("Mia Wong"));
    QVERIFY(!person.contains("phone"));
    QCOMPARE(person.value("email").toList(),
             (QVariantList{QVariantMap{{"label", "email1"}, {"email", "mia@home.test"}}}));
    world->settle();
    QVERIFY(!host->presentedViewController());
}

void TestShareContact::tickedValuesKeepTheListOrder() {
    writeCard(
        world->contactsFolder.path(), "p.vcf",
        card("Pat", "", "TEL;TYPE=CELL:1\r\nTEL;TYPE=WORK:2\r\nTEL;TYPE=HOME:3\r\nEMAIL:pat@x.test\r\n"));
    RecordingShareDelegate delegate;
    PLContactDetailViewController* detail = openDetail(QStringLiteral("Pat"), &delegate);
    QCOMPARE(detail->numberOfSectionsInTableView(detail->contactDetailtableView()), 2);
    QCOMPARE(detail->fieldTypeAtIndexPath(IndexPath{0, 0}), int(PLContactDetailCell::Phone));
    QCOMPARE(detail->fieldTypeAtIndexPath(IndexPath{1, 0}), int(PLContactDetailCell::Email));
    tap(detail, 0, 2);
    tap(detail, 0, 0);
    detail->doneButtonTapped();
    const QVariantMap person =
        QJsonDocument::fromJson(delegate.contacts.first().value("pl").toString().toUtf8())
            .object()
            .toVariantMap();
    QCOMPARE(person.value("phone").toList(), (QVariantList{QVariantMap{{"label", "mobile"}, {"phone", "1"}},
                                                           QVariantMap{{"label", "home"}, {"phone", "3"}}}));
    QVERIFY(!person.contains("email"));
    QCOMPARE(delegate.recordIDs.first(), detail->recordID());
}

void TestShareContact::nothingTickedIsRefused_data() {
    QTest::addColumn<QByteArray>("values");
    QTest::addColumn<bool>("tickAndUntick");
    QTest::newRow("nothing ticked") << QByteArray("TEL:1\r\n") << false;
    QTest::newRow("ticked and unticked") << QByteArray("TEL:1\r\n") << true;
    QTest::newRow("no values at all") << QByteArray() << false;
}

void TestShareContact::nothingTickedIsRefused() {
    QFETCH(QByteArray, values);
    QFETCH(bool, tickAndUntick);
    RecordingShareDelegate delegate;
    auto* detail = new PLContactDetailViewController;
    if (!values.isEmpty()) {
        writeCard(world->contactsFolder.path(), "q.vcf", card("Quinn", "", values));
        detail->configureWithContactRecordID(
            platform::AddressBook::sharedAddressBook()->people().first().recordID, &delegate);
    } else {
        detail->configureWithContactRecordID(12345, &delegate);
    }
    host->presentViewController(new NavigationController(detail), false);
    world->settle();
    if (values.isEmpty())
        QCOMPARE(detail->numberOfSectionsInTableView(detail->contactDetailtableView()), 0);
    if (tickAndUntick) {
        tap(detail, 0, 0);
        tap(detail, 0, 0);
    }
    detail->doneButtonTapped();
    QCOMPARE(world->alertTexts(),
             QStringList{"Failed / Please select at least one contact info to be shared."});
    QVERIFY(delegate.contacts.isEmpty());
    QVERIFY(host->presentedViewController());
}

void TestShareContact::aNonDelegateGetsNothingAndTheScreensClose() {
    addPeople(1);
    Bystander bystander;
    PLContactDetailViewController* detail = openDetail(QStringLiteral("APerson"), &bystander);
    tap(detail, 0, 0);
    detail->doneButtonTapped();
    world->settle();
    QVERIFY(world->alertTexts().isEmpty());
    QVERIFY(!host->presentedViewController());
}

void TestShareContact::theDetailFollowsItsScreensDirection_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<bool>("rightToLeft");
    QTest::addColumn<test::Turned>("turned");
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale hebrew(QLocale::Hebrew, QLocale::Israel);
    QTest::newRow("screen right to left") << english << true << test::Turned::FromTheStart;
    QTest::newRow("program right to left") << english << true << test::Turned::Program;
    QTest::newRow("screen turned while shown") << english << true << test::Turned::WhileShown;
    QTest::newRow("Hebrew locale, screen left to right") << hebrew << false << test::Turned::FromTheStart;
}

// Right to left the picture, the icons and the texts start at the right and the ticks lie at the left,
// as left to right mirrored in their parents' widths; a screen left to right stays so whatever the
// locale's direction.
void TestShareContact::theDetailFollowsItsScreensDirection() {
    QFETCH(QLocale, locale);
    QFETCH(bool, rightToLeft);
    QFETCH(test::Turned, turned);
    writeCard(world->contactsFolder.path(), "b.vcf",
              card("Ben", "Lee", "TEL;TYPE=CELL:+49 30 555 0111\r\nEMAIL;TYPE=WORK:ben@example.test\r\n"));
    RecordingShareDelegate delegate;
    PLContactDetailViewController* detail = openDetail(QStringLiteral("Ben"), &delegate);
    tap(detail, 0, 0);
    const QList<QWidget*> leftToRight = detailParts(detail);
    QCOMPARE(leftToRight.size(), 10);
    const QList<QRect> expected =
        rightToLeft ? test::mirroredGeometries(leftToRight) : test::geometries(leftToRight);
    QCOMPARE(textsStartRight(leftToRight), QList<bool>(5, false));
    cleanup();
    const auto back = qScopeGuard([this] {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        // The window outlives the test: it follows the program again.
        QGuiApplication::setLayoutDirection(Qt::LeftToRight);
        world->window->unsetLayoutDirection();
    });
    QLocale::setDefault(locale);
    if (rightToLeft)
        test::turnRightToLeft(turned, false, world->window.get());
    detail = openDetail(QStringLiteral("Ben"), &delegate);
    tap(detail, 0, 0);
    if (rightToLeft)
        test::turnRightToLeft(turned, true, detail->view());
    QCOMPARE(test::geometries(detailParts(detail)), expected);
    QCOMPARE(textsStartRight(detailParts(detail)), QList<bool>(5, rightToLeft));
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestShareContact t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_sharecontact.moc"
