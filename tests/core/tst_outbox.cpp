// The outbox end to end against the stand-in: one post at a time per room, retries and their
// limits, lost answers, a restart of the service, the three-room limit of a posting pass, media
// that holds a room back, and the order of a post's answer and the stream's events.

#include "OutboxTestWorld.h"

#include <QtTest>

using namespace pelnix;
using namespace pelnix::test;

using Fault = standin::StandinServer::Fault;
using FaultMode = standin::StandinServer::FaultMode;

namespace {

// Completed entries are deleted by the pass after their answer.
bool isDone(const PendingMessageInfo::Ptr& entry) {
    return entry->isDeleted() || entry->state() == 3;
}

} // namespace

class TestOutbox : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { w.reset(); }

    void postsInOneRoomGoOneAfterTheOther();
    void retriesEndSentWithoutAnswerThenFailedOnWelcome();
    void failureAtTheLimitDoesNotBlockTheRoom();
    void lostAnswerIsStoredOnce();
    void offlineFailureKeepsItsTriesAndSurvivesARestart();
    void passStartsThreeRoomsOldestFirst();
    void roomsStillPostingKeepTheirSlots();
    void roomWaitingForMediaTakesNoSlot();
    void streamEventsWaitForThePostsAnswer();
    void startUpResendsInterruptedPosts();
    void resendAndDiscard();
    void messageOutboxQueries();
    void anOwnPostIsNewerThanWhatCameBeforeItInItsSecond_data();
    void anOwnPostIsNewerThanWhatCameBeforeItInItsSecond();
    void attachmentRowHeight_data();
    void attachmentRowHeight();

private:
    std::unique_ptr<OutboxTestWorld> w;
};

void TestOutbox::postsInOneRoomGoOneAfterTheOther() {
    w = std::make_unique<OutboxTestWorld>(QStringList{"r1"});
    OutboxTestWorld::holdPosts(w->server(), 1);
    // A post is announced only once it and its outbox entry are stored.
    bool storedWhenAnnounced = false;
    auto token = platform::NotificationCenter::defaultCenter()->addObserver(
        QLatin1String(ChatRoomMessageAddedNotification), [&](const platform::Notification& n) {
            auto message = Message::messageWithID(n.userInfo.value(QLatin1String(kMessageIDKey)).toString());
            storedWhenAnnounced = message && !message->hasChanges() &&
                                  message->pendingMessages().size() == 1 &&
                                  !message->pendingMessages().first()->hasChanges();
        });
    auto first = w->room("r1")->postTextMessage("one");
    platform::NotificationCenter::defaultCenter()->removeObserver(token);
    QVERIFY(storedWhenAnnounced);
    auto second = w->room("r1")->postTextMessage("two");
    QTRY_COMPARE(w->server().heldCount(), 1);
    auto firstEntry = first->pendingMessages().first();
    auto secondEntry = second->pendingMessages().first();
    QCOMPARE(firstEntry->state(), qint16(2));
    QCOMPARE(secondEntry->state(), qint16(1));
    QCOMPARE(w->postedRooms().size(), 1);

    w->server().releaseHeld();
    QTRY_VERIFY(isDone(secondEntry));
    QVERIFY(isDone(firstEntry));
    QCOMPARE(w->postedRooms(), QStringList({"r1", "r1"}));
    const QJsonArray stored = w->server().storedMessages("r1");
    QCOMPARE(stored.size(), 2);
    QCOMPARE(stored.at(0).toObject().value("text").toString(), QString("one"));
    QCOMPARE(stored.at(1).toObject().value("text").toString(), QString("two"));
    // The chat window did not show this room: no posting-state notification.
    QVERIFY(w->postingStateChanges.isEmpty());
    // Completed entries are dropped after the pass.
    QTRY_COMPARE(PendingMessageInfo::PS_countOfEntities(), qint64(0));
}

void TestOutbox::retriesEndSentWithoutAnswerThenFailedOnWelcome() {
    w = std::make_unique<OutboxTestWorld>(QStringList{"r1"});
    PLModelManager::sharedModelManager()->setActiveRoomID("r1");
    w->server().addFault(Fault{"/messages$", "POST", 3, FaultMode::ServerError});
    auto message = w->room("r1")->postTextMessage("hello");
    auto entry = message->pendingMessages().first();
    QTRY_COMPARE(entry->state(), qint16(6));
    QCOMPARE(entry->tryCount(), qint16(3));
    QCOMPARE(w->postedRooms().size(), 3);
    QCOMPARE(w->storedWithSeqId("r1", entry->seqId()), 0);
    QTRY_VERIFY(!w->postingStateChanges.isEmpty());

    w->postingStateChanges.clear();
    PLModelManager::sharedModelManager()->rearmUnansweredPosts(true);
    QCOMPARE(entry->state(), qint16(4));
    // Under load the failure's own notice can still be on its way: every notice names this message.
    QTRY_VERIFY(w->postingStateChanges.contains(message->messageId()));
    for (const QString& id : std::as_const(w->postingStateChanges))
        QCOMPARE(id, message->messageId());
    // Failed entries stay out of the passes.
    PLModelManager::sharedModelManager()->postPendingMessages();
    QCOMPARE(w->postedRooms().size(), 3);
}

