#pragma once

#include "platform/ui/MediaPlayer.h"

#include <QList>
#include <QPointer>
#include <QWidget>

namespace pelnix::platform::ui {

// Plays nothing: records what it is asked and moves through its states when the test says so.
class FakeMediaPlayer : public MediaPlayer {
    Q_OBJECT
public:
    explicit FakeMediaPlayer(QObject* parent = nullptr) : MediaPlayer(parent) {}
    ~FakeMediaPlayer() override { delete m_view.data(); }

    void load(const QUrl& url) override {
        loadedURLs << url;
        m_position = 0;
    }
    void play() override { setPlaying(true); }
    void pause() override { setPlaying(false); }
    void stop() override {
        setPlaying(false);
        m_position = 0;
    }
    bool isPlaying() const override { return m_playing; }
    qint64 duration() const override { return fakeDuration; }
    qint64 position() const override { return m_position; }
    void setPosition(qint64 ms) override {
        m_position = qBound<qint64>(0, ms, fakeDuration);
        emit positionChanged(m_position);
    }
    qreal rate() const override { return m_rate; }
    void setRate(qreal rate) override {
        if (rate > 0)
            m_rate = rate;
    }
    QWidget* videoView() override {
        if (!m_view)
            m_view = new QWidget;
        return m_view;
    }

    void finishLoading(bool ok = true) {
        if (ok)
            emit durationChanged(fakeDuration);
        emit loaded(ok);
    }
    void failWith(int code, const QString& text = QStringLiteral("failed")) {
        setPlaying(false);
        emit errorOccurred(PLError(QString::fromLatin1(ErrorDomain), code, text));
    }
    void playToEnd() {
        setPosition(fakeDuration);
        setPlaying(false);
        emit finished();
    }

    QList<QUrl> loadedURLs;
    qint64 fakeDuration = 0;

private:
    void setPlaying(bool playing) {
        if (m_playing == playing)
            return;
        m_playing = playing;
        emit playbackStateChanged(playing);
    }
    bool m_playing = false;
    qint64 m_position = 0;
    qreal m_rate = 1;
    QPointer<QWidget> m_view;
};

} // namespace pelnix::platform::ui
