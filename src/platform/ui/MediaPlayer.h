#pragma once

#include "platform/PLError.h"

#include <QObject>
#include <QUrl>
#include <functional>

class QWidget;

namespace pelnix::platform::ui {

// Audio and video playback as the media viewers use it. create() makes the process's kind (Qt
// Multimedia unless another maker is installed); tests install a FakeMediaPlayer maker.
//
// Every failure (a missing file, a format no decoder reads, no audio device) ends in
// errorOccurred with the player stopped, so a screen never waits on a player that will not start.
class MediaPlayer : public QObject {
    Q_OBJECT
public:
    using Maker = std::function<MediaPlayer*(QObject* parent)>;

    static constexpr const char* ErrorDomain = "PLMediaErrorDomain";
    enum ErrorCode {
        ResourceError = 1,
        FormatError = 2,
        NetworkError = 3,
        AccessDeniedError = 4,
        TimedOutError = 5
    };

    static MediaPlayer* create(QObject* parent = nullptr);
    static void setMaker(Maker maker);

    explicit MediaPlayer(QObject* parent = nullptr) : QObject(parent) {}

    virtual void load(const QUrl& url) = 0;
    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void stop() = 0;
    virtual bool isPlaying() const = 0;
    // Milliseconds; 0 while unknown.
    virtual qint64 duration() const = 0;
    virtual qint64 position() const = 0;
    virtual void setPosition(qint64 ms) = 0;
    virtual qreal rate() const = 0;
    virtual void setRate(qreal rate) = 0;
    // The view that shows the video, owned by the player; one per player.
    virtual QWidget* videoView() = 0;

signals:
    void loaded(bool ok);
    void playbackStateChanged(bool playing);
    void durationChanged(qint64 ms);
    void positionChanged(qint64 ms);
    void finished();
    void errorOccurred(const pelnix::PLError& error);
};

} // namespace pelnix::platform::ui
