#include "PLCustomTextField.h"

#include "PLTextFieldRightButton.h"
#include "ToolkitStyle.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/ui/DeviceInfo.h"
#include "foundation/ui/ImageAdditions.h"

#include <QPainter>

namespace pelnix {

PLCustomTextField::PLCustomTextField(QWidget* parent) : TextField(parent) {}

void PLCustomTextField::awakeFromNib() {
    setFrame(false);
    setAlignment(DeviceInfo::currentLocaleIsOfRTLType() ? Qt::AlignRight : Qt::AlignLeft);
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
        placeRightButton();
    }
    setTextMargins(qRound(m_leftInset), 0, qRound(m_rightInset), 0);
    setAccessibleName(placeholder());
}

QRectF PLCustomTextField::rectForBounds(const QRectF& bounds) const {
    return QRectF(bounds.x() + m_leftInset, bounds.y(), bounds.width() - (m_leftInset + m_rightInset),
                  bounds.height());
}

void PLCustomTextField::placeRightButton() {
    if (!m_rightButton)
        return;
    // Vertically centred, 10 points from the right edge.
    const QSize size = m_rightButton->size();
    m_rightButton->move(qRound(width() - size.width() - kButtonGap),
                        qRound((height() - size.height()) * 0.5));
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
