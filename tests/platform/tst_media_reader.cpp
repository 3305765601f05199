#include "FakeMediaWorker.h"
#include "platform/MediaReader.h"
#include "platform/MediaWorkerQueue.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

using namespace pelnix;
using namespace pelnix::platform;

namespace {

using FakeWorker = test::FakeMediaWorker;

const QUrl kVideo = QUrl::fromLocalFile(QStringLiteral("/nowhere/clip.webm"));

struct ScopedMaxWorkers {
    explicit ScopedMaxWorkers(int count) : previous(MediaWorkerQueue::shared().maxWorkers()) {
        MediaWorkerQueue::shared().setMaxWorkers(count);
    }
    ~ScopedMaxWorkers() { MediaWorkerQueue::shared().setMaxWorkers(previous); }
    int previous;
};

// The blocking read is for threads other than the main one.
MediaReading readNowElsewhere(const QUrl& url, MediaReader::FramePlace place, int boundMs) {
    MediaReading reading;
    std::thread([&] { reading = MediaReader::readNow(url, place, boundMs); }).join();
    return reading;
}

} // namespace

class TestMediaReader : public QObject {
    Q_OBJECT
private slots:
    void answersRoundTripAndTornOnesAreRefused() {
        MediaReading reading;
        reading.duration = 3000;
        reading.hasVideo = true;
        reading.picture = QByteArray("\x89PNG\r\n\x1a\n and the rest", 20);
        reading.error = PLError(QStringLiteral("PLMediaErrorDomain"), 4, QStringLiteral("Not a video."));
        const QByteArray bytes = MediaReader::encode(reading);
        const std::optional<MediaReading> back = MediaReader::decode(bytes);
        QVERIFY(back);
        QCOMPARE(back->duration, 3000);
        QVERIFY(back->hasVideo);
        QCOMPARE(back->picture, reading.picture);
        QVERIFY(back->error);
        QCOMPARE(back->error->code, 4);
        QCOMPARE(back->error->localizedDescription, QStringLiteral("Not a video."));
        QCOMPARE(back->failure, MediaReading::NoFailure);

        // A worker that died while writing, wrote something else or more than one answer.
        QVERIFY(!MediaReader::decode(bytes.left(bytes.size() - 1)));
        QVERIFY(!MediaReader::decode(QByteArray()));
        QVERIFY(!MediaReader::decode(QByteArray("GStreamer-WARNING: nothing to see")));
        QVERIFY(!MediaReader::decode(bytes + bytes));
    }

    void aWorkerThatHangsIsKilledAtTheBound() {
        FakeWorker worker("exec sleep 60\n");
        QElapsedTimer clock;
        clock.start();
        std::optional<MediaReading> answer;
        MediaReader::read(kVideo, MediaReader::FramePlace::Start, 300, nullptr,
                          [&](const MediaReading& reading) { answer = reading; });
        QVERIFY(!answer); // never before the caller has returned
        QTRY_VERIFY_WITH_TIMEOUT(answer.has_value(), 10000);
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(answer->failure, MediaReading::TimedOut);
        QVERIFY(answer->picture.isEmpty());
        QTRY_VERIFY(worker.gone());

        FakeWorker again("exec sleep 60\n");
        clock.restart();
        const MediaReading now = readNowElsewhere(kVideo, MediaReader::FramePlace::Start, 300);
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(now.failure, MediaReading::TimedOut);
        QTRY_VERIFY(again.gone());
    }

