#pragma once

#include "platform/ui/ViewController.h"

#include <QString>
#include <functional>

class QKeyEvent;

namespace pelnix {

class PLPadLockScreenView;

// What the two passcode pads share: digit entry, delete, OK and the texts of the pad.
//
// Four-digit mode: exactly four digits, shown as dots, checked as soon as the fourth is in. Complex
// mode: any number of digits (at least one), shown as bullets, checked when OK is tapped.
//
// The keyboard drives the pad as its buttons do: the digits of the main row and of the keypad, Backspace
// for delete, Return or Enter for OK, Escape for cancel while the cancel button shows. The pad view
// holds the focus from its appearance on.
class PLPadLockScreenAbstractViewController : public platform::ui::ViewController {
    Q_OBJECT
public:
    // Plays a system sound by its number (1105 the key click, 4095 the failure vibration). Unset, the
    // screen layer's system sounds play them; tests install their own to stay silent. Either way a
    // pad plays only the sounds its flags enable.
    using SoundPlayer = std::function<void(int soundId)>;
    static void setSoundPlayer(SoundPlayer player);

    explicit PLPadLockScreenAbstractViewController(bool complexPin = false, QObject* parent = nullptr);
    ~PLPadLockScreenAbstractViewController() override;

    bool isComplexPin() const { return m_complexPin; }
    QString currentPin() const { return m_currentPin; }
    bool tapSoundEnabled() const { return m_tapSound; }
    void setTapSoundEnabled(bool enabled) { m_tapSound = enabled; }
    bool errorVibrateEnabled() const { return m_errorVibrate; }
    void setErrorVibrateEnabled(bool enabled) { m_errorVibrate = enabled; }

    // The pad view (built on first use).
    PLPadLockScreenView* padView();

    void setLockScreenTitle(const QString& title);
    void setEnterPasscodeLabelText(const QString& text);
    void setSubtitleText(const QString& text);
    void setCancelButtonText(const QString& text);
    void setDeleteButtonText(const QString& text);
    // Shown blurred behind the pad (taken over).
    void setBackgroundView(QWidget* view);
    // Call before the pad is first laid out: a cancel button placed once stays.
    void cancelButtonDisabled(bool disabled);

    // What the buttons do.
    void newPinSelected(int digit);
    void deleteFromPin();
    // A PIN has at least one digit: OK on an empty one does nothing.
    void okButtonSelected() {
        if (!m_currentPin.isEmpty())
            processPin();
    }

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    void viewDidAppear(bool animated) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Checks the entered PIN; each pad gives its own.
    virtual void processPin() {}
    void setCurrentPin(const QString& pin) { m_currentPin = pin; }
    void playFailureSound();

private:
    // A key on the pad view: the button it stands for acts; false for keys the pad has no use for.
    bool padKeyEvent(QKeyEvent* event);

    bool m_complexPin = false;
    QString m_currentPin = QString("");
    bool m_tapSound = false;
    bool m_errorVibrate = false;
};

} // namespace pelnix
