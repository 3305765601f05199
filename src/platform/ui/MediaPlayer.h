#pragma once

#include <QObject>
#include <QUrl>
#include <functional>
#include <memory>

namespace pelnix::platform::ui {

// Audio and video playback as the media viewers use it. The seam only: the player behind it is
// installed by the media layer (QtMultimedia where it runs); tests install a FakeMediaPlayer maker.
class MediaPlayer : public QObject {
    Q_OBJECT
public:
    using Maker = std::function<MediaPlayer*(QObject* parent)>;
    // Null when no player kind is installed: screens then offer the file instead of playing it.
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

signals:
    void loaded(bool ok);
    void playbackStateChanged(bool playing);
    void finished();
};

} // namespace pelnix::platform::ui
