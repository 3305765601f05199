#pragma once

#include "core/model/PendingMessageInfo.h"
#include "core/model/RichMediaInfo.h"
#include "platform/ui/WeakDelegate.h"
#include "ui/conversation/PLPendingRichMediaViewDelegate.h"

#include <QWidget>

namespace pelnix {

class PLCircularProgressView;
class PLRichMediaInfoObserver;

namespace platform::ui {
class ImageView;
}

// A picture of a post on its way to storage: the file's thumbnail in a framed box, a white progress
// ring while it uploads, a cancel mark over a dimmed thumbnail while it can be stopped, and a failure
// mark once it was stopped. It follows the file's progress and state until it is given another file
// or goes away; before following another file it lets go of the previous one.
class PLPendingRichMediaView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRingSize = 44;
    static constexpr int kMarkSize = 32;

    explicit PLPendingRichMediaView(QWidget* parent = nullptr);
    ~PLPendingRichMediaView() override;

    RichMediaInfo::Ptr richMediaInfo() const { return m_richMediaInfo; }
    PendingMessageInfo::Ptr pendingMessage() const { return m_pendingMessage; }
    PLPendingRichMediaViewDelegate* delegate() const { return m_delegate.get(); }
    void configureWithRichMediaInfo(const RichMediaInfo::Ptr& file, PLPendingRichMediaViewDelegate* delegate);

    void setThumbnailImage();
    void configureCircularProgressView();
    void showInitialUploadProgressView();
    void hideUploadProgressView();
    void configureForInitState();
    void updateRichMediaUploadState(int state);
    void updateRichMediaUploadProgress(int percent, bool animated);
    void retryOrCancelMediaUpload();

    // The largest rectangle at `box`'s top left with `picture`'s proportions that fits in the box; a
    // picture with no width or height takes the whole box.
    static QRectF fittedPictureRect(const QSizeF& picture, const QRectF& box);

    platform::ui::ImageView* thumbNailImageView() const { return m_thumbNailImageView; }
    QWidget* backgroundView() const { return m_backgroundView; }
    platform::ui::ImageView* uploadStatusImageView() const { return m_uploadStatusImageView; }
    QString uploadStatusImageName() const { return m_statusImageName; }
    PLCircularProgressView* circularProgressView() const { return m_circularProgressView; }
    QWidget* backgroundColorView() const { return m_backgroundColorView; }
    bool isObservingFile() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showStatusMark(const QString& imageName);
    bool isNetworkReachable() const;

    RichMediaInfo::Ptr m_richMediaInfo;
    PendingMessageInfo::Ptr m_pendingMessage;
    platform::ui::WeakDelegate<PLPendingRichMediaViewDelegate> m_delegate;
    QWidget* m_backgroundView;
    platform::ui::ImageView* m_thumbNailImageView;
    QWidget* m_backgroundColorView;
    PLCircularProgressView* m_circularProgressView;
    platform::ui::ImageView* m_uploadStatusImageView;
    PLRichMediaInfoObserver* m_observer;
    QString m_statusImageName;
};

} // namespace pelnix
