#include "QtMediaPlayer.h"

#include "VideoView.h"

#include <QAudioOutput>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMediaPlayer>

namespace pelnix::platform::ui {

Q_LOGGING_CATEGORY(lcMediaPlayer, "pelnix.ui.mediaplayer", QtWarningMsg)

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

QtMediaPlayer::QtMediaPlayer(QObject* parent)
    : MediaPlayer(parent), m_player(new QMediaPlayer(this)), m_audio(new QAudioOutput(this)) {
    m_player->setAudioOutput(m_audio);
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
        switch (status) {
        case QMediaPlayer::LoadedMedia:
            if (!std::exchange(m_answered, true))
                emit loaded(true);
            break;
        case QMediaPlayer::InvalidMedia:
            fail(FormatError, m_player->errorString().isEmpty() ? QStringLiteral("The file cannot be played.")
                                                                : m_player->errorString());
            break;
        case QMediaPlayer::EndOfMedia:
            emit finished();
            break;
        default:
            break;
        }
    });
    connect(m_player, &QMediaPlayer::errorOccurred, this,
            [this](QMediaPlayer::Error error, const QString& text) {
                if (error != QMediaPlayer::NoError)
                    fail(errorCode(error), text);
            });
    connect(m_player, &QMediaPlayer::playbackStateChanged, this, [this](QMediaPlayer::PlaybackState state) {
        emit playbackStateChanged(state == QMediaPlayer::PlayingState);
    });
    connect(m_player, &QMediaPlayer::durationChanged, this, &MediaPlayer::durationChanged);
    connect(m_player, &QMediaPlayer::positionChanged, this, &MediaPlayer::positionChanged);
}

QtMediaPlayer::~QtMediaPlayer() {
    m_player->stop();
    delete m_view.data();
}

void QtMediaPlayer::load(const QUrl& url) {
    m_answered = false;
    m_failed = false;
    const quint64 load = ++m_load;
    // A missing file is told at once; the backend would report it late or, for some, never.
    if (url.isLocalFile() && !QFileInfo(url.toLocalFile()).isFile()) {
        m_player->setSource(QUrl());
        QMetaObject::invokeMethod(
            this,
            [this, load] {
                if (load == m_load)
                    fail(ResourceError, QStringLiteral("The file does not exist."));
            },
            Qt::QueuedConnection);
        return;
    }
    m_player->setSource(url);
}

void QtMediaPlayer::fail(int code, const QString& text) {
    // The backend may tell one failure twice (an error and an invalid-media status).
    if (std::exchange(m_failed, true))
        return;
    const bool wasAnswered = std::exchange(m_answered, true);
    // The backend's text may name the source with its query: the code alone is logged.
    qCDebug(lcMediaPlayer) << "media error" << code;
    m_player->stop();
    emit errorOccurred(PLError(QString::fromLatin1(ErrorDomain), code, text));
    if (!wasAnswered)
        emit loaded(false);
}

void QtMediaPlayer::play() {
    m_player->play();
}

void QtMediaPlayer::pause() {
    m_player->pause();
}

void QtMediaPlayer::stop() {
    m_player->stop();
}

bool QtMediaPlayer::isPlaying() const {
    return m_player->playbackState() == QMediaPlayer::PlayingState;
}

qint64 QtMediaPlayer::duration() const {
    return m_player->duration();
}

qint64 QtMediaPlayer::position() const {
    return m_player->position();
}

void QtMediaPlayer::setPosition(qint64 ms) {
    m_player->setPosition(qMax<qint64>(0, ms));
}

qreal QtMediaPlayer::rate() const {
    return m_player->playbackRate();
}

void QtMediaPlayer::setRate(qreal rate) {
    if (rate > 0)
        m_player->setPlaybackRate(rate);
}

QWidget* QtMediaPlayer::videoView() {
    if (!m_view) {
        m_view = new VideoView;
        m_player->setVideoSink(m_view->videoSink());
    }
    return m_view;
}

} // namespace pelnix::platform::ui
