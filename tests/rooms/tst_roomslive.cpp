// The rooms list against the stand-in service, with the library started as a host starts it: a post
// by another user reaches the list through the event stream, and the user's own post in a chat window
// beside it at once, as do the messages that window reads and those it catches up with on coming
// back; leaving, closing and adding members go to the server, and its refusals and a
// missing network show what the user must see.
#include "RoomsTestKit.h"
#include "core/model/PendingMessageInfo.h"
#include "foundation/DocumentSaver.h"
#include "interface/Pelnix.h"
#include "platform/ui/ApplicationStateMonitor.h"
#include "platform/ui/Label.h"
#include "ui/conversation/PLChatWindowViewController.h"
#include "ui/shell/PelnixViewController.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QScopeGuard>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::ScreenRegistry;
using standin::FaultInjector;

namespace {

// Oldest first: the list shows them the other way round.
QJsonArray seededRooms() {
    return QJsonArray{
        QJsonObject{
            {"_id", "g-member"}, {"name", "Design"}, {"members", QJsonArray{41, 42, 43}}, {"admin", 42}},
        QJsonObject{{"_id", "g-admin"}, {"name", "Ops"}, {"members", QJsonArray{41, 42}}, {"admin", 41}},
        QJsonObject{{"_id", "o-bob"}, {"type", "1"}, {"members", QJsonArray{41, 42}}, {"admin", 42}},
        QJsonObject{{"_id", "g-quiet"}, {"name", "Quiet"}, {"members", QJsonArray{41, 43}}, {"admin", 43}}};
}

// Chooses an option on the room's row, as the swiped row's button does.
PLChatRoomTableViewCell* chooseOption(ListOnScreen& screen, const QString& roomID, qint64 option) {
    const int row = int(screen.rows().indexOf(roomID));
    PLChatRoomTableViewCell* cell = screen.cell(row);
    if (!cell)
        return nullptr;
    cell->toggleCellState();
    screen.list->cellDidSelectChatRoomOption(cell, option);
    return cell;
}

// The screen a facade container shows, through the navigation controller it may wrap it in.
platform::ui::ViewController* shownScreen(platform::ui::ViewController* container) {
    const auto children = container->childViewControllers();
    auto* navigation = children.isEmpty() ? nullptr : qobject_cast<NavigationController*>(children.first());
    return navigation ? navigation->topViewController() : children.value(0);
}

// The host's window: the rooms list and the chat window of "Ops" side by side, two containers.
struct SideBySide {
    QWidget host;
    std::unique_ptr<platform::ui::ViewController> roomsContainer;
    std::unique_ptr<platform::ui::ViewController> chatContainer;

    // False when a container or the window did not come.
    bool show() {
        PelnixSetUp::connectScreens();
        roomsContainer.reset(Pelnix::pelnixGroupsViewController());
        chatContainer.reset(
            Pelnix::createPelnixWindowViewControllerWithGroup(Pelnix::pelnixGroupWithID("g-admin")));
        if (!roomsContainer || !chatContainer)
            return false;
        auto* layout = new QHBoxLayout(&host);
        layout->addWidget(roomsContainer->view(), 1);
        layout->addWidget(chatContainer->view(), 1);
        host.resize(700, 568);
        host.show();
        return QTest::qWaitForWindowExposed(&host);
    }
    ShownList list() const {
        return {qobject_cast<PLChatRoomsTableViewController*>(shownScreen(roomsContainer.get()))};
    }
    PLChatWindowViewController* chat() const {
        return qobject_cast<PLChatWindowViewController*>(shownScreen(chatContainer.get()));
    }
};

} // namespace

class TestRoomsLive : public QObject {
    Q_OBJECT
private slots:
    void init() {
        ScreenRegistry::shared()->clear();
        service = std::make_unique<LiveService>(seededRooms());
    }
    void cleanup() {
        service.reset();
        ScreenRegistry::shared()->clear();
    }

