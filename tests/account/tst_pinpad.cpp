#include "AppLockTestDoubles.h"
#include "HostProgramFont.h"
#include "TestSandbox.h"
#include "platform/Sandbox.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/SystemSounds.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Window.h"
#include "ui/account/PLPadButton.h"
#include "ui/account/PLPadLockScreenSetupViewController.h"
#include "ui/account/PLPadLockScreenView.h"
#include "ui/account/PLPadLockScreenViewController.h"
#include "ui/account/PLPinSelectionView.h"

#include <QApplication>
#include <QGraphicsBlurEffect>
#include <QPointer>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

using namespace pelnix;
using platform::ui::Animator;
using platform::ui::SystemSounds;
using Device = PLPadLockScreenView::Device;

namespace {
void enter(PLPadLockScreenAbstractViewController* pad, const QString& digits) {
    for (QChar digit : digits)
        pad->padView()->buttonArray().at(digit.digitValue())->click();
}

void enterAndConfirm(PLPadLockScreenAbstractViewController* pad, const QString& digits) {
    enter(pad, digits);
    pad->padView()->okButton()->click();
}

qreal alpha(QWidget* view) {
    return Animator::alpha(view);
}
} // namespace

class TestPinPad : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        Animator::setInstant(true);
        platform::Sandbox::setRoot(m_sandbox.root());
    }

    void layoutByDevice_data();
    void layoutByDevice();
    void contentStaysCentredAndAtMost568High();
    void complexFieldAndOkSitBesideEachOther();
    void relayoutKeepsTheEnteredDigits();
    void cancelDisabledBeforeTheFirstLayoutNeverShows();
    void shakeHalvesAndAlternatesThenRests();
    void lockOutDimsDigitsAndHidesCancelAndDots();
    void zeroDigitSitsAboveTheMiddle();
    void backgroundShowsBlurredUnderAVeil();
    void itsTextsKeepTheirFontInAHostsFont_data();
    void itsTextsKeepTheirFontInAHostsFont();

    void fourDigitModeChecksAtTheFourthDigitAndIgnoresAFifth();
    void complexModeShowsOkAndDeleteWithTheFirstDigit();
    void attemptsCountDownThenLockOut();
    void withoutALimitThePadNeverLocks();
    void setupRestartsOnMismatchAndReportsAMatchOnce();
    void cancelReachesTheDelegate();
    void soundsPlayOnlyWhenEnabled();
    void keysDriveTheFourDigitPadAsItsButtons();

private:
    test::TestSandbox m_sandbox;
};

void TestPinPad::layoutByDevice_data() {
    QTest::addColumn<qreal>("screenHeight");
    QTest::addColumn<bool>("tablet");
    QTest::addColumn<qreal>("titleY");
    QTest::addColumn<qreal>("firstRowY");
    QTest::addColumn<qreal>("cancelY");
    // The tall phone leaves room below the digits; shorter screens tuck cancel into the last row.
    QTest::newRow("568-point phone") << 568.0 << false << 65.0 << 173.5 << 528.5;
    QTest::newRow("480-point phone") << 480.0 << false << 20.0 << 123.5 << 433.5;
    QTest::newRow("667-point phone") << 667.0 << false << 20.0 << 123.5 << 433.5;
    QTest::newRow("tablet") << 1024.0 << true << 80.0 << 183.5 << 466.0;
}

