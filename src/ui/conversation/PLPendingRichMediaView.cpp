#include "ui/conversation/PLPendingRichMediaView.h"

#include "core/api/PLAppConfigurations.h"
#include "foundation/PLReachabilityResponder.h"
#include "media/PLMultiMediaInfo.h"
#include "platform/ui/ImageView.h"
#include "ui/conversation/PLChatWindowStyle.h"
#include "ui/conversation/PLRichMediaInfoObserver.h"
#include "ui/toolkit/PLCircularProgressView.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

namespace pelnix {

using platform::ui::ImageView;

namespace {
// File states of the upload pipeline.
enum FileState : int {
    New = 0,
    FetchingCredentials = 1,
    CredentialsReceived = 2,
    Uploading = 3,
    UploadFailed = 4,
    Stored = 5,
    ShortURLRequested = 6,
    ShortURLFailed = 7,
    ShortURLReceived = 8,
    Completed = 9,
    Failed = 10,
};
constexpr int kFrameInset = 4;
const QColor kFrameColor(223, 223, 223);

class FramedBox : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        painter.setPen(QPen(kFrameColor, 1.0));
        painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
};

class DimmingView : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), QColor(0, 0, 0, 100)); }
};
} // namespace

PLPendingRichMediaView::PLPendingRichMediaView(QWidget* parent)
    : QWidget(parent), m_backgroundView(new FramedBox(this)), m_thumbNailImageView(new ImageView(this)),
      m_backgroundColorView(new DimmingView(this)), m_circularProgressView(new PLCircularProgressView(this)),
      m_uploadStatusImageView(new ImageView(this)), m_observer(new PLRichMediaInfoObserver(this)) {
    setObjectName(QStringLiteral("pendingRichMediaView"));
    m_backgroundView->setObjectName(QStringLiteral("backgroundView"));
    m_thumbNailImageView->setObjectName(QStringLiteral("thumbNailImageView"));
    m_thumbNailImageView->setContentMode(ImageView::ContentMode::ScaleAspectFill);
    m_backgroundColorView->setObjectName(QStringLiteral("backgroundColorView"));
    m_circularProgressView->setObjectName(QStringLiteral("circularProgressView"));
    m_uploadStatusImageView->setObjectName(QStringLiteral("uploadStatusImageView"));
    m_uploadStatusImageView->setContentMode(ImageView::ContentMode::ScaleAspectFit);
    m_uploadStatusImageView->installEventFilter(this);
    m_backgroundColorView->hide();
    m_uploadStatusImageView->hide();
    m_circularProgressView->hide();
    connect(m_observer, &PLRichMediaInfoObserver::uploadProgressChanged, this,
            [this](int percent) { updateRichMediaUploadProgress(percent, true); });
    connect(m_observer, &PLRichMediaInfoObserver::stateChanged, this, [this](int state) {
        if (m_richMediaInfo && !m_richMediaInfo->uploadedMediaInfo().isEmpty())
            updateRichMediaUploadState(state);
    });
}

PLPendingRichMediaView::~PLPendingRichMediaView() {
    m_observer->stopObserving();
}

bool PLPendingRichMediaView::isObservingFile() const {
    return m_observer->isObserving();
}

QRectF PLPendingRichMediaView::fittedPictureRect(const QSizeF& picture, const QRectF& box) {
    // A video without a thumbnail has no size: its proportions are unknown, not infinite.
    if (!(picture.width() > 0) || !(picture.height() > 0) || box.isEmpty())
        return box;
    const QSizeF scaled = picture.scaled(box.size(), Qt::KeepAspectRatio);
    return QRectF(box.topLeft(), scaled);
}

void PLPendingRichMediaView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_backgroundView->setGeometry(rect());
    const QRect inner = rect().adjusted(kFrameInset, kFrameInset, -kFrameInset, -kFrameInset);
    m_thumbNailImageView->setGeometry(inner);
    m_backgroundColorView->setGeometry(inner);
    const QPoint centre = inner.center();
    m_circularProgressView->setGeometry(centre.x() - kRingSize / 2, centre.y() - kRingSize / 2, kRingSize,
                                        kRingSize);
    m_uploadStatusImageView->setGeometry(centre.x() - kMarkSize / 2, centre.y() - kMarkSize / 2, kMarkSize,
                                         kMarkSize);
}

