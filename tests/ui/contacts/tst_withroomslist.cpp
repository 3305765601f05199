// The contact picker as the rooms list opens it, with the library started against the stand-in
// service: a new conversation with one colleague reaches the service and opens in the conversation
// screen, and members chosen for a room the user administers are added to it on the service.
#include "RoomsTestKit.h"
#include "ui/contacts/ContactsScreens.h"
#include "ui/contacts/PLContactsViewController.h"

#include <QApplication>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::ScreenRegistry;

namespace {

QJsonArray seededRooms() {
    return QJsonArray{
        QJsonObject{{"_id", "g-admin"}, {"name", "Ops"}, {"members", QJsonArray{41, 42}}, {"admin", 41}}};
}

// The picker the rooms list presented, once it is up.
PLContactsViewController* presentedPicker(const ListOnScreen& screen) {
    auto* navigation = qobject_cast<NavigationController*>(screen.nav->presentedViewController());
    return navigation ? qobject_cast<PLContactsViewController*>(navigation->topViewController()) : nullptr;
}

bool choose(PLContactsViewController* picker, const QString& name) {
    auto* table = picker->contactsTableView();
    for (int s = 0; s < table->numberOfSections(); ++s)
        for (int r = 0; r < table->numberOfRows(s); ++r)
            if (picker->contactForIndexPath({s, r}).profileName() == name) {
                picker->didSelectRowAtIndexPath(table, {s, r});
                return true;
            }
    return false;
}

QStringList offered(const PLContactsViewController* picker) {
    QStringList names;
    for (const PLPickerContact& contact : picker->pelnixContacts())
        names << contact.profileName();
    return names;
}

} // namespace

class TestPickerWithRoomsList : public QObject {
    Q_OBJECT
private slots:
    void init() {
        ScreenRegistry::shared()->clear();
        service = std::make_unique<LiveService>(seededRooms());
        ContactsScreens::registerScreens();
        FakeChatWindow::registerScreen();
        Pelnix::setShowContactOptions(PLContactsViewController::ActiveUsersSource);
    }
    void cleanup() {
        service.reset();
        ScreenRegistry::shared()->clear();
    }

    void newConversationOpensTheRoom();
    void chosenPeopleJoinTheRoom();

private:
    std::unique_ptr<LiveService> service;
};

void TestPickerWithRoomsList::newConversationOpensTheRoom() {
    ListOnScreen screen;
    screen.list->addChatRoomButtonClickHandler();
    PLContactsViewController* picker = presentedPicker(screen);
    QVERIFY(picker);
    QCOMPARE(picker->delegate(), screen.list);
    QVERIFY(!picker->isPresentedToAddMoreContacts());
    // Ann's colleagues, without Ann.
    QTRY_COMPARE(offered(picker), (QStringList{"Bob", "Carla"}));
    QVERIFY(choose(picker, "Carla"));
    picker->startConversationButton()->click();
    // The room exists on the service and opens over the list.
    QTRY_VERIFY(qobject_cast<FakeChatWindow*>(screen.nav->topViewController()));
    const QString roomID = qobject_cast<FakeChatWindow*>(screen.nav->topViewController())->chatRoomID();
    QVERIFY(!roomID.isEmpty());
    QCOMPARE(ChatRoom::chatRoomWithID(roomID)->name(), QString("Carla"));
    QCOMPARE(service->requests("POST", "/rooms"), 1);
    QVERIFY(!screen.nav->presentedViewController());
}

void TestPickerWithRoomsList::chosenPeopleJoinTheRoom() {
    ListOnScreen screen;
    const int row = int(screen.rows().indexOf("g-admin"));
    PLChatRoomTableViewCell* cell = screen.cell(row);
    QVERIFY(cell);
    cell->toggleCellState();
    screen.list->cellDidSelectChatRoomOption(cell, PLChatRoomsTableViewController::AddMembersOption);
    QTRY_VERIFY(presentedPicker(screen));
    PLContactsViewController* picker = presentedPicker(screen);
    QVERIFY(picker->isPresentedToAddMoreContacts());
    // Bob is in the room already.
    QTRY_COMPARE(offered(picker), QStringList{"Carla"});
    QVERIFY(choose(picker, "Carla"));
    QCOMPARE(picker->startConversationButton()->titleForState(platform::ui::Button::State::Normal),
             QString("Add member"));
    picker->startConversationButton()->click();
    QTRY_COMPARE(screen.floatingTexts(), QStringList{QStringLiteral("1 member added to Ops")});
    QCOMPARE(service->requests("POST", "/rooms/g-admin/members"), 1);
    QVERIFY(!screen.nav->presentedViewController());
}

int main(int argc, char** argv) {
    test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestPickerWithRoomsList t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_withroomslist.moc"
