#include "QtMediaPlayerEngine.h"

#include "MediaPlayer.h"

#include <QAudioOutput>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QVideoSink>

namespace pelnix::platform::ui {

Q_LOGGING_CATEGORY(lcMediaPlayerEngine, "pelnix.ui.mediaplayer.engine", QtWarningMsg)

namespace {
int errorCode(QMediaPlayer::Error error) {
    switch (error) {
    case QMediaPlayer::FormatError:
        return MediaPlayer::FormatError;
    case QMediaPlayer::NetworkError:
        return MediaPlayer::NetworkError;
    case QMediaPlayer::AccessDeniedError:
        return MediaPlayer::AccessDeniedError;
    default:
        return MediaPlayer::ResourceError;
    }
}
} // namespace

// The device is looked up here, on the creating thread, so that Qt Multimedia's process-wide
// devices are first made there and not on a player thread that ends with its player.
QtMediaPlayerEngine::QtMediaPlayerEngine() : m_audioDevice(QMediaDevices::defaultAudioOutput()) {}

// Deleting the backend player, the backend's first child, takes its pipeline down at once. A stop()
// first would wait for the pipeline to settle, which needs a picture the video sink hands over on this
// very thread: each engine closed as its first picture came waited out the sink's 300 ms, and closed
// viewers' media stacks piled up.
QtMediaPlayerEngine::~QtMediaPlayerEngine() = default;

void QtMediaPlayerEngine::start() {
    replaceBackend();
}

void QtMediaPlayerEngine::replaceBackend() {
    if (m_backend) {
        for (QObject* part : m_backend->children())
            part->disconnect(this);
        // Not at once: the backend may still be in the middle of telling something. Deleting it stops
        // it, and without the wait for a picture a stop() would make (see the destructor).
        m_backend->deleteLater();
    }
    m_backend = new QObject(this);
    QMediaPlayer* player = new QMediaPlayer(m_backend);
    m_player = player;
    player->setAudioOutput(new QAudioOutput(m_audioDevice, m_backend));
    if (m_showsVideo)
        addVideoSink();
    connect(player, &QMediaPlayer::mediaStatusChanged, this,
            [this, player](QMediaPlayer::MediaStatus status) {
                switch (status) {
                case QMediaPlayer::LoadedMedia:
                    if (!std::exchange(m_answered, true))
                        emit loaded(true, player->duration());
                    break;
                case QMediaPlayer::InvalidMedia:
                    fail(MediaPlayer::FormatError, player->errorString().isEmpty()
                                                       ? QStringLiteral("The file cannot be played.")
                                                       : player->errorString());
                    break;
                case QMediaPlayer::EndOfMedia:
                    emit finished();
                    break;
                default:
                    break;
                }
            });
    connect(player, &QMediaPlayer::errorOccurred, this,
            [this](QMediaPlayer::Error error, const QString& text) {
                if (error != QMediaPlayer::NoError)
                    fail(errorCode(error), text);
            });
    connect(player, &QMediaPlayer::playbackStateChanged, this, [this](QMediaPlayer::PlaybackState state) {
        emit playbackStateChanged(state == QMediaPlayer::PlayingState);
    });
    connect(player, &QMediaPlayer::durationChanged, this, &MediaPlayerEngine::durationChanged);
    connect(player, &QMediaPlayer::positionChanged, this, &MediaPlayerEngine::positionChanged);
}

void QtMediaPlayerEngine::addVideoSink() {
    auto* sink = new QVideoSink(m_backend);
    // The sink tells each frame from the decoder's thread.
    connect(sink, &QVideoSink::videoFrameChanged, this, &MediaPlayerEngine::frameChanged,
            Qt::DirectConnection);
    m_player->setVideoSink(sink);
}

void QtMediaPlayerEngine::load(const QUrl& url) {
    m_answered = false;
    m_failed = false;
    const quint64 load = ++m_load;
    // The first source takes the backend start() made, which has told nothing yet. A new backend
    // also opens a source loaded again (a retry after a failure) anew.
    if (load > 1 || !m_player)
        replaceBackend();
    // A missing file is told at once; the backend would report it late or, for some, never.
    if (url.isLocalFile() && !QFileInfo(url.toLocalFile()).isFile()) {
        QMetaObject::invokeMethod(
            this,
            [this, load] {
                if (load == m_load)
                    fail(MediaPlayer::ResourceError, QStringLiteral("The file does not exist."));
            },
            Qt::QueuedConnection);
        return;
    }
    m_player->setSource(url);
    if (m_rate != 1.0)
        m_player->setPlaybackRate(m_rate);
}

void QtMediaPlayerEngine::fail(int code, const QString& text) {
    // The backend may tell one failure twice (an error and an invalid-media status).
    if (std::exchange(m_failed, true))
        return;
    const bool wasAnswered = std::exchange(m_answered, true);
    // The backend's text may name the source with its query: the code alone is logged.
    qCDebug(lcMediaPlayerEngine) << "media error" << code;
    m_player->stop();
    emit errorOccurred(PLError(QString::fromLatin1(MediaPlayer::ErrorDomain), code, text));
    if (!wasAnswered)
        emit loaded(false, 0);
}

void QtMediaPlayerEngine::play() {
    // The backend turns to playing a source it failed to open.
    if (m_failed)
        return;
    m_player->play();
}

void QtMediaPlayerEngine::pause() {
    m_player->pause();
}

void QtMediaPlayerEngine::stop() {
    m_player->stop();
}

void QtMediaPlayerEngine::setPosition(qint64 ms) {
    m_player->setPosition(ms);
}

void QtMediaPlayerEngine::setRate(qreal rate) {
    m_rate = rate;
    m_player->setPlaybackRate(rate);
}

void QtMediaPlayerEngine::showVideo() {
    m_showsVideo = true;
    if (!m_player->videoSink())
        addVideoSink();
}

} // namespace pelnix::platform::ui