    void aPostOfAnotherUserMovesItsRoomToTheTop();
    void theUsersOwnPostInAChatWindowBesideTheListMovesItsRow();
    void messagesReadInAChatWindowBesideTheListClearItsBadge();
    void messagesCaughtUpInAChatWindowBesideTheListShowInItsRow_data();
    void messagesCaughtUpInAChatWindowBesideTheListShowInItsRow();
    void leaveReachesTheServerAndTheRowGoes();
    void closeAsAdminReachesTheServerAndTheRowGoes();
    void aRefusalSaysSoAndKeepsTheRoomAndItsMedia();
    void offlineNothingIsSent();
    void theEchoOfTheUsersOwnLeavingKeepsTheRoomLeft();
    void addMembersThroughThePicker();

private:
    std::unique_ptr<LiveService> service;
};

void TestRoomsLive::aPostOfAnotherUserMovesItsRoomToTheTop() {
    ListOnScreen screen;
    QCOMPARE(screen.rows(), (QStringList{"g-quiet", "o-bob", "g-admin", "g-member"}));
    QVERIFY(service->postAs(42, "b0b", "g-member", "Design review at ten"));
    QTRY_COMPARE(screen.rows().value(0), QStringLiteral("g-member"));
    QCOMPARE(screen.rows(), (QStringList{"g-member", "g-quiet", "o-bob", "g-admin"}));
    // The table takes the turn's changes after the list's data.
    QTRY_COMPARE(screen.shownRows(), screen.rows());
    QCOMPARE(screen.cell(0)->lastMessageLabel()->text(), QStringLiteral("Bob: Design review at ten"));
    QCOMPARE(screen.cell(0)->roomNameLabel()->text(), QStringLiteral("Design"));
    // A post into the top room leaves the order as it is.
    QVERIFY(service->postAs(43, "c4r", "g-member", "On my way"));
    QTRY_COMPARE(screen.cell(0)->lastMessageLabel()->text(), QStringLiteral("Carla: On my way"));
    QCOMPARE(screen.rows(), (QStringList{"g-member", "g-quiet", "o-bob", "g-admin"}));
}

void TestRoomsLive::theUsersOwnPostInAChatWindowBesideTheListMovesItsRow() {
    SideBySide window;
    QVERIFY(window.show());
    const ShownList screen = window.list();
    auto* chat = window.chat();
    QVERIFY(screen.list && chat);
    QTRY_COMPARE(screen.shownRows(), (QStringList{"g-quiet", "o-bob", "g-admin", "g-member"}));
    auto* field = chat->view()->findChild<QPlainTextEdit*>("messageTextView");
    auto* send = chat->view()->findChild<QAbstractButton*>("sendButton");
    QVERIFY(field && send);

    // The post waits for the service's answer: the row follows it before any answer or echo.
    service->fixture.server().addFault({"^/rooms/g-admin/messages$", "POST", 1, FaultInjector::Mode::Hold});
    field->setPlainText(QStringLiteral("Ready when you are"));
    send->click();
    QTRY_COMPARE(service->fixture.server().heldCount(), 1);
    const auto room = ChatRoom::chatRoomWithID("g-admin");
    const auto posted = Message::messageWithID(room->latestMessageId());
    QVERIFY(posted);
    QCOMPARE(posted->text(), QStringLiteral("Ready when you are"));
    QCOMPARE(posted->pendingMessages().value(0)->state(), qint16(2));
    const QStringList moved{"g-admin", "g-quiet", "o-bob", "g-member"};
    QTRY_COMPARE(screen.shownRows(), moved);
    QCOMPARE(screen.rows(), moved);
    QCOMPARE(screen.cell(0)->lastMessageLabel()->text(), QStringLiteral("Me: Ready when you are"));
    QVERIFY(!room->activityDateString().isEmpty());
    QCOMPARE(screen.cell(0)->updateTimeLabel()->text(), room->activityDateString());
    QCOMPARE(screen.cell(0)->unreadMessageCountLabel()->text(), QString());

    // Answered, the post is sent under the service's own ID; the row shows it as before, in its place.
    const QString localID = posted->messageId();
    service->fixture.server().releaseHeld();
    QTRY_VERIFY(room->latestMessageId() != localID);
    QTRY_VERIFY(posted->pendingMessages().isEmpty());
    RoomsStore::settle();
    QCOMPARE(screen.shownRows(), moved);
    QCOMPARE(screen.cell(0)->lastMessageLabel()->text(), QStringLiteral("Me: Ready when you are"));
    QCOMPARE(screen.cell(0)->updateTimeLabel()->text(), room->activityDateString());

    // A peer's post elsewhere, then the user's next one: each moves its row at once.
    QVERIFY(service->postAs(42, "b0b", "g-member", "Lunch?"));
    QTRY_COMPARE(screen.shownRows(), (QStringList{"g-member", "g-admin", "g-quiet", "o-bob"}));
    field->setPlainText(QStringLiteral("Yes, at one"));
    send->click();
    QTRY_COMPARE(screen.shownRows(), (QStringList{"g-admin", "g-member", "g-quiet", "o-bob"}));
    QCOMPARE(screen.cell(0)->lastMessageLabel()->text(), QStringLiteral("Me: Yes, at one"));
}

