#include "Spinner.h"

#include "Animator.h"

#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QVariantAnimation>

namespace pelnix::platform::ui {

Spinner::Spinner(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("spinner"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFixedSize(sizeHint());
    m_animation = new QVariantAnimation(this);
    m_animation->setStartValue(0);
    m_animation->setEndValue(12);
    m_animation->setDuration(1000);
    m_animation->setLoopCount(-1);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        m_step = v.toInt() % 12;
        update();
    });
    setVisible(!m_hidesWhenStopped);
}

void Spinner::startAnimating() {
    m_animating = true;
    show();
    // Instant mode never runs endless animations: tests would never go idle.
    if (!Animator::isInstant())
        m_animation->start();
}

void Spinner::stopAnimating() {
    m_animating = false;
    m_animation->stop();
    if (m_hidesWhenStopped)
        hide();
}

void Spinner::setHidesWhenStopped(bool hides) {
    m_hidesWhenStopped = hides;
    if (hides && !m_animating)
        hide();
    else if (!hides)
        show();
}

void Spinner::setColor(const QColor& color) {
    m_color = color;
    update();
}

void Spinner::paintEvent(QPaintEvent*) {
    // Each of the twelve frames is drawn once per colour, size and pixel ratio and kept: stroking
    // twelve antialiased spokes on every paint made each spinner on screen cost more than a row of
    // text, in every frame of a scroll. The spokes do not overlap, so the kept frame is drawn exactly
    // as they would be.
    const qreal ratio = devicePixelRatioF();
    const QString key = QStringLiteral("pelnix.spinner:%1:%2x%3:%4:%5")
                            .arg(m_color.rgba())
                            .arg(width())
                            .arg(height())
                            .arg(ratio)
                            .arg(m_step);
    QPixmap frame;
    if (!QPixmapCache::find(key, &frame)) {
        frame = QPixmap(size() * ratio);
        frame.setDevicePixelRatio(ratio);
        frame.fill(Qt::transparent);
        QPainter spokes(&frame);
        drawSpokes(spokes);
        spokes.end();
        QPixmapCache::insert(key, frame);
    }
    QPainter(this).drawPixmap(0, 0, frame);
}

void Spinner::drawSpokes(QPainter& painter) const {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(width() / 2.0, height() / 2.0);
    const qreal radius = qMin(width(), height()) / 2.0;
    QPen pen(m_color, qMax(2.0, radius / 6), Qt::SolidLine, Qt::RoundCap);
    for (int i = 0; i < 12; ++i) {
        QColor c = m_color;
        c.setAlphaF(0.25 + 0.75 * (((i - m_step + 12) % 12) / 11.0));
        pen.setColor(c);
        painter.setPen(pen);
        painter.drawLine(QPointF(0, -radius * 0.45), QPointF(0, -radius * 0.9));
        painter.rotate(30);
    }
}

} // namespace pelnix::platform::ui
