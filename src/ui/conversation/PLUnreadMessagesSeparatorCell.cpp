#include "ui/conversation/PLUnreadMessagesSeparatorCell.h"

#include "platform/ui/Button.h"
#include "ui/conversation/PLChatWindowCellContent.h"
#include "ui/conversation/PLChatWindowStyle.h"

#include <QPainter>

namespace pelnix {

using platform::ui::Button;

namespace {
constexpr int kButtonHeight = 22;
const QColor kAccent(0x25, 0xA5, 0x49);
} // namespace

PLUnreadMessagesSeparatorCell::PLUnreadMessagesSeparatorCell(QWidget* parent)
    : CollectionViewCell(kIdentifier, parent), m_countIndicatorButton(new Button(contentView())) {
    m_countIndicatorButton->setObjectName(QStringLiteral("countIndicatorButton"));
    m_countIndicatorButton->setTitleFont(PLChatWindowStyle::font(QStringLiteral("DejaVuSans-Bold"), 11));
    m_countIndicatorButton->setTitleColor(Qt::white);
    m_countIndicatorButton->setBackgroundColor(kAccent);
    m_countIndicatorButton->setCornerRadius(kButtonHeight / 2.0);
    // A badge, not a button: neither a click nor Tab stops on it.
    m_countIndicatorButton->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_countIndicatorButton->setFocusPolicy(Qt::NoFocus);
}

void PLUnreadMessagesSeparatorCell::setChatWindowCellContent(const PLChatWindowCellContent& row) {
    const QString title = row.displayText();
    m_countIndicatorButton->setTitle(title);
    m_widthConstraint =
        QFontMetricsF(m_countIndicatorButton->titleFont()).horizontalAdvance(title) + kTitlePadding;
    layOut();
}

void PLUnreadMessagesSeparatorCell::layOut() {
    const int buttonWidth = qMin(width(), qCeil(m_widthConstraint));
    m_countIndicatorButton->setGeometry((width() - buttonWidth) / 2, (height() - kButtonHeight) / 2,
                                        buttonWidth, kButtonHeight);
    update();
}

void PLUnreadMessagesSeparatorCell::resizeEvent(QResizeEvent* event) {
    CollectionViewCell::resizeEvent(event);
    layOut();
}

void PLUnreadMessagesSeparatorCell::paintEvent(QPaintEvent* event) {
    CollectionViewCell::paintEvent(event);
    QPainter painter(this);
    painter.setPen(QPen(kAccent, 1));
    const qreal middle = height() / 2.0;
    painter.drawLine(QPointF(0, middle), QPointF(width(), middle));
}

} // namespace pelnix