void PLPendingRichMediaView::configureWithRichMediaInfo(const RichMediaInfo::Ptr& file,
                                                        PLPendingRichMediaViewDelegate* delegate) {
    // Let go of the previous file first: a reused view follows one file only.
    m_observer->stopObserving();
    m_delegate.set(delegate);
    m_richMediaInfo = file;
    m_statusImageName.clear();
    m_uploadStatusImageView->hide();
    m_backgroundColorView->hide();
    m_circularProgressView->hide();
    setThumbnailImage();
    m_pendingMessage = file ? file->pendingmessage() : nullptr;
    if (!file)
        return;
    if (m_pendingMessage && m_pendingMessage->isForceStopped()) {
        showStatusMark(QStringLiteral("upload_failed_icon"));
    } else if (!(m_pendingMessage && m_pendingMessage->isFailed())) {
        if (!(m_pendingMessage && m_pendingMessage->postingInProgress()) && file->state() == New)
            configureForInitState();
        configureCircularProgressView();
        updateRichMediaUploadState(file->state());
    }
    m_observer->observe(file);
}

void PLPendingRichMediaView::setThumbnailImage() {
    QImage thumbnail;
    if (m_richMediaInfo) {
        if (const auto info =
                PLMultiMediaInfo::multiMediaInfoFromJSONstring(m_richMediaInfo->uploadedMediaInfo())) {
            QString preview = info->preview;
            const QString prefix = PLAppConfigurations::currentConfiguration()->base64Prefix();
            if (!prefix.isEmpty() && preview.startsWith(prefix))
                preview.remove(0, prefix.size());
            if (preview.startsWith(QLatin1Char(',')))
                preview.remove(0, 1);
            thumbnail = QImage::fromData(QByteArray::fromBase64(preview.toLatin1()));
        }
    }
    m_thumbNailImageView->setImage(thumbnail);
}

void PLPendingRichMediaView::configureCircularProgressView() {
    m_circularProgressView->setProgressColor(Qt::white);
    m_circularProgressView->setWrapperColor(Qt::white);
    m_circularProgressView->setProgressArcWidth(6.0);
    m_circularProgressView->setWrapperArcWidth(2.0);
    updateRichMediaUploadProgress(m_richMediaInfo ? m_richMediaInfo->uploadProgress() : 0, false);
}

void PLPendingRichMediaView::showStatusMark(const QString& imageName) {
    m_statusImageName = imageName;
    m_uploadStatusImageView->setImage(PLChatWindowStyle::image(imageName));
    m_uploadStatusImageView->show();
    m_uploadStatusImageView->raise();
    m_backgroundColorView->show();
}

void PLPendingRichMediaView::showInitialUploadProgressView() {
    showStatusMark(QStringLiteral("cancelUpload_icon"));
}

void PLPendingRichMediaView::hideUploadProgressView() {
    m_uploadStatusImageView->hide();
    m_backgroundColorView->hide();
}

bool PLPendingRichMediaView::isNetworkReachable() const {
    return PLReachabilityResponder::sharedInstance()->isNetworkReachable(false);
}

void PLPendingRichMediaView::configureForInitState() {
    if (isNetworkReachable() && m_richMediaInfo && m_richMediaInfo->uploadProgress() != 100)
        showInitialUploadProgressView();
}

void PLPendingRichMediaView::updateRichMediaUploadState(int state) {
    if ((m_pendingMessage && m_pendingMessage->isForceStopped()) || state > Failed)
        return;
    switch (state) {
    case New:
        configureForInitState();
        break;
    case FetchingCredentials:
    case UploadFailed:
    case ShortURLFailed:
    case Failed:
        m_circularProgressView->hide();
        break;
    case CredentialsReceived:
    case ShortURLReceived:
        hideUploadProgressView();
        break;
    case Uploading:
        showStatusMark(QStringLiteral("cancelUpload_icon"));
        // A started upload shows at once, before its first bytes are counted.
        if (m_richMediaInfo && m_richMediaInfo->uploadProgress() == 0 && isNetworkReachable()) {
            m_circularProgressView->show();
            m_circularProgressView->raise();
            m_circularProgressView->setProgress(0.01, true);
        }
        break;
    default:
        break;
    }
}

void PLPendingRichMediaView::updateRichMediaUploadProgress(int percent, bool animated) {
    if (percent == 0)
        return;
    if (percent == 100) {
        m_circularProgressView->hide();
        return;
    }
    m_circularProgressView->show();
    m_circularProgressView->raise();
    m_circularProgressView->setProgress(percent / 100.0, animated);
}

void PLPendingRichMediaView::retryOrCancelMediaUpload() {
    if (auto* delegate = m_delegate.get())
        delegate->retryOrCancelUploadFromRichMediaView(this);
}

bool PLPendingRichMediaView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_uploadStatusImageView && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (m_uploadStatusImageView->rect().contains(mouse->position().toPoint()))
            retryOrCancelMediaUpload();
        return true;
    }
    if (watched == m_uploadStatusImageView && event->type() == QEvent::MouseButtonPress)
        return true;
    return QWidget::eventFilter(watched, event);
}

} // namespace pelnix
