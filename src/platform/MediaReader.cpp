#include "MediaReader.h"

#include "platform/HelperProgram.h"
#include "platform/MediaWorkerQueue.h"
#include "platform/WorkerAddressSpace.h"

#include <QDataStream>
#include <QIODevice>
#include <QLoggingCategory>
#include <QProcess>

namespace pelnix::platform {

Q_LOGGING_CATEGORY(lcMediaReader, "pelnix.platform.mediareader", QtWarningMsg)

namespace {

constexpr quint32 kAnswerMagic = 0x504c4d31; // "PLM1"
// Time for a killed worker to be collected.
constexpr int kReapMs = 2000;

// The worker runs in a bounded address space from its first instruction on.
void prepare(QProcess& worker) {
    worker.setStandardErrorFile(QProcess::nullDevice());
    worker.setChildProcessModifier([] { limitWorkerAddressSpace(); });
}

MediaReading failed(MediaReading::Failure failure) {
    MediaReading reading;
    reading.failure = failure;
    return reading;
}

// The reading of a worker that has ended, from all it wrote.
MediaReading answerOf(const QByteArray& output) {
    if (std::optional<MediaReading> reading = MediaReader::decode(output))
        return *reading;
    qCWarning(lcMediaReader) << "the media worker ended without a whole answer";
    return failed(MediaReading::NoAnswer);
}

} // namespace

QString MediaReader::workerProgram() {
#ifdef PELNIX_MEDIA_WORKER_BUILD_PATH
    const QString buildPath = QStringLiteral(PELNIX_MEDIA_WORKER_BUILD_PATH);
#else
    const QString buildPath;
#endif
    return HelperProgram(QStringLiteral("pelnix-media-worker"), "PELNIX_MEDIA_WORKER", buildPath).path();
}

QStringList MediaReader::workerArguments(const QUrl& url, FramePlace place, int boundMs) {
    return {place == FramePlace::Start ? QStringLiteral("start") : QStringLiteral("moment"),
            QString::number(boundMs), url.toString(QUrl::FullyEncoded)};
}

std::optional<MediaReader::FramePlace> MediaReader::framePlace(const QString& argument) {
    if (argument == QLatin1String("start"))
        return FramePlace::Start;
    if (argument == QLatin1String("moment"))
        return FramePlace::AMomentIn;
    return std::nullopt;
}

QByteArray MediaReader::encode(const MediaReading& reading) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << kAnswerMagic << reading.duration << reading.hasVideo << reading.picture << bool(reading.error);
    if (reading.error)
        out << reading.error->domain << reading.error->code << reading.error->localizedDescription;
    return bytes;
}

std::optional<MediaReading> MediaReader::decode(const QByteArray& bytes) {
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_4);
    quint32 magic = 0;
    MediaReading reading;
    bool hasError = false;
    in >> magic >> reading.duration >> reading.hasVideo >> reading.picture >> hasError;
    if (hasError) {
        PLError error;
        in >> error.domain >> error.code >> error.localizedDescription;
        reading.error = error;
    }
    if (in.status() != QDataStream::Ok || magic != kAnswerMagic || !in.atEnd())
        return std::nullopt;
    return reading;
}

void MediaReader::read(const QUrl& url, FramePlace place, int boundMs, QObject* context,
                       Completion completion) {
    // Owns itself until it has answered.
    (new MediaReader(context, std::move(completion)))->start(url, place, boundMs);
}

