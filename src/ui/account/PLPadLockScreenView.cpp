#include "ui/account/PLPadLockScreenView.h"

#include "foundation/DeviceTraits.h"
#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "foundation/ui/DeviceInfo.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/TextField.h"
#include "ui/account/PLPadButton.h"
#include "ui/account/PLPinSelectionView.h"
#include "ui/account/PadAnimations.h"

#include <QGraphicsBlurEffect>
#include <QResizeEvent>
#include <cmath>

namespace pelnix {

using platform::ui::Animator;
using platform::ui::Button;
using platform::ui::Label;
using platform::ui::TextField;

namespace {
constexpr qreal B = PLPadButton::kWidth;
constexpr int kFadeMs = 150;
constexpr int kShakeStepMs = 80;

QString localized(const char* text) {
    return PLCurrentBundleInfo::localizedString(QString::fromUtf8(text));
}

// Fades each view to its alpha; the completion runs once, after the last.
void fade(const QList<std::pair<QWidget*, qreal>>& changes, bool animated,
          PLPadLockScreenView::Completion completion) {
    for (qsizetype i = 0; i < changes.size(); ++i) {
        auto [view, alpha] = changes[i];
        // A view faded out takes no touches, so the cancel button under an invisible delete works.
        view->setAttribute(Qt::WA_TransparentForMouseEvents, alpha < 0.01);
        auto done = i + 1 == changes.size() ? completion : PLPadLockScreenView::Completion();
        PadAnimations::stopRunning(view->graphicsEffect(), "opacity");
        if (animated) {
            Animator::animateAlpha(view, alpha, kFadeMs, done);
        } else {
            Animator::setAlpha(view, alpha);
            if (done)
                done(true);
        }
    }
    if (changes.isEmpty() && completion)
        completion(true);
}
} // namespace

PLPadLockScreenView::Device PLPadLockScreenView::Device::current() {
    const DeviceTraits traits = DeviceTraits::current();
    return {traits.screenBounds.height(), traits.idiom == 1 || DeviceInfo::isiPad()};
}

PLPadLockScreenView::PLPadLockScreenView(const QRect& frame, bool complexPin, QWidget* parent)
    : QWidget(parent), m_complexPin(complexPin), m_device(Device::current()),
      m_appearance(PLPadLockScreenAppearance::current()) {
    setGeometry(frame);
    m_content = new QWidget(this);
    placeContent();

    m_title = new Label(localized("Enter Passcode"), m_content);
    m_detail = new Label(QString(), m_content);
    for (Label* label : {m_title, m_detail})
        label->setAlignment(Qt::AlignCenter);

    static const char* const kLetters[] = {"", "", "ABC", "DEF", "GHI", "JKL", "MNO", "PQRS", "TUV", "WXYZ"};
    for (int digit = 0; digit < 10; ++digit)
        m_digits.append(new PLPadButton(digit, QString::fromLatin1(kLetters[digit]), m_content));

    m_cancel = new Button(m_content);
    m_cancel->setTitle(localized("Cancel"));
    m_cancel->hide(); // until a layout pass places it
    m_delete = new Button(m_content);
    m_delete->setTitle(localized("Delete"));
    m_ok = new Button(m_content);
    m_ok->setTitle(localized("OK"));
    fade({{m_delete, 0}, {m_ok, 0}}, false, {});
    // The pad takes the keys itself (its controller maps them to the buttons): no button, seen or
    // faded out, holds the focus.
    for (Button* button : {m_cancel, m_delete, m_ok})
        button->setFocusPolicy(Qt::NoFocus);
    setFocusPolicy(Qt::StrongFocus);

    if (m_complexPin) {
        // Shows bullets only: the digits come from the pad, never from a keyboard.
        m_field = new TextField(m_content);
        m_field->setEnabled(false);
        m_field->setSecureTextEntry(true);
        m_field->setAlignment(Qt::AlignCenter);
        m_field->setFrame(false);
        QFont bullets = CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans-Bold"), 18);
        bullets.setLetterSpacing(QFont::AbsoluteSpacing, 4);
        m_field->setFont(bullets);
    }
    prepareAppearance();
}

PLPadLockScreenView::~PLPadLockScreenView() = default;

void PLPadLockScreenView::setDevice(const Device& device) {
    m_device = device;
    layoutPad();
}

void PLPadLockScreenView::setAppearance(const PLPadLockScreenAppearance& appearance) {
    m_appearance = appearance;
    for (PLPadButton* button : m_digits)
        button->setAppearance(appearance);
    for (PLPinSelectionView* dot : m_dots)
        dot->setSelectedColor(appearance.dotSelectedColor);
    prepareAppearance();
}

QList<PLPinSelectionView*> PLPadLockScreenView::digitsArray() {
    if (m_complexPin)
        return {};
    if (m_dots.isEmpty()) {
        for (int i = 0; i < 4; ++i) {
            auto* dot = new PLPinSelectionView(m_content);
            dot->setSelectedColor(m_appearance.dotSelectedColor);
            m_dots.append(dot);
        }
    }
    return m_dots;
}

void PLPadLockScreenView::placeContent() {
    const qreal height = std::min<qreal>(this->height(), kMaxContentHeight);
    m_content->setGeometry(
        QRectF((width() - kContentWidth) / 2, (this->height() - height) / 2, kContentWidth, height).toRect());
}

void PLPadLockScreenView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!m_content)
        return;
    placeContent();
    if (m_backgroundView)
        m_backgroundView->setGeometry(rect());
    if (m_blurringView)
        m_blurringView->setGeometry(rect());
    layoutPad();
}