void TestRoomsLive::messagesReadInAChatWindowBesideTheListClearItsBadge() {
    // The host's window: the rooms list, and beside it, once Bob has posted, the chat window of "Ops".
    PelnixSetUp::connectScreens();
    QWidget host;
    auto* layout = new QHBoxLayout(&host);
    std::unique_ptr<platform::ui::ViewController> roomsContainer(Pelnix::pelnixGroupsViewController());
    QVERIFY(roomsContainer);
    layout->addWidget(roomsContainer->view(), 1);
    host.resize(700, 568);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    const ShownList screen{qobject_cast<PLChatRoomsTableViewController*>(shownScreen(roomsContainer.get()))};
    QVERIFY(screen.list);
    for (int i = 1; i <= 6; ++i)
        QVERIFY(service->postAs(42, "b0b", "g-admin", QStringLiteral("Agenda item %1").arg(i)));
    const auto room = ChatRoom::chatRoomWithID("g-admin");
    QTRY_COMPARE(room->unreadMessagesCount(), 6);
    QTRY_COMPARE(screen.shownRows().value(0), QStringLiteral("g-admin"));
    QTRY_COMPARE(screen.cell(0)->unreadMessageCountLabel()->text(), QStringLiteral("6"));

    // The chat window reads them as they show: the row follows at the next turn of the event loop.
    auto* scheduler = platform::ui::Scheduler::shared();
    scheduler->setVirtualClock(true);
    const auto realClock = qScopeGuard([scheduler] { scheduler->setVirtualClock(false); });
    std::unique_ptr<platform::ui::ViewController> chatContainer(
        Pelnix::createPelnixWindowViewControllerWithGroup(Pelnix::pelnixGroupWithID("g-admin")));
    QVERIFY(chatContainer);
    layout->addWidget(chatContainer->view(), 1);
    QTRY_VERIFY(qobject_cast<PLChatWindowViewController*>(shownScreen(chatContainer.get())));
    QTRY_VERIFY(shownScreen(chatContainer.get())->isVisible());
    scheduler->advance(PLChatWindowViewController::kAppearingReadDelayMs);
    QCOMPARE(room->unreadMessagesCount(), 0);
    RoomsStore::settle();
    QCOMPARE(screen.cell(0)->unreadMessageCountLabel()->text(), QString());
    QCOMPARE(screen.shownRows().value(0), QStringLiteral("g-admin"));
}

void TestRoomsLive::messagesCaughtUpInAChatWindowBesideTheListShowInItsRow_data() {
    QTest::addColumn<bool>("fromAnn");
    QTest::addColumn<QString>("preview");
    QTest::addColumn<QString>("badge");
    QTest::newRow("a peer's message")
        << false << QStringLiteral("Bob: Missed while away") << QStringLiteral("1");
    // Read as it arrives: the room's count does not move.
    QTest::newRow("the user's own from another device")
        << true << QStringLiteral("Me: Missed while away") << QString();
}

