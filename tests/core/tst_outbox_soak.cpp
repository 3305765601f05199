// 500 posts over five rooms while the service drops connections before and after storing posts,
// answers 500, and restarts once: nothing lost, nothing stored twice, every entry completed.

#include "OutboxTestWorld.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QtTest>

using namespace pelnix;
using namespace pelnix::test;

using Fault = standin::StandinServer::Fault;
using FaultMode = standin::StandinServer::FaultMode;
using K = platform::PredicateKey;

class TestOutboxSoak : public QObject {
    Q_OBJECT
private slots:
    void postsSurviveFaultsAndARestart();
};

void TestOutboxSoak::postsSurviveFaultsAndARestart() {
    const QStringList rooms{"r1", "r2", "r3", "r4", "r5"};
    constexpr int kPosts = 500;
    OutboxTestWorld w(rooms);
    OutboxTestWorld::setMaxTries(5);
    QHash<QString, QStringList> seqIds; // room -> its posts' sequence IDs
    for (int i = 0; i < kPosts; ++i) {
        const QString roomId = rooms.at(i % rooms.size());
        auto message = w.room(roomId)->postTextMessage(QStringLiteral("post %1").arg(i));
        seqIds[roomId] << message->pendingMessages().first()->seqId();
    }

    QRandomGenerator random(20261207);
    const FaultMode modes[] = {FaultMode::Drop, FaultMode::DropAfter, FaultMode::ServerError};
    const auto count = [](const platform::Predicate& p) {
        return PendingMessageInfo::PS_countOfEntitiesWithPredicate(p);
    };
    auto* manager = PLModelManager::sharedModelManager();
    QElapsedTimer clock;
    clock.start();
    bool restarted = false;
    qint64 armedAt = 0;
    int faults = 0;
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        const qint64 open = count(K("state") != 3);
        const qint64 done = kPosts - open;
        if (open == 0 || clock.elapsed() > 60000)
            break;
        QCOMPARE(count(K("state") == 4), qint64(0));
        if (!restarted && done >= kPosts / 2) {
            // The service restarts while the network is away, so in-flight posts fail offline.
            w.fixture->setOnline(false);
            QVERIFY(w.fixture->restartServer());
            w.fixture->setOnline(true);
            manager->rearmUnansweredPosts(true);
            restarted = true;
        }
        if (done - armedAt >= 8) {
            w.server().addFault(Fault{"/messages$", "POST", 1, modes[random.bounded(3)]});
            armedAt = done;
            ++faults;
        }
        // What the stream does when it has been quiet: unanswered posts go back in line.
        if (count(K("state") == 2) == 0) {
            if (count(K("state") == 6) > 0)
                manager->rearmUnansweredPosts(false);
            else
                manager->postPendingMessages();
        }
    }
    QVERIFY(restarted);
    QVERIFY(faults > 20);
    QCOMPARE(count({}) - count(K("state") == 3), qint64(0));
    int stored = 0;
    for (const QString& roomId : rooms) {
        QHash<QString, int> perSeqId;
        for (const auto& value : w.server().storedMessages(roomId.toStdString()))
            ++perSeqId[value.toObject().value("seqId").toString()];
        stored += perSeqId.size();
        for (const QString& seqId : seqIds.value(roomId))
            QCOMPARE(perSeqId.value(seqId), 1);
        // Posts of one room are stored in the order they were made.
        QStringList order;
        for (const auto& value : w.server().storedMessages(roomId.toStdString()))
            order << value.toObject().value("seqId").toString();
        QCOMPARE(order, seqIds.value(roomId));
    }
    QCOMPARE(stored, kPosts);
}

QTEST_GUILESS_MAIN(TestOutboxSoak)
#include "tst_outbox_soak.moc"
