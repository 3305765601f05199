#pragma once

#include "platform/PLError.h"

#include <QObject>
#include <QUrl>
#include <QVideoFrame>

namespace pelnix::platform::ui {

// The media stack behind a ThreadedMediaPlayer. It is made on the caller's thread without touching
// the stack, then moved to the player's own thread: start() and every later call run there, and its
// signals are heard on the player's thread too.
class MediaPlayerEngine : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Opens the media stack.
    virtual void start() = 0;
    virtual void load(const QUrl& url) = 0;
    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void stop() = 0;
    virtual void setPosition(qint64 ms) = 0;
    virtual void setRate(qreal rate) = 0;
    // From now on the pictures come through frameChanged.
    virtual void showVideo() = 0;

    // Loads the player's load numbered `load`. What the engine says from then on is about its source,
    // until the next one begins.
    void begin(quint64 load, const QUrl& url) {
        emit began(load);
        this->load(url);
    }

signals:
    void began(quint64 load);
    // Once per load; the duration known at that moment rides along.
    void loaded(bool ok, qint64 durationMs);
    void playbackStateChanged(bool playing);
    void durationChanged(qint64 ms);
    void positionChanged(qint64 ms);
    void finished();
    void errorOccurred(const pelnix::PLError& error);
    // May come from a decoder's thread.
    void frameChanged(const QVideoFrame& frame);
};

} // namespace pelnix::platform::ui