void TestRoomsLive::messagesCaughtUpInAChatWindowBesideTheListShowInItsRow() {
    QFETCH(bool, fromAnn);
    QFETCH(QString, preview);
    QFETCH(QString, badge);
    // The chat window reads nothing by itself while the clock stands.
    auto* scheduler = platform::ui::Scheduler::shared();
    scheduler->setVirtualClock(true);
    const auto realClock = qScopeGuard([scheduler] { scheduler->setVirtualClock(false); });
    SideBySide window;
    QVERIFY(window.show());
    const ShownList screen = window.list();
    QVERIFY(screen.list && window.chat());
    QTRY_VERIFY(window.chat()->isVisible());
    QTRY_COMPARE(screen.shownRows(), (QStringList{"g-quiet", "o-bob", "g-admin", "g-member"}));

    // Away, the stream closes and the message goes by; back, the stream's replay waits while the
    // chat window catches up with what its room missed.
    auto* appState = platform::ui::ApplicationStateMonitor::shared();
    appState->applicationStateChanged(Qt::ApplicationHidden);
    auto& server = service->fixture.server();
    QTRY_COMPARE(server.openStreams(service->fixture.userID()), 0);
    QVERIFY(fromAnn ? service->postAs(service->fixture.userID(), service->fixture.token(), "g-admin",
                                      "Missed while away")
                    : service->postAs(42, "b0b", "g-admin", "Missed while away"));
    server.addFault({"^/events$", "GET", 1, FaultInjector::Mode::Hold});
    const int fetches = service->requests("GET", "/rooms/g-admin/messages");
    appState->applicationStateChanged(Qt::ApplicationActive);
    QTRY_COMPARE(server.heldCount(), 1);
    const auto room = ChatRoom::chatRoomWithID("g-admin");
    const auto latestText = [&room] {
        const auto latest = Message::messageWithID(room->latestMessageId());
        return latest ? latest->text() : QString();
    };
    QTRY_COMPARE(latestText(), QStringLiteral("Missed while away"));
    QCOMPARE(service->requests("GET", "/rooms/g-admin/messages"), fetches + 1);

    // The row follows at the next turn of the event loop, before the stream's replay.
    RoomsStore::settle();
    QCOMPARE(server.heldCount(), 1);
    const QStringList moved{"g-admin", "g-quiet", "o-bob", "g-member"};
    QCOMPARE(screen.shownRows(), moved);
    QCOMPARE(screen.cell(0)->lastMessageLabel()->text(), preview);
    QCOMPARE(screen.cell(0)->updateTimeLabel()->text(), room->activityDateString());
    QCOMPARE(screen.cell(0)->unreadMessageCountLabel()->text(), badge);
    server.releaseHeld();
}

void TestRoomsLive::leaveReachesTheServerAndTheRowGoes() {
    const QString media = DocumentSaver::createDirectoryWithName("g-member");
    QVERIFY(QDir(media).exists());
    ListOnScreen screen;
    QVERIFY(chooseOption(screen, "g-member", PLChatRoomsTableViewController::LeaveOrCloseOption));
    AlertView* alert = screen.alert();
    QCOMPARE(alert->title(), QStringLiteral("Leave conversation"));
    QCOMPARE(alert->message(), QStringLiteral("Are you sure you want to leave Design?"));
    alert->tapButtonAtIndex(0);
    QVERIFY(PLActivityIndicatorView::isVisible());
    QTRY_VERIFY(!screen.rows().contains("g-member"));
    QCOMPARE(service->requests("DELETE", "/rooms/g-member/members/41"), 1);
    QCOMPARE(service->requests("DELETE", "/rooms/g-member"), 1);
    QCOMPARE(screen.floatingTexts(), QStringList{QStringLiteral("You Left 'Design'")});
    QTRY_VERIFY(!PLActivityIndicatorView::isVisible());
    QCOMPARE(ChatRoom::chatRoomWithID("g-member")->status(), qint16(1));
    QVERIFY(!QDir(media).exists());
    const QVariantMap event = service->analytics.last("Delete conv & leave");
    QCOMPARE(event.value("success"), QVariant(true));
    QCOMPARE(event.value("RoomId"), QVariant("g-member"));
    QCOMPARE(event.value("Group"), QVariant("Design"));
    QCOMPARE(event.value("IsAdmin"), QVariant(false));
}

