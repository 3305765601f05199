#include "BarButton.h"

#include "FocusRing.h"

#include <QStyleOptionToolButton>
#include <QStylePainter>

namespace pelnix::platform::ui {

namespace {
constexpr qreal kRingRadius = 4;
}

BarButton::BarButton(QWidget* parent) : QToolButton(parent) {
    FocusRing::follow(this);
}

void BarButton::setTitleInOwnDirection(bool own) {
    m_ownDirection = own;
    update();
}

void BarButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    if (m_ownDirection)
        painter.setLayoutDirection(layoutDirection());
    QStyleOptionToolButton option;
    initStyleOption(&option);
    option.state &= ~QStyle::State_HasFocus;
    painter.drawComplexControl(QStyle::CC_ToolButton, option);
    if (!FocusRing::shows(this))
        return;
    painter.setRenderHint(QPainter::Antialiasing);
    FocusRing::draw(painter, QRectF(rect()), kRingRadius,
                    FocusRing::colourOn(FocusRing::backdrop(this), palette().color(QPalette::Highlight),
                                        palette().color(QPalette::ButtonText)));
}

} // namespace pelnix::platform::ui
