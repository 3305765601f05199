// The chat window as a host shows it, against the stand-in service: the library starts through the
// facade and follows the event stream; a message another user posts on the service appears in the
// open window and is marked read by the rules; the user's own post goes out through the outbox and
// its row follows it from the clock to its time.

#include "FacadeTestKit.h"

#include "core/model/ChatRoom.h"
#include "core/model/Message.h"
#include "core/model/PendingMessageInfo.h"
#include "interface/Pelnix.h"
#include "platform/ui/Animator.h"
#include "platform/ui/ApplicationStateMonitor.h"
#include "platform/ui/Label.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/Window.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLChatWindowViewController.h"
#include "ui/conversation/PLPendingMessageIndicatorView.h"
#include "ui/conversation/PLPostToChatView.h"
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
    void ownPostGoesOutAndItsRowFollowsIt();
    void returningToTheForegroundFetchesAndRebuildsTheList();

private:
    // Bob posts on the service as any client would.
    void postAsBob(const QString& text);
    PLChatWindowViewController* openRoom();

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
        {"rooms", QJsonArray{QJsonObject{
                      {"_id", "r1"}, {"name", "Ops"}, {"members", QJsonArray{41, kBob}}, {"admin", kBob}}}}});
    signIn(*world);
    Outcome started;
    Pelnix::initWithCompletionHandler(started.handler());
    QTRY_COMPARE(started.calls, 1);
    QVERIFY2(started.success, qPrintable(started.message));
    QTRY_VERIFY(world->server().openStreams(world->userID()) > 0);
}

void TestChatWindowStream::cleanup() {
    window.reset();
    endSession();
    world.reset();
    Scheduler::shared()->setVirtualClock(false);
}

void TestChatWindowStream::postAsBob(const QString& text) {
    QNetworkRequest request(QUrl(world->baseUrl() + QStringLiteral("rooms/r1/messages")));
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

PLChatWindowViewController* TestChatWindowStream::openRoom() {
    const auto room = ChatRoom::chatRoomWithID(QStringLiteral("r1"));
    if (!room)
        return nullptr;
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
    const int before = chat->rowList().count();
    const QString text = QStringLiteral("Deploy is done, have a look.");
    postAsBob(text);
    // Through the service's event stream, the store and the model's notice: nothing seeded here.
    QTRY_VERIFY(rowWithText(chat, text) >= 0);
    const int row = rowWithText(chat, text);
    QCOMPARE(chat->rowList().count(), before + (before == 0 ? 2 : 1));
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
