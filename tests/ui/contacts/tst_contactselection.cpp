// The contact picker's choice against the stand-in service: toggling and its refusals, the action
// bar by mode and count, the add-more hand-back, the network guard, the one-to-one room, the group
// through the new group screen, and the lists the new group screen and the member editor hand back.
#include "ContactsTestKit.h"
#include "KeyPresses.h"
#include "core/model/RoomMember.h"
#include "interface/PelnixContactFetchController.h"
#include "ui/contacts/PLContactsTableViewCell.h"

#include <QSignalSpy>

using namespace pelnix;
using namespace pelnix::test;

namespace {
// Bob and Cid are users of the service (and of the store); the book holds the first ten people.
struct SelectionWorld : ContactsWorld {
    explicit SelectionWorld(quint64 options = 3) : ContactsWorld(options) {
        seedColleagues();
        writeBook(10);
        storeUsers({userJSON(42, "Bob", "bob@acme.test"), userJSON(43, "Cid", "cid@acme.test")});
    }
};

QVariantMap lastForm(CoreFixture& fixture, const std::string& path) {
    QVariantMap form;
    for (const auto& [key, value] : decodeForm(fixture.lastRequest(path).body))
        form.insert(key, value);
    return form;
}

// "name|detail" of a tap.
bool tapEntry(PickerOnScreen& screen, const QString& entry) {
    const QStringList parts = entry.split(QLatin1Char('|'));
    return screen.tap(parts.value(0), parts.value(1));
}

// Clicks the row ("name|detail") where it shows, scrolled into view first; the cell, or null.
PLContactsTableViewCell* clickRow(PickerOnScreen& screen, const QString& entry) {
    const QStringList parts = entry.split(QLatin1Char('|'));
    const auto path = screen.rowOf(parts.value(0), parts.value(1));
    if (!path)
        return nullptr;
    screen.table()->scrollToRowAtIndexPath(*path, platform::ui::TableView::ScrollPosition::Middle, false);
    QCoreApplication::processEvents();
    auto* cell = qobject_cast<PLContactsTableViewCell*>(screen.table()->cellForRowAtIndexPath(*path));
    if (!cell)
        return nullptr;
    QTest::mouseClick(screen.window.windowHandle(), Qt::LeftButton, {},
                      cell->mapTo(&screen.window, cell->rect().center()));
    return cell;
}

QStringList chosen(const PLContactsViewController* picker) {
    QStringList out;
    for (const PLPickerContact& contact : picker->selectedContactsArray())
        out << contact.profileName() + QLatin1Char('|') +
                   (contact.email().isEmpty() ? contact.phone() : contact.email());
    return out;
}
} // namespace

class TestContactSelection : public QObject {
    Q_OBJECT
private slots:
    void toggling_data();
    void toggling();
    void actionBar_data();
    void actionBar();
    void addMoreHandsBackInOrder();
    void offlineMainButtonOnlyAlerts_data();
    void offlineMainButtonOnlyAlerts();
    void oneToOneRoomReachesTheService();
    void oneToOneRefusalShowsTheReason();
    void groupIsCreatedThroughTheNewGroupScreen();
    void handedBackListsPruneTypedAddresses();
    void searchTapsAreReported();
    void choiceOutlivesAnotherContactsFetch_data();
    void choiceOutlivesAnotherContactsFetch();
    void theActionBarTakesTheKeys_data();
    void theActionBarTakesTheKeys();
    void tabReachesTheActionBarOnlyWhileItShows();
};

void TestContactSelection::toggling_data() {
    QTest::addColumn<QStringList>("taps");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QStringList>("alerts");
    QTest::newRow("a second tap unchooses, without an alert")
        << QStringList{"Bob", "Cora Lind", "Bob"} << QStringList{"Cora Lind|cora.lind@people.test"}
        << QStringList();
    QTest::newRow("a malformed address is refused")
        << QStringList{"Broken"} << QStringList()
        << QStringList{"INVALID ID | Selected email is invalid. Please correct it to continue."};
    QTest::newRow("the same address from another source is a duplicate")
        << QStringList{"Carla Diaz", "Carla (work)"} << QStringList{"Carla Diaz|carla.diaz@people.test"}
        << QStringList{"Duplicate | You have already added this contact."};
    QTest::newRow("numbers never clash")
        << QStringList{"Aaron Blake|+1 555-0101", "Aaron B.|+1 555-0101"}
        << QStringList{"Aaron Blake|+1 555-0101", "Aaron B.|+1 555-0101"} << QStringList();
}

