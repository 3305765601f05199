#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/MediaPlayer.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/Slider.h"
#include "ui/conversation/PLDownloadViewer.h"

#include <QPointer>
#include <QUrl>

namespace pelnix {

// An audio file with its name and size, play or pause, a position slider and the elapsed and total
// times, read once a second while playing. Playback starts once the file opens; the end returns to
// the start. A file that cannot be opened leaves the viewer idle.
class PLDownloadedAudioViewer : public PLDownloadViewer {
    Q_OBJECT
public:
    static constexpr qint64 kTimerIntervalMs = 1000;

    explicit PLDownloadedAudioViewer(QWidget* parent = nullptr);

    void playAudioFileAtPath(const QUrl& fileURL);
    void playOrPause();
    void startPlaying();
    void pausePlaying();
    void seekAudio(float seconds);
    void resetSlider();
    void startTimer();
    void stopTimer();
    void updateTime();
    void audioPlayerDidFinishPlaying(bool successfully);
    void doneButtonPressed() override;

    // "name (size)" with the size in decimal units.
    static QString fileNameFromPath(const QUrl& fileURL);
    // "mm:ss" of the whole seconds nearest to `seconds`; minutes go past 59 (an hour and a half
    // reads "90:00").
    static QString elapsedTimeStringFromDuration(double seconds);

    bool isPlaying() const { return m_isPlaying; }
    bool isTimerRunning() const { return m_timer != 0; }
    platform::ui::MediaPlayer* audioPlayer() const { return m_audioPlayer; }
    platform::ui::Slider* audioSlider() const { return m_audioSlider; }
    platform::ui::Button* playOrPauseButton() const { return m_playOrPauseButton; }
    platform::ui::Label* timeElapsedLabel() const { return m_timeElapsedLabel; }
    platform::ui::Label* totalTimeLabel() const { return m_totalTimeLabel; }
    platform::ui::Label* fileNameAndSize() const { return m_fileNameAndSize; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void layOut() override;

private:
    double durationSeconds() const;

    QPointer<platform::ui::MediaPlayer> m_audioPlayer;
    QPointer<platform::ui::Slider> m_audioSlider;
    QPointer<platform::ui::Button> m_playOrPauseButton;
    QPointer<platform::ui::Label> m_timeElapsedLabel;
    QPointer<platform::ui::Label> m_totalTimeLabel;
    QPointer<platform::ui::Label> m_fileNameAndSize;
    platform::ui::Scheduler::Id m_timer = 0;
    bool m_isPlaying = false;
    QUrl m_fileURL;
};

} // namespace pelnix
