#include "Button.h"

#include "BarButtonItem.h"
#include "ClickBurst.h"
#include "FocusRing.h"
#include "KeyRepeat.h"
#include "TintColor.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

namespace pelnix::platform::ui {

Button::Button(QWidget* parent) : QAbstractButton(parent) {
    m_colors.insert(int(State::Normal), defaultTintColor());
    setCursor(Qt::PointingHandCursor);
    // A double click is one press, not a second one on what the first brought under the pointer.
    ClickBurst::watch(this);
    FocusRing::follow(this);
}

template <typename T> T Button::pick(const QHash<int, T>& values, State state) const {
    const auto it = values.constFind(int(state));
    if (it != values.constEnd())
        return *it;
    return values.value(int(State::Normal));
}

void Button::setTitle(const QString& title, State state) {
    m_titles.insert(int(state), title);
    if (state == State::Normal)
        setText(title);
    updateGeometry();
    update();
}

QString Button::titleForState(State state) const {
    return pick(m_titles, state);
}

void Button::setTitleColor(const QColor& color, State state) {
    m_colors.insert(int(state), color);
    update();
}

QColor Button::titleColorForState(State state) const {
    if (state == State::Disabled && !m_colors.contains(int(State::Disabled))) {
        QColor c = pick(m_colors, State::Normal);
        c.setAlphaF(c.alphaF() * 0.4);
        return c;
    }
    return pick(m_colors, state);
}

void Button::setImage(const QImage& image, State state) {
    m_images.insert(int(state), image);
    updateGeometry();
    update();
}

QImage Button::imageForState(State state) const {
    return pick(m_images, state);
}

void Button::setImageMirroredRightToLeft(bool mirrored) {
    m_mirrorImage = mirrored;
    update();
}

void Button::setBackgroundImage(const QImage& image, State state) {
    m_backgrounds.insert(int(state), image);
    update();
}

QImage Button::backgroundImageForState(State state) const {
    return pick(m_backgrounds, state);
}

void Button::setContentEdgeInsets(const QMargins& insets) {
    m_contentInsets = insets;
    updateGeometry();
    update();
}

void Button::setSelected(bool selected) {
    m_selected = selected;
    update();
}

void Button::setBackgroundColor(const QColor& color) {
    m_background = color;
    update();
}

void Button::setCornerRadius(qreal radius) {
    m_radius = radius;
    update();
}

Button::State Button::currentState() const {
    if (!isEnabled())
        return State::Disabled;
    if (isDown())
        return State::Highlighted;
    if (m_selected)
        return State::Selected;
    return State::Normal;
}

QSize Button::sizeHint() const {
    const State state = currentState();
    const QImage image = imageForState(state);
    const QString title = titleForState(state);
    const QFontMetrics metrics(font());
    const qreal dpr = image.isNull() ? 1 : image.devicePixelRatio();
    const int w = (image.isNull() ? 0 : qCeil(image.width() / dpr)) +
                  (title.isEmpty() ? 0 : metrics.horizontalAdvance(title) + (image.isNull() ? 0 : 6));
    const int h = qMax(image.isNull() ? 0 : qCeil(image.height() / dpr), metrics.height());
    return QSize(w, h).grownBy(m_contentInsets).expandedTo(QSize(10, 10));
}

void Button::paintEvent(QPaintEvent*) {
    const State state = currentState();
    // Where Tab put the keys shows, as on Qt's own buttons; a click's focus shows nothing.
    const bool keysHere = FocusRing::shows(this);
    // A bare tap target (a cell's picture button with only a pressed look) paints nothing, on every
    // frame of a scrolling list: no painter for it.
    if (m_background.alpha() == 0 && backgroundImageForState(state).isNull() &&
        imageForState(state).isNull() && titleForState(state).isEmpty() && !keysHere)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (m_radius > 0) {
        QPainterPath clip;
        clip.addRoundedRect(QRectF(rect()), m_radius, m_radius);
        painter.setClipPath(clip);
    }
    if (m_background.alpha() > 0)
        painter.fillRect(rect(), m_background);
    const QImage background = backgroundImageForState(state);
    if (!background.isNull())
        painter.drawImage(rect(), background);

    const QRect content = rect().marginsRemoved(m_contentInsets);
    const QImage image = imageForState(state);
    const QString title = titleForState(state);
    const QFontMetrics metrics(font());
    const qreal dpr = image.isNull() ? 1 : image.devicePixelRatio();
    const QSize imageSize = image.isNull() ? QSize() : (QSizeF(image.size()) / dpr).toSize();
    // One pixel of slack: the rounded advance can fall short of the title's real width and elide it.
    const int titleWidth = title.isEmpty() ? 0 : qMin(metrics.horizontalAdvance(title) + 1, content.width());
    const int gap = (!image.isNull() && !title.isEmpty()) ? 6 : 0;
    const int total = imageSize.width() + gap + titleWidth;
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    // Right to left the group lies where left to right puts it, mirrored in the content, to the pixel.
    const int x = rtl ? content.left() + content.width() - (content.width() - total) / 2 - total
                      : content.left() + (content.width() - total) / 2;
    QRect imageRect(x, content.top() + (content.height() - imageSize.height()) / 2, imageSize.width(),
                    imageSize.height());
    QRect titleRect(x + imageSize.width() + gap, content.top(), titleWidth, content.height());
    if (rtl) {
        titleRect.moveLeft(x);
        imageRect.moveLeft(x + titleWidth + gap);
    }
    if (state == State::Highlighted && image.isNull() && background.isNull())
        painter.setOpacity(0.4);
    if (!image.isNull()) {
        // Mirrored as drawn, not as a mirrored copy drawn: the scaled pixels are left to right's.
        const bool turned = rtl && m_mirrorImage;
        if (turned) {
            painter.save();
            painter.setTransform(QTransform(-1, 0, 0, 1, 2 * imageRect.left() + imageRect.width(), 0), true);
        }
        painter.drawImage(imageRect, image);
        if (turned)
            painter.restore();
    }
    if (!title.isEmpty()) {
        painter.setPen(titleColorForState(state));
        painter.setFont(font());
        // A title reads in its own direction, from its first strong letter, as a label's text does: a
        // painter lays text out in the application's direction, which would put "3 New Updates"'s
        // count after its words in a right-to-left program.
        const QString shown = metrics.elidedText(title, Qt::ElideRight, titleRect.width());
        painter.drawText(titleRect,
                         Qt::AlignCenter |
                             (shown.isRightToLeft() ? Qt::TextForceRightToLeft : Qt::TextForceLeftToRight),
                         shown);
    }
    if (keysHere) {
        painter.setClipping(false);
        painter.setOpacity(1);
        const QColor ring =
            FocusRing::colourOn(fill(state), palette().color(QPalette::Highlight), titleColorForState(state));
        // Of its own colour, or on a colour with the ring's own beyond it (a bare button across a blue
        // bar, beside a white page), a ring on its edge reads as a smaller button.
        if (m_background.alpha() > 0 || !background.isNull() ||
            FocusRing::contrast(ring, FocusRing::beyondBackdrop(this)) < FocusRing::kLeastContrast)
            FocusRing::drawInside(painter, QRectF(rect()), m_radius, ring);
        else
            FocusRing::draw(painter, QRectF(rect()), m_radius, ring);
    }
}

QColor Button::fill(State state) const {
    QColor fill = FocusRing::backdrop(this);
    const QImage background = backgroundImageForState(state);
    if (!background.isNull())
        fill = FocusRing::laidOn(
            background.scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).pixelColor(0, 0), fill);
    if (m_background.alpha() > 0)
        fill = FocusRing::laidOn(m_background, fill);
    return fill;
}

void Button::changeEvent(QEvent* event) {
    QAbstractButton::changeEvent(event);
    // The title and image swap sides, and a directional image turns.
    if (event->type() == QEvent::LayoutDirectionChange)
        update();
}

void Button::keyPressEvent(QKeyEvent* event) {
    // Qt's button takes Space alone.
    if (!BarButtonItem::pressOnReturn(this, event))
        QAbstractButton::keyPressEvent(event);
}

void Button::keyReleaseEvent(QKeyEvent* event) {
    KeyRepeat::noteRelease(event);
    QAbstractButton::keyReleaseEvent(event);
}

} // namespace pelnix::platform::ui