void TestContactSelection::toggling() {
    QFETCH(QStringList, taps);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, alerts);
    SelectionWorld world(7);
    world.storeUsers({userJSON(44, "Carla (work)", "carla.diaz@people.test")});
    world.host.contacts = QList<PLPelnixContact>{{"Broken", "broken@", ""}, {"Aaron B.", "", "+1 555-0101"}};
    PickerOnScreen screen;
    screen.finishLoading();
    for (const QString& tap : taps)
        QVERIFY2(tapEntry(screen, tap), qPrintable(tap));
    QCOMPARE(chosen(screen.picker), expected);
    QCOMPARE(screen.alertTexts(), alerts);
    // The rows on screen show the choice.
    for (auto* cell : screen.table()->visibleCells()) {
        auto* row = qobject_cast<PLContactsTableViewCell*>(cell);
        const auto path = screen.table()->indexPathForCell(cell);
        QVERIFY(row && path);
        QCOMPARE(row->isShownAsSelected(),
                 screen.picker->selectedContactsArray().contains(screen.picker->contactForIndexPath(*path)));
    }
}

void TestContactSelection::actionBar_data() {
    QTest::addColumn<bool>("addMore");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("image");
    QTest::addColumn<bool>("edit");
    QTest::newRow("new, nothing chosen") << false << 0 << QString() << false << false;
    QTest::newRow("new, one") << false << 1 << "Start Conversation" << true << false;
    QTest::newRow("new, two") << false << 2 << "Make Group (2)" << false << true;
    QTest::newRow("new, three") << false << 3 << "Make Group (3)" << false << true;
    QTest::newRow("add more, one") << true << 1 << "Add member" << false << false;
    QTest::newRow("add more, two") << true << 2 << "Add members (2)" << false << true;
}

void TestContactSelection::actionBar() {
    QFETCH(bool, addMore);
    QFETCH(int, count);
    QFETCH(QString, title);
    QFETCH(bool, image);
    QFETCH(bool, edit);
    SelectionWorld world;
    PickerOnScreen screen({}, addMore);
    screen.finishLoading();
    QWidget* page = screen.picker->view();
    QWidget* bar = screen.picker->bottomView();
    QCOMPARE(bar->y(), page->height()); // waiting below the visible area
    for (const QString& name : QStringList{"Bob", "Cid", "Cora Lind"}.mid(0, count))
        QVERIFY(screen.tap(name));
    auto* button = screen.picker->startConversationButton();
    if (count == 0) {
        QCOMPARE(bar->y(), page->height());
        return;
    }
    QCOMPARE(bar->geometry().bottom() + 1, page->height());
    QCOMPARE(button->titleForState(platform::ui::Button::State::Normal), title);
    QCOMPARE(!button->imageForState(platform::ui::Button::State::Normal).isNull(), image);
    QCOMPARE(screen.picker->editButton()->isVisible(), edit);
    if (count == 1) {
        QVERIFY(qAbs(QRectF(button->geometry()).center().x() - page->width() / 2.0) <= 0.5);
    } else {
        QCOMPARE(button->geometry().right() + 1, page->width() - 5);
        QVERIFY(screen.picker->editButton()->geometry().right() < button->geometry().left());
    }
    // The list leaves room for the bar.
    QCOMPARE(screen.table()->contentInset().bottom(), PLContactsViewController::kBottomViewHeight);
    // Unchoosing everything slides the bar away again.
    for (const QString& name : QStringList{"Bob", "Cid", "Cora Lind"}.mid(0, count))
        QVERIFY(screen.tap(name));
    QCOMPARE(bar->y(), page->height());
    QCOMPARE(screen.table()->contentInset().bottom(), 0);
}

