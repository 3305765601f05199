#pragma once

#include "platform/ui/ImageView.h"
#include "platform/ui/TapGestureRecognizer.h"
#include "ui/conversation/PLCenteringZoomView.h"
#include "ui/conversation/PLDownloadViewer.h"

#include <QImage>
#include <QPointer>

namespace pelnix {

// A picture fitted to the viewer at scale 1, zoomable from 0.7 to 3.0. A double tap jumps to the
// largest scale, or back to 1 from there; a single tap reaches the delegate once it is clear that no
// second tap follows.
class PLDownloadedImageViewer : public PLDownloadViewer {
    Q_OBJECT
public:
    static constexpr qreal kMinimumZoomScale = 0.7;
    static constexpr qreal kMaximumZoomScale = 3.0;

    explicit PLDownloadedImageViewer(QWidget* parent = nullptr);

    void showImage(const QImage& image);
    // The remote picture through the image loader, with the default picture until it comes.
    void showCachedImageForURL(const QString& url);
    void handleDoubleTap();
    void singleTapGestureHandler();
    void doneButtonPressed() override;

    PLCenteringZoomView* imageScrollView() const { return m_imageScrollView; }
    platform::ui::ImageView* downloadedImage() const { return m_downloadedImage; }
    platform::ui::TapGestureRecognizer* doubleTapForZoomGesture() const { return m_doubleTap; }
    platform::ui::TapGestureRecognizer* singleTapGesture() const { return m_singleTap; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void scrollViewDidZoom();

    QPointer<PLCenteringZoomView> m_imageScrollView;
    QPointer<platform::ui::ImageView> m_downloadedImage;
    QPointer<platform::ui::TapGestureRecognizer> m_doubleTap;
    QPointer<platform::ui::TapGestureRecognizer> m_singleTap;
};

} // namespace pelnix