void TestPinPad::layoutByDevice() {
    QFETCH(qreal, screenHeight);
    QFETCH(bool, tablet);
    QFETCH(qreal, titleY);
    QFETCH(qreal, firstRowY);
    QFETCH(qreal, cancelY);

    PLPadLockScreenView view(QRect(0, 0, 320, 568), false);
    view.setDevice(Device{screenHeight, tablet});
    view.layoutPad();

    QCOMPARE(view.frameOf(view.enterPasscodeLabel()), QRectF(10, titleY, 300, 23));
    const qreal pinY = titleY + 23 + 17.5;
    const auto dots = view.digitsArray();
    QCOMPARE(dots.size(), 4);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(view.frameOf(dots[i]), QRectF(102.5 + 35 * i, pinY, 15, 15));
    QCOMPARE(view.frameOf(view.detailLabel()), QRectF(10, pinY + 30, 300, 23));

    const auto buttons = view.buttonArray();
    const qreal columns[3] = {28, 123, 218};
    for (int digit = 1; digit <= 9; ++digit) {
        const QRectF expected(columns[(digit - 1) % 3], firstRowY + 85 * ((digit - 1) / 3), 75, 75);
        QCOMPARE(view.frameOf(buttons[digit]), expected);
    }
    QCOMPARE(view.frameOf(buttons[0]), QRectF(123, firstRowY + 255, 75, 75));
    QCOMPARE(view.frameOf(view.cancelButton()), QRectF(218, cancelY, 75, 20));
    QCOMPARE(view.frameOf(view.deleteButton()), QRectF(218, cancelY, 75, 20));
    if (screenHeight == 480) // cancel's bottom is level with the zero button's
        QCOMPARE(view.frameOf(view.cancelButton()).bottom(), view.frameOf(buttons[0]).bottom());
    // The widgets follow the fractional frames to the nearest point.
    QCOMPARE(buttons[1]->geometry(), view.frameOf(buttons[1]).toRect());
}

void TestPinPad::contentStaysCentredAndAtMost568High() {
    PLPadLockScreenView view(QRect(0, 0, 768, 1024), false);
    view.resize(768, 1024);
    view.show();
    QCOMPARE(view.contentView()->geometry(), QRect(224, 228, 320, 568));
    view.resize(320, 480);
    QCOMPARE(view.contentView()->geometry(), QRect(0, 0, 320, 480));
}

void TestPinPad::complexFieldAndOkSitBesideEachOther() {
    PLPadLockScreenView view(QRect(0, 0, 320, 568), true);
    view.setDevice(Device{568, false});
    QVERIFY(view.digitsArray().isEmpty());
    QVERIFY(view.digitsTextField());
    QVERIFY(view.digitsTextField()->isSecureTextEntry());
    QVERIFY(!view.digitsTextField()->isEnabled());
    QCOMPARE(view.frameOf(view.digitsTextField()), QRectF(84, 98, 152, 30));
    QCOMPARE(view.frameOf(view.okButton()), QRectF(246, 98, 74, 30));
    // Reset and lock-out have no dots to touch in this mode.
    view.resetAnimated(false);
    view.lockViewAnimated(false);
    QVERIFY(view.isLocked());
}

void TestPinPad::itsTextsKeepTheirFontInAHostsFont_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("face");
    // The look sets no font for OK, nor by default for Cancel and Delete: a plain button's.
    QTest::newRow("OK") << "OK"
                        << "DejaVu Sans 15";
    QTest::newRow("Cancel") << "Cancel"
                            << "DejaVu Sans 15";
    QTest::newRow("Delete") << "Delete"
                            << "DejaVu Sans 15";
    QTest::newRow("PIN field") << "field"
                               << "DejaVu Sans 18 bold";
}

void TestPinPad::itsTextsKeepTheirFontInAHostsFont() {
    QFETCH(QString, text);
    QFETCH(QString, face);
    const test::HostProgramFont hostFont;
    PLPadLockScreenView view(QRect(0, 0, 320, 568), true);
    view.show();
    const QWidget* widget = text == QLatin1String("OK")       ? view.okButton()
                            : text == QLatin1String("Cancel") ? view.cancelButton()
                            : text == QLatin1String("Delete") ? view.deleteButton()
                                                              : static_cast<QWidget*>(view.digitsTextField());
    QCOMPARE(test::HostProgramFont::faceOf(widget), face);
}

void TestPinPad::relayoutKeepsTheEnteredDigits() {
    test::PadRecorder owner;
    PLPadLockScreenViewController pad(&owner, true);
    enter(&pad, QStringLiteral("4711"));
    PLPadLockScreenView* view = pad.padView();
    QCOMPARE(view->digitsTextField()->text().size(), 4);
    view->resize(320, 480);
    view->show();
    view->layoutPad();
    QCOMPARE(view->digitsTextField()->text().size(), 4);
    QCOMPARE(pad.currentPin(), QStringLiteral("4711"));

    PLPadLockScreenViewController dots(&owner, false);
    enter(&dots, QStringLiteral("47"));
    dots.padView()->layoutPad();
    QVERIFY(dots.padView()->digitsArray()[1]->isSelected());
    QVERIFY(!dots.padView()->digitsArray()[2]->isSelected());
}

