// The admin change list on the store: who is listed, the letter sections and their order, the
// search, the row heights, and the alert of a room where nobody else could take the role.
#include "KeyPresses.h"
#include "MembersTestKit.h"
#include "ui/rooms/PLMakeAdminViewController.h"
#include "ui/rooms/PLSelectAdminViewController.h"
#include "ui/toolkit/PLCustomSearchTextField.h"

#include <QApplication>
#include <QSignalSpy>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::ScreenRegistry;

namespace {
// A letter outside the basic plane: two UTF-16 units.
const QString kScriptA = QString::fromUcs4(U"\U0001D49C");

PLSelectAdminViewController* selectionOf(const QString& roomID) {
    auto* screen = new PLSelectAdminViewController;
    screen->setCurrentRoom(ChatRoom::chatRoomWithID(roomID));
    return screen;
}

QStringList names(const PLSelectAdminViewController* screen) {
    QStringList out;
    for (const QString& title : screen->contactsSectionTitles())
        out << title + ":" + screen->namesInSection(title).join(",");
    return out;
}
} // namespace

class TestSelectAdmin : public QObject {
    Q_OBJECT
private slots:
    void init() {
        ScreenRegistry::shared()->clear();
        store = std::make_unique<RoomsStore>();
        addGroup("g-case", "Case",
                 {kAnnPerson,
                  {42, "bob", "bob2@acme.test"},
                  {43, "Bob", "bob@acme.test"},
                  {44, "xena", "xena@acme.test"},
                  {45, "Yves", "Xavier@acme.test"},
                  {46, QString(), "nameless@acme.test"},
                  {47, "Noemail", QString()},
                  {48, "", "blank@acme.test"},
                  {49, kScriptA + "lex", "alex@acme.test"}},
                 kAnn);
        addGroup("g-alone", "Alone", {kAnnPerson}, kAnn);
    }
    void cleanup() {
        store.reset();
        ScreenRegistry::shared()->clear();
    }

    void sectionLetter_data();
    void sectionLetter();
    void listsOthersWithNameAndEmailInLetterSections();
    void searchMatchesNameOrEmailPrefixInEitherCase();
    void rowHeight_data();
    void rowHeight();
    void aRoomWithOnlyTheAdminSaysSoOnEveryAppearance();
    void aRowChoosesItsOwnMember();
    void theConfirmationTakesTheKeys_data();
    void theConfirmationTakesTheKeys();

private:
    std::unique_ptr<RoomsStore> store;
};

void TestSelectAdmin::sectionLetter_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("letter");
    QTest::newRow("lower case") << "bob"
                                << "B";
    QTest::newRow("upper case") << "Bob"
                                << "B";
    QTest::newRow("accented") << "émile"
                              << "É";
    QTest::newRow("outside the basic plane") << kScriptA + "lex" << kScriptA;
    QTest::newRow("empty") << ""
                           << "";
}

void TestSelectAdmin::sectionLetter() {
    QFETCH(QString, name);
    QTEST(PLSelectAdminViewController::sectionLetter(name), "letter");
}

void TestSelectAdmin::listsOthersWithNameAndEmailInLetterSections() {
    auto* screen = selectionOf("g-case");
    OnScreen shown(screen, 1);
    QCOMPARE(screen->title(), QStringLiteral("Change Admin"));
    // Ann, the admin, is not listed; nor are the members without a name or an address.
    QCOMPARE(screen->allRoomMembers().size(), 8);
    QStringList listed = names(screen);
    listed.sort();
    QCOMPARE(listed, (QStringList{"B:Bob,bob", "X:xena", "Y:Yves", kScriptA + ":" + kScriptA + "lex"}));
    // Titles in case-insensitive order.
    QStringList titles = screen->contactsSectionTitles();
    QCOMPARE(titles.indexOf("B") < titles.indexOf("X"), true);
    QCOMPARE(titles.indexOf("X") < titles.indexOf("Y"), true);
    const int b = int(titles.indexOf("B"));
    QCOMPARE(screen->memberForIndexPath({b, 0})->user()->email(), QStringLiteral("bob@acme.test"));
    QCOMPARE(screen->memberForIndexPath({b, 1})->user()->email(), QStringLiteral("bob2@acme.test"));
    QVERIFY(!screen->memberForIndexPath({-1, 0}));
    QVERIFY(!screen->memberForIndexPath({b, 2}));
    QCOMPARE(screen->adminSelectionTableView()->numberOfSections(), 4);
    QVERIFY(!shown.alert());
}

