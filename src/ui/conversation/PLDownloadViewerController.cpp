#include "ui/conversation/PLDownloadViewerController.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/ui/CustomColors.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "platform/MainThread.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/TextView.h"
#include "ui/conversation/PLDownloadedAudioViewer.h"
#include "ui/conversation/PLDownloadedDocumentViewer.h"
#include "ui/conversation/PLDownloadedImageViewer.h"
#include "ui/conversation/PLDownloadedVideoViewer.h"
#include "ui/toolkit/Geometry.h"

#include <QEvent>
#include <QFileInfo>
#include <QImageReader>
#include <QTextDocument>
#include <QThreadPool>

namespace pelnix {

using platform::ui::Scheduler;

namespace {
constexpr qint64 kFlashDelayMs = 1000;
constexpr int kCaptionDissolveMs = 200;

// The file a path names: a plain path, or a file URL as the album's items have.
QUrl fileURLFor(const QString& path) {
    if (QFileInfo(path).isFile())
        return QUrl::fromLocalFile(path);
    const QUrl url(path);
    return url.isLocalFile() ? url : QUrl::fromLocalFile(path);
}
} // namespace

QString PLDownloadViewerController::shownCaption(const QString& caption) {
    if (caption.size() <= kMaxShownCaptionLength)
        return caption;
    qsizetype end = kMaxShownCaptionLength;
    // Not between the two halves of a surrogate pair.
    if (caption.at(end - 1).isHighSurrogate())
        --end;
    return caption.left(end) + QChar(0x2026);
}

PLDownloadViewerController::PLDownloadViewerController(QObject* parent) : ViewController(parent) {}

PLDownloadViewerController::~PLDownloadViewerController() {
    Scheduler::shared()->cancelPerforms(this);
}

QWidget* PLDownloadViewerController::loadView() {
    auto* root = new QWidget;
    root->setObjectName(QStringLiteral("PLDownloadViewerController"));
    root->setAutoFillBackground(true);
    QPalette palette = root->palette();
    palette.setColor(QPalette::Window, Qt::black);
    root->setPalette(palette);

    m_downloadDisplayView = new QWidget(root);
    m_downloadDisplayView->setObjectName(QStringLiteral("downloadDisplayView"));

    m_topBarView = new QWidget(root);
    m_topBarView->setObjectName(QStringLiteral("topBarView"));
    m_topBarView->setAutoFillBackground(true);
    palette.setColor(QPalette::Window, QColor(247, 247, 247));
    m_topBarView->setPalette(palette);
    m_documentViewerTitle = new platform::ui::Label(QString(), m_topBarView);
    m_documentViewerTitle->setObjectName(QStringLiteral("documentViewerTitle"));
    m_documentViewerTitle->setFont(
        CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans-Bold"), 15));
    m_documentViewerTitle->setAlignment(Qt::AlignCenter);
    m_doneButton = new platform::ui::Button(m_topBarView);
    m_doneButton->setObjectName(QStringLiteral("doneButton"));
    m_doneButton->setTitle(PLCurrentBundleInfo::localizedString(QStringLiteral("Done")));
    m_doneButton->setTitleColor(CustomColors::pelnixBlueColor());
    m_doneButton->setTitleFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans-Bold"), 15));
    connect(m_doneButton, &platform::ui::Button::clicked, this, &PLDownloadViewerController::done);

    m_captionTextView = new platform::ui::TextView(root);
    m_captionTextView->setObjectName(QStringLiteral("captionTextView"));
    m_captionTextView->setEditable(false);
    m_captionTextView->setFrameShape(QFrame::NoFrame);
    m_captionTextView->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 14));
    // The margin is part of the text's height, as the strip's sizing counts it.
    m_captionTextView->document()->setDocumentMargin(8);
    palette = m_captionTextView->palette();
    palette.setColor(QPalette::Base, QColor(0, 0, 0, 160));
    palette.setColor(QPalette::Text, Qt::white);
    m_captionTextView->setPalette(palette);
    m_captionTextView->setAutoFillBackground(true);
    m_captionTextView->viewport()->setAutoFillBackground(true);
    m_captionTextView->viewport()->installEventFilter(this);
    // The strip starts hidden; the first toggle on display shows it.
    m_captionTextView->hide();
    root->installEventFilter(this);
    return root;
}

void PLDownloadViewerController::viewDidLoad() {
    if (const Message::Ptr message = currentMessage())
        m_documentViewerTitle->setText(message->displayName().toUpper());
    layOut();
}

bool PLDownloadViewerController::eventFilter(QObject* watched, QEvent* event) {
    if (isViewLoaded() && watched == view() &&
        (event->type() == QEvent::Resize || event->type() == QEvent::LayoutDirectionChange))
        layOut();
    if (m_captionTextView && watched == m_captionTextView->viewport() &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::Wheel))
        scrollViewWillBeginDragging();
    return ViewController::eventFilter(watched, event);
}

void PLDownloadViewerController::layOut() {
    QWidget* root = view();
    m_topBarView->setGeometry(0, 0, root->width(), kTopBarHeight);
    // Done at the bar's trailing end: the left, right to left.
    Geometry::placeInReadingOrder(m_doneButton, QRect(root->width() - 72, 0, 64, kTopBarHeight));
    m_documentViewerTitle->setGeometry(76, 0, qMax(0, root->width() - 152), kTopBarHeight);
    m_downloadDisplayView->setGeometry(0, kTopBarHeight, root->width(), root->height() - kTopBarHeight);
    if (m_currentViewer)
        m_currentViewer->setGeometry(m_downloadDisplayView->rect());
    if (!m_currentCaption.isEmpty())
        showCaptionAndAdjustHeightIfNeeded();
}

