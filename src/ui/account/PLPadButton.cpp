#include "ui/account/PLPadButton.h"

#include "platform/ui/Animator.h"
#include "platform/ui/Label.h"
#include "ui/account/PadAnimations.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

namespace pelnix {

using platform::ui::Animator;
using platform::ui::Label;

PLPadButton::PLPadButton(int number, const QString& letters, QWidget* parent)
    : QAbstractButton(parent), m_number(number), m_appearance(PLPadLockScreenAppearance::current()) {
    setAccessibleName(QStringLiteral("PinButton%1").arg(number));
    setFocusPolicy(Qt::NoFocus);
    m_numberLabel = new Label(QString::number(number), this);
    m_lettersLabel = new Label(QString(), this);
    for (Label* label : {m_numberLabel, m_lettersLabel}) {
        label->setAlignment(Qt::AlignCenter);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    m_lettersLabel->setText(letters);
    prepareAppearance();
}

void PLPadButton::setAppearance(const PLPadLockScreenAppearance& appearance) {
    m_appearance = appearance;
    prepareAppearance();
}

QRectF PLPadButton::numberLabelFrame() const {
    const qreal w = width();
    const qreal h = height();
    QRectF frame(0, h / 5, w, h / 2.5);
    // Zero has no letters: its digit sits just above the middle instead.
    if (m_number == 0)
        frame.moveCenter(QPointF(frame.center().x(), h / 2 - 1));
    return frame;
}

QRectF PLPadButton::lettersLabelFrame() const {
    return QRectF(0, numberLabelFrame().bottom() + 3, width(), 10);
}

void PLPadButton::prepareAppearance() {
    const bool lit = m_touchHighlighted || isDown();
    const QColor text = lit ? m_appearance.buttonHighlightedTextColor : m_appearance.buttonTextColor;
    m_numberLabel->setTextColor(text);
    m_numberLabel->setFont(m_appearance.numberLabelFont);
    QFont spaced = m_appearance.letterLabelFont;
    spaced.setLetterSpacing(QFont::AbsoluteSpacing, 2);
    m_lettersLabel->setFont(spaced);
    m_lettersLabel->setTextColor(text);
    update();
}

void PLPadButton::performLayout() {
    m_numberLabel->setGeometry(numberLabelFrame().toRect());
    m_lettersLabel->setGeometry(lettersLabelFrame().toRect());
}

void PLPadButton::resizeEvent(QResizeEvent* event) {
    QAbstractButton::resizeEvent(event);
    performLayout();
}

void PLPadButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds(rect());
    painter.setPen(Qt::NoPen);
    if (m_appearance.buttonBackgroundColor.isValid() && m_appearance.buttonBackgroundColor.alpha() > 0) {
        painter.setBrush(m_appearance.buttonBackgroundColor);
        painter.drawEllipse(bounds);
    }
    if (m_selectedAlpha > 0) {
        QColor fill = m_appearance.buttonSelectedColor;
        fill.setAlphaF(fill.alphaF() * m_selectedAlpha);
        painter.setBrush(fill);
        painter.drawEllipse(bounds);
    }
    painter.setPen(QPen(m_appearance.buttonBorderColor, 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(bounds.adjusted(0.75, 0.75, -0.75, -0.75));
}

void PLPadButton::mousePressEvent(QMouseEvent* event) {
    QAbstractButton::mousePressEvent(event);
    animateTouch(true);
}

void PLPadButton::mouseReleaseEvent(QMouseEvent* event) {
    QAbstractButton::mouseReleaseEvent(event);
    animateTouch(false);
}

void PLPadButton::animateTouch(bool down) {
    m_touchHighlighted = down;
    prepareAppearance();
    PadAnimations::stopRunning(this);
    const qreal from = m_selectedAlpha;
    const qreal to = down ? 1 : 0;
    QPointer<PLPadButton> self(this);
    Animator::run(this, 150, Animator::Curve::EaseIn, [self, from, to](qreal p) {
        if (!self)
            return;
        self->m_selectedAlpha = from + (to - from) * p;
        self->update();
    });
}

} // namespace pelnix