    void aWorkerThatEndsWithoutAWholeAnswerIsNoAnswer_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("silent") << QByteArray("exit 0\n");
        QTest::newRow("crashed") << QByteArray("kill -SEGV $$\n");
        QTest::newRow("noise") << QByteArray("echo 'no plugin for this file'\n");
    }
    void aWorkerThatEndsWithoutAWholeAnswerIsNoAnswer() {
        QFETCH(QByteArray, body);
        FakeWorker worker(body);
        std::optional<MediaReading> answer;
        MediaReader::read(kVideo, MediaReader::FramePlace::AMomentIn, 10000, nullptr,
                          [&](const MediaReading& reading) { answer = reading; });
        QTRY_VERIFY_WITH_TIMEOUT(answer.has_value(), 10000);
        QCOMPARE(answer->failure, MediaReading::NoAnswer);
        QCOMPARE(readNowElsewhere(kVideo, MediaReader::FramePlace::Start, 10000).failure,
                 MediaReading::NoAnswer);
    }

    void theWorkersAnswerAndArgumentsReachTheCaller() {
        MediaReading written;
        written.duration = 1234;
        written.hasVideo = true;
        written.picture = QByteArray("picture bytes");
        FakeWorker worker("printf '%s\\n' \"$@\" > \"$ARGS\"\ncat \"$ANSWER\"\n");
        // The script reads its places from the environment it inherits.
        qputenv("ARGS", worker.file(QStringLiteral("args")).toLocal8Bit());
        qputenv("ANSWER", worker.file(QStringLiteral("answer")).toLocal8Bit());
        QFile answerFile(worker.file(QStringLiteral("answer")));
        QVERIFY(answerFile.open(QIODevice::WriteOnly));
        answerFile.write(MediaReader::encode(written));
        answerFile.close();

        std::optional<MediaReading> answer;
        const QUrl odd = QUrl::fromLocalFile(QStringLiteral("/tmp/a clip #1 ü.webm"));
        MediaReader::read(odd, MediaReader::FramePlace::AMomentIn, 10000, nullptr,
                          [&](const MediaReading& reading) { answer = reading; });
        QTRY_VERIFY_WITH_TIMEOUT(answer.has_value(), 10000);
        qunsetenv("ARGS");
        qunsetenv("ANSWER");
        QCOMPARE(answer->failure, MediaReading::NoFailure);
        QCOMPARE(answer->duration, 1234);
        QCOMPARE(answer->picture, written.picture);

        QFile args(worker.file(QStringLiteral("args")));
        QVERIFY(args.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = args.readAll().trimmed().split('\n');
        QCOMPARE(lines.size(), 3);
        QCOMPARE(MediaReader::framePlace(QString::fromUtf8(lines[0])), MediaReader::FramePlace::AMomentIn);
        QCOMPARE(lines[1], QByteArray("10000"));
        // The worker reads the URL back strictly; what it gets is the same file.
        QCOMPARE(QUrl(QString::fromUtf8(lines[2]), QUrl::StrictMode).toLocalFile(), odd.toLocalFile());
    }

    // Reads beyond the workers' places wait and start in the order asked; one whose caller has gone,
    // or that waits on its own thread past its bound, never starts.
    void readsBeyondThePlacesWaitInOrder() {
        QTRY_COMPARE(MediaWorkerQueue::shared().holders(), 0);
        const ScopedMaxWorkers one(1);
        FakeWorker worker("echo \"$3\" >> \"$LOG\"\nsleep 0.2\ncat \"$ANSWER\"\n");
        qputenv("LOG", worker.file(QStringLiteral("log")).toLocal8Bit());
        qputenv("ANSWER", worker.file(QStringLiteral("answer")).toLocal8Bit());
        QFile answerFile(worker.file(QStringLiteral("answer")));
        QVERIFY(answerFile.open(QIODevice::WriteOnly));
        answerFile.write(MediaReader::encode(MediaReading{}));
        answerFile.close();

        const auto clip = [](const char* name) {
            return QUrl::fromLocalFile(QStringLiteral("/nowhere/") + QLatin1String(name));
        };
        QStringList answered;
        const auto read = [&](const char* name, QObject* context) {
            MediaReader::read(clip(name), MediaReader::FramePlace::Start, 10000, context,
                              [&answered, name](const MediaReading& reading) {
                                  if (reading.failure == MediaReading::NoFailure)
                                      answered << QLatin1String(name);
                              });
        };
        read("a.webm", nullptr);
        auto* gone = new QObject;
        read("b.webm", gone);
        read("c.webm", nullptr);
        // The place is held until the first worker has been collected, on this thread: a caller on
        // another waits its whole bound.
        MediaReading waited;
        std::thread waiter(
            [&] { waited = MediaReader::readNow(clip("d.webm"), MediaReader::FramePlace::Start, 100); });
        waiter.join();
        QCOMPARE(waited.failure, MediaReading::TimedOut);
        read("e.webm", nullptr);
        QCOMPARE(MediaWorkerQueue::shared().waiting(), 3);
        delete gone;
        QCOMPARE(MediaWorkerQueue::shared().waiting(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(answered.size(), 3, 20000);
        QCOMPARE(answered, (QStringList{"a.webm", "c.webm", "e.webm"}));
        qunsetenv("LOG");
        qunsetenv("ANSWER");
        QFile log(worker.file(QStringLiteral("log")));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QStringList started;
        for (const QByteArray& line : log.readAll().trimmed().split('\n'))
            started << QUrl(QString::fromUtf8(line)).fileName();
        QCOMPARE(started, (QStringList{"a.webm", "c.webm", "e.webm"}));
        QTRY_COMPARE(MediaWorkerQueue::shared().holders(), 0);
    }

    // The places of reads called back here are given back by this thread's event loop: a blocking
    // read here could only wait out its bound. It takes a place only when one is free at once.
    void theMainThreadNeverWaitsForAPlace() {
#ifndef QT_NO_DEBUG
        QSKIP("asserted in a debug build");
#endif
        QTRY_COMPARE(MediaWorkerQueue::shared().holders(), 0);
        const ScopedMaxWorkers one(1);
        MediaReading answer;
        answer.hasVideo = true;
        const auto worker = test::FakeMediaWorker::gated("held", answer);
        std::optional<MediaReading> held;
        MediaReader::read(QUrl::fromLocalFile(QStringLiteral("/nowhere/held.webm")),
                          MediaReader::FramePlace::Start, 60000, nullptr,
                          [&](const MediaReading& reading) { held = reading; });
        QCOMPARE(MediaWorkerQueue::shared().holders(), 1);
        QElapsedTimer clock;
        clock.start();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("main thread"));
        const MediaReading now = MediaReader::readNow(kVideo, MediaReader::FramePlace::Start, 30000);
        QVERIFY2(clock.elapsed() < 15000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(now.failure, MediaReading::TimedOut);
        QCOMPARE(MediaWorkerQueue::shared().waiting(), 0);
        worker->open();
        QTRY_VERIFY_WITH_TIMEOUT(held.has_value(), 20000);
        QCOMPARE(held->failure, MediaReading::NoFailure);
        QVERIFY(held->hasVideo);

        // With a place free it reads at once.
        QTRY_COMPARE(MediaWorkerQueue::shared().holders(), 0);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("main thread"));
        QVERIFY(MediaReader::readNow(kVideo, MediaReader::FramePlace::Start, 30000).hasVideo);
    }

    void noAnswerReachesACallerWhoseContextIsGone() {
        FakeWorker worker("exec sleep 60\n");
        auto* context = new QObject;
        bool called = false;
        MediaReader::read(kVideo, MediaReader::FramePlace::Start, 200, context,
                          [&](const MediaReading&) { called = true; });
        delete context;
        // A read with the same bound started later answers after the first has ended.
        std::optional<MediaReading> later;
        MediaReader::read(kVideo, MediaReader::FramePlace::Start, 200, nullptr,
                          [&](const MediaReading& reading) { later = reading; });
        QTRY_VERIFY_WITH_TIMEOUT(later.has_value(), 10000);
        QCOMPARE(later->failure, MediaReading::TimedOut);
        QVERIFY(!called);
    }
};

QTEST_GUILESS_MAIN(TestMediaReader)
#include "tst_media_reader.moc"