void TestPinPad::cancelDisabledBeforeTheFirstLayoutNeverShows() {
    PLPadLockScreenView disabled(QRect(0, 0, 320, 568), true);
    disabled.setCancelButtonDisabled(true);
    disabled.show();
    disabled.layoutPad();
    QVERIFY(!disabled.isCancelButtonPlaced());
    QVERIFY(!disabled.cancelButton()->isVisible());
    disabled.showDeleteButtonAnimated(false);
    QCOMPARE(alpha(disabled.deleteButton()), 1.0);
    disabled.showCancelButtonAnimated(false);
    QVERIFY(!disabled.cancelButton()->isVisible());

    PLPadLockScreenView later(QRect(0, 0, 320, 568), true);
    later.show();
    later.layoutPad();
    later.setCancelButtonDisabled(true);
    later.layoutPad();
    QVERIFY(later.isCancelButtonPlaced());
    QVERIFY(later.cancelButton()->isVisible());
    // An invisible delete over the cancel button must not take its taps.
    QVERIFY(later.deleteButton()->testAttribute(Qt::WA_TransparentForMouseEvents));
    QVERIFY(!later.cancelButton()->testAttribute(Qt::WA_TransparentForMouseEvents));
}

void TestPinPad::shakeHalvesAndAlternatesThenRests() {
    for (bool complex : {true, false}) {
        PLPadLockScreenView view(QRect(0, 0, 320, 568), complex);
        view.layoutPad();
        QSignalSpy steps(&view, &PLPadLockScreenView::shakeStepStarted);
        view.animateFailureNotification();
        QList<qreal> offsets;
        for (const auto& step : steps)
            offsets.append(step.at(0).toReal());
        QCOMPARE(offsets, (QList<qreal>{-35, 17.5, -8.75, 4.375, -2.1875, 1.09375, -0.546875}));
        QCOMPARE(view.shakeOffset(), 0.0);
        QWidget* row = complex ? static_cast<QWidget*>(view.digitsTextField()) : view.digitsArray().first();
        QCOMPARE(row->geometry(), view.frameOf(row).toRect());
    }
}

void TestPinPad::lockOutDimsDigitsAndHidesCancelAndDots() {
    PLPadLockScreenView view(QRect(0, 0, 320, 568), false);
    view.layoutPad();
    view.lockViewAnimated(false);
    for (PLPadButton* button : view.buttonArray()) {
        QCOMPARE(alpha(button), 0.2);
        QVERIFY(!button->isEnabled());
    }
    QCOMPARE(alpha(view.cancelButton()), 0.0);
    for (PLPinSelectionView* dot : view.digitsArray())
        QCOMPARE(alpha(dot), 0.0);
    QCOMPARE(alpha(view.deleteButton()), 0.0); // untouched: it was hidden already
}

void TestPinPad::zeroDigitSitsAboveTheMiddle() {
    PLPadButton zero(0, {});
    zero.resize(75, 75);
    QCOMPARE(zero.numberLabelFrame().center().y(), 36.5);
    QVERIFY(zero.lettersLabel()->text().isEmpty());
    PLPadButton two(2, QStringLiteral("ABC"));
    two.resize(75, 75);
    QCOMPARE(two.numberLabelFrame(), QRectF(0, 15, 75, 30));
    QCOMPARE(two.lettersLabelFrame(), QRectF(0, 48, 75, 10));
    QCOMPARE(two.accessibleName(), QStringLiteral("PinButton2"));
}

