#include "ui/conversation/PLDownloadedAudioViewer.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/ui/CustomColors.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/MediaPlayer.h"
#include "platform/ui/Slider.h"
#include "ui/conversation/ConversationMediaLog.h"
#include "ui/conversation/PLByteCountFormatter.h"
#include "ui/toolkit/Geometry.h"

#include <QFileInfo>
#include <cmath>

namespace pelnix {

using platform::ui::Button;
using platform::ui::Label;
using platform::ui::MediaPlayer;
using platform::ui::Scheduler;

namespace {
QString text(const char* key) {
    return PLCurrentBundleInfo::localizedString(QLatin1String(key));
}
QString twoDigits(qint64 value) {
    return value <= 9 ? QStringLiteral("0%1").arg(value) : QString::number(value);
}
} // namespace

PLDownloadedAudioViewer::PLDownloadedAudioViewer(QWidget* parent) : PLDownloadViewer(parent) {
    setObjectName(QStringLiteral("PLDownloadedAudioViewer"));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    const auto font = [](const char* name, qreal size) {
        return CustomFontRegistration::fontWithName(QLatin1String(name), size);
    };
    m_fileNameAndSize = new Label(text("Audio"), this);
    m_fileNameAndSize->setObjectName(QStringLiteral("fileNameAndSize"));
    m_fileNameAndSize->setFont(font("DejaVuSans", 15));
    m_fileNameAndSize->setAlignment(Qt::AlignCenter);
    m_fileNameAndSize->setNumberOfLines(2);
    m_audioSlider = new platform::ui::Slider(this);
    m_audioSlider->setObjectName(QStringLiteral("audioSlider"));
    connect(m_audioSlider, &platform::ui::Slider::valueChanged, this, &PLDownloadedAudioViewer::seekAudio);
    m_timeElapsedLabel = new Label(QStringLiteral("00:00"), this);
    m_timeElapsedLabel->setObjectName(QStringLiteral("timeElapsedLabel"));
    m_totalTimeLabel = new Label(QStringLiteral("00:00"), this);
    m_totalTimeLabel->setObjectName(QStringLiteral("totalTimeLabel"));
    m_totalTimeLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    for (Label* label : {m_timeElapsedLabel.data(), m_totalTimeLabel.data()}) {
        label->setFont(font("DejaVuSans", 12));
        label->setTextColor(QColor(110, 110, 110));
    }
    m_playOrPauseButton = new Button(this);
    m_playOrPauseButton->setObjectName(QStringLiteral("playOrPauseButton"));
    m_playOrPauseButton->setTitle(text("Play"));
    m_playOrPauseButton->setTitleFont(font("DejaVuSans", 15));
    m_playOrPauseButton->setTitleColor(Qt::white);
    m_playOrPauseButton->setBackgroundColor(CustomColors::pelnixBlueColor());
    m_playOrPauseButton->setCornerRadius(2.0);
    connect(m_playOrPauseButton, &Button::clicked, this, &PLDownloadedAudioViewer::playOrPause);
}

QString PLDownloadedAudioViewer::elapsedTimeStringFromDuration(double seconds) {
    // The whole is rounded before it is split, so 59.6 s reads 01:00.
    const qint64 total = std::isfinite(seconds) && seconds > 0 ? std::llround(seconds) : 0;
    return twoDigits(total / 60) + QLatin1Char(':') + twoDigits(total % 60);
}

QString PLDownloadedAudioViewer::fileNameFromPath(const QUrl& fileURL) {
    const QFileInfo file(fileURL.toLocalFile());
    return QStringLiteral("%1 (%2)").arg(
        file.fileName(),
        PLByteCountFormatter::stringFromByteCount(file.size(), PLByteCountFormatter::Style::Decimal));
}

void PLDownloadedAudioViewer::playAudioFileAtPath(const QUrl& fileURL) {
    if (m_audioPlayer) {
        stopTimer();
        delete m_audioPlayer.data();
    }
    m_fileURL = fileURL;
    MediaPlayer* player = MediaPlayer::create(this);
    m_audioPlayer = player;
    connect(player, &MediaPlayer::loaded, this, [this, player](bool ok) {
        if (!ok) {
            // Nothing plays and the labels keep what they said.
            qCInfo(lcConversationMedia) << "an audio file cannot be opened";
            m_audioPlayer.clear();
            player->deleteLater();
            return;
        }
        m_fileNameAndSize->setText(fileNameFromPath(m_fileURL));
        resetSlider();
        startPlaying();
    });
    // The total may arrive after the file opened.
    connect(player, &MediaPlayer::durationChanged, this, [this] {
        m_audioSlider->setRange(0, float(durationSeconds()));
        m_totalTimeLabel->setText(elapsedTimeStringFromDuration(durationSeconds()));
    });
    connect(player, &MediaPlayer::finished, this, [this] { audioPlayerDidFinishPlaying(true); });
    connect(player, &MediaPlayer::errorOccurred, this, [this] { audioPlayerDidFinishPlaying(false); });
    player->load(fileURL);
}

double PLDownloadedAudioViewer::durationSeconds() const {
    return m_audioPlayer ? m_audioPlayer->duration() / 1000.0 : 0;
}

void PLDownloadedAudioViewer::playOrPause() {
    if (m_isPlaying)
        pausePlaying();
    else
        startPlaying();
}

void PLDownloadedAudioViewer::startPlaying() {
    if (!m_audioPlayer)
        return;
    m_isPlaying = true;
    m_playOrPauseButton->setTitle(text("Pause"));
    m_audioPlayer->play();
    startTimer();
}

void PLDownloadedAudioViewer::pausePlaying() {
    m_isPlaying = false;
    m_playOrPauseButton->setTitle(text("Play"));
    if (m_audioPlayer)
        m_audioPlayer->pause();
    stopTimer();
}

void PLDownloadedAudioViewer::seekAudio(float seconds) {
    if (!m_audioPlayer)
        return;
    m_audioPlayer->setPosition(qint64(double(seconds) * 1000));
    m_timeElapsedLabel->setText(elapsedTimeStringFromDuration(seconds));
}

void PLDownloadedAudioViewer::resetSlider() {
    m_audioSlider->setRange(0, float(durationSeconds()));
    m_audioSlider->setValue(0);
    m_totalTimeLabel->setText(elapsedTimeStringFromDuration(durationSeconds()));
    m_timeElapsedLabel->setText(QStringLiteral("00:00"));
}

void PLDownloadedAudioViewer::startTimer() {
    stopTimer();
    m_timer = Scheduler::shared()->scheduleRepeating(this, kTimerIntervalMs, [this] { updateTime(); });
}

void PLDownloadedAudioViewer::stopTimer() {
    if (m_timer)
        Scheduler::shared()->cancel(std::exchange(m_timer, 0));
}

void PLDownloadedAudioViewer::updateTime() {
    if (!m_audioPlayer)
        return;
    const double position = m_audioPlayer->position() / 1000.0;
    m_audioSlider->setValue(float(position));
    m_timeElapsedLabel->setText(elapsedTimeStringFromDuration(position));
}

void PLDownloadedAudioViewer::audioPlayerDidFinishPlaying(bool successfully) {
    // A player that failed keeps its place and title, as it was.
    if (!successfully)
        return;
    m_playOrPauseButton->setTitle(text("Play"));
    stopTimer();
    resetSlider();
    m_isPlaying = false;
    if (m_audioPlayer)
        m_audioPlayer->setPosition(0);
}

void PLDownloadedAudioViewer::resizeEvent(QResizeEvent* event) {
    PLDownloadViewer::resizeEvent(event);
    layOut();
}

void PLDownloadedAudioViewer::layOut() {
    const int margin = 20;
    const int inner = width() - 2 * margin;
    const int middle = height() / 2;
    m_fileNameAndSize->setGeometry(margin, middle - 110, inner, 48);
    m_audioSlider->setGeometry(margin, middle - 40, inner, 31);
    // The elapsed time under the slider's start, the total under its end: mirrored right to left, where
    // the slider runs from the right.
    Geometry::placeInReadingOrder(m_timeElapsedLabel, QRect(margin, middle - 6, inner / 2, 18));
    Geometry::placeInReadingOrder(m_totalTimeLabel,
                                  QRect(margin + inner / 2, middle - 6, inner - inner / 2, 18));
    m_playOrPauseButton->setGeometry((width() - 120) / 2, middle + 36, 120, 40);
}

void PLDownloadedAudioViewer::doneButtonPressed() {
    if (m_audioPlayer) {
        m_audioPlayer->stop();
        delete m_audioPlayer.data();
    }
    stopTimer();
    PLDownloadViewer::doneButtonPressed();
}

} // namespace pelnix