void TestRoomsLive::closeAsAdminReachesTheServerAndTheRowGoes() {
    ListOnScreen screen;
    QVERIFY(chooseOption(screen, "g-admin", PLChatRoomsTableViewController::LeaveOrCloseOption));
    QCOMPARE(screen.alert()->title(), QStringLiteral("Leave and Delete"));
    QCOMPARE(screen.alert()->buttonTitleAtIndex(0), QStringLiteral("Delete"));
    screen.alert()->tapButtonAtIndex(0);
    QTRY_VERIFY(!screen.rows().contains("g-admin"));
    QCOMPARE(service->requests("DELETE", "/rooms/g-admin"), 1);
    QCOMPARE(service->requests("DELETE", "/rooms/g-admin/members"), 0);
    // The admin's success text is the leaving one.
    QCOMPARE(screen.floatingTexts(), QStringList{QStringLiteral("You Left 'Ops'")});
    QCOMPARE(service->analytics.last("Delete conv & leave").value("IsAdmin"), QVariant(true));
}

void TestRoomsLive::aRefusalSaysSoAndKeepsTheRoomAndItsMedia() {
    const QString media = DocumentSaver::createDirectoryWithName("g-admin");
    service->fixture.server().addFault({"/rooms/g-admin$", "DELETE", 1, FaultInjector::Mode::ErrorEnvelope});
    ListOnScreen screen;
    PLChatRoomTableViewCell* cell =
        chooseOption(screen, "g-admin", PLChatRoomsTableViewController::LeaveOrCloseOption);
    screen.alert()->tapButtonAtIndex(0);
    QTRY_VERIFY(screen.alert() && screen.alert()->title() == QLatin1String("Failed"));
    QCOMPARE(screen.alert()->message(), QStringLiteral("Unable to delete Ops"));
    QCOMPARE(screen.alert()->buttonTitleAtIndex(0), QStringLiteral("OK"));
    QVERIFY(screen.rows().contains("g-admin"));
    QVERIFY(QDir(media).exists());
    QVERIFY(screen.floatingTexts().isEmpty());
    // The row closed again, whichever cell shows it now.
    QVERIFY(!cell || cell->currentState() == 0);
    QVERIFY(!screen.list->swipedCell());
    QCOMPARE(service->analytics.last("Delete conv & leave").value("success"), QVariant(false));
    QTRY_VERIFY(!PLActivityIndicatorView::isVisible());
}

void TestRoomsLive::offlineNothingIsSent() {
    ListOnScreen screen;
    PLChatRoomTableViewCell* cell =
        chooseOption(screen, "g-member", PLChatRoomsTableViewController::LeaveOrCloseOption);
    service->fixture.setOnline(false);
    service->fixture.server().clearRequestLog();
    screen.alert()->tapButtonAtIndex(0);
    QCOMPARE(screen.alert()->title(), QStringLiteral("Failed"));
    QCOMPARE(screen.alert()->message(), QStringLiteral("Please check your network connectivity."));
    QVERIFY(!PLActivityIndicatorView::isVisible());
    QCoreApplication::processEvents();
    QCOMPARE(service->requests("DELETE", "/rooms/"), 0);
    // The row stays, open as it was.
    QVERIFY(screen.rows().contains("g-member"));
    QCOMPARE(cell->currentState(), 1);
    QCOMPARE(service->analytics.count("Delete conv & leave"), 0);
}

