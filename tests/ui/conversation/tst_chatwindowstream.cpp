// The chat window as a host shows it, against the stand-in service: the library starts through the
// facade and follows the event stream; a message another user posts on the service appears in the
// open window and is marked read by the rules, or, while the user reads older rows, brings the
// "New Updates" button half a second later without moving what is on screen; the user's own post
// goes out through the outbox and its row follows it from the clock to its time; a post the service
// refuses three times shows as failed and is resent once or discarded; a removal and a closed
// group sent by the service change the input bar.

#include "FacadeTestKit.h"

#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/Message.h"
#include "core/model/PLModelManager.h"
#include "core/model/PendingMessageInfo.h"
#include "interface/Pelnix.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Animator.h"
#include "platform/ui/ApplicationStateMonitor.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/Window.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLChatWindowViewController.h"
#include "ui/conversation/PLPendingMessageIndicatorView.h"
#include "ui/conversation/PLPostToChatView.h"
#include "ui/conversation/PLRoomStateBannerView.h"
#include "ui/conversation/PLRotatingImageView.h"
#include "ui/conversation/PLTextMessageCell.h"

#include "core/model/User.h"

#include <QApplication>
#include <QJsonArray>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPlainTextEdit>
#include <QTest>
#include <QUrlQuery>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::IndexPath;
using platform::ui::Scheduler;

namespace {

constexpr qint64 kBob = 42;
const QString kBobToken = QStringLiteral("b0b-token");

// The row of the message with this text, or -1.
int rowWithText(PLChatWindowViewController* chat, const QString& text) {
    const auto& rows = chat->rowList().rows();
    for (int i = 0; i < rows.size(); ++i)
        if (const auto message = rows[i].message(); message && message->text() == text)
            return i;
    return -1;
}

} // namespace

class TestChatWindowStream : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void anotherUsersMessageAppearsAndIsMarkedRead();
    void anotherUsersMessageWhileReadingOlderRowsShowsTheButton();
    void ownPostGoesOutAndItsRowFollowsIt();
    void refusedPostFailsThenResendDeliversItOnce();
    void refusedPostDiscardedLeavesScreenAndStore();
    void removalAndClosedGroupChangeTheBar();
    void returningToTheForegroundFetchesAndRebuildsTheList();

private:
    // Bob posts on the service as any client would.
    void postAsBob(const QString& text, const QString& roomId = QStringLiteral("r1"));
    // Bob's request on the service: (method, path).
    void requestAsBob(const QByteArray& method, const QString& path);
    PLChatWindowViewController* openRoom(const QString& roomId = QStringLiteral("r1"));
    // Sends a post the service refuses three times; answers the message once its row shows it failed.
    void postRefusedThreeTimes(PLChatWindowViewController* chat, const QString& text, Message::Ptr& message);
    PLPendingMessageIndicatorView* indicatorOf(PLChatWindowViewController* chat, const QString& text);

    std::unique_ptr<CoreFixture> world;
    std::unique_ptr<platform::ui::Window> window;
    QNetworkAccessManager network;
};

void TestChatWindowStream::init() {
    platform::ui::Animator::setInstant(true);
    Scheduler::shared()->setVirtualClock(true);
    world = std::make_unique<CoreFixture>();
    world->server().seed(QJsonObject{
        {"org", "acme"},
        {"users", QJsonArray{QJsonObject{
                      {"id", kBob}, {"email", "bob@acme.test"}, {"name", "Bob"}, {"token", kBobToken}}}},
        {"rooms",
         QJsonArray{
             QJsonObject{{"_id", "r1"}, {"name", "Ops"}, {"members", QJsonArray{41, kBob}}, {"admin", kBob}},
             QJsonObject{
                 {"_id", "r2"}, {"name", "Launch"}, {"members", QJsonArray{41, kBob}}, {"admin", kBob}}}}});
    // Unanswered posts are looked at again once the stream has been quiet this long.
    PLModelManager::setStreamTimings({300, 1000, 30000});
    signIn(*world);
    Outcome started;
    Pelnix::initWithCompletionHandler(started.handler());
    QTRY_COMPARE(started.calls, 1);
    QVERIFY2(started.success, qPrintable(started.message));
    QTRY_VERIFY(world->server().openStreams(world->userID()) > 0);
}

void TestChatWindowStream::cleanup() {
    PLModelManager::setStreamTimings({});
    window.reset();
    endSession();
    world.reset();
    Scheduler::shared()->setVirtualClock(false);
}

void TestChatWindowStream::requestAsBob(const QByteArray& method, const QString& path) {
    QNetworkRequest request(QUrl(world->baseUrl() + path));
    request.setRawHeader("Authorization",
                         QStringLiteral("Tavrix %1:%2:echat").arg(kBob).arg(kBobToken).toUtf8());
    QNetworkReply* reply = network.sendCustomRequest(request, method);
    QTRY_VERIFY(reply->isFinished());
    QCOMPARE(reply->error(), QNetworkReply::NoError);
    reply->deleteLater();
}

