#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/MediaPlayer.h"
#include "platform/ui/Slider.h"
#include "platform/ui/TapGestureRecognizer.h"
#include "ui/conversation/PLDownloadViewer.h"

#include <QPointer>
#include <QUrl>

namespace pelnix {

// A video that starts playing once shown, with its own controls under it (play or pause and the
// position); a tap on the picture reaches the delegate while the controls keep working.
class PLDownloadedVideoViewer : public PLDownloadViewer {
    Q_OBJECT
public:
    static constexpr int kControlsHeight = 44;

    explicit PLDownloadedVideoViewer(QWidget* parent = nullptr);

    void showVideoForURL(const QUrl& url);
    void handleTap();
    void doneButtonPressed() override;

    platform::ui::MediaPlayer* moviePlayer() const { return m_moviePlayer; }
    QWidget* playerView() const { return m_playerView; }
    platform::ui::Button* playPauseButton() const { return m_playPause; }
    platform::ui::Slider* positionSlider() const { return m_slider; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void layOut() override;

private:
    void addExternalTapGesture();
    void updateControls();

    QPointer<platform::ui::MediaPlayer> m_moviePlayer;
    QPointer<QWidget> m_playerView;
    QPointer<QWidget> m_controls;
    QPointer<platform::ui::Button> m_playPause;
    QPointer<platform::ui::Slider> m_slider;
    QPointer<platform::ui::TapGestureRecognizer> m_tap;
};

} // namespace pelnix
