#pragma once

#include "core/model/Message.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/TextView.h"
#include "platform/ui/ViewController.h"
#include "ui/conversation/PLDownloadMediaType.h"
#include "ui/conversation/PLDownloadViewer.h"
#include "ui/conversation/PLDownloadedViewerDelegate.h"

#include <QImage>
#include <QPointer>
#include <QVariantMap>
#include <memory>

namespace pelnix {

// The modal screen that shows one attachment: a top bar with the title and Done, the viewer for the
// attachment's kind, and for pictures and videos a caption strip over the bottom edge that a tap
// shows or hides and that hides itself 3 s after it was shown or last dragged.
class PLDownloadViewerController : public platform::ui::ViewController, public PLDownloadedViewerDelegate {
    Q_OBJECT
public:
    static inline const QString kStoryboard = QStringLiteral("Home");
    static inline const QString kIdentifier = QStringLiteral("PLDownloadViewerController");
    static constexpr int kTopBarHeight = 44;
    static constexpr qreal kCaptionPadding = 20.0;
    static constexpr qreal kCaptionMaxHeight = 60.0;
    static constexpr qreal kCaptionScrollingHeight = 80.0;
    static constexpr qreal kVideoControlsClearance = 44.0;
    static constexpr qint64 kCaptionHideDelayMs = 3000;
    // A caption made here holds at most 140 characters; one from elsewhere is shown up to this
    // many, then an ellipsis.
    static constexpr int kMaxShownCaptionLength = 4096;

    explicit PLDownloadViewerController(QObject* parent = nullptr);
    ~PLDownloadViewerController() override;

    // Before the view loads.
    void setCurrentMessage(const Message::Ptr& message) { m_currentMessage = message; }
    Message::Ptr currentMessage() const { return m_currentMessage.lock(); }

    // `path` is a file path or a photo album item's URL.
    void showDownloadForPath(const QString& path, const QVariantMap& info);
    void showImage(const QImage& image);
    void showDownloadedImage(const QImage& image);
    void done();

    void downloadViewerDidDetectTap() override;
    void showCaptionTextAndResizeViewIfNeeded();
    void showCaptionAndAdjustHeightIfNeeded();
    void showOrHideCaption();
    void toggleCaptionTextHiddenState(bool hidden);
    // The caption is being dragged: its hiding waits another 3 s.
    void scrollViewWillBeginDragging();
    // What the strip shows of `caption`.
    static QString shownCaption(const QString& caption);

    PLDownloadMediaType currentType() const { return m_currentType; }
    QString currentPathString() const { return m_currentPathString; }
    QString currentCaption() const { return m_currentCaption; }
    QImage currentImage() const { return m_currentImage; }
    PLDownloadViewer* currentViewer() const { return m_currentViewer; }
    QWidget* downloadDisplayView() const { return m_downloadDisplayView; }
    QWidget* topBarView() const { return m_topBarView; }
    platform::ui::Label* documentViewerTitle() const { return m_documentViewerTitle; }
    platform::ui::Button* doneButton() const { return m_doneButton; }
    platform::ui::TextView* captionTextView() const { return m_captionTextView; }

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layOut();
    void place(PLDownloadViewer* viewer);

    std::weak_ptr<Message> m_currentMessage;
    QPointer<QWidget> m_downloadDisplayView;
    QPointer<QWidget> m_topBarView;
    QPointer<platform::ui::Label> m_documentViewerTitle;
    QPointer<platform::ui::Button> m_doneButton;
    QPointer<platform::ui::TextView> m_captionTextView;
    QPointer<PLDownloadViewer> m_currentViewer;
    PLDownloadMediaType m_currentType = PLDownloadMediaTypeDocument;
    QImage m_currentImage;
    QString m_currentPathString;
    QString m_currentCaption;
    quint64 m_imageLoad = 0;
};

} // namespace pelnix
