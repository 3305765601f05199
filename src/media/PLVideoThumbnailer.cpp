#include "media/PLVideoThumbnailer.h"

#include "platform/MainThread.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QMediaPlayer>
#include <QMutex>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QVideoFrame>
#include <QVideoSink>

Q_LOGGING_CATEGORY(lcThumbnailer, "pelnix.media.thumbnailer")

namespace pelnix {

void PLVideoThumbnailer::thumbnailAndDuration(const QString& path, Completion completion, int timeoutMs) {
    Q_ASSERT(platform::isMainThread());
    // Owns itself until it has answered.
    new PLVideoThumbnailer(path, std::move(completion), timeoutMs);
}

QImage PLVideoThumbnailer::thumbnailFromVideoAtPath(const QString& path, int timeoutMs) {
    // Shared with the worker, which may outlive a caller that stopped waiting.
    struct Answer {
        QMutex mutex;
        QImage thumbnail;
    };
    const auto answer = std::make_shared<Answer>();
    QThread* worker = QThread::create([path, timeoutMs, answer] {
        QEventLoop loop;
        bool answered = false;
        new PLVideoThumbnailer(
            path,
            [&loop, &answered, answer](const QImage& thumbnail, qint64) {
                QMutexLocker lock(&answer->mutex);
                answer->thumbnail = thumbnail;
                answered = true;
                loop.quit();
            },
            timeoutMs);
        // The stack may answer before the loop runs, and a quit before exec() would be lost.
        if (!answered)
            loop.exec();
    });
    worker->setObjectName(QStringLiteral("PLVideoThumbnailer"));
    worker->start();
    // The thumbnailer's own time-out ends the worker; the margin covers the media stack's tear-down.
    if (!worker->wait(QDeadlineTimer(timeoutMs + 2000))) {
        qCWarning(lcThumbnailer) << "the media stack did not let go in time";
        QObject::connect(worker, &QThread::finished, worker, &QObject::deleteLater);
        return QImage();
    }
    delete worker;
    QMutexLocker lock(&answer->mutex);
    return answer->thumbnail;
}

PLVideoThumbnailer::PLVideoThumbnailer(const QString& path, Completion completion, int timeoutMs)
    : m_player(new QMediaPlayer(this)), m_sink(new QVideoSink(this)), m_completion(std::move(completion)) {
    m_player->setVideoSink(m_sink);
    // Frames arrive on the media stack's thread; the context object brings them to this one.
    connect(m_sink, &QVideoSink::videoFrameChanged, this, &PLVideoThumbnailer::frameArrived,
            Qt::QueuedConnection);
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
        if (status == QMediaPlayer::InvalidMedia) {
            finish(QImage());
        } else if (status == QMediaPlayer::LoadedMedia) {
            m_duration = m_player->duration();
            if (!m_player->hasVideo()) {
                finish(QImage());
                return;
            }
            m_player->setPosition(0);
            m_player->pause();
        }
    });
    connect(m_player, &QMediaPlayer::errorOccurred, this, [this](QMediaPlayer::Error, const QString& text) {
        qCWarning(lcThumbnailer) << "media not readable:" << text;
        finish(QImage());
    });
    QTimer::singleShot(timeoutMs, this, [this] { finish(QImage()); });
    m_player->setSource(QUrl::fromLocalFile(path));
}

void PLVideoThumbnailer::frameArrived(const QVideoFrame& frame) {
    if (!frame.isValid())
        return;
    // Converting a frame needs the GUI side of Qt (it crashes in a plain core application).
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        finish(QImage());
        return;
    }
    const QImage image = frame.toImage();
    if (!image.isNull())
        finish(image.convertToFormat(QImage::Format_RGB32));
}

void PLVideoThumbnailer::finish(const QImage& thumbnail) {
    if (m_done)
        return;
    m_done = true;
    m_player->stop();
    const Completion completion = std::move(m_completion);
    const qint64 duration = m_duration ? m_duration : m_player->duration();
    deleteLater();
    if (completion)
        completion(thumbnail, duration);
}

} // namespace pelnix