void TestChatWindowStream::postAsBob(const QString& text, const QString& roomId) {
    QNetworkRequest request(QUrl(world->baseUrl() + QStringLiteral("rooms/%1/messages").arg(roomId)));
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QStringLiteral("application/x-www-form-urlencoded"));
    request.setRawHeader("Authorization",
                         QStringLiteral("Tavrix %1:%2:echat").arg(kBob).arg(kBobToken).toUtf8());
    QUrlQuery form;
    form.addQueryItem(QStringLiteral("type"), QStringLiteral("message"));
    form.addQueryItem(QStringLiteral("text"), QString::fromUtf8(QUrl::toPercentEncoding(text)));
    QNetworkReply* reply = network.post(request, form.toString(QUrl::FullyEncoded).toUtf8());
    QTRY_VERIFY(reply->isFinished());
    QCOMPARE(reply->error(), QNetworkReply::NoError);
    reply->deleteLater();
}

PLChatWindowViewController* TestChatWindowStream::openRoom(const QString& roomId) {
    const auto room = ChatRoom::chatRoomWithID(roomId);
    if (!room)
        return nullptr;
    // Active before the window shows, so that showing it does not make the application active again
    // (and refresh the list) at a moment of its own choosing.
    platform::ui::ApplicationStateMonitor::shared()->applicationStateChanged(Qt::ApplicationActive);
    window = std::make_unique<platform::ui::Window>();
    window->resize(320, 568);
    auto* chat = new PLChatWindowViewController;
    chat->setChatRoom(room);
    window->setRootViewController(chat);
    window->show();
    return chat;
}

void TestChatWindowStream::anotherUsersMessageAppearsAndIsMarkedRead() {
    auto* chat = openRoom();
    QVERIFY(chat);
    const QString text = QStringLiteral("Deploy is done, have a look.");
    postAsBob(text);
    // Through the service's event stream, the store and the model's notice: nothing seeded here.
    QTRY_VERIFY(rowWithText(chat, text) >= 0);
    const int row = rowWithText(chat, text);
    // Once, at the end; a foreground refresh racing the event may have rebuilt the list around it.
    QCOMPARE(row, chat->rowList().count() - 1);
    int copies = 0;
    for (const auto& shown : chat->rowList().rows())
        copies += shown.message() && shown.message()->text() == text;
    QCOMPARE(copies, 1);
    QVERIFY(chat->collectionView()->indexPathsForVisibleItems().contains(IndexPath::forItem(row)));
    const auto message = chat->rowList().at(row).message();
    QCOMPARE(message->senderUser()->userID(), qint32(kBob));
    QCOMPARE(message->state(), qint16(0));
    // The list was at its bottom: 0.5 s to settle, then 1.7 s on screen.
    Scheduler::shared()->advance(500 + 1699);
    QCOMPARE(message->state(), qint16(0));
    Scheduler::shared()->advance(1);
    QCOMPARE(message->state(), qint16(1));
    QCOMPARE(Message::PS_countOfEntitiesWithPredicate(platform::PredicateKey("state") == 0), qint64(0));
}

void TestChatWindowStream::anotherUsersMessageWhileReadingOlderRowsShowsTheButton() {
    for (int i = 0; i < 25; ++i)
        postAsBob(QStringLiteral("Earlier message %1").arg(i));
    auto* chat = openRoom();
    QVERIFY(chat);
    QTRY_VERIFY(rowWithText(chat, QStringLiteral("Earlier message 24")) >= 0);
    auto* list = chat->collectionView();
    // The user reads older rows.
    list->setContentOffset(QPointF(0, 0));
    QCoreApplication::processEvents();
    const qreal offset = list->contentOffset().y();
    const auto visible = list->indexPathsForVisibleItems();
    QHash<int, qreal> onScreen;
    for (const IndexPath& path : visible)
        onScreen.insert(path.item(), list->rectForRow(path).top() - offset);
    const QString text = QStringLiteral("Lunch is here.");
    postAsBob(text);
    QTRY_VERIFY(rowWithText(chat, text) >= 0);
    QCOMPARE(rowWithText(chat, text), chat->rowList().count() - 1);
    // Nothing on screen moved.
    QCOMPARE(list->contentOffset().y(), offset);
    QCOMPARE(list->indexPathsForVisibleItems(), visible);
    for (auto it = onScreen.begin(); it != onScreen.end(); ++it)
        QCOMPARE(list->rectForRow(IndexPath::forItem(it.key())).top() - list->contentOffset().y(),
                 it.value());
    // The button comes half a second after the message.
    Scheduler::shared()->advance(499);
    QCOMPARE(chat->unreadMessagesNotificationViewState(),
             PLChatWindowViewController::kNotificationViewHidden);
    Scheduler::shared()->advance(1);
    QCOMPARE(chat->unreadMessagesNotificationViewState(), PLChatWindowViewController::kNotificationViewShown);
    QCOMPARE(list->contentOffset().y(), offset);
}