void TestOutbox::failureAtTheLimitDoesNotBlockTheRoom() {
    w = std::make_unique<OutboxTestWorld>(QStringList{"r1"});
    OutboxTestWorld::setMaxTries(0);
    w->server().addFault(Fault{"/messages$", "POST", 1, FaultMode::ServerError});
    auto first = w->room("r1")->postTextMessage("first")->pendingMessages().first();
    auto second = w->room("r1")->postTextMessage("second")->pendingMessages().first();
    QTRY_VERIFY(isDone(second));
    QCOMPARE(first->state(), qint16(6));
    PLModelManager::sharedModelManager()->rearmUnansweredPosts(false);
    QCOMPARE(first->state(), qint16(4));
}

void TestOutbox::lostAnswerIsStoredOnce() {
    w = std::make_unique<OutboxTestWorld>(QStringList{"r1"});
    w->server().addFault(Fault{"/messages$", "POST", 1, FaultMode::DropAfter});
    auto entry = w->room("r1")->postTextMessage("once")->pendingMessages().first();
    const QString seqId = entry->seqId();
    QTRY_VERIFY(isDone(entry));
    QCOMPARE(w->postedRooms().size(), 2);
    QCOMPARE(w->storedWithSeqId("r1", seqId), 1);
}

void TestOutbox::offlineFailureKeepsItsTriesAndSurvivesARestart() {
    w = std::make_unique<OutboxTestWorld>(QStringList{"r1"});
    OutboxTestWorld::holdPosts(w->server(), 1);
    auto entry = w->room("r1")->postTextMessage("later")->pendingMessages().first();
    const QString seqId = entry->seqId();
    QTRY_COMPARE(w->server().heldCount(), 1);
    // The network goes while the post is in flight and the service goes down with it.
    w->fixture->setOnline(false);
    w->fixture->stopServer();
    QTRY_COMPARE(entry->state(), qint16(6));
    QCOMPARE(entry->tryCount(), qint16(0));

    QVERIFY(w->fixture->restartServer());
    w->fixture->setOnline(true);
    PLModelManager::sharedModelManager()->rearmUnansweredPosts(true);
    QTRY_VERIFY(isDone(entry));
    QCOMPARE(w->storedWithSeqId("r1", seqId), 1);
}

void TestOutbox::passStartsThreeRoomsOldestFirst() {
    const QStringList rooms{"r1", "r2", "r3", "r4", "r5"};
    w = std::make_unique<OutboxTestWorld>(rooms);
    // Queued newest room first, so the oldest entries are in r5, r4, r3.
    QList<PendingMessageInfo::Ptr> entries;
    for (auto it = rooms.crbegin(); it != rooms.crend(); ++it)
        entries << w->queueText(*it, "to " + *it);
    OutboxTestWorld::holdPosts(w->server());
    PLModelManager::sharedModelManager()->postPendingMessages();
    QTRY_COMPARE(w->server().heldCount(), 3);
    QStringList posting;
    for (const auto& entry : entries)
        if (entry->state() == 2)
            posting << entry->room()->roomId();
    QCOMPARE(posting, QStringList({"r5", "r4", "r3"}));

    w->server().clearFaults();
    w->server().releaseHeld();
    for (const auto& entry : entries)
        QTRY_VERIFY(isDone(entry));
    QCOMPARE(w->postedRooms().size(), 5);
}