void TestContactSelection::addMoreHandsBackInOrder() {
    SelectionWorld world;
    PickerOnScreen screen({QVariant::fromValue(User::userWithIntID(43))}, true);
    screen.finishLoading();
    QVERIFY(!screen.rowOf("Cid")); // already in the room
    QVERIFY(screen.tap("Cora Lind"));
    screen.type("new.person@else.test");
    screen.picker->addContactsButtonTapped();
    QVERIFY(screen.tap("Bob"));
    QVERIFY(screen.tap("Aaron Blake", "+1 555-0101"));
    screen.picker->startConversationButton()->click();
    QCOMPARE(screen.host->added.size(), 1);
    QCOMPARE(namesOf(screen.host->added.first()),
             (QStringList{"Cora Lind", "new.person@else.test", "Bob", "Aaron Blake"}));
    // The kinds the rooms screens read: an address-book entry, a typed one, a user, a number.
    const QVariantList& handed = screen.host->added.first();
    QCOMPARE(handed.at(0).metaType(), QMetaType::fromType<PLAddressBookContact>());
    QCOMPARE(handed.at(1).value<PLAddressBookContact>().email, QString("new.person@else.test"));
    QCOMPARE(handed.at(2).value<std::shared_ptr<User>>(), User::userWithIntID(42));
    QCOMPARE(handed.at(3).value<PLAddressBookContact>().phone, QString("+1 555-0101"));
    QVERIFY(!screen.isPresented());
    QVERIFY(screen.host->openedRooms.isEmpty());
}

void TestContactSelection::offlineMainButtonOnlyAlerts_data() {
    QTest::addColumn<bool>("addMore");
    QTest::addColumn<QStringList>("taps");
    QTest::newRow("add more") << true << QStringList{"Bob"};
    QTest::newRow("one contact") << false << QStringList{"Bob"};
    QTest::newRow("two contacts") << false << QStringList{"Bob", "Cid"};
}

void TestContactSelection::offlineMainButtonOnlyAlerts() {
    QFETCH(bool, addMore);
    QFETCH(QStringList, taps);
    SelectionWorld world;
    PickerOnScreen screen({}, addMore);
    screen.finishLoading();
    for (const QString& name : taps)
        QVERIFY(screen.tap(name));
    world.fixture.server().clearRequestLog();
    world.fixture.setOnline(false);
    screen.picker->startConversationButton()->click();
    QCOMPARE(screen.alertTexts(), QStringList{"Failed | Please check your network connectivity."});
    QVERIFY(screen.isPresented());
    QVERIFY(!screen.picker->presentedViewController());
    QVERIFY(!PLActivityIndicatorView::isVisible());
    QVERIFY(screen.host->added.isEmpty());
    QCOMPARE(world.fixture.requestsTo("/rooms"), 0);
    QCOMPARE(screen.picker->selectedContactsArray().size(), taps.size());
}

void TestContactSelection::oneToOneRoomReachesTheService() {
    SelectionWorld world;
    PickerOnScreen screen;
    screen.finishLoading();
    QVERIFY(screen.tap("Bob"));
    world.fixture.server().addFault({"^/rooms/?$", "POST", 1, standin::FaultInjector::Mode::Hold});
    screen.picker->startConversationButton()->click();
    QVERIFY(PLActivityIndicatorView::isVisible());
    QTRY_COMPARE(world.fixture.server().heldCount(), 1);
    world.fixture.server().releaseHeld();
    QTRY_COMPARE(screen.host->openedRooms.size(), 1);
    ContactsWorld::settleBusyIndicator();
    QVERIFY(!PLActivityIndicatorView::isVisible());

    // The room is named after the contact, without a welcome message, with the contact's address.
    const QVariantMap form = lastForm(world.fixture, "/rooms");
    QCOMPARE(form.value("name").toString(), QString("Bob"));
    QVERIFY(form.contains("welcomeMessage"));
    QCOMPARE(form.value("welcomeMessage").toString(), QString());
    QCOMPARE(form.value("emails").toString(), QString("bob@acme.test"));
    // The room is opened once the picker has gone, without animation.
    QCOMPARE(screen.host->pickerGoneWhenOpened, QList<bool>{true});
    QVERIFY(!screen.isPresented());
    const auto room = ChatRoom::chatRoomWithID(screen.host->openedRooms.first());
    QVERIFY(room);
    // The service made Bob a member; its answer is in the store.
    const auto members = room->members();
    QVERIFY(std::any_of(members.cbegin(), members.cend(),
                        [](const auto& member) { return member->user() && member->user()->userID() == 42; }));
    QCOMPARE(world.analytics.last("Start conversation clicked"), (QVariantMap{{"success", true}}));
}

