#include "ui/rooms/PLProfileImageViewController.h"

#include "foundation/ui/CustomFontRegistration.h"
#include "foundation/ui/ImageAdditions.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/ImageViewWebCache.h"
#include "platform/ui/Spinner.h"
#include "ui/rooms/RoomsTexts.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QStyle>

Q_LOGGING_CATEGORY(lcProfileImageViewer, "pelnix.ui.rooms.imageviewer", QtWarningMsg)

namespace pelnix {

using namespace platform::ui;

PLProfileImageViewController::PLProfileImageViewController(QObject* parent) : ViewController(parent) {}

PLProfileImageViewController::~PLProfileImageViewController() = default;

QWidget* PLProfileImageViewController::loadView() {
    auto* page = new QWidget;
    page->setAutoFillBackground(true);
    QPalette palette = page->palette();
    palette.setColor(QPalette::Window, Qt::black);
    page->setPalette(palette);
    page->setFocusPolicy(Qt::StrongFocus);
    m_profileImageView = new ImageView(page);
    m_profileImageView->setObjectName(QStringLiteral("profileImageView"));
    m_profileImageView->setContentMode(ImageView::ContentMode::ScaleAspectFit);
    m_imageLoadIndicator = new Spinner(page);
    m_imageLoadIndicator->setObjectName(QStringLiteral("imageLoadIndicator"));
    m_imageLoadIndicator->setColor(Qt::white);
    m_imageLoadIndicator->setHidesWhenStopped(true);
    m_imageLoadIndicator->resize(m_imageLoadIndicator->sizeHint());
    m_closeButton = new Button(page);
    m_closeButton->setObjectName(QStringLiteral("closeButton"));
    m_closeButton->setTitle(RoomsTexts::localized("Done"));
    m_closeButton->setTitleFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 15));
    m_closeButton->setTitleColor(Qt::white);
    m_closeButton->setFocusPolicy(Qt::NoFocus);
    placeCloseButton(page);
    connect(m_closeButton, &Button::clicked, this,
            &PLProfileImageViewController::dismissProfileViewController);
    page->installEventFilter(this);
    return page;
}

void PLProfileImageViewController::placeCloseButton(QWidget* page) {
    // In the top corner where reading starts: the right, right to left.
    m_closeButton->setGeometry(
        QStyle::visualRect(page->layoutDirection(), page->rect(), QRect(8, 8, 64, 36)));
}

bool PLProfileImageViewController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view()) {
        if ((event->type() == QEvent::Resize || event->type() == QEvent::LayoutDirectionChange) &&
            m_closeButton)
            placeCloseButton(view());
        if (event->type() == QEvent::Resize && !m_closing && m_profileImageView && !m_initialFrame.isNull())
            m_profileImageView->setGeometry(openFrame());
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            dismissProfileViewController();
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease) {
            dismissProfileViewController();
            return true;
        }
    }
    return ViewController::eventFilter(watched, event);
}

QRect PLProfileImageViewController::openFrame() {
    const QRect page = view()->rect();
    if (m_placeholderSize.isEmpty())
        return page;
    const QSize size = m_placeholderSize.boundedTo(page.size()).expandedTo(QSize(1, 1));
    const QSize fitted = m_placeholderSize.scaled(size, Qt::KeepAspectRatio);
    return QRect((page.width() - fitted.width()) / 2, (page.height() - fitted.height()) / 2, fitted.width(),
                 fitted.height());
}

void PLProfileImageViewController::showProfileImageWithThumbNailImage(const QImage& thumbnail,
                                                                      const QString& bigImageURL,
                                                                      const QRectF& frame) {
    QWidget* page = view();
    // From the window's coordinates into the page's.
    const QPoint origin = page->window() == page ? frame.topLeft().toPoint()
                                                 : page->mapFrom(page->window(), frame.topLeft().toPoint());
    const QSize size = frame.size().toSize();
    // Centred across the screen at the height of the tap.
    const QRect start(page->width() / 2 - size.width() / 2, origin.y() - size.height() / 2, size.width(),
                      size.height());
    m_profileImageView->setGeometry(start);
    m_initialFrame = start;
    // A placeholder (initials, the default person) with nothing larger to load is not blown up to the
    // screen; a real small picture grows to fill it, with or without a larger one to load.
    m_placeholderSize = bigImageURL.trimmed().isEmpty() && ImageAdditions::isPlaceholder(thumbnail)
                            ? (QSizeF(thumbnail.size()) / thumbnail.devicePixelRatio()).toSize()
                            : QSize();
    m_profileImageView->setImage(thumbnail);
    m_profileImageView->show();
    m_closeButton->raise();
    Animator::animateProperty(m_profileImageView, "geometry", openFrame(), kGrowMs);
    m_imageLoadIndicator->move(page->rect().center() - m_imageLoadIndicator->rect().center());
    m_imageLoadIndicator->raise();
    m_imageLoadIndicator->startAnimating();
    QPointer<PLProfileImageViewController> self(this);
    ImageViewWebCache::pl_setImageWithURL(
        m_profileImageView, QUrl(bigImageURL), thumbnail, 0,
        [self, thumbnail](const QImage& image, const PLOptionalError& error, int, const QUrl&) {
            if (!self)
                return;
            self->m_imageLoadIndicator->stopAnimating();
            if (!error && !image.isNull())
                self->m_profileImageView->setImage(image);
            else
                self->m_profileImageView->setImage(thumbnail);
        });
}

void PLProfileImageViewController::dismissProfileViewController() {
    if (m_closing)
        return;
    m_closing = true;
    QPointer<PLProfileImageViewController> self(this);
    Animator::animateProperty(m_profileImageView, "geometry", m_initialFrame, kShrinkMs,
                              Animator::Curve::EaseInOut, [self](bool) {
                                  if (self)
                                      self->dismissViewController(false);
                              });
}

} // namespace pelnix