void TestSelectAdmin::searchMatchesNameOrEmailPrefixInEitherCase() {
    auto* screen = selectionOf("g-case");
    OnScreen shown(screen, 1);
    screen->searchInList();
    QVERIFY(screen->isSearchBarShown());
    PLCustomSearchTextField* field = screen->searchView()->searchTextField();
    field->setText("x");
    screen->searchTextFieldDidChange(field);
    QCOMPARE(names(screen), (QStringList{"X:xena", "Y:Yves"}));
    field->setText("BOB");
    screen->searchTextFieldDidChange(field);
    QCOMPARE(names(screen), QStringList{"B:Bob,bob"});
    field->setText("");
    screen->searchTextFieldDidChange(field);
    QCOMPARE(names(screen).size(), 4);
    field->setText("y");
    screen->searchTextFieldDidChange(field);
    screen->searchViewCancelledSearch();
    QVERIFY(!screen->isSearchBarShown());
    QCOMPARE(names(screen).size(), 4);
}

void TestSelectAdmin::rowHeight_data() {
    QTest::addColumn<QString>("email");
    QTest::addColumn<qreal>("width");
    QTest::addColumn<qreal>("height");
    QTest::newRow("short address") << "bob@acme.test" << 320.0 << 64.0;
    QTest::newRow("long address, phone")
        << "firstname.middlename.lastname.department@subsidiary.example.test" << 320.0 << 76.0;
    QTest::newRow("long address, wide")
        << "firstname.middlename.lastname.department@subsidiary.example.test" << 1024.0 << 64.0;
    QTest::newRow("no address") << "" << 320.0 << 64.0;
}

void TestSelectAdmin::rowHeight() {
    QFETCH(QString, email);
    QFETCH(qreal, width);
    QTEST(PLSelectAdminViewController::rowHeightForEmail(email, width), "height");
}

void TestSelectAdmin::aRoomWithOnlyTheAdminSaysSoOnEveryAppearance() {
    auto* screen = selectionOf("g-alone");
    OnScreen shown(screen, 1);
    QCOMPARE(shown.alertText(), QStringLiteral("Alert | No active members available to change admin"));
    QVERIFY(screen->contactsSectionTitles().isEmpty());
    shown.alert()->tapButtonAtIndex(0);
    shown.nav->pushViewController(new platform::ui::ViewController, false);
    shown.nav->popViewController(false);
    QCoreApplication::processEvents();
    QCOMPARE(shown.window.alerts().size(), 1);
}

void TestSelectAdmin::aRowChoosesItsOwnMember() {
    auto* screen = selectionOf("g-case");
    OnScreen shown(screen, 1);
    const int x = int(screen->contactsSectionTitles().indexOf("X"));
    screen->didSelectRowAtIndexPath(screen->adminSelectionTableView(), {x, 0});
    auto* confirmation = qobject_cast<PLMakeAdminViewController*>(screen->presentedViewController());
    QVERIFY(confirmation);
    QCOMPARE(confirmation->selectedMember()->user()->userID(), 44);
    QCOMPARE(screen->selectedRoomMember()->user()->userID(), 44);
    // Offline the confirmation sends nothing and stays.
    store->fixture.setOnline(false);
    confirmation->confirmButton()->click();
    QCOMPARE(screen->presentedViewController(), confirmation);
    QVERIFY(!PLActivityIndicatorView::isVisible());
    store->fixture.setOnline(true);
    // A transfer that is done pops only a screen that stands on the stack above another.
    screen->adminChangeComplete();
    QCOMPARE(shown.nav->viewControllers().size(), 1);
    screen->adminChangeComplete();
    QCOMPARE(shown.nav->viewControllers().size(), 1);
}

void TestSelectAdmin::theConfirmationTakesTheKeys_data() {
    addPressingKeys({"Cancel", "Confirm"});
}

// Tab reaches the confirmation's Cancel and Confirm from where the keys are as it opens; Space,
// Return and the keypad's Enter press them, once for a key held down.
void TestSelectAdmin::theConfirmationTakesTheKeys() {
    QFETCH(QString, control);
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(int, repeats);
    auto* screen = selectionOf("g-case");
    OnScreen shown(screen, 1);
    QVERIFY(QTest::qWaitForWindowActive(&shown.window));
    screen->didSelectRowAtIndexPath(screen->adminSelectionTableView(),
                                    {int(screen->contactsSectionTitles().indexOf("X")), 0});
    QPointer confirmation = qobject_cast<PLMakeAdminViewController*>(screen->presentedViewController());
    QVERIFY(confirmation);
    QCoreApplication::processEvents();
    // Offline, Confirm asks nothing of the service.
    store->fixture.setOnline(false);
    platform::ui::Button* target =
        control == QLatin1String("Cancel") ? confirmation->closeButton() : confirmation->confirmButton();
    QSignalSpy pressed(target, &platform::ui::Button::clicked);
    QWindow* keys = shown.window.windowHandle();
    QVERIFY(tabTo(keys, target));
    pressKey(keys, Qt::Key(key), modifiers, repeats);
    QCOMPARE(pressed.size(), 1);
    if (control == QLatin1String("Cancel"))
        QTRY_VERIFY(!screen->presentedViewController());
    store->fixture.setOnline(true);
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestSelectAdmin t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_selectadmin.moc"