MediaReading MediaReader::readNow(const QUrl& url, FramePlace place, int boundMs) {
    const QString program = workerProgram();
    if (program.isEmpty()) {
        qCCritical(lcMediaReader) << "no media worker found: media files cannot be read";
        return failed(MediaReading::NoAnswer);
    }
    const QDeadlineTimer deadline(qMax(1, boundMs));
    MediaWorkerQueue& queue = MediaWorkerQueue::shared();
    const MediaWorkerQueue::Ticket ticket = queue.wait(deadline);
    if (!ticket) {
        qCWarning(lcMediaReader) << "no media worker came free within the bound";
        return failed(MediaReading::TimedOut);
    }
    // The place is given back once the worker below has been collected, as this goes out of scope.
    struct HeldPlace {
        MediaWorkerQueue& queue;
        MediaWorkerQueue::Ticket ticket;
        ~HeldPlace() { queue.leave(ticket); }
    } const held{queue, ticket};
    const int left = int(qMax<qint64>(1, deadline.remainingTime()));
    QProcess worker;
    prepare(worker);
    worker.start(program, workerArguments(url, place, left));
    if (!worker.waitForFinished(left)) {
        if (worker.state() == QProcess::NotRunning)
            return failed(MediaReading::NoAnswer);
        qCWarning(lcMediaReader) << "the media worker did not answer in time; killed";
        worker.kill();
        worker.waitForFinished(kReapMs);
        return failed(MediaReading::TimedOut);
    }
    return answerOf(worker.readAllStandardOutput());
}

MediaReader::MediaReader(QObject* context, Completion completion)
    : m_context(context), m_hadContext(context != nullptr), m_completion(std::move(completion)) {
    m_bound.setSingleShot(true);
    connect(&m_bound, &QTimer::timeout, this, [this] {
        qCWarning(lcMediaReader) << "the media worker did not answer in time; killed";
        finish(failed(MediaReading::TimedOut));
    });
    // A caller that has gone stops waiting for a place, or ends its worker: no one hears the answer.
    if (context)
        connect(context, &QObject::destroyed, this, [this] { finish(failed(MediaReading::NoAnswer)); });
}

MediaReader::~MediaReader() {
    MediaWorkerQueue::shared().leave(std::exchange(m_ticket, 0));
}

void MediaReader::start(const QUrl& url, FramePlace place, int boundMs) {
    if (workerProgram().isEmpty()) {
        qCCritical(lcMediaReader) << "no media worker found: media files cannot be read";
        // Told after the caller has returned, as any other answer.
        QMetaObject::invokeMethod(
            this, [this] { finish(failed(MediaReading::NoAnswer)); }, Qt::QueuedConnection);
        return;
    }
    m_url = url;
    m_place = place;
    m_boundMs = boundMs;
    // Granted on this thread, after the caller has returned.
    m_ticket = MediaWorkerQueue::shared().enqueue(this, [this] { launch(); });
}

void MediaReader::launch() {
    if (m_done)
        return;
    const QString program = workerProgram();
    m_worker = new QProcess(this);
    prepare(*m_worker);
    connect(m_worker, &QProcess::finished, this,
            [this] { finish(answerOf(m_worker->readAllStandardOutput())); });
    connect(m_worker, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            finish(failed(MediaReading::NoAnswer));
    });
    m_bound.start(m_boundMs);
    m_worker->start(program, workerArguments(m_url, m_place, m_boundMs));
}

void MediaReader::finish(const MediaReading& reading) {
    if (std::exchange(m_done, true))
        return;
    m_bound.stop();
    const MediaWorkerQueue::Ticket ticket = std::exchange(m_ticket, 0);
    if (m_worker && m_worker->state() != QProcess::NotRunning) {
        m_worker->disconnect(this);
        // Collected once it has gone, never waited for here; its place is free from then on.
        QProcess* worker = m_worker;
        worker->setParent(nullptr);
        connect(worker, &QProcess::finished, worker, [worker, ticket] {
            MediaWorkerQueue::shared().leave(ticket);
            worker->deleteLater();
        });
        worker->kill();
    } else {
        if (m_worker)
            m_worker->disconnect(this);
        MediaWorkerQueue::shared().leave(ticket);
    }
    if (m_completion && (!m_hadContext || m_context))
        m_completion(reading);
    deleteLater();
}

} // namespace pelnix::platform
