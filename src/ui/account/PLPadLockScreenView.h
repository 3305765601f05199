#pragma once

#include "ui/account/PLPadLockScreenAppearance.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QRectF>
#include <QWidget>
#include <functional>

namespace pelnix {

namespace platform::ui {
class Button;
class Label;
class TextField;
} // namespace platform::ui

class PLPadButton;
class PLPinSelectionView;

// The passcode pad: a title, four PIN dots (or, in the complex mode, a PIN field with an OK button),
// a detail line, ten circular digit buttons and a cancel button that gives way to delete once a digit
// is in. Everything sits in a 320-point-wide content area, at most 568 points high, centred.
//
// Positions are kept in points as fractions (frameOf()); the widgets get them rounded. A layout pass
// keeps the entered length: laying out again redraws as many bullets as there are digits.
class PLPadLockScreenView : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal kContentWidth = 320;
    static constexpr qreal kMaxContentHeight = 568;

    // What the layout depends on besides the view's own size.
    struct Device {
        qreal screenHeight = 480; // the main screen's height in points
        bool tablet = false;
        bool isTallPhone() const { return !tablet && screenHeight == 568; }
        static Device current();
    };
    using Completion = std::function<void(bool finished)>;

    explicit PLPadLockScreenView(const QRect& frame = QRect(0, 0, 320, 568), bool complexPin = false,
                                 QWidget* parent = nullptr);
    ~PLPadLockScreenView() override;

    bool isComplexPin() const { return m_complexPin; }
    Device device() const { return m_device; }
    void setDevice(const Device& device);
    PLPadLockScreenAppearance appearance() const { return m_appearance; }
    void setAppearance(const PLPadLockScreenAppearance& appearance);

    QWidget* contentView() const { return m_content; }
    platform::ui::Label* enterPasscodeLabel() const { return m_title; }
    platform::ui::Label* detailLabel() const { return m_detail; }
    platform::ui::Button* cancelButton() const { return m_cancel; }
    platform::ui::Button* deleteButton() const { return m_delete; }
    platform::ui::Button* okButton() const { return m_ok; }
    // Index = digit.
    QList<PLPadButton*> buttonArray() const { return m_digits; }
    // The four dots; empty in the complex mode.
    QList<PLPinSelectionView*> digitsArray();
    // The PIN field; null in the four-digit mode.
    platform::ui::TextField* digitsTextField() const { return m_field; }
    // The blurred backdrop's veil; null until a background view is set.
    QWidget* backgroundBlurringView() const { return m_blurringView; }
    QWidget* backgroundView() const { return m_backgroundView; }
    // Shows `view` blurred behind the pad (the view is taken over); null hides the blur.
    void setBackgroundView(QWidget* view);

    bool cancelButtonDisabled() const { return m_cancelButtonDisabled; }
    void setCancelButtonDisabled(bool disabled) { m_cancelButtonDisabled = disabled; }
    // Whether the cancel button has ever been placed on the pad.
    bool isCancelButtonPlaced() const { return m_cancelPlaced; }

    // The frame of a subview in content coordinates, as last laid out (null rect when never).
    QRectF frameOf(const QWidget* view) const { return m_frames.value(view); }
    int pinLength() const { return m_pinLength; }
    // The horizontal offset of the shaking PIN row (0 at rest).
    qreal shakeOffset() const { return m_shakeOffset; }
    bool isLocked() const { return m_locked; }

    void layoutPad();
    void showCancelButtonAnimated(bool animated, Completion completion = {});
    void showDeleteButtonAnimated(bool animated, Completion completion = {});
    void showOKButton(bool show, bool animated, Completion completion = {});
    void updateDetailLabelWithString(const QString& text, bool animated);
    // Digit buttons dimmed and disabled, cancel and dots hidden.
    void lockViewAnimated(bool animated, Completion completion = {});
    // Shakes the PIN row sideways in halving steps, then puts it back.
    void animateFailureNotification();
    // Dots cleared, cancel back, OK hidden, field emptied.
    void resetAnimated(bool animated);
    // Shows `length` bullets in the PIN field.
    void updatePinTextfieldWithLength(int length);

signals:
    // One step of the shake starts, moving the PIN row towards `offset`.
    void shakeStepStarted(qreal offset);

protected:
    void resizeEvent(QResizeEvent* event) override;
    // The pad keeps the focus: Tab leads nowhere else, least of all to the screen the lock covers.
    bool focusNextPrevChild(bool next) override;

private:
    void setFrame(QWidget* view, const QRectF& frame);
    void layoutTitleArea();
    void layoutButtonArea();
    void prepareAppearance();
    void placeContent();
    void applyShake();
    void shakeStep(qreal offset);
    void performAnimations(const std::function<void()>& changes, bool animated, Completion completion);

    bool m_complexPin = false;
    Device m_device;
    PLPadLockScreenAppearance m_appearance;
    QWidget* m_content = nullptr;
    platform::ui::Label* m_title = nullptr;
    platform::ui::Label* m_detail = nullptr;
    platform::ui::Button* m_cancel = nullptr;
    platform::ui::Button* m_delete = nullptr;
    platform::ui::Button* m_ok = nullptr;
    platform::ui::TextField* m_field = nullptr;
    QList<PLPadButton*> m_digits;
    QList<PLPinSelectionView*> m_dots;
    QPointer<QWidget> m_backgroundView;
    QWidget* m_blurringView = nullptr;
    QHash<const QWidget*, QRectF> m_frames;
    bool m_cancelButtonDisabled = false;
    bool m_cancelPlaced = false;
    bool m_locked = false;
    int m_pinLength = 0;
    qreal m_shakeOffset = 0;
};

} // namespace pelnix
