#include "ui/account/PLPadLockScreenAbstractViewController.h"

#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/SystemSounds.h"
#include "platform/ui/Window.h"
#include "ui/account/PLPadButton.h"
#include "ui/account/PLPadLockScreenView.h"
#include "ui/account/PLPinSelectionView.h"

#include <QKeyEvent>

namespace pelnix {

using platform::ui::Button;
using platform::ui::SystemSounds;
using platform::ui::Window;

namespace {
PLPadLockScreenAbstractViewController::SoundPlayer& soundPlayer() {
    static PLPadLockScreenAbstractViewController::SoundPlayer player;
    return player;
}

void play(int sound) {
    if (soundPlayer())
        soundPlayer()(sound);
    else
        SystemSounds::shared()->play(sound);
}
} // namespace

void PLPadLockScreenAbstractViewController::setSoundPlayer(SoundPlayer player) {
    soundPlayer() = std::move(player);
}

PLPadLockScreenAbstractViewController::PLPadLockScreenAbstractViewController(bool complexPin, QObject* parent)
    : ViewController(parent), m_complexPin(complexPin) {}

PLPadLockScreenAbstractViewController::~PLPadLockScreenAbstractViewController() = default;

PLPadLockScreenView* PLPadLockScreenAbstractViewController::padView() {
    return static_cast<PLPadLockScreenView*>(view());
}

QWidget* PLPadLockScreenAbstractViewController::loadView() {
    // Laid out for portrait on a phone, whichever way it is held.
    QSize size(320, 568);
    if (const Window* window = Window::keyWindow(); window && !window->size().isEmpty()) {
        size = window->size();
        if (window->idiom() == Window::Idiom::Phone && size.width() > size.height())
            size.transpose();
    }
    return new PLPadLockScreenView(QRect(QPoint(0, 0), size), m_complexPin);
}

void PLPadLockScreenAbstractViewController::viewDidLoad() {
    PLPadLockScreenView* pad = padView();
    for (PLPadButton* button : pad->buttonArray()) {
        connect(button, &QAbstractButton::clicked, this, [this, button] {
            if (m_tapSound)
                play(SystemSounds::KeyPressClick);
            newPinSelected(button->number());
        });
    }
    connect(pad->deleteButton(), &QAbstractButton::clicked, this, [this] { deleteFromPin(); });
    connect(pad->okButton(), &QAbstractButton::clicked, this, [this] { okButtonSelected(); });
    pad->installEventFilter(this);
}

void PLPadLockScreenAbstractViewController::viewDidAppear(bool animated) {
    ViewController::viewDidAppear(animated);
    // Typing goes to the pad, not to a field of the screen the lock covers; an alert open over the pad
    // keeps the keys until it is answered.
    Window::giveKeyboardTo(padView());
}

bool PLPadLockScreenAbstractViewController::eventFilter(QObject* watched, QEvent* event) {
    if (isViewLoaded() && watched == view() &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease))
        return padKeyEvent(static_cast<QKeyEvent*>(event));
    return ViewController::eventFilter(watched, event);
}

bool PLPadLockScreenAbstractViewController::padKeyEvent(QKeyEvent* event) {
    // Shortcuts belong to the host; Shift and the keypad still give digits.
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    PLPadLockScreenView* pad = padView();
    const bool press = event->type() == QEvent::KeyPress;
    const int key = event->key();
    // A key held down presses its button once; Backspace goes on deleting, as in a field.
    if (event->isAutoRepeat() && key != Qt::Key_Backspace)
        return (key >= Qt::Key_0 && key <= Qt::Key_9) || key == Qt::Key_Return || key == Qt::Key_Enter ||
               key == Qt::Key_Escape;
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        PLPadButton* button = pad->buttonArray().at(key - Qt::Key_0);
        if (!button->isEnabled())
            return true;
        button->showTouched(press);
        if (press)
            button->click();
        return true;
    }
    if (!press)
        return false;
    switch (key) {
    case Qt::Key_Backspace:
        pad->deleteButton()->click();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // The four-digit pad checks at the fourth digit and has no OK.
        if (m_complexPin)
            pad->okButton()->click();
        return true;
    case Qt::Key_Escape: {
        // Only while the cancel button shows: not before it is placed, nor under delete.
        Button* cancel = pad->cancelButton();
        if (!cancel->isVisible() || cancel->testAttribute(Qt::WA_TransparentForMouseEvents))
            return false;
        cancel->click();
        return true;
    }
    default:
        return false;
    }
}

void PLPadLockScreenAbstractViewController::setLockScreenTitle(const QString& title) {
    setTitle(title);
    padView()->enterPasscodeLabel()->setText(title);
}

void PLPadLockScreenAbstractViewController::setEnterPasscodeLabelText(const QString& text) {
    padView()->enterPasscodeLabel()->setText(text);
}

void PLPadLockScreenAbstractViewController::setSubtitleText(const QString& text) {
    padView()->detailLabel()->setText(text);
}

void PLPadLockScreenAbstractViewController::setCancelButtonText(const QString& text) {
    padView()->cancelButton()->setTitle(text);
}

void PLPadLockScreenAbstractViewController::setDeleteButtonText(const QString& text) {
    padView()->deleteButton()->setTitle(text);
}

void PLPadLockScreenAbstractViewController::setBackgroundView(QWidget* view) {
    padView()->setBackgroundView(view);
}

void PLPadLockScreenAbstractViewController::cancelButtonDisabled(bool disabled) {
    padView()->setCancelButtonDisabled(disabled);
}

void PLPadLockScreenAbstractViewController::newPinSelected(int digit) {
    PLPadLockScreenView* pad = padView();
    if (pad->isLocked() || digit < 0 || digit > 9)
        return;
    if (!m_complexPin && m_currentPin.size() > 3)
        return;
    m_currentPin += QString::number(digit);
    const int length = int(m_currentPin.size());
    if (m_complexPin)
        pad->updatePinTextfieldWithLength(length);
    else
        pad->digitsArray().at(length - 1)->setSelected(true, true);
    if (length == 1) {
        pad->showDeleteButtonAnimated(true);
        if (m_complexPin)
            pad->showOKButton(true, true);
        return;
    }
    if (!m_complexPin && length == 4)
        processPin();
}

void PLPadLockScreenAbstractViewController::deleteFromPin() {
    if (m_currentPin.isEmpty())
        return;
    m_currentPin.chop(1);
    PLPadLockScreenView* pad = padView();
    const int length = int(m_currentPin.size());
    if (m_complexPin)
        pad->updatePinTextfieldWithLength(length);
    else
        pad->digitsArray().at(length)->setSelected(false, true);
    if (length == 0) {
        pad->showCancelButtonAnimated(true);
        pad->showOKButton(false, true);
    }
}

void PLPadLockScreenAbstractViewController::playFailureSound() {
    if (m_errorVibrate)
        play(SystemSounds::Vibrate);
}

} // namespace pelnix