void TestContactSelection::oneToOneRefusalShowsTheReason() {
    SelectionWorld world;
    PickerOnScreen screen;
    screen.finishLoading();
    QVERIFY(screen.tap("Cora Lind"));
    standin::FaultInjector::Fault refusal{"^/rooms/?$", "POST", 1,
                                          standin::FaultInjector::Mode::ErrorEnvelope};
    refusal.statusCode = 403;
    refusal.reason = "You cannot start more conversations today.";
    world.fixture.server().addFault(refusal);
    screen.picker->startConversationButton()->click();
    QTRY_COMPARE(world.analytics.count("Start conversation clicked"), 1);
    QCOMPARE(world.analytics.last("Start conversation clicked"), (QVariantMap{{"success", false}}));
    QCOMPARE(screen.alertTexts(), QStringList{" | You cannot start more conversations today."});
    QVERIFY(screen.isPresented());
    QCOMPARE(chosen(screen.picker), QStringList{"Cora Lind|cora.lind@people.test"});

    // A failure without a reason shows nothing; the picker stays with its choice.
    screen.dismissAlerts();
    world.fixture.server().addFault({"^/rooms/?$", "POST", 1, standin::FaultInjector::Mode::ServerError});
    screen.picker->startConversationButton()->click();
    QTRY_COMPARE(world.analytics.count("Start conversation clicked"), 2);
    ContactsWorld::settleBusyIndicator();
    QVERIFY(screen.alertTexts().isEmpty());
    QVERIFY(screen.isPresented());
    QVERIFY(!PLActivityIndicatorView::isVisible());
    QVERIFY(screen.host->openedRooms.isEmpty());
}

void TestContactSelection::groupIsCreatedThroughTheNewGroupScreen() {
    SelectionWorld world;
    PickerOnScreen screen;
    screen.finishLoading();
    QVERIFY(screen.tap("Bob"));
    QVERIFY(screen.tap("Cora Lind"));
    screen.type("new.person@else.test");
    screen.picker->addContactsButtonTapped();
    screen.picker->startConversationButton()->click();

    HandOffStandIn* group = newGroupScreen();
    QVERIFY(group);
    QCOMPARE(screen.picker->presentedViewController(), group->navigationController());
    QCOMPARE(namesOf(group->contacts()), (QStringList{"Bob", "Cora Lind", "new.person@else.test"}));
    QCOMPARE(group->pickerDelegate(), screen.picker.data());

    QVERIFY(group->create("Weekend"));
    QTRY_COMPARE(screen.host->openedRooms.size(), 1);
    // The picker and the new group screen went together; the room is opened after.
    QVERIFY(!screen.host->presentedViewController() ||
            screen.host->presentedViewController()->isBeingDismissed());
    const QVariantMap form = lastForm(world.fixture, "/rooms");
    QCOMPARE(form.value("name").toString(), QString("Weekend"));
    QCOMPARE(form.value("emails").toString(),
             QString("bob@acme.test,cora.lind@people.test,new.person@else.test"));
    const auto room = ChatRoom::chatRoomWithID(screen.host->openedRooms.first());
    QVERIFY(room);
    QCOMPARE(room->name(), QString("Weekend"));
}