void TestPinPad::backgroundShowsBlurredUnderAVeil() {
    PLPadLockScreenView view(QRect(0, 0, 320, 568), true);
    view.show();
    QVERIFY(!view.backgroundBlurringView());
    auto* picture = new QWidget;
    QPointer<QWidget> first(picture);
    view.setBackgroundView(picture);
    QWidget* veil = view.backgroundBlurringView();
    QVERIFY(veil && veil->isVisible());
    QVERIFY(qobject_cast<QGraphicsBlurEffect*>(picture->graphicsEffect()));
    QCOMPARE(picture->geometry(), view.rect());
    // Back to front: picture, veil, pad.
    const QObjectList order = view.children();
    QVERIFY(order.indexOf(picture) < order.indexOf(veil));
    QVERIFY(order.indexOf(veil) < order.indexOf(view.contentView()));

    view.resize(320, 480);
    QCOMPARE(picture->geometry(), view.rect());
    QCOMPARE(veil->geometry(), view.rect());
    view.setBackgroundView(nullptr);
    QVERIFY(!veil->isVisible());
    QTRY_VERIFY(!first); // the replaced picture goes
}

void TestPinPad::fourDigitModeChecksAtTheFourthDigitAndIgnoresAFifth() {
    test::PadRecorder owner;
    PLPadLockScreenViewController pad(&owner, false);
    enter(&pad, QStringLiteral("123"));
    QVERIFY(owner.validated.isEmpty());
    enter(&pad, QStringLiteral("4"));
    QCOMPARE(owner.validated, QStringList{QStringLiteral("1234")});
    QCOMPARE(owner.successes, 1);
    enter(&pad, QStringLiteral("5"));
    QCOMPARE(pad.currentPin(), QStringLiteral("1234"));
    QCOMPARE(owner.validated.size(), 1);
    for (PLPinSelectionView* dot : pad.padView()->digitsArray())
        QVERIFY(dot->isSelected());
}

void TestPinPad::complexModeShowsOkAndDeleteWithTheFirstDigit() {
    test::PadRecorder owner;
    PLPadLockScreenViewController pad(&owner, true);
    PLPadLockScreenView* view = pad.padView();
    pad.deleteFromPin(); // nothing to delete
    QCOMPARE(pad.currentPin(), QString(""));
    view->okButton()->click(); // nothing to check
    QVERIFY(owner.validated.isEmpty());

    enter(&pad, QStringLiteral("9"));
    QCOMPARE(alpha(view->okButton()), 1.0);
    QCOMPARE(alpha(view->deleteButton()), 1.0);
    QCOMPARE(alpha(view->cancelButton()), 0.0);
    enter(&pad, QStringLiteral("87654"));
    QVERIFY(owner.validated.isEmpty()); // only OK checks in this mode
    QCOMPARE(view->digitsTextField()->text().size(), 6);

    for (int i = 0; i < 6; ++i)
        view->deleteButton()->click();
    QCOMPARE(pad.currentPin(), QString(""));
    QCOMPARE(view->digitsTextField()->text(), QString(""));
    QCOMPARE(alpha(view->okButton()), 0.0);
    QCOMPARE(alpha(view->cancelButton()), 1.0);
    QCOMPARE(alpha(view->deleteButton()), 0.0);

    enterAndConfirm(&pad, QStringLiteral("1234"));
    QCOMPARE(owner.validated, QStringList{QStringLiteral("1234")});
    QCOMPARE(owner.successes, 1);
}

void TestPinPad::attemptsCountDownThenLockOut() {
    test::PadRecorder owner;
    PLPadLockScreenViewController pad(&owner, true);
    pad.setAllowedAttempts(3);
    PLPadLockScreenView* view = pad.padView();
    const QStringList expected = {QStringLiteral("2 attempts left"), QStringLiteral("1 attempt left"),
                                  QStringLiteral("You have been locked out.")};
    for (int attempt = 1; attempt <= 3; ++attempt) {
        enterAndConfirm(&pad, QStringLiteral("99%1").arg(attempt));
        QCOMPARE(view->detailLabel()->text(), expected[attempt - 1]);
        QCOMPARE(owner.failures.last(), std::make_pair(QStringLiteral("99%1").arg(attempt), qint64(attempt)));
        QCOMPARE(pad.currentPin(), QString(""));
        QCOMPARE(view->digitsTextField()->text(), QString(""));
        QCOMPARE(view->isLocked(), attempt == 3);
    }
    QCOMPARE(owner.expired, 1);
    QCOMPARE(pad.totalAttempts(), 3);
    QCOMPARE(pad.remainingAttempts(), 0);
    // A locked pad takes no more digits.
    pad.newPinSelected(1);
    QCOMPARE(pad.currentPin(), QString(""));
    QVERIFY(!view->buttonArray()[1]->isEnabled());
}