// Later passes (a post added, the network back, a quiet stream) find rooms still waiting for their
// answers: those count toward the three, and the other rooms go out as answers come back.
void TestOutbox::roomsStillPostingKeepTheirSlots() {
    const QStringList rooms{"r1", "r2", "r3", "r4", "r5", "r6"};
    w = std::make_unique<OutboxTestWorld>(rooms);
    QList<PendingMessageInfo::Ptr> entries;
    for (const QString& id : rooms)
        entries << w->queueText(id, "to " + id);
    const auto posting = [&entries] {
        QStringList out;
        for (const auto& entry : entries)
            if (!entry->isDeleted() && entry->state() == 2)
                out << entry->room()->roomId();
        return out;
    };
    OutboxTestWorld::holdPosts(w->server());
    auto* manager = PLModelManager::sharedModelManager();
    manager->postPendingMessages();
    QCOMPARE(posting(), QStringList({"r1", "r2", "r3"}));
    manager->postPendingMessages();
    QCOMPARE(posting(), QStringList({"r1", "r2", "r3"}));
    QTRY_COMPARE(w->server().heldCount(), 3);
    // A post added meanwhile runs a pass of its own.
    entries << w->room("r4")->postTextMessage("second to r4")->pendingMessages().first();
    QCOMPARE(posting(), QStringList({"r1", "r2", "r3"}));

    // The first three answered: each answer's pass starts one of the rooms that waited.
    w->server().releaseHeld();
    for (int i = 0; i < 3; ++i)
        QTRY_VERIFY(isDone(entries[i]));
    QTRY_COMPARE(w->server().heldCount(), 3);
    QCOMPARE(posting(), QStringList({"r4", "r5", "r6"}));
    manager->postPendingMessages();
    QCOMPARE(posting().size(), 3);

    w->server().clearFaults();
    w->server().releaseHeld();
    for (const auto& entry : entries)
        QTRY_VERIFY(isDone(entry));
    QStringList posted = w->postedRooms();
    posted.sort();
    QCOMPARE(posted, QStringList({"r1", "r2", "r3", "r4", "r4", "r5", "r6"}));
}

void TestOutbox::roomWaitingForMediaTakesNoSlot() {
    w = std::make_unique<OutboxTestWorld>(QStringList{"m", "r1", "r2", "r3"});
    auto media = w->room("m");
    auto smart = media->createMessage();
    auto waiting = media->createPendingMessage(smart, 1, 1);
    waiting->setText(R"({"displayname":"Poll","formid":"f1"})");
    auto file = RichMediaInfo::PS_createEntity();
    file->setState(3); // uploading
    waiting->addRichMediaInfoObject(file);
    media->save();
    auto blocked = w->queueText("m", "after the media");
    for (const char* id : {"r1", "r2", "r3"})
        w->queueText(id, id);
    OutboxTestWorld::holdPosts(w->server());
    PLModelManager::sharedModelManager()->postPendingMessages();
    QTRY_COMPARE(w->server().heldCount(), 3);
    QCOMPARE(waiting->state(), qint16(1));
    QCOMPARE(blocked->state(), qint16(1));

    w->server().clearFaults();
    w->server().releaseHeld();
    file->setState(9);
    waiting->mediaUploadFinished();
    QTRY_VERIFY(isDone(blocked));
    QVERIFY(isDone(waiting));
    QCOMPARE(w->postedRooms().mid(3), QStringList({"m", "m"}));
}

void TestOutbox::streamEventsWaitForThePostsAnswer() {
    w = std::make_unique<OutboxTestWorld>(QStringList{"r1"});
    OutboxTestWorld::holdPosts(w->server(), 1);
    auto* manager = PLModelManager::sharedModelManager();
    QStringList order;
    auto room = w->room("r1");
    QVERIFY(
        room->postPrivateMessage("ordered", false, [&](bool success, const PLOptionalError&, const QString&) {
            QVERIFY(success);
            order << (room->messages().size() == 1 ? "reply imported, completion"
                                                   : "completion without reply");
        }));
    QTRY_COMPARE(w->server().heldCount(), 1);
    // What the stream hands over meanwhile (the echo and another event) waits on the event queue.
    manager->addToDataProcessingQueue([&] { platform::runOnMainSync([&] { order << "echo"; }); });
    manager->addToDataProcessingQueue([&] { platform::runOnMainSync([&] { order << "next event"; }); });
    QVERIFY(manager->dataProcessingQueue()->isSuspended());
    w->server().releaseHeld();
    QTRY_COMPARE(order, QStringList({"reply imported, completion", "echo", "next event"}));
    QVERIFY(!manager->dataProcessingQueue()->isSuspended());

    // A post that cannot start leaves the queue running.
    w->fixture->setOnline(false);
    QVERIFY(!room->postPrivateMessage("offline", false, {}));
    QVERIFY(!manager->dataProcessingQueue()->isSuspended());
}

void TestOutbox::startUpResendsInterruptedPosts() {
    w = std::make_unique<OutboxTestWorld>(QStringList{"r1"});
    auto interrupted = w->queueText("r1", "cut off");
    interrupted->setState(2);
    auto done = w->queueText("r1", "done");
    done->setState(3);
    PLPersistence::PS_defaultContext()->save();
    const QString seqId = interrupted->seqId();
    PLModelManager::sharedModelManager()->prepareAndStartPostingPendingMessages();
    QTRY_COMPARE(w->storedWithSeqId("r1", seqId), 1);
    QTRY_COMPARE(PendingMessageInfo::PS_countOfEntities(), qint64(0));
    QCOMPARE(w->postedRooms().size(), 1);
}