void TestContactSelection::handedBackListsPruneTypedAddresses() {
    SelectionWorld world;
    PickerOnScreen screen;
    screen.finishLoading();
    screen.type("one@else.test");
    screen.picker->addContactsButtonTapped();
    screen.type("two@else.test");
    screen.picker->addContactsButtonTapped();
    QVERIFY(screen.tap("Cora Lind"));
    QCOMPARE(namesOf(screen.picker->newlyAddedContactsArray()),
             (QStringList{"one@else.test", "two@else.test"}));

    // The editor works on a copy; its done replaces the choice and drops the typed address it lost.
    screen.picker->editButton()->click();
    HandOffStandIn* editor = memberEditor();
    QVERIFY(editor);
    QCOMPARE(editor->property("shouldShowAddMoreMembersOption"), QVariant(false));
    QVariantList edited = editor->contacts();
    QCOMPARE(world.analytics.last("Edit members"),
             (QVariantMap{{"success", true}, {"List of members", qint64(3)}, {"Has picture", false}}));
    edited.removeAt(0);
    editor->handBack("editedGroupMembersCompletionHandler", edited);
    QCOMPARE(namesOf(screen.picker->selectedContactsArray()), (QStringList{"two@else.test", "Cora Lind"}));
    QCOMPARE(namesOf(screen.picker->newlyAddedContactsArray()), QStringList{"two@else.test"});
    QCOMPARE(screen.rowsByName().first(), QString(": two@else.test"));
    // The returned entries are the picker's own: the row shows them chosen.
    const auto cora = screen.rowOf("Cora Lind");
    QVERIFY(qobject_cast<PLContactsTableViewCell*>(screen.table()->cellForRowAtIndexPath(*cora))
                ->isShownAsSelected());
    QCOMPARE(screen.picker->startConversationButton()->titleForState(platform::ui::Button::State::Normal),
             QString("Make Group (2)"));

    // The new group screen's cancel hands back its list the same way.
    screen.picker->startConversationButton()->click();
    HandOffStandIn* group = newGroupScreen();
    QVERIFY(group);
    QVariantList kept = group->contacts();
    kept.removeAt(0);
    group->handBack("newGroupViewCompletionHandler", kept);
    QVERIFY(screen.picker->newlyAddedContactsArray().isEmpty());
    QCOMPARE(namesOf(screen.picker->selectedContactsArray()), QStringList{"Cora Lind"});
    QVERIFY(!screen.picker->hasTypedAddressSection());
    QCOMPARE(screen.picker->startConversationButton()->titleForState(platform::ui::Button::State::Normal),
             QString("Start Conversation"));
    QVERIFY(screen.isPresented());
}

void TestContactSelection::searchTapsAreReported() {
    SelectionWorld world;
    world.storeUsers({userJSON(45, "Cora (home)", "cora.lind@people.test")});
    PickerOnScreen screen;
    screen.finishLoading();
    screen.type("cora");
    QCOMPARE(namesOf(screen.picker->filteredMembersArray()), (QStringList{"Cora (home)", "Cora Lind"}));
    QVERIFY(screen.tap("Cora Lind"));
    QCOMPARE(world.analytics.last("Contacts- Search"),
             (QVariantMap{{"TextInput", "cora"}, {"#of Items", qint64(2)}}));
    // Also when the tap is refused.
    QVERIFY(screen.tap("Cora (home)"));
    QCOMPARE(screen.alertTexts(), QStringList{"Duplicate | You have already added this contact."});
    QCOMPARE(world.analytics.count("Contacts- Search"), 2);
}

void TestContactSelection::choiceOutlivesAnotherContactsFetch_data() {
    QTest::addColumn<QString>("entry");
    QTest::newRow("a user of the service") << "Bob|bob@acme.test";
    QTest::newRow("an address-book entry") << "Cora Lind|cora.lind@people.test";
    QTest::newRow("an address-book number") << "Aaron Blake|+1 555-0101";
    QTest::newRow("a host contact") << "Hana Host|hana@host.test";
}