void PLDownloadViewerController::place(PLDownloadViewer* viewer) {
    viewer->setParent(m_downloadDisplayView);
    viewer->setGeometry(m_downloadDisplayView->rect());
    viewer->show();
    m_currentViewer = viewer;
    m_captionTextView->raise();
}

void PLDownloadViewerController::showDownloadForPath(const QString& path, const QVariantMap& info) {
    loadViewIfNeeded();
    m_currentType = getCurrentMediaTypeWithMimeType(info.value(QStringLiteral("fileMime")).toString());
    m_currentPathString = path;
    m_currentCaption = info.value(QStringLiteral("caption")).toString();
    if (path.isEmpty())
        return;
    switch (m_currentType) {
    case PLDownloadMediaTypeAudio: {
        auto* viewer = new PLDownloadedAudioViewer;
        place(viewer);
        viewer->playAudioFileAtPath(fileURLFor(path));
        break;
    }
    case PLDownloadMediaTypeVideo: {
        showCaptionTextAndResizeViewIfNeeded();
        auto* viewer = new PLDownloadedVideoViewer;
        viewer->setDownloadViewerDelegate(this);
        place(viewer);
        viewer->showVideoForURL(QFileInfo(path).isFile() ? QUrl::fromLocalFile(path) : QUrl(path));
        break;
    }
    case PLDownloadMediaTypeDocument: {
        auto* viewer = new PLDownloadedDocumentViewer;
        place(viewer);
        viewer->showDocumentForPath(fileURLFor(path));
        break;
    }
    case PLDownloadMediaTypeImage: {
        showCaptionTextAndResizeViewIfNeeded();
        // Decoded off the main thread; a path that names nothing shows an empty viewer.
        const QString file = fileURLFor(path).toLocalFile();
        const quint64 load = ++m_imageLoad;
        QPointer<PLDownloadViewerController> self(this);
        QThreadPool::globalInstance()->start([self, file, load] {
            QImageReader reader(file);
            reader.setAutoTransform(true);
            const QImage image = QFileInfo(file).isFile() ? reader.read() : QImage();
            platform::runOnMain([self, image, load] {
                if (self && self->m_imageLoad == load)
                    self->showDownloadedImage(image);
            });
        });
        break;
    }
    }
}

void PLDownloadViewerController::showImage(const QImage& image) {
    loadViewIfNeeded();
    m_documentViewerTitle->setText(QStringLiteral("PHOTO"));
    showDownloadedImage(image);
}

void PLDownloadViewerController::showDownloadedImage(const QImage& image) {
    loadViewIfNeeded();
    m_currentImage = image;
    if (m_currentViewer)
        m_currentViewer->doneButtonPressed();
    auto* viewer = new PLDownloadedImageViewer;
    viewer->setDownloadViewerDelegate(this);
    place(viewer);
    viewer->showImage(image);
}

void PLDownloadViewerController::done() {
    if (m_currentViewer)
        m_currentViewer->doneButtonPressed();
    Scheduler::shared()->cancelPerforms(this);
    dismissViewController(true);
}

void PLDownloadViewerController::downloadViewerDidDetectTap() {
    showOrHideCaption();
}

void PLDownloadViewerController::showCaptionTextAndResizeViewIfNeeded() {
    if (m_currentCaption.isEmpty())
        return;
    showCaptionAndAdjustHeightIfNeeded();
    showOrHideCaption();
    Scheduler::shared()->performAfter(this, kFlashDelayMs,
                                      [this] { m_captionTextView->flashScrollIndicators(); });
}

void PLDownloadViewerController::showCaptionAndAdjustHeightIfNeeded() {
    QWidget* root = view();
    const QString shown = shownCaption(m_currentCaption);
    if (m_captionTextView->toPlainText() != shown)
        m_captionTextView->setText(shown);
    const qreal height = m_captionTextView->heightForText(root->width()) + kCaptionPadding;
    const bool scrolls = height > kCaptionMaxHeight;
    const int stripHeight = qCeil(scrolls ? kCaptionScrollingHeight : height);
    // Touches on a short caption go to the picture under it.
    m_captionTextView->setAttribute(Qt::WA_TransparentForMouseEvents, !scrolls);
    const qreal clearance = m_currentType == PLDownloadMediaTypeVideo ? kVideoControlsClearance : 0;
    m_captionTextView->setGeometry(0, root->height() - stripHeight - int(clearance), root->width(),
                                   stripHeight);
}

void PLDownloadViewerController::showOrHideCaption() {
    if (m_currentCaption.isEmpty())
        return;
    Scheduler::shared()->cancelPerforms(this);
    toggleCaptionTextHiddenState(!m_captionTextView->isHidden());
    if (m_captionTextView->isHidden())
        return;
    m_captionTextView->flashScrollIndicators();
    Scheduler::shared()->performAfter(this, kCaptionHideDelayMs,
                                      [this] { toggleCaptionTextHiddenState(true); });
}

void PLDownloadViewerController::toggleCaptionTextHiddenState(bool hidden) {
    platform::ui::Animator::crossDissolve(m_captionTextView, kCaptionDissolveMs, [this, hidden] {
        m_captionTextView->setHidden(hidden);
        if (!hidden)
            m_captionTextView->raise();
    });
}

void PLDownloadViewerController::scrollViewWillBeginDragging() {
    if (m_captionTextView->isHidden())
        return;
    Scheduler::shared()->cancelPerforms(this);
    Scheduler::shared()->performAfter(this, kCaptionHideDelayMs,
                                      [this] { toggleCaptionTextHiddenState(true); });
}

} // namespace pelnix