void TestOutbox::resendAndDiscard() {
    w = std::make_unique<OutboxTestWorld>(QStringList{"r1"});
    OutboxTestWorld::setMaxTries(1);
    w->server().addFault(Fault{"/messages$", "POST", 2, FaultMode::ServerError});
    auto kept = w->room("r1")->postTextMessage("kept")->pendingMessages().first();
    QTRY_COMPARE(kept->state(), qint16(6));
    auto dropped = w->room("r1")->postTextMessage("dropped");
    auto droppedEntry = dropped->pendingMessages().first();
    QTRY_COMPARE(droppedEntry->state(), qint16(6));
    PLModelManager::sharedModelManager()->rearmUnansweredPosts(true);
    QCOMPARE(kept->state(), qint16(4));

    const qint64 before = kept->messageId();
    kept->resend();
    QVERIFY(kept->messageId() > droppedEntry->messageId() && kept->messageId() > before);
    QTRY_VERIFY(isDone(kept));
    const QString droppedId = dropped->messageId();
    droppedEntry->discard();
    QVERIFY(!Message::messageWithID(droppedId));
    QCOMPARE(w->server().storedMessages("r1").size(), 1);
}

void TestOutbox::messageOutboxQueries() {
    w = std::make_unique<OutboxTestWorld>(QStringList{"r1"});
    auto room = w->room("r1");
    auto message = room->createMessage();
    room->save();
    QVERIFY(message->hasOnlyFailedPedningMessages());
    QVERIFY(!message->latestPendingMessage());
    QList<PendingMessageInfo::Ptr> entries;
    for (qint16 state : {4, 2, 3, 1, 4})
        entries << room->createPendingMessage(message, 2, state);
    room->save();
    QVERIFY(message->postingInProgress());
    QVERIFY(message->hasFailedPendingMessage());
    QVERIFY(!message->hasOnlyFailedPedningMessages());
    QCOMPARE(message->pendingMessagesCount(), 4);
    QCOMPARE(message->failedPendingMessageCount(), 2);
    QCOMPARE(message->pendingMessagesExcludingFailedMessageCount(), 2);
    QCOMPARE(message->latestPendingMessage(), entries.last());
    message->removeAllFailedPendingMessages();
    QCOMPARE(message->pendingMessages().size(), 3);
    QCOMPARE(message->failedPendingMessageCount(), 0);
    QVERIFY(!message->hasChanges());
}

void TestOutbox::anOwnPostIsNewerThanWhatCameBeforeItInItsSecond_data() {
    QTest::addColumn<QString>("post");
    QTest::newRow("text") << "text";
    QTest::newRow("smart message") << "smart message";
    QTest::newRow("reply to a smart message") << "reply";
}

void TestOutbox::anOwnPostIsNewerThanWhatCameBeforeItInItsSecond() {
    QFETCH(QString, post);
    w = std::make_unique<OutboxTestWorld>(QStringList{"r1"});
    OutboxTestWorld::holdPosts(w->server());
    auto room = w->room("r1");
    const auto form = w->world->message(room, QStringLiteral("form"), 1000);
    form->setType(1);
    // A peer's message of a moment ago, inside the current second (with time to post in it too), is
    // the room's latest.
    qint64 peerDate = 0;
    QTRY_VERIFY((peerDate = QDateTime::currentMSecsSinceEpoch()) % 1000 > 0 && peerDate % 1000 < 900);
    const auto peer = w->world->message(room, QStringLiteral("peer"), peerDate);
    room->updateLatestMessage(peer);
    room->save();

    std::shared_ptr<Message> mine;
    if (post == "text") {
        mine = room->postTextMessage(QStringLiteral("mine"));
    } else if (post == "smart message") {
        mine = room->postChatlet(QStringLiteral(R"({"displayname":"Poll"})"));
    } else {
        room->replyToChatlet(QStringLiteral(R"({"formid":"F"})"), form);
        mine = form;
    }
    QVERIFY2(mine->date() >= peerDate, qPrintable(QString::number(peerDate - mine->date())));
    QCOMPARE(room->latestMessageId(), mine->messageId());
    QCOMPARE(room->activityDate(), mine->date());
}

void TestOutbox::attachmentRowHeight_data() {
    QTest::addColumn<QSizeF>("size");
    QTest::addColumn<int>("height");
    QTest::newRow("landscape") << QSizeF(400, 200) << 200;
    QTest::newRow("portrait") << QSizeF(200, 400) << 360;
    QTest::newRow("square") << QSizeF(300, 300) << 200;
    QTest::newRow("no size (video without thumbnail)") << QSizeF(0, 0) << 200;
    QTest::newRow("no height") << QSizeF(100, 0) << 200;
}

void TestOutbox::attachmentRowHeight() {
    QFETCH(QSizeF, size);
    QFETCH(int, height);
    QCOMPARE(int(ChatRoom::displayCellHeightForImageSize(size)), height);
}

QTEST_GUILESS_MAIN(TestOutbox)
#include "tst_outbox.moc"