bool PLPadLockScreenView::focusNextPrevChild(bool) {
    return true;
}

void PLPadLockScreenView::setFrame(QWidget* view, const QRectF& frame) {
    m_frames.insert(view, frame);
    const bool shakes = view == m_field || m_dots.contains(static_cast<PLPinSelectionView*>(view));
    view->setGeometry(frame.translated(shakes ? m_shakeOffset : 0, 0).toRect());
}

void PLPadLockScreenView::layoutPad() {
    layoutTitleArea();
    layoutButtonArea();
    prepareAppearance();
}

void PLPadLockScreenView::layoutTitleArea() {
    const qreal w = m_content->width();
    const qreal top = m_device.tablet ? 80 : m_device.isTallPhone() ? 65 : 20;
    setFrame(m_title, {w / 2 - 150, top, 300, 23});
    const qreal pinY = top + 23 + 17.5;
    if (m_complexPin) {
        const QRectF field(w / 2 - 76, pinY - 7.5, 152, 30);
        setFrame(m_field, field);
        setFrame(m_ok, {field.right() + 10, field.y(), (w - field.width()) / 2 - 10, 30});
    } else {
        const QList<PLPinSelectionView*> dots = digitsArray();
        for (qsizetype i = 0; i < dots.size(); ++i)
            setFrame(dots[i], {w / 2 - 57.5 + 35 * qreal(i), pinY, 15, 15});
    }
    setFrame(m_detail, {w / 2 - 150, pinY + 30, 300, 23});
}

void PLPadLockScreenView::layoutButtonArea() {
    const qreal w = m_content->width();
    const qreal left = w / 2 - (3 * B + 40) / 2 + 0.5;
    const qreal columns[3] = {left, left + B + 20, left + 2 * (B + 20)};
    const qreal firstRow = frameOf(m_detail).bottom() + (m_device.isTallPhone() ? 15 : 10);
    for (int digit = 1; digit <= 9; ++digit)
        setFrame(m_digits[digit], {columns[(digit - 1) % 3], firstRow + (B + 10) * ((digit - 1) / 3), B, B});
    const qreal lastRow = firstRow + 3 * (B + 10);
    setFrame(m_digits[0], {columns[1], lastRow, B, B});

    const qreal y = m_device.tablet          ? lastRow + B / 2 - 10
                    : m_device.isTallPhone() ? lastRow + B + 25
                                             : lastRow + B - 20;
    const QRectF place(columns[2], y, B, 20);
    if (!m_cancelButtonDisabled) {
        setFrame(m_cancel, place);
        if (!m_cancelPlaced) {
            m_cancelPlaced = true;
            m_cancel->show();
        }
    }
    setFrame(m_delete, place);
}

void PLPadLockScreenView::prepareAppearance() {
    if (m_appearance.backgroundColor.isValid()) {
        QPalette palette = this->palette();
        palette.setColor(QPalette::Window, m_appearance.backgroundColor);
        setPalette(palette);
        setAutoFillBackground(true);
    }
    m_title->setTextColor(m_appearance.labelColor);
    m_title->setFont(m_appearance.enterPasscodeLabelFont);
    m_detail->setTextColor(m_appearance.labelColor);
    m_detail->setFont(m_appearance.detailLabelFont);
    if (m_field) {
        const QColor ring = m_appearance.buttonBorderColor;
        m_field->setStyleSheet(QStringLiteral("QLineEdit { color: %1; background: transparent; border: 1px "
                                              "solid %1; border-radius: 5px; }")
                                   .arg(ring.name(QColor::HexArgb)));
    }
    // Another pass must not lose what was typed: redraw the entered length.
    updatePinTextfieldWithLength(m_pinLength);
    for (Button* button : {m_cancel, m_delete, m_ok})
        button->setTitleColor(m_appearance.labelColor);
    // A title whose font the look leaves open shows a plain button's, never the host program's font.
    const QFont buttonTitle = CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 15);
    m_cancel->setTitleFont(m_appearance.deleteCancelLabelFont.value_or(buttonTitle));
    m_delete->setTitleFont(m_appearance.deleteCancelLabelFont.value_or(buttonTitle));
    m_ok->setTitleFont(buttonTitle);
}

