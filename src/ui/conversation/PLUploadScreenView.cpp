#include "ui/conversation/PLUploadScreenView.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/ui/CustomColors.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "foundation/ui/ImageAdditions.h"
#include "media/PLS3MediaUploader.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/Scheduler.h"
#include "ui/conversation/ConversationMediaLog.h"
#include "ui/conversation/PLByteCountFormatter.h"
#include "ui/conversation/PLMediaDownloader.h"
#include "ui/toolkit/Geometry.h"

#include <QFontMetricsF>
#include <QFrame>
#include <QPainter>
#include <QThread>

namespace pelnix {

using platform::NotificationCenter;
using platform::ui::Button;
using platform::ui::ImageView;
using platform::ui::Label;

namespace {
constexpr int kBoxWidth = 280;
constexpr int kBoxHeight = 128;
constexpr int kMargin = 10;
constexpr int kIconSize = 24;
constexpr int kNameLeft = kMargin + kIconSize + 6;
constexpr int kBarTop = 66;
constexpr int kBarHeight = 6;
const QColor kBorder(217, 217, 217);
const QColor kBlue = CustomColors::pelnixBlueColor();

QFont namedFont(const char* name, qreal size) {
    return CustomFontRegistration::fontWithName(QLatin1String(name), size);
}

// A plain coloured rectangle.
QWidget* filled(QWidget* parent, const QColor& colour) {
    auto* view = new QWidget(parent);
    view->setAutoFillBackground(true);
    QPalette palette = view->palette();
    palette.setColor(QPalette::Window, colour);
    view->setPalette(palette);
    return view;
}
} // namespace

PLUploadScreenView::PLUploadScreenView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PLUploadScreenView"));
    // The overlay takes every touch meant for what lies under it.
    setAttribute(Qt::WA_NoMousePropagation);
    auto* box = new QFrame(this);
    box->setFrameStyle(QFrame::Box | QFrame::Plain);
    box->setLineWidth(1);
    box->setAutoFillBackground(true);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, kBorder);
    box->setPalette(palette);
    m_contentHolderView = box;
    m_contentHolderView->setObjectName(QStringLiteral("contentHolderView"));
    m_contentHolderView->resize(kBoxWidth, kBoxHeight);
    m_cameraIconImageView = new ImageView(m_contentHolderView);
    m_cameraIconImageView->setImage(ImageAdditions::loadImageNamed(QStringLiteral("profileCameraIcon")));
    m_fileNameLabel = new Label(QString(), m_contentHolderView);
    m_fileNameLabel->setObjectName(QStringLiteral("fileNameLabel"));
    m_fileNameLabel->setFont(namedFont("DejaVuSans", 15));
    m_fileSizeLabel = new Label(QString(), m_contentHolderView);
    m_fileSizeLabel->setObjectName(QStringLiteral("fileSizeLabel"));
    m_fileSizeLabel->setFont(namedFont("DejaVuSans-ExtraLight", 12));
    m_fileSizeLabel->setTextColor(QColor(90, 90, 90));
    m_progressTrack = filled(m_contentHolderView, QColor(229, 229, 234));
    m_progressView = filled(m_contentHolderView, kBlue);
    m_progressView->setObjectName(QStringLiteral("progressView"));
    m_cancelButton = new Button(m_contentHolderView);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    m_cancelButton->setTitleFont(namedFont("DejaVuSans", 15));
    m_cancelButton->setTitleColor(kBlue);
    m_cancelButton->setGeometry(0, kBarTop + kBarHeight + 12, kBoxWidth,
                                kBoxHeight - kBarTop - kBarHeight - 13);
    connect(m_cancelButton, &Button::clicked, this, &PLUploadScreenView::cancelUpload);
    setProgress(-1);
    setIsForDownloading(false);
}

PLUploadScreenView::~PLUploadScreenView() {
    unregisterNotifications();
}

PLUploadScreenView* PLUploadScreenView::instance() {
    return new PLUploadScreenView;
}

void PLUploadScreenView::setIsForDownloading(bool downloading) {
    m_isForDownloading = downloading;
    m_cancelButton->setTitle(PLCurrentBundleInfo::localizedString(
        downloading ? QStringLiteral("Cancel Download") : QStringLiteral("Cancel Upload")));
    m_cameraIconImageView->setVisible(!downloading);
    layOutBox();
    showFileName();
}

void PLUploadScreenView::showFileName() {
    // One line: a long name (a file ID) would break at its dashes. Cut in the middle, it keeps its
    // start and its extension.
    QString shown = m_fileName;
    for (QChar& c : shown)
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    m_fileNameLabel->setText(
        QFontMetricsF(m_fileNameLabel->font()).elidedText(shown, Qt::ElideMiddle, m_fileNameLabel->width()));
}

void PLUploadScreenView::showUploadingMediaInfo(const PLMultiMediaInfo& info) {
    registerForNotifications();
    m_fileName = info.fileName;
    showFileName();
    m_fileSizeLabel->setText(info.fileSize);
    setProgress(-1);
}

qreal PLUploadScreenView::progressWidth() const {
    return m_barWidth;
}

