// Videos a room member can send to exhaust the media worker: frames of 24000 x 24000 pixels, and
// many thumbnails asked for at once. The workers are watched from /proc as they run: the address
// space each is given and the most it reserved, and how many live at once.
#include "HostileMedia.h"
#include "TestSandbox.h"
#include "platform/MediaWorkerQueue.h"
#include "platform/WorkerAddressSpace.h"
#include "platform/ui/MediaProbe.h"

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QTimer>

using namespace pelnix;
using namespace pelnix::platform::ui;
using pelnix::platform::kWorkerAddressSpaceBytes;

namespace {

QByteArray procFile(qint64 pid, const char* name) {
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What was seen of this process's children while it watched.
class ChildWatch : public QObject {
public:
    ChildWatch() {
        connect(&m_timer, &QTimer::timeout, this, &ChildWatch::look);
        m_timer.start(2);
    }

    int mostAlive = 0;
    int seen = 0;
    qint64 mostReservedKb = 0;
    // The address spaces the workers seen were given ("unlimited" or bytes).
    QSet<QByteArray> addressSpaces;

private:
    void look() {
        QSet<qint64> alive;
        const QDir tasks(QStringLiteral("/proc/self/task"));
        for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile children(tasks.filePath(task + QStringLiteral("/children")));
            if (children.open(QIODevice::ReadOnly))
                for (const QByteArray& pid : children.readAll().simplified().split(' '))
                    if (pid.toLongLong() > 0)
                        alive << pid.toLongLong();
        }
        int running = 0;
        for (qint64 pid : alive) {
            const QByteArray stat = procFile(pid, "stat");
            const qsizetype open = stat.indexOf('(');
            const qsizetype close = stat.lastIndexOf(')');
            // Gone, or ended and not yet collected.
            if (open < 0 || close < open || stat.mid(close + 2, 1) == "Z")
                continue;
            ++running;
            // Started, and not yet the worker program (whose name the kernel keeps to 15 bytes).
            if (stat.mid(open + 1, close - open - 1) != "pelnix-media-wo")
                continue;
            if (!m_known.contains(pid)) {
                m_known << pid;
                ++seen;
                for (const QByteArray& line : procFile(pid, "limits").split('\n'))
                    if (line.startsWith("Max address space"))
                        addressSpaces << line.mid(26).simplified().split(' ').first();
            }
            for (const QByteArray& line : procFile(pid, "status").split('\n'))
                if (line.startsWith("VmPeak:"))
                    mostReservedKb =
                        qMax(mostReservedKb, line.mid(7).trimmed().split(' ').first().toLongLong());
        }
        mostAlive = qMax(mostAlive, running);
    }

    QTimer m_timer;
    QSet<qint64> m_known;
};

} // namespace

class TestHostileMedia : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        m_sandbox = std::make_unique<test::TestSandbox>();
        m_ordinary = test::ordinaryVideo(m_sandbox->root(), QSize(640, 480));
        m_huge = test::hugeFrameVideo(m_sandbox->root(), QSize(24000, 24000));
        QVERIFY2(!m_ordinary.isEmpty() && !m_huge.isEmpty(),
                 "gst-launch-1.0 with jpegenc, avimux and matroskamux is needed to make the test videos");
    }

    // The worker runs in the document worker's address space: a frame of 24000 x 24000 pixels gives
    // no picture instead of 3 GB, an ordinary one its picture.
    void aVideoIsReadWithinTheWorkersAddressSpace_data() {
        QTest::addColumn<bool>("huge");
        QTest::addColumn<QSize>("picture");
        QTest::newRow("640 x 480") << false << QSize(640, 480);
        QTest::newRow("24000 x 24000") << true << QSize(0, 0);
    }
    void aVideoIsReadWithinTheWorkersAddressSpace() {
        QFETCH(bool, huge);
        QFETCH(QSize, picture);
        ChildWatch watch;
        std::optional<MediaInfo> info;
        MediaProbe::probe(QUrl::fromLocalFile(huge ? m_huge : m_ordinary), this,
                          [&](const MediaInfo& read) { info = read; });
        QTRY_VERIFY_WITH_TIMEOUT(info.has_value(), 30000);
        QVERIFY2(!info->error, qPrintable(info->error ? info->error->localizedDescription : QString()));
        QVERIFY(info->hasVideo);
        QCOMPARE(info->thumbnail.size(), picture);
        QCOMPARE(watch.seen, 1);
        QCOMPARE(watch.addressSpaces,
                 QSet<QByteArray>{QByteArray::number(quint64(kWorkerAddressSpaceBytes))});
        QVERIFY2(watch.mostReservedKb * 1024 <= qint64(kWorkerAddressSpaceBytes),
                 qPrintable(QString::number(watch.mostReservedKb)));
    }

    // Nine thumbnails asked for at once: no more workers than places live at any time, and every
    // one is answered.
    void nineThumbnailsAtOnceShareTheWorkersPlaces() {
        const int places = platform::MediaWorkerQueue::shared().maxWorkers();
        QVERIFY(places >= 1 && places <= platform::MediaWorkerQueue::kMaxWorkers);
        ChildWatch watch;
        QList<MediaInfo> answers;
        for (int i = 0; i < 9; ++i)
            MediaProbe::probe(QUrl::fromLocalFile(m_ordinary), this,
                              [&](const MediaInfo& read) { answers << read; });
        QTRY_COMPARE_WITH_TIMEOUT(answers.size(), 9, 60000);
        for (const MediaInfo& answer : answers)
            QCOMPARE(answer.thumbnail.size(), QSize(640, 480));
        QVERIFY2(watch.mostAlive <= places,
                 qPrintable(QStringLiteral("%1 alive, %2 places").arg(watch.mostAlive).arg(places)));
        QVERIFY(watch.seen >= 1);
        QTRY_COMPARE(platform::MediaWorkerQueue::shared().holders(), 0);
        QCOMPARE(platform::MediaWorkerQueue::shared().waiting(), 0);
    }

private:
    std::unique_ptr<test::TestSandbox> m_sandbox;
    QString m_ordinary;
    QString m_huge;
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestHostileMedia t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_hostilemedia.moc"