void TestChatWindowStream::ownPostGoesOutAndItsRowFollowsIt() {
    auto* chat = openRoom();
    QVERIFY(chat);
    const QString text = QStringLiteral("On my way.");
    auto* bar = chat->postToChatView();
    QTest::keyClicks(bar->messageTextView(), text);
    bar->sendMessageButtonClicked();
    QVERIFY(bar->messageTextView()->toPlainText().isEmpty());
    const int row = rowWithText(chat, text);
    QVERIFY(row >= 0);
    const auto message = chat->rowList().at(row).message();
    QCOMPARE(message->state(), qint16(1));
    // The service stores it once, and its answer completes the entry.
    QTRY_COMPARE(world->server().storedMessages("r1").size(), 1);
    QCOMPARE(world->server().storedMessages("r1").at(0).toObject().value("text").toString(), text);
    QTRY_VERIFY(!message->hasAtLeatOnePendingMessage());
    // The model's notice of the new state redraws the row: the clock goes, the time comes.
    const auto indicator = [&]() -> PLPendingMessageIndicatorView* {
        auto* cell = qobject_cast<PLTextMessageCell*>(
            chat->collectionView()->cellForItemAtIndexPath(IndexPath::forItem(rowWithText(chat, text))));
        return cell ? cell->pendingMessageIndicatorView() : nullptr;
    };
    QTRY_VERIFY(indicator() && indicator()->clockIconImageView()->isHidden());
    QCOMPARE(indicator()->timeLabel()->text(), message->chatWindowTimeString());
    Scheduler::shared()->advance(100);
    QCOMPARE(platform::ui::Animator::alpha(indicator()->timeLabel()), 1.0);
}

PLPendingMessageIndicatorView* TestChatWindowStream::indicatorOf(PLChatWindowViewController* chat,
                                                                 const QString& text) {
    const int row = rowWithText(chat, text);
    auto* cell = row < 0 ? nullptr
                         : qobject_cast<PLTextMessageCell*>(
                               chat->collectionView()->cellForItemAtIndexPath(IndexPath::forItem(row)));
    return cell ? cell->pendingMessageIndicatorView() : nullptr;
}

void TestChatWindowStream::postRefusedThreeTimes(PLChatWindowViewController* chat, const QString& text,
                                                 Message::Ptr& message) {
    world->server().addFault(
        {"/rooms/r1/messages", "POST", 3, standin::StandinServer::FaultMode::ServerError});
    const int before = world->requestsTo("/rooms/r1/messages");
    auto* bar = chat->postToChatView();
    QTest::keyClicks(bar->messageTextView(), text);
    bar->sendMessageButtonClicked();
    message = chat->rowList().at(rowWithText(chat, text)).message();
    // Three refusals leave the post waiting for an answer; the service's greeting on the next connection
    // makes it failed.
    QTRY_COMPARE(world->requestsTo("/rooms/r1/messages") - before, 3);
    // (The stream's own quiet time may have come first.)
    QTRY_VERIFY(message->latestPendingMessage()->state() == 6 ||
                message->latestPendingMessage()->state() == 4);
    if (message->latestPendingMessage()->state() == 6)
        world->server().closeStreams();
    QTRY_VERIFY(message->hasFailedPendingMessage());
    QTRY_VERIFY(indicatorOf(chat, text) &&
                indicatorOf(chat, text)->failureIndicatorButton()->isVisibleTo(indicatorOf(chat, text)));
    QCOMPARE(world->server().storedMessages("r1").size(), 0);
}