void TestPinPad::withoutALimitThePadNeverLocks() {
    test::PadRecorder owner;
    PLPadLockScreenViewController pad(&owner, true);
    for (int attempt = 1; attempt <= 4; ++attempt)
        enterAndConfirm(&pad, QStringLiteral("0"));
    QCOMPARE(owner.failures.size(), 4);
    QCOMPARE(owner.failures.last().second, qint64(4));
    QVERIFY(!pad.padView()->isLocked());
    QCOMPARE(pad.padView()->detailLabel()->text(), QString());

    // A pad whose owner cannot check PINs finds every PIN wrong.
    QObject mute;
    PLPadLockScreenViewController deaf(&mute, true);
    deaf.setAllowedAttempts(1);
    enterAndConfirm(&deaf, QStringLiteral("1234"));
    QVERIFY(deaf.padView()->isLocked());
}

void TestPinPad::setupRestartsOnMismatchAndReportsAMatchOnce() {
    test::PadRecorder owner;
    PLPadLockScreenSetupViewController pad(&owner, true);
    PLPadLockScreenView* view = pad.padView();
    enterAndConfirm(&pad, QStringLiteral("1357"));
    QCOMPARE(pad.enteredPin(), QStringLiteral("1357"));
    QCOMPARE(view->detailLabel()->text(), QStringLiteral("Re-enter your new pincode"));
    QCOMPARE(alpha(view->okButton()), 0.0);

    enterAndConfirm(&pad, QStringLiteral("1358"));
    QCOMPARE(view->detailLabel()->text(), QStringLiteral("Pincode did not match."));
    QVERIFY(pad.enteredPin().isNull());
    QVERIFY(owner.pinsSet.isEmpty());

    enterAndConfirm(&pad, QStringLiteral("2468")); // a first entry again
    QVERIFY(owner.pinsSet.isEmpty());
    enterAndConfirm(&pad, QStringLiteral("2468"));
    QCOMPARE(owner.pinsSet, QStringList{QStringLiteral("2468")});

    // The four-digit set-up takes each entry at its fourth digit.
    test::PadRecorder other;
    PLPadLockScreenSetupViewController dots(&other);
    enter(&dots, QStringLiteral("11112222"));
    QCOMPARE(dots.padView()->detailLabel()->text(), QStringLiteral("Pincode did not match."));
    enter(&dots, QStringLiteral("33333333"));
    QCOMPARE(other.pinsSet, QStringList{QStringLiteral("3333")});
}

void TestPinPad::cancelReachesTheDelegate() {
    test::PadRecorder owner;
    PLPadLockScreenViewController unlock(&owner, true);
    unlock.padView()->cancelButton()->click();
    PLPadLockScreenSetupViewController setup(&owner, true, QStringLiteral("Choose a passcode"));
    setup.padView()->cancelButton()->click();
    QCOMPARE(owner.cancels, 2);
    // The subtitle lands once the caller is done setting the pad up.
    QTRY_COMPARE(setup.padView()->detailLabel()->text(), QStringLiteral("Choose a passcode"));
}

