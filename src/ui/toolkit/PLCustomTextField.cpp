#include "PLCustomTextField.h"

#include "Geometry.h"
#include "PLTextFieldRightButton.h"
#include "ToolkitStyle.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/ui/ImageAdditions.h"

#include <QEvent>
#include <QPainter>

namespace pelnix {

PLCustomTextField::PLCustomTextField(QWidget* parent) : TextField(parent) {}

void PLCustomTextField::awakeFromNib() {
    setFrame(false);
    m_background = ImageAdditions::loadImageNamed(QStringLiteral("textFieldBackground"));
    ToolkitStyle::applyFieldPalette(this, QColor::fromRgbF(0.6, 0.6, 0.6));
    setFont(ToolkitStyle::regularFont());
    m_leftInset = kInset;
    m_rightInset = kInset;
    PLCustomTextFieldDelegate* delegate = m_delegate.get();
    if (delegate && !m_rightButton && delegate->shouldShowRightButtonOnTextField(this)) {
        m_rightButton = PLTextFieldRightButton::button(this);
        connect(m_rightButton, &PLTextFieldRightButton::clicked, this,
                &PLCustomTextField::rightButtonClicked);
        m_rightButton->show();
        m_rightInset = m_rightButton->width() + kButtonGap;
    }
    m_styled = true;
    followLayoutDirection();
    setAccessibleName(placeholder());
}

void PLCustomTextField::followLayoutDirection() {
    const bool rightToLeft = layoutDirection() == Qt::RightToLeft;
    // Right to left any text starts at the right, as English does at the left.
    setAlignment(Geometry::leadingAlignment(rightToLeft));
    // Text margins are absolute: the button's room is at the trailing side.
    const int leading = qRound(m_leftInset);
    const int trailing = qRound(m_rightInset);
    setTextMargins(rightToLeft ? trailing : leading, 0, rightToLeft ? leading : trailing, 0);
    placeRightButton();
}

bool PLCustomTextField::event(QEvent* event) {
    const bool handled = TextField::event(event);
    if (event->type() == QEvent::LayoutDirectionChange && m_styled)
        followLayoutDirection();
    return handled;
}

QRectF PLCustomTextField::rectForBounds(const QRectF& bounds) const {
    return QRectF(bounds.x() + m_leftInset, bounds.y(), bounds.width() - (m_leftInset + m_rightInset),
                  bounds.height());
}

void PLCustomTextField::placeRightButton() {
    if (!m_rightButton)
        return;
    // Vertically centred, 10 points from the trailing edge.
    const QSize size = m_rightButton->size();
    const int x = layoutDirection() == Qt::RightToLeft ? qRound(kButtonGap)
                                                       : qRound(width() - size.width() - kButtonGap);
    m_rightButton->move(x, qRound((height() - size.height()) * 0.5));
}

void PLCustomTextField::resizeEvent(QResizeEvent* event) {
    TextField::resizeEvent(event);
    placeRightButton();
}

void PLCustomTextField::rightButtonClicked() {
    PLCustomTextFieldDelegate* delegate = m_delegate.get();
    if (!delegate || !delegate->handlesRightButtonClicks())
        return;
    const QString show = PLCurrentBundleInfo::localizedString(QStringLiteral("SHOW"));
    const QString hide = PLCurrentBundleInfo::localizedString(QStringLiteral("HIDE"));
    m_rightButton->setTitle(m_rightButton->titleForState(platform::ui::Button::State::Normal) == show ? hide
                                                                                                      : show);
    delegate->rightButtonClicked(this, m_rightButton);
}

QSize PLCustomTextField::sizeHint() const {
    return QSize(TextField::sizeHint().width(), qRound(ToolkitStyle::kFieldHeight));
}

void PLCustomTextField::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        ToolkitStyle::paintStretchedPicture(painter, rect(), m_background,
                                            ToolkitStyle::kCornerRadius + ToolkitStyle::kBorderWidth);
        if (hasFocus())
            ToolkitStyle::paintFieldBorder(painter, rect(), ToolkitStyle::accentColor());
    }
    TextField::paintEvent(event);
}

} // namespace pelnix