// A fraction below 0 stands for the start.
void PLUploadScreenView::setProgress(qreal fraction) {
    m_barWidth = fraction < 0 ? kStartBarWidth : fraction * kFullBarWidth;
    layOutBox();
}

void PLUploadScreenView::layOutBox() {
    // Given left to right; a box right to left shows them mirrored: the icon at the right, the name
    // left of it, the bar growing from the right.
    Geometry::placeInReadingOrder(m_cameraIconImageView, QRect(kMargin, 12, kIconSize, kIconSize));
    // Downloading, the name takes the icon's place; its far edge stays.
    const int nameStart = m_isForDownloading ? kNameLeft - kIconSize : kNameLeft;
    Geometry::placeInReadingOrder(m_fileNameLabel, QRect(nameStart, 10, kBoxWidth - kMargin - nameStart, 28));
    Geometry::placeInReadingOrder(m_fileSizeLabel, QRect(kMargin, 40, kBoxWidth - 2 * kMargin, 18));
    Geometry::placeInReadingOrder(m_progressTrack, QRect(kMargin, kBarTop, int(kFullBarWidth), kBarHeight));
    // The bar never draws outside its track, whatever fraction a sender reports.
    const int drawn = qBound(0, qRound(m_barWidth), int(kFullBarWidth));
    Geometry::placeInReadingOrder(m_progressView, QRect(kMargin, kBarTop, drawn, kBarHeight));
}

void PLUploadScreenView::registerForNotifications() {
    Q_ASSERT(QThread::currentThread() == thread());
    unregisterNotifications();
    NotificationCenter* center = NotificationCenter::defaultCenter();
    const QString progressName = QLatin1String(m_isForDownloading ? PLMediaDownloaderDidDownloadNotification
                                                                  : PLS3MediaUploaderDidUploadNotification);
    m_progressToken = center->addObserver(
        progressName,
        [this](const platform::Notification& note) {
            if (!isOwnTransfer(note))
                return;
            const qreal fraction = note.object.toDouble();
            setProgress(fraction);
            if (fraction >= 1.0) {
                NotificationCenter::defaultCenter()->removeObserver(std::exchange(m_progressToken, 0));
                platform::ui::Scheduler::shared()->performAfter(this, kRemoveDelayMs, [this] { cleanUp(); });
            }
        },
        this);
    if (!m_isForDownloading)
        return;
    m_sizeToken = center->addObserver(
        QLatin1String(PLMediaDownloaderMediaSize),
        [this](const platform::Notification& note) {
            if (!isOwnTransfer(note))
                return;
            m_fileSizeLabel->setText(PLByteCountFormatter::stringFromByteCount(
                qint64(note.object.toDouble()), PLByteCountFormatter::Style::Binary));
            NotificationCenter::defaultCenter()->removeObserver(std::exchange(m_sizeToken, 0));
        },
        this);
}

bool PLUploadScreenView::isOwnTransfer(const platform::Notification& note) const {
    return !m_isForDownloading || m_downloadID == 0 ||
           PLMediaDownloader::downloadIDOf(note.userInfo) == m_downloadID;
}

void PLUploadScreenView::unregisterNotifications() {
    NotificationCenter* center = NotificationCenter::defaultCenter();
    if (m_progressToken)
        center->removeObserver(std::exchange(m_progressToken, 0));
    if (m_sizeToken)
        center->removeObserver(std::exchange(m_sizeToken, 0));
}

void PLUploadScreenView::cancelUpload() {
    qCDebug(lcConversationMedia) << "transfer cancelled from the overlay";
    if (m_isForDownloading)
        NotificationCenter::defaultCenter()->post(
            QLatin1String(PLMediaDownloaderCancelDownloadNotification), {},
            m_downloadID ? PLMediaDownloader::userInfoFor(m_downloadID) : QVariantMap());
    else
        NotificationCenter::defaultCenter()->post(QLatin1String(PLS3MediaUploaderCancelUploadNotification));
    cleanUp();
}

void PLUploadScreenView::cleanUp() {
    unregisterNotifications();
    platform::ui::Scheduler::shared()->cancelPerforms(this);
    hide();
    setParent(nullptr);
    deleteLater();
}

bool PLUploadScreenView::event(QEvent* event) {
    // A full-screen overlay: whoever holds it, it covers them at every size they take.
    if (event->type() == QEvent::ParentAboutToChange && parentWidget())
        parentWidget()->removeEventFilter(this);
    else if (event->type() == QEvent::ParentChange && parentWidget())
        parentWidget()->installEventFilter(this);
    // The box and its parts have taken the new direction before the overlay hears of it.
    else if (event->type() == QEvent::LayoutDirectionChange)
        layOutBox();
    return QWidget::event(event);
}

bool PLUploadScreenView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && watched == parentWidget()) {
        setGeometry(parentWidget()->rect());
        // A screen that lays itself out as it changes size may bring its own parts (the chat window's
        // input bar) to the front after this: the overlay goes back over them once it has.
        QMetaObject::invokeMethod(this, &QWidget::raise, Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, event);
}

void PLUploadScreenView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layOut();
}

void PLUploadScreenView::layOut() {
    m_contentHolderView->move((width() - kBoxWidth) / 2, (height() - kBoxHeight) / 2);
}

void PLUploadScreenView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, 102));
}

} // namespace pelnix