void TestPinPad::soundsPlayOnlyWhenEnabled() {
    // With no player installed the screen layer plays them; the vibration is the silent one here.
    QSignalSpy system(SystemSounds::shared(), &SystemSounds::played);
    test::PadRecorder owner;
    PLPadLockScreenViewController unlock(&owner, true);
    enterAndConfirm(&unlock, QStringLiteral("9"));
    QCOMPARE(system.count(), 0);
    unlock.setErrorVibrateEnabled(true);
    enterAndConfirm(&unlock, QStringLiteral("9"));
    QCOMPARE(system.count(), 1);
    QCOMPARE(system.last().first().toInt(), SystemSounds::Vibrate);

    // An installed player takes every sound over.
    QList<int> heard;
    PLPadLockScreenAbstractViewController::setSoundPlayer([&heard](int sound) { heard.append(sound); });
    const auto restore = qScopeGuard([] { PLPadLockScreenAbstractViewController::setSoundPlayer({}); });
    PLPadLockScreenSetupViewController setup(&owner, true);
    setup.setTapSoundEnabled(true);
    setup.setErrorVibrateEnabled(true);
    enterAndConfirm(&setup, QStringLiteral("12"));
    enterAndConfirm(&setup, QStringLiteral("13")); // a mismatch
    const int click = SystemSounds::KeyPressClick;
    QCOMPARE(heard, (QList<int>{click, click, click, click, SystemSounds::Vibrate}));
    QCOMPARE(system.count(), 1);
}

void TestPinPad::keysDriveTheFourDigitPadAsItsButtons() {
    test::PadRecorder owner;
    owner.validPin = QStringLiteral("2580");
    QList<int> heard;
    PLPadLockScreenAbstractViewController::setSoundPlayer([&heard](int sound) { heard.append(sound); });
    const auto restore = qScopeGuard([] { PLPadLockScreenAbstractViewController::setSoundPlayer({}); });
    platform::ui::Window window;
    window.resize(320, 568);
    auto* pad = new PLPadLockScreenViewController(&owner, false);
    pad->setTapSoundEnabled(true);
    window.setRootViewController(pad);
    window.show();
    QCoreApplication::processEvents();
    QWindow* handle = window.windowHandle();
    PLPadLockScreenView* view = pad->padView();
    QCOMPARE(window.focusWidget(), view);

    // A key held down fills its ring as a finger does, and types its digit with the key click.
    QTest::keyPress(handle, Qt::Key_2);
    QCOMPARE(view->buttonArray()[2]->selectedAlpha(), 1.0);
    QTest::keyRelease(handle, Qt::Key_2);
    QCOMPARE(view->buttonArray()[2]->selectedAlpha(), 0.0);
    QCOMPARE(heard, QList<int>{SystemSounds::KeyPressClick});
    QTest::keyClick(handle, Qt::Key_5, Qt::KeypadModifier);
    QTest::keyClick(handle, Qt::Key_Backspace);
    QCOMPARE(pad->currentPin(), QString("2"));
    QVERIFY(!view->digitsArray()[1]->isSelected());
    // No OK on this pad: Return checks nothing; the fourth digit does.
    for (Qt::Key key : {Qt::Key_5, Qt::Key_8})
        QTest::keyClick(handle, key, Qt::KeypadModifier);
    QTest::keyClick(handle, Qt::Key_Return);
    QVERIFY(owner.validated.isEmpty());
    QTest::keyClick(handle, Qt::Key_0);
    QCOMPARE(owner.validated, QStringList{"2580"});
    QCOMPARE(owner.successes, 1);
    // A fifth digit is ignored, typed or tapped.
    QTest::keyClick(handle, Qt::Key_7);
    QCOMPARE(pad->currentPin(), QString("2580"));
    // Keys the pad has no use for go on to the window; the focus stays.
    QTest::keyClick(handle, Qt::Key_A);
    QTest::keyClick(handle, Qt::Key_Tab);
    QCOMPARE(window.focusWidget(), view);

    // Escape is the cancel button's, while it shows: not while delete stands in its place.
    auto* setup = new PLPadLockScreenSetupViewController(&owner, false);
    window.setRootViewController(setup);
    QCoreApplication::processEvents();
    QCOMPARE(window.focusWidget(), setup->padView());
    QTest::keyClick(handle, Qt::Key_1);
    QTest::keyClick(handle, Qt::Key_Escape);
    QCOMPARE(owner.cancels, 0);
    QTest::keyClick(handle, Qt::Key_Backspace);
    QTest::keyClick(handle, Qt::Key_Escape);
    QCOMPARE(owner.cancels, 1);
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestPinPad t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_pinpad.moc"
