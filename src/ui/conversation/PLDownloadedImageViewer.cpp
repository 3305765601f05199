#include "ui/conversation/PLDownloadedImageViewer.h"

#include "foundation/ui/ImageAdditions.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/ImageViewWebCache.h"
#include "platform/ui/TapGestureRecognizer.h"
#include "ui/conversation/PLCenteringZoomView.h"

namespace pelnix {

using platform::ui::ImageView;
using platform::ui::TapGestureRecognizer;

PLDownloadedImageViewer::PLDownloadedImageViewer(QWidget* parent) : PLDownloadViewer(parent) {
    setObjectName(QStringLiteral("PLDownloadedImageViewer"));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::black);
    setPalette(palette);
    m_imageScrollView = new PLCenteringZoomView(this);
    m_imageScrollView->setObjectName(QStringLiteral("imageScrollView"));
    m_imageScrollView->setFrameShape(QFrame::NoFrame);
    m_imageScrollView->viewport()->setAutoFillBackground(false);
    m_imageScrollView->setAutoFillBackground(false);
    m_downloadedImage = new ImageView;
    m_downloadedImage->setObjectName(QStringLiteral("downloadedImage"));
    m_downloadedImage->setContentMode(ImageView::ContentMode::ScaleAspectFit);
    m_imageScrollView->setContentWidget(m_downloadedImage);
    connect(m_imageScrollView, &platform::ui::ZoomingScrollView::didZoom, this,
            &PLDownloadedImageViewer::scrollViewDidZoom);
    // Our double tap has its own rule (back to 1 only from the largest scale).
    m_imageScrollView->doubleTapRecognizer()->setEnabled(false);
    m_doubleTap = new TapGestureRecognizer([this](auto*) { handleDoubleTap(); }, 2);
    m_doubleTap->addToView(m_imageScrollView->viewport());
    m_singleTap = new TapGestureRecognizer([this](auto*) { singleTapGestureHandler(); }, 1);
    m_singleTap->requireGestureRecognizerToFail(m_doubleTap);
    m_singleTap->addToView(m_imageScrollView->viewport());
}

void PLDownloadedImageViewer::showImage(const QImage& image) {
    m_downloadedImage->setImage(image);
    m_imageScrollView->setMinimumZoomScale(kMinimumZoomScale);
    m_imageScrollView->setMaximumZoomScale(kMaximumZoomScale);
}

void PLDownloadedImageViewer::showCachedImageForURL(const QString& url) {
    m_imageScrollView->setMinimumZoomScale(kMinimumZoomScale);
    m_imageScrollView->setMaximumZoomScale(kMaximumZoomScale);
    platform::ui::ImageViewWebCache::pl_setImageWithURL(
        m_downloadedImage, QUrl(url), ImageAdditions::loadImageNamed(QStringLiteral("defaultProfileImage")),
        platform::ui::ImageViewWebCache::RetryFailed);
}

void PLDownloadedImageViewer::handleDoubleTap() {
    const qreal maximum = m_imageScrollView->maximumZoomScale();
    m_imageScrollView->setZoomScale(qFuzzyCompare(m_imageScrollView->zoomScale(), maximum) ? 1.0 : maximum);
}

void PLDownloadedImageViewer::singleTapGestureHandler() {
    tellTap();
}

void PLDownloadedImageViewer::scrollViewDidZoom() {
    // Below the fitted size the content area stays the viewer's, and the picture sits in its middle.
    if (m_imageScrollView->zoomScale() < 1.0)
        m_imageScrollView->setContentSize(m_imageScrollView->size());
}

void PLDownloadedImageViewer::resizeEvent(QResizeEvent* event) {
    PLDownloadViewer::resizeEvent(event);
    m_imageScrollView->setGeometry(rect());
    // Scale 1 fits the picture to the viewer.
    // (Its viewport follows later, once the scroll view hears of its own size.)
    m_imageScrollView->setNaturalContentSize(size());
    scrollViewDidZoom();
}

void PLDownloadedImageViewer::doneButtonPressed() {
    m_downloadedImage->setImage(QImage());
    PLDownloadViewer::doneButtonPressed();
}

} // namespace pelnix