void TestContactSelection::choiceOutlivesAnotherContactsFetch() {
    QFETCH(QString, entry);
    // The organisation's list is fetched while the picker waits; the list stays due for fetching.
    ContactsWorld world(7);
    world.seedColleagues();
    world.writeBook(10);
    world.host.contacts = QList<PLPelnixContact>{{"Hana Host", "hana@host.test", ""}};
    PickerOnScreen screen;
    QTRY_VERIFY(!screen.picker->isWaitingForContacts());
    screen.finishLoading();
    auto* cell = clickRow(screen, entry);
    QVERIFY2(cell, qPrintable(entry));
    QCOMPARE(chosen(screen.picker), QStringList{entry});
    QVERIFY(cell->isShownAsSelected());

    // The host fetches the contacts again: the picker lists everyone anew.
    bool fetched = false;
    PelnixContactFetchController::create()->fetchPelnixContactsWithCompletion(
        [&fetched](bool success, const PLOptionalError&, const QList<PLPelnixContact>&) {
            fetched = success;
        });
    QTRY_VERIFY(fetched);
    screen.finishLoading();
    QCOMPARE(world.fixture.requestsTo("/contacts"), 2);
    // The person is still chosen, and the row says so.
    QCOMPARE(chosen(screen.picker), QStringList{entry});
    const QStringList parts = entry.split(QLatin1Char('|'));
    const auto path = screen.rowOf(parts.value(0), parts.value(1));
    QVERIFY(path);
    screen.table()->scrollToRowAtIndexPath(*path, platform::ui::TableView::ScrollPosition::Middle, false);
    QCoreApplication::processEvents();
    auto* shown = qobject_cast<PLContactsTableViewCell*>(screen.table()->cellForRowAtIndexPath(*path));
    QVERIFY(shown && shown->isShownAsSelected());
    // A click unchooses the person, without a word.
    QVERIFY(clickRow(screen, entry));
    QVERIFY(screen.alertTexts().isEmpty());
    QVERIFY(screen.picker->selectedContactsArray().isEmpty());
    QCOMPARE(screen.picker->bottomView()->y(), screen.picker->view()->height());
}

void TestContactSelection::theActionBarTakesTheKeys_data() {
    addPressingKeys({"Start Conversation", "Edit"});
}

// Tab reaches the bar's buttons once it has come up with a choice; Space, Return and the keypad's
// Enter press them, once for a key held down.
void TestContactSelection::theActionBarTakesTheKeys() {
    QFETCH(QString, control);
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(int, repeats);
    SelectionWorld world;
    PickerOnScreen screen;
    screen.finishLoading();
    QVERIFY(QTest::qWaitForWindowActive(&screen.window));
    const bool edit = control == QLatin1String("Edit");
    for (const QString& name : QStringList{"Bob", "Cid"}.mid(0, edit ? 2 : 1))
        QVERIFY(screen.tap(name));
    platform::ui::Button* target =
        edit ? screen.picker->editButton() : screen.picker->startConversationButton();
    QSignalSpy pressed(target, &platform::ui::Button::clicked);
    QWindow* keys = screen.window.windowHandle();
    QVERIFY(tabTo(keys, target));
    pressKey(keys, Qt::Key(key), modifiers, repeats);
    QCOMPARE(pressed.size(), 1);
}

// Waiting below the list, the bar's buttons are out of Tab's order; keys on one as the bar leaves go
// back to the typed-address field.
void TestContactSelection::tabReachesTheActionBarOnlyWhileItShows() {
    SelectionWorld world;
    PickerOnScreen screen;
    screen.finishLoading();
    QVERIFY(QTest::qWaitForWindowActive(&screen.window));
    QWindow* keys = screen.window.windowHandle();
    platform::ui::Button* start = screen.picker->startConversationButton();
    QVERIFY(!tabTo(keys, start));
    QVERIFY(screen.tap("Bob"));
    QVERIFY(tabTo(keys, start));
    QVERIFY(screen.tap("Bob"));
    QCOMPARE(QApplication::focusWidget(), screen.picker->addContactsTextField());
    QVERIFY(!tabTo(keys, start));
}

QTEST_MAIN(TestContactSelection)
#include "tst_contactselection.moc"
