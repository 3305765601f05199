#include "ui/toolkit/PLChatletCategoryCollectionViewCell.h"

#include "foundation/ui/CustomFontRegistration.h"
#include "foundation/ui/LabelAdditions.h"
#include "platform/ui/FocusRing.h"
#include "platform/ui/Label.h"
#include "ui/toolkit/ToolkitStyle.h"

#include <QPainter>

namespace pelnix {

namespace {
const QColor kUnselectedTitle(0x8E, 0x8E, 0x93);
constexpr qreal kRingRadius = 4;
} // namespace

PLChatletCategoryCollectionViewCell::PLChatletCategoryCollectionViewCell(QWidget* parent)
    : ReusableView(kIdentifier, parent), m_titleLabel(new platform::ui::Label({}, this)) {
    m_titleLabel->setObjectName(QStringLiteral("titleLabel"));
    m_titleLabel->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans-Bold"), 12));
    m_titleLabel->setAlignment(Qt::AlignCenter);
    m_titleLabel->setTextColor(kUnselectedTitle);
    setBackgroundColor(Qt::white);
    setFocusPolicy(Qt::TabFocus);
    platform::ui::FocusRing::follow(this);
}

void PLChatletCategoryCollectionViewCell::configureCellWithTitle(const QString& title) {
    m_titleLabel->setText(title);
}

qreal PLChatletCategoryCollectionViewCell::widthOfTextContent() const {
    return LabelAdditions::sizeFromCurrentText(m_titleLabel).width();
}

QPointF PLChatletCategoryCollectionViewCell::centerOfTitle(const QWidget* view) const {
    const QPointF centre = QRectF(m_titleLabel->geometry()).center();
    if (!view)
        return centre;
    return QPointF(view->mapFromGlobal(mapToGlobal(centre.toPoint())));
}

void PLChatletCategoryCollectionViewCell::setSelected(bool selected, bool animated) {
    ReusableView::setSelected(selected, animated);
    m_titleLabel->setTextColor(selected ? ToolkitStyle::accentColor() : kUnselectedTitle);
}

void PLChatletCategoryCollectionViewCell::paintEvent(QPaintEvent* event) {
    ReusableView::paintEvent(event);
    using namespace platform::ui;
    if (!FocusRing::shows(this))
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    FocusRing::draw(painter, QRectF(rect()), kRingRadius,
                    FocusRing::colourOn(backgroundColor(), palette().color(QPalette::Highlight),
                                        ToolkitStyle::accentColor()));
}

void PLChatletCategoryCollectionViewCell::resizeEvent(QResizeEvent* event) {
    ReusableView::resizeEvent(event);
    m_titleLabel->setGeometry(rect().adjusted(4, 0, -4, 0));
}

} // namespace pelnix
