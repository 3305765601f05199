#pragma once

#include "media/PLMultiMediaInfo.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"

#include <QPointer>
#include <QWidget>

namespace pelnix {

// A full-screen overlay that follows one file transfer: name, size, a bar and a cancel button. In
// download mode it hears the media downloader's notifications, in upload mode the shared uploader's.
// It removes itself 0.2 s after the transfer reaches the whole, or at once on cancel; cancelling only
// announces it, and the transfer's owner stops the transfer. Several windows can each run a download,
// so one given its download's ID hears only that download and names it in its cancel.
class PLUploadScreenView : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal kStartBarWidth = 10;
    static constexpr qreal kFullBarWidth = 260;
    static constexpr int kRemoveDelayMs = 200;

    explicit PLUploadScreenView(QWidget* parent = nullptr);
    ~PLUploadScreenView() override;
    static PLUploadScreenView* instance();

    bool isForDownloading() const { return m_isForDownloading; }
    void setIsForDownloading(bool downloading);
    // In download mode, the download followed and named by the cancel (0: any, unnamed).
    quint64 downloadID() const { return m_downloadID; }
    void setDownloadID(quint64 downloadID) { m_downloadID = downloadID; }
    // Starts following the transfer of the current mode.
    void showUploadingMediaInfo(const PLMultiMediaInfo& info);
    // Announces the cancel of the current mode, then goes.
    void cancelUpload();
    void cleanUp();

    platform::ui::Label* fileNameLabel() const { return m_fileNameLabel; }
    platform::ui::Label* fileSizeLabel() const { return m_fileSizeLabel; }
    QWidget* progressView() const { return m_progressView; }
    platform::ui::Button* cancelButton() const { return m_cancelButton; }
    QWidget* contentHolderView() const { return m_contentHolderView; }
    platform::ui::ImageView* cameraIconImageView() const { return m_cameraIconImageView; }
    qreal progressWidth() const;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void registerForNotifications();
    void unregisterNotifications();
    void setProgress(qreal fraction);
    void layOut();
    // The box's parts, in the box's own direction.
    void layOutBox();
    // The file's name on the label's one line, cut in the middle where it is longer.
    void showFileName();

    bool isOwnTransfer(const platform::Notification& note) const;

    bool m_isForDownloading = false;
    quint64 m_downloadID = 0;
    QString m_fileName;
    QPointer<platform::ui::Label> m_fileNameLabel;
    QPointer<platform::ui::Label> m_fileSizeLabel;
    QPointer<QWidget> m_progressTrack;
    QPointer<QWidget> m_progressView;
    QPointer<platform::ui::Button> m_cancelButton;
    QPointer<QWidget> m_contentHolderView;
    QPointer<platform::ui::ImageView> m_cameraIconImageView;
    qreal m_barWidth = kStartBarWidth;
    platform::NotificationCenter::Token m_progressToken = 0;
    platform::NotificationCenter::Token m_sizeToken = 0;
};

} // namespace pelnix