void PLPadLockScreenView::showCancelButtonAnimated(bool animated, Completion completion) {
    fade({{m_cancel, 1}, {m_delete, 0}}, animated, std::move(completion));
}

void PLPadLockScreenView::showDeleteButtonAnimated(bool animated, Completion completion) {
    fade({{m_cancel, 0}, {m_delete, 1}}, animated, std::move(completion));
}

void PLPadLockScreenView::showOKButton(bool show, bool animated, Completion completion) {
    fade({{m_ok, show ? 1 : 0}}, animated, std::move(completion));
}

void PLPadLockScreenView::updateDetailLabelWithString(const QString& text, bool animated) {
    Animator::crossDissolve(m_detail, animated ? kFadeMs : 0, [this, text] { m_detail->setText(text); });
    setFrame(m_detail, {qreal(m_content->width()) / 2 - 150, frameOf(m_title).bottom() + 17.5 + 30, 300, 23});
}

void PLPadLockScreenView::updatePinTextfieldWithLength(int length) {
    m_pinLength = std::max(0, length);
    if (!m_field)
        return;
    const QString spaces(m_pinLength, QLatin1Char(' '));
    if (m_field->text() == spaces)
        return;
    Animator::crossDissolve(m_field, kFadeMs, [this, spaces] { m_field->setText(spaces); });
}

void PLPadLockScreenView::resetAnimated(bool animated) {
    for (PLPinSelectionView* dot : m_dots)
        dot->setSelected(false, animated);
    showCancelButtonAnimated(animated);
    showOKButton(false, animated);
    updatePinTextfieldWithLength(0);
}

void PLPadLockScreenView::lockViewAnimated(bool animated, Completion completion) {
    m_locked = true;
    QList<std::pair<QWidget*, qreal>> changes;
    for (PLPadButton* button : m_digits) {
        button->setEnabled(false);
        changes.append({button, 0.2});
    }
    changes.append({m_cancel, 0});
    for (PLPinSelectionView* dot : m_dots)
        changes.append({dot, 0});
    fade(changes, animated, std::move(completion));
}

void PLPadLockScreenView::animateFailureNotification() {
    shakeStep(-35);
}

void PLPadLockScreenView::shakeStep(qreal offset) {
    // A new shake takes over from one still running.
    PadAnimations::stopRunning(this);
    emit shakeStepStarted(offset);
    const qreal from = m_shakeOffset;
    QPointer<PLPadLockScreenView> self(this);
    Animator::run(
        this, kShakeStepMs, Animator::Curve::EaseIn,
        [self, from, offset](qreal p) {
            if (!self)
                return;
            self->m_shakeOffset = from + (offset - from) * p;
            self->applyShake();
        },
        [self, offset](bool) {
            if (!self)
                return;
            if (std::abs(offset) >= 1) {
                self->shakeStep(offset * -0.5);
            } else {
                self->m_shakeOffset = 0;
                self->applyShake();
            }
        });
}

void PLPadLockScreenView::applyShake() {
    QList<QWidget*> row;
    if (m_field)
        row.append(m_field);
    for (PLPinSelectionView* dot : m_dots)
        row.append(dot);
    for (QWidget* view : row) {
        if (m_frames.contains(view))
            setFrame(view, m_frames.value(view));
    }
}

void PLPadLockScreenView::setBackgroundView(QWidget* view) {
    if (m_backgroundView && m_backgroundView != view)
        m_backgroundView->deleteLater();
    m_backgroundView = view;
    if (!view) {
        if (m_blurringView)
            m_blurringView->hide();
        return;
    }
    if (!m_blurringView) {
        // A light veil over the blurred picture, as a light system blur looks.
        m_blurringView = new QWidget(this);
        m_blurringView->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_blurringView->setAutoFillBackground(true);
        QPalette palette = m_blurringView->palette();
        palette.setColor(QPalette::Window, QColor(255, 255, 255, 110));
        m_blurringView->setPalette(palette);
        m_blurringView->setGeometry(rect());
        m_blurringView->stackUnder(m_content);
    }
    m_blurringView->show();
    view->setParent(this);
    view->setGeometry(rect());
    auto* blur = new QGraphicsBlurEffect(view);
    blur->setBlurRadius(20);
    view->setGraphicsEffect(blur);
    view->stackUnder(m_blurringView);
    view->show();
}

} // namespace pelnix