void TestChatWindowStream::refusedPostFailsThenResendDeliversItOnce() {
    auto* chat = openRoom();
    const QString text = QStringLiteral("Is this thing on?");
    Message::Ptr message;
    postRefusedThreeTimes(chat, text, message);
    if (QTest::currentTestFailed())
        return;
    indicatorOf(chat, text)->failureIndicatorButton()->click();
    QCOMPARE(window->alerts().size(), 1);
    auto* sheet = window->alerts().first();
    QCOMPARE(sheet->buttonTitleAtIndex(0), QStringLiteral("Resend"));
    sheet->tapButtonAtIndex(0);
    // Delivered, once, and its row shows its time.
    QTRY_COMPARE(world->server().storedMessages("r1").size(), 1);
    QTRY_VERIFY(!message->hasAtLeatOnePendingMessage());
    QTRY_VERIFY(indicatorOf(chat, text) && indicatorOf(chat, text)->clockIconImageView()->isHidden() &&
                !indicatorOf(chat, text)->failureIndicatorButton()->isVisibleTo(indicatorOf(chat, text)));
    QCOMPARE(rowWithText(chat, text), chat->rowList().count() - 1);
    const int posts = world->requestsTo("/rooms/r1/messages");
    // The stream's echo comes and goes without a second copy, on the service or on screen.
    const QJsonObject stored = world->server().storedMessages("r1").at(0).toObject();
    QCOMPARE(stored.value("text").toString(), text);
    const qint64 echoDate = qint64(stored.value("date").toDouble());
    QTRY_VERIFY(CurrentUserInfo::currentUserInfo()->privateEventTime() >= echoDate);
    QCOMPARE(world->server().storedMessages("r1").size(), 1);
    QCOMPARE(world->requestsTo("/rooms/r1/messages"), posts);
    int shown = 0;
    for (const auto& row : chat->rowList().rows())
        shown += row.message() && row.message()->text() == text;
    QCOMPARE(shown, 1);
}

void TestChatWindowStream::refusedPostDiscardedLeavesScreenAndStore() {
    auto* chat = openRoom();
    const QString text = QStringLiteral("Never mind.");
    Message::Ptr message;
    postRefusedThreeTimes(chat, text, message);
    if (QTest::currentTestFailed())
        return;
    const QString id = message->messageId();
    indicatorOf(chat, text)->failureIndicatorButton()->click();
    QCOMPARE(window->alerts().size(), 1);
    window->alerts().first()->tapButtonAtIndex(1);
    QCOMPARE(rowWithText(chat, text), -1);
    QCOMPARE(Message::messageWithID(id), Message::Ptr());
    QCOMPARE(PendingMessageInfo::PS_countOfEntities(), qint64(0));
    // Nothing is posted any more: the outbox is empty.
    QCOMPARE(PendingMessageInfo::PS_countOfEntitiesWithPredicate(platform::PredicateKey("state") != 3),
             qint64(0));
    QCOMPARE(world->server().storedMessages("r1").size(), 0);
}

void TestChatWindowStream::removalAndClosedGroupChangeTheBar() {
    auto* chat = openRoom();
    QCOMPARE(chat->chatWindowState(), 1u);
    QWidget* bar = chat->postToChatView();
    // Bob removes the user from the group: no bar any more.
    requestAsBob("DELETE", QStringLiteral("rooms/r1/members/%1").arg(world->userID()));
    QTRY_COMPARE(chat->chatWindowState(), 3u);
    QCOMPARE(bar->y(), chat->view()->height());
    QVERIFY(!chat->userKickedMessageView());

    // Bob closes another group while it is open: the closed banner over the bar.
    auto* second = openRoom(QStringLiteral("r2"));
    QCOMPARE(second->chatWindowState(), 1u);
    requestAsBob("DELETE", QStringLiteral("rooms/r2"));
    QTRY_COMPARE(second->chatWindowState(), 9u);
    QCOMPARE(second->userKickedMessageView()->objectName(), PLRoomStateBannerView::kRoomClosedMessageView);
    QWidget* secondBar = second->postToChatView();
    QCOMPARE(secondBar->geometry().bottom(), second->view()->height() - 1);
    QVERIFY(!second->postToChatView()->messageTextView()->isEnabled());
}

void TestChatWindowStream::returningToTheForegroundFetchesAndRebuildsTheList() {
    auto* chat = openRoom();
    QVERIFY(chat);
    const QString text = QStringLiteral("Posted while away.");
    postAsBob(text);
    QTRY_VERIFY(rowWithText(chat, text) >= 0);
    // As if the room had last been seen active before that message: the service has news for it.
    const auto room = ChatRoom::chatRoomWithID(QStringLiteral("r1"));
    room->setActivityDate(room->activityDate() - 60000);
    room->save();
    const int fetches = world->requestsTo("/rooms/r1/messages");
    platform::ui::ApplicationStateMonitor::shared()->applicationStateChanged(Qt::ApplicationInactive);
    platform::ui::ApplicationStateMonitor::shared()->applicationStateChanged(Qt::ApplicationActive);
    QTRY_VERIFY(world->requestsTo("/rooms/r1/messages") > fetches);
    // The list is built again from the store: a date row, then the message, unread and in view.
    QTRY_COMPARE(chat->rowList().count(), 3);
    QVERIFY(chat->rowList().at(0).dateMessage());
    QVERIFY(chat->rowList().at(1).unreadCountMessage());
    QCOMPARE(chat->rowList().at(2).message()->text(), text);
    QVERIFY(chat->collectionView()->indexPathsForVisibleItems().contains(IndexPath::forItem(2)));
}

int main(int argc, char** argv) {
    prepareTestEnvironment();
    QApplication app(argc, argv);
    TestChatWindowStream test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_chatwindowstream.moc"
