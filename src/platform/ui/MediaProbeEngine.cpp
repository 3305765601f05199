#include "MediaProbeEngine.h"

#include "MediaPlayer.h"

#include <QAudioOutput>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QThread>
#include <QTimer>
#include <QVideoFrame>
#include <QVideoSink>

namespace pelnix::platform::ui {

namespace {
// The frame shown for a video: its first, or a moment in, past a black first frame, within short clips.
qint64 thumbnailPosition(MediaReader::FramePlace place, qint64 duration) {
    return place == MediaReader::FramePlace::Start ? 0 : qMin<qint64>(1000, duration / 4);
}
} // namespace

void MediaProbeEngine::probe(const QUrl& url, FramePlace place, int timeoutMs,
                             MediaProbe::Completion completion) {
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    new MediaProbeEngine(url, place, timeoutMs, std::move(completion));
}

MediaProbeEngine::MediaProbeEngine(const QUrl& url, FramePlace place, int timeoutMs,
                                   MediaProbe::Completion completion)
    : m_completion(std::move(completion)), m_place(place), m_player(new QMediaPlayer(this)),
      m_sink(new QVideoSink(this)), m_timeout(new QTimer(this)) {
    m_timeout->setSingleShot(true);
    connect(m_timeout, &QTimer::timeout, this, [this] {
        finish(PLError(QString::fromLatin1(MediaPlayer::ErrorDomain), MediaPlayer::TimedOutError,
                       QStringLiteral("The file could not be read in time.")));
    });
    m_timeout->start(timeoutMs);
    if (url.isLocalFile() && !QFileInfo(url.toLocalFile()).isFile()) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                finish(PLError(QString::fromLatin1(MediaPlayer::ErrorDomain), MediaPlayer::ResourceError,
                               QStringLiteral("The file does not exist.")));
            },
            Qt::QueuedConnection);
        return;
    }
    // A muted output: without any, an audio-only file never tells its length. Nothing is played.
    auto* audio = new QAudioOutput(this);
    audio->setMuted(true);
    m_player->setAudioOutput(audio);
    m_player->setVideoSink(m_sink);
    connect(m_sink, &QVideoSink::videoFrameChanged, this, [this](const QVideoFrame& frame) {
        if (!m_seeking || !frame.isValid())
            return;
        if (qint64(frame.width()) * frame.height() <= kMaxPicturePixels)
            m_info.thumbnail = frame.toImage();
        finish();
    });
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
        if (status == QMediaPlayer::InvalidMedia) {
            finish(PLError(QString::fromLatin1(MediaPlayer::ErrorDomain), MediaPlayer::FormatError,
                           QStringLiteral("The file cannot be read.")));
            return;
        }
        if (status != QMediaPlayer::LoadedMedia || m_seeking)
            return;
        m_info.duration = m_player->duration();
        m_info.hasVideo = m_player->hasVideo();
        if (!m_info.hasVideo) {
            if (m_info.duration > 0)
                finish();
            return;
        }
        m_seeking = true;
        m_player->setPosition(thumbnailPosition(m_place, m_info.duration));
        m_player->pause();
    });
    connect(m_player, &QMediaPlayer::durationChanged, this, [this](qint64 duration) {
        m_info.duration = duration;
        if (duration > 0 && m_player->mediaStatus() == QMediaPlayer::LoadedMedia && !m_player->hasVideo())
            finish();
    });
    connect(m_player, &QMediaPlayer::errorOccurred, this,
            [this](QMediaPlayer::Error error, const QString& text) {
                if (error != QMediaPlayer::NoError)
                    finish(PLError(QString::fromLatin1(MediaPlayer::ErrorDomain), MediaPlayer::ResourceError,
                                   text));
            });
    m_player->setSource(url);
}

void MediaProbeEngine::finish(std::optional<PLError> error) {
    if (std::exchange(m_done, true))
        return;
    m_timeout->stop();
    m_info.error = std::move(error);
    if (m_info.error) {
        m_info.duration = 0;
        m_info.thumbnail = {};
    }
    // Whatever the engine does next, this probe has answered.
    m_player->disconnect(this);
    m_sink->disconnect(this);
    if (m_completion)
        m_completion(m_info);
    deleteLater();
}

} // namespace pelnix::platform::ui
