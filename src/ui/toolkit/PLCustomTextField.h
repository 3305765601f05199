#pragma once

#include "PLCustomTextFieldDelegate.h"
#include "PLTextFieldRightButton.h"
#include "platform/ui/WeakDelegate.h"

#include "platform/ui/TextField.h"

#include <QImage>
#include <QPointer>

namespace pelnix {

// The library's standard input field: borderless on a background picture, grey regular text, 15-point
// side insets, and on request a "SHOW"/"HIDE" button at its trailing end that the text never runs
// under. The picture keeps its rounded corners at any size; the field with the focus gets the
// toolkit's accent border. Right to left, the text and placeholder start at the right and the button
// lies at the left, also after a direction turned at run time.
class PLCustomTextField : public platform::ui::TextField {
    Q_OBJECT
public:
    static constexpr qreal kInset = 15.0;
    static constexpr qreal kButtonGap = 10.0;

    explicit PLCustomTextField(QWidget* parent = nullptr);

    PLCustomTextFieldDelegate* customDelegate() const { return m_delegate.get(); }
    void setCustomDelegate(PLCustomTextFieldDelegate* delegate) { m_delegate.set(delegate); }

    // Styles the field and asks the delegate (set by then) once whether to add the right button.
    void awakeFromNib();

    qreal leftInsetValue() const { return m_leftInset; }
    qreal rightInsetValue() const { return m_rightInset; }
    // The rectangle placeholder, text and editing text share.
    QRectF rectForBounds(const QRectF& bounds) const;
    PLTextFieldRightButton* rightButton() const { return m_rightButton; }
    QSize sizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void rightButtonClicked();
    void placeRightButton();
    // Alignment, insets and the button's side from the field's layout direction.
    void followLayoutDirection();

    platform::ui::WeakDelegate<PLCustomTextFieldDelegate> m_delegate;
    qreal m_leftInset = kInset;
    qreal m_rightInset = kInset;
    QImage m_background;
    QPointer<PLTextFieldRightButton> m_rightButton;
    bool m_styled = false;
};

} // namespace pelnix
