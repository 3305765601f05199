#include "PLActivityIndicatorView.h"

#include "foundation/ui/ImageAdditions.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/Animator.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/KeyboardMonitor.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/Window.h"

#include <QCoreApplication>
#include <QGlobalStatic>
#include <QPainter>
#include <QThread>
#include <QVariantAnimation>

namespace pelnix {

using platform::ui::Animator;
using platform::ui::ImageView;
using platform::ui::KeyboardMonitor;
using platform::ui::Scheduler;

namespace {
double g_keyboardHeight = 0;

// Black at 40 % over whatever the window shows; it takes every click meant for the screen below.
class DimmedBackdrop : public QWidget {
public:
    explicit DimmedBackdrop(std::function<void()> resized) : m_resized(std::move(resized)) {}

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), QColor(0, 0, 0, 102)); }
    void resizeEvent(QResizeEvent*) override { m_resized(); }

private:
    std::function<void()> m_resized;
};

// The picture pulses by scaling its drawing; the layout frame stays put.
class PulsingImageView : public ImageView {
public:
    using ImageView::ImageView;
    void setScale(qreal scale) {
        m_scale = scale;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        // Scaled about the centre in the painter itself: rendering the view from its own paint event
        // is a recursive repaint, which Qt refuses.
        QPainter painter(this);
        painter.translate(width() / 2.0, height() / 2.0);
        painter.scale(m_scale, m_scale);
        painter.translate(-width() / 2.0, -height() / 2.0);
        paintContent(painter);
    }

private:
    qreal m_scale = 1.0;
};

QList<QImage> animationFrames() {
    QList<QImage> frames;
    for (int i = 1; i <= 4; ++i) {
        const QImage image =
            ImageAdditions::loadImageNamed(QStringLiteral("activityIndicatorOption1_%1").arg(i));
        if (!image.isNull())
            frames << image;
    }
    return frames;
}
} // namespace

Q_GLOBAL_STATIC(QPointer<PLActivityIndicatorView>, g_shared)

PLActivityIndicatorView* PLActivityIndicatorView::sharedInstance() {
    if (!*g_shared)
        *g_shared = new PLActivityIndicatorView;
    return *g_shared;
}

PLActivityIndicatorView::PLActivityIndicatorView() : QObject(QCoreApplication::instance()) {
    // The keyboard is tracked while hidden too, so a later show() places the picture at once; one up
    // before this indicator was made counts from the start.
    const KeyboardMonitor* keyboard = KeyboardMonitor::shared();
    g_keyboardHeight = keyboard->isVisible() ? keyboard->frame().height() : 0;
    auto* center = platform::NotificationCenter::defaultCenter();
    const auto track = [this](const platform::Notification& note) {
        if (note.name == KeyboardMonitor::kWillShow || note.name == KeyboardMonitor::kDidShow)
            g_keyboardHeight = note.userInfo.value(KeyboardMonitor::kFrameBeginKey).toRect().height();
        else
            g_keyboardHeight = 0;
        const double seconds = note.userInfo.value(KeyboardMonitor::kDurationKey).toDouble();
        placePicture(int(seconds * 1000));
    };
    center->addObserver(KeyboardMonitor::kWillShow, track, this);
    center->addObserver(KeyboardMonitor::kWillHide, track, this);
}

PLActivityIndicatorView::~PLActivityIndicatorView() {
    // Between shows the overlay has no parent to take it along.
    if (m_overlay && !m_overlay->parentWidget())
        delete m_overlay.data();
}

double PLActivityIndicatorView::keyboardHeight() {
    return g_keyboardHeight;
}

void PLActivityIndicatorView::show() {
    PLActivityIndicatorView* shared = sharedInstance();
    Q_ASSERT(QThread::currentThread() == shared->thread());
    Scheduler::shared()->cancelPerforms(shared);
    shared->showNow();
}

void PLActivityIndicatorView::dismiss() {
    PLActivityIndicatorView* shared = sharedInstance();
    Q_ASSERT(QThread::currentThread() == shared->thread());
    Scheduler::shared()->performAfter(shared, 0, [shared] { shared->dismissNow(); });
}

bool PLActivityIndicatorView::isVisible() {
    const PLActivityIndicatorView* shared = *g_shared;
    return shared && shared->m_overlay && shared->m_overlay->parentWidget();
}

void PLActivityIndicatorView::makeOverlay() {
    auto* overlay = new DimmedBackdrop([this] { placePicture(0); });
    overlay->setObjectName(QStringLiteral("activityIndicator"));
    auto* picture = new PulsingImageView(overlay);
    picture->setObjectName(QStringLiteral("activityIndicatorImage"));
    picture->setContentMode(ImageView::ContentMode::Center);
    picture->resize(kPictureSide, kPictureSide);
    picture->setAnimationImages(animationFrames(), 1000);
    m_overlay = overlay;
    m_imageView = picture;
}

void PLActivityIndicatorView::showNow() {
    if (isVisible())
        return;
    platform::ui::Window* window = platform::ui::Window::keyWindow();
    if (!window)
        return;
    if (!m_overlay)
        makeOverlay();
    Animator::setAlpha(m_overlay, 0);
    m_overlay->setParent(window);
    window->addFillingView(m_overlay);
    m_overlay->raise();
    m_overlay->show();
    // What is typed while it shows changes nothing under it.
    window->holdKeysUnder(m_overlay);
    placePicture(1000);
    Animator::animateAlpha(m_overlay, 1.0, kFadeInMs);
    m_imageView->startAnimating();
    startPulse();
}

void PLActivityIndicatorView::dismissNow() {
    if (m_pulse)
        m_pulse->stop();
    if (m_imageView)
        m_imageView->stopAnimating();
    if (!m_overlay)
        return;
    if (auto* window = qobject_cast<platform::ui::Window*>(m_overlay->parentWidget()))
        window->releaseKeysUnder(m_overlay);
    m_overlay->hide();
    m_overlay->setParent(nullptr);
}

void PLActivityIndicatorView::placePicture(int durationMs) {
    if (!m_overlay || !m_imageView)
        return;
    QRect frame = m_imageView->geometry();
    frame.moveLeft((m_overlay->width() - kPictureSide) / 2);
    frame.moveTop(qRound((m_overlay->height() - g_keyboardHeight - kPictureSide) * 0.5));
    if (!m_overlay->parentWidget() || durationMs <= 0) {
        m_imageView->setGeometry(frame);
        return;
    }
    Animator::animateProperty(m_imageView, "geometry", frame, durationMs);
}

void PLActivityIndicatorView::startPulse() {
    delete m_pulse.data();
    if (Animator::isInstant())
        return;
    auto* picture = static_cast<PulsingImageView*>(m_imageView.data());
    auto* pulse = new QVariantAnimation(m_imageView);
    pulse->setDuration(2000);
    pulse->setLoopCount(-1);
    // One loop is there and back again: 1.0 -> 1.1 -> 1.0.
    pulse->setKeyValueAt(0, 1.0);
    pulse->setKeyValueAt(0.5, 1.1);
    pulse->setKeyValueAt(1, 1.0);
    connect(pulse, &QVariantAnimation::valueChanged, picture,
            [picture](const QVariant& value) { picture->setScale(value.toReal()); });
    pulse->start();
    m_pulse = pulse;
}

} // namespace pelnix
