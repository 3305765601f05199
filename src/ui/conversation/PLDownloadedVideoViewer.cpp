#include "ui/conversation/PLDownloadedVideoViewer.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "platform/ui/Button.h"
#include "platform/ui/MediaPlayer.h"
#include "platform/ui/Slider.h"
#include "platform/ui/TapGestureRecognizer.h"
#include "ui/conversation/ConversationMediaLog.h"
#include "ui/toolkit/Geometry.h"

namespace pelnix {

using platform::ui::MediaPlayer;

PLDownloadedVideoViewer::PLDownloadedVideoViewer(QWidget* parent) : PLDownloadViewer(parent) {
    setObjectName(QStringLiteral("PLDownloadedVideoViewer"));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::black);
    setPalette(palette);
    m_controls = new QWidget(this);
    m_controls->setObjectName(QStringLiteral("videoControls"));
    m_controls->setAutoFillBackground(true);
    palette.setColor(QPalette::Window, QColor(30, 30, 30));
    m_controls->setPalette(palette);
    m_playPause = new platform::ui::Button(m_controls);
    m_playPause->setObjectName(QStringLiteral("playPauseButton"));
    m_playPause->setTitleFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 14));
    m_playPause->setTitleColor(Qt::white);
    m_slider = new platform::ui::Slider(m_controls);
    m_slider->setObjectName(QStringLiteral("positionSlider"));
    m_slider->setContinuous(false);
    connect(m_playPause, &platform::ui::Button::clicked, this, [this] {
        if (!m_moviePlayer)
            return;
        if (m_moviePlayer->isPlaying())
            m_moviePlayer->pause();
        else
            m_moviePlayer->play();
    });
    connect(m_slider, &platform::ui::Slider::valueChanged, this, [this](float seconds) {
        if (m_moviePlayer)
            m_moviePlayer->setPosition(qint64(double(seconds) * 1000));
    });
    updateControls();
}

void PLDownloadedVideoViewer::showVideoForURL(const QUrl& url) {
    if (m_moviePlayer) {
        m_moviePlayer->stop();
        m_moviePlayer->deleteLater();
    }
    MediaPlayer* player = MediaPlayer::create(this);
    m_moviePlayer = player;
    m_playerView = player->videoView();
    m_playerView->setParent(this);
    m_playerView->setObjectName(QStringLiteral("playerView"));
    m_playerView->show();
    m_controls->raise();
    connect(player, &MediaPlayer::playbackStateChanged, this, &PLDownloadedVideoViewer::updateControls);
    connect(player, &MediaPlayer::durationChanged, this, &PLDownloadedVideoViewer::updateControls);
    connect(player, &MediaPlayer::positionChanged, this,
            [this](qint64 ms) { m_slider->setValue(float(ms / 1000.0)); });
    connect(player, &MediaPlayer::errorOccurred, this, [](const PLError& error) {
        qCInfo(lcConversationMedia) << "a video cannot be played:" << error.logText();
    });
    addExternalTapGesture();
    layOut();
    player->load(url);
    player->play();
}

void PLDownloadedVideoViewer::addExternalTapGesture() {
    m_tap = new platform::ui::TapGestureRecognizer([this](auto*) { handleTap(); }, 1);
    // The player's own handling of the touch goes on as well.
    m_tap->setPassesThrough(true);
    m_tap->addToView(m_playerView);
}

void PLDownloadedVideoViewer::handleTap() {
    tellTap();
}

void PLDownloadedVideoViewer::updateControls() {
    const bool playing = m_moviePlayer && m_moviePlayer->isPlaying();
    m_playPause->setTitle(
        PLCurrentBundleInfo::localizedString(playing ? QStringLiteral("Pause") : QStringLiteral("Play")));
    const qint64 duration = m_moviePlayer ? m_moviePlayer->duration() : 0;
    m_slider->setRange(0, float(duration / 1000.0));
    m_slider->setEnabled(duration > 0);
}

void PLDownloadedVideoViewer::resizeEvent(QResizeEvent* event) {
    PLDownloadViewer::resizeEvent(event);
    layOut();
}

void PLDownloadedVideoViewer::layOut() {
    const int controlsTop = height() - kControlsHeight;
    if (m_playerView)
        m_playerView->setGeometry(0, 0, width(), controlsTop);
    m_controls->setGeometry(0, controlsTop, width(), kControlsHeight);
    // Play at the leading end, the slider after it; both mirror right to left, as the slider runs.
    Geometry::placeInReadingOrder(m_playPause, QRect(8, 6, 64, kControlsHeight - 12));
    Geometry::placeInReadingOrder(m_slider, QRect(80, (kControlsHeight - 31) / 2, qMax(0, width() - 92), 31));
}

void PLDownloadedVideoViewer::doneButtonPressed() {
    if (m_moviePlayer) {
        m_moviePlayer->stop();
        delete m_moviePlayer.data();
    }
    PLDownloadViewer::doneButtonPressed();
}

} // namespace pelnix