void TestRoomsLive::theEchoOfTheUsersOwnLeavingKeepsTheRoomLeft() {
    ListOnScreen screen;
    chooseOption(screen, "g-member", PLChatRoomsTableViewController::LeaveOrCloseOption);
    screen.alert()->tapButtonAtIndex(0);
    QTRY_VERIFY(!screen.rows().contains("g-member"));
    // The stream's echo of that leaving, as late as it may come, and a post of someone else after it
    // to know the echo has been through.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    service->fixture.server().injectEvent(41, QJsonObject{{"type", "left"},
                                                          {"roomId", "g-member"},
                                                          {"_id", "echo-1"},
                                                          {"date", double(now)},
                                                          {"text", "Member left"},
                                                          {"sender", "41"},
                                                          {"replacements", QJsonObject{{"target", "41"}}}});
    QVERIFY(service->postAs(43, "c4r", "g-quiet", "after the echo"));
    QTRY_COMPARE(screen.rows().value(0), QStringLiteral("g-quiet"));
    QCOMPARE(ChatRoom::chatRoomWithID("g-member")->status(), qint16(1));
    QVERIFY(!screen.rows().contains("g-member"));
    screen.list->reloadChatRooms();
    QVERIFY(!screen.rows().contains("g-member"));
}

void TestRoomsLive::addMembersThroughThePicker() {
    FakeContactPicker::registerScreen();
    ListOnScreen screen;
    QVERIFY(chooseOption(screen, "g-admin", PLChatRoomsTableViewController::AddMembersOption));
    QTRY_VERIFY(FakeContactPicker::last());
    QPointer<FakeContactPicker> picker = FakeContactPicker::last();
    QCOMPARE(service->requests("GET", "/rooms/g-admin/invitees"), 1);
    QVERIFY(picker->isPresentedToAddMoreContacts);
    // The room's people first: Ann and Bob; no one is invited yet.
    QStringList emails;
    for (const QVariant& contact : picker->added)
        emails << contact.value<std::shared_ptr<User>>()->email();
    emails.sort();
    QCOMPARE(emails, (QStringList{"ann@acme.test", "bob@acme.test"}));

    picker->addContacts({QVariant::fromValue(PLAddressBookContact{"Dana", "dana@example.test", {}, 0})});
    QTRY_COMPARE(screen.floatingTexts(), QStringList{QStringLiteral("1 member added to Ops")});
    QCOMPARE(service->requests("POST", "/rooms/g-admin/members"), 1);
    QTRY_VERIFY(!PLActivityIndicatorView::isVisible());

    // Two at once: the plural. Carla is one of the organisation's people.
    picker->addContacts({QVariant::fromValue(User::userWithIntID(43)),
                         QVariant::fromValue(PLPelnixContact{"Eve", "eve@example.test", {}})});
    QTRY_VERIFY(screen.floatingTexts().contains(QStringLiteral("2 members added to Ops")));
    QCOMPARE(service->requests("POST", "/rooms/g-admin/members"), 2);

    // The next picker offers the invitations still open as well.
    screen.nav->dismissViewController(false);
    FakeContactPicker::last() = nullptr;
    QVERIFY(chooseOption(screen, "g-admin", PLChatRoomsTableViewController::AddMembersOption));
    QTRY_VERIFY(FakeContactPicker::last());
    int invitations = 0;
    for (const QVariant& contact : FakeContactPicker::last()->added)
        invitations += contact.metaType() == QMetaType::fromType<QVariantMap>();
    QVERIFY(invitations >= 1);

    // A refusal says so and changes nothing.
    service->fixture.server().addFault(
        {"/rooms/g-admin/members", "POST", 1, FaultInjector::Mode::ErrorEnvelope});
    const qint16 members = ChatRoom::chatRoomWithID("g-admin")->totalMembers();
    FakeContactPicker::last()->addContacts(
        {QVariant::fromValue(PLAddressBookContact{"Finn", "finn@example.test", {}, 0})});
    QTRY_VERIFY(screen.alert() && screen.alert()->message() == QLatin1String("Member addition failed"));
    QCOMPARE(screen.alert()->title(), QStringLiteral("Failed"));
    QCOMPARE(ChatRoom::chatRoomWithID("g-admin")->totalMembers(), members);
}

int main(int argc, char** argv) {
    test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestRoomsLive t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_roomslive.moc"
