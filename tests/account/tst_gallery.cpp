#include "AppLockTestDoubles.h"
#include "BarTitleFonts.h"
#include "GalleryAccount.h"
#include "MirroredGeometry.h"
#include "TestSandbox.h"
#include "platform/Sandbox.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/Screenshot.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/TextView.h"
#include "platform/ui/Window.h"
#include "ui/account/PLAppLockScreenViewController.h"
#include "ui/account/PLAppLockSettingCell.h"
#include "ui/account/PLConfigureScreenViewController.h"
#include "ui/account/PLCountryCodeTableViewCell.h"
#include "ui/account/PLCountryCodesViewController.h"
#include "ui/account/PLEmailVerficationViewController.h"
#include "ui/account/PLLoggedOutViewController.h"
#include "ui/account/PLPadButton.h"
#include "ui/account/PLPadLockScreenAbstractViewController.h"
#include "ui/account/PLPadLockScreenView.h"
#include "ui/account/PLPinSelectionView.h"
#include "ui/account/PLRegPhoneNumberViewController.h"
#include "ui/account/PLSettingsTableViewController.h"
#include "ui/account/PLSignUpViewController.h"
#include "ui/account/PLUserProfileTableViewController.h"
#include "ui/account/PLVerifyExceedsViewController.h"
#include "ui/account/PLVerifyPhoneNumberViewController.h"
#include "ui/toolkit/PLCustomSearchTextField.h"
#include "ui/toolkit/PLCustomSearchView.h"
#include "ui/toolkit/ToolkitStyle.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

using namespace pelnix;
using namespace pelnix::platform::ui;

namespace {
const QColor kBackground(0xE2, 0xF2, 0xFA);
const QColor kRing(0x40, 0x40, 0x40);

// A gallery screen as the screenshot tool renders it: a 375 x 667 window, fixture applied.
struct GalleryShot {
    Window window;
    ViewController* controller = nullptr;
    QImage image;

    explicit GalleryShot(const QString& storyboard, const QString& identifier) {
        window.resize(375, 667);
        controller = ScreenRegistry::shared()->instantiate(storyboard, identifier);
        if (!controller)
            return;
        window.setRootViewController(controller);
        window.show();
        if (const auto fixture = ScreenRegistry::shared()->fixture(storyboard, identifier))
            fixture(controller);
        image = Screenshot::grab(&window);
    }
    // The picture's colour at `point` of `view`.
    QColor at(const QWidget* view, QPointF point) const {
        const QPoint p = view->mapTo(&window, point.toPoint());
        const qreal scale = qreal(image.width()) / window.width();
        return image.pixelColor(int(p.x() * scale), int(p.y() * scale));
    }
    PLPadLockScreenView* pad() const {
        auto* pad = qobject_cast<PLPadLockScreenAbstractViewController*>(controller);
        return pad ? pad->padView() : nullptr;
    }
};

bool near(const QColor& actual, const QColor& expected, int tolerance = 12) {
    return std::abs(actual.red() - expected.red()) <= tolerance &&
           std::abs(actual.green() - expected.green()) <= tolerance &&
           std::abs(actual.blue() - expected.blue()) <= tolerance;
}

// The first pixel column of the button, which its 1.5-point ring covers fully, at mid height.
QPointF onRing(const PLPadButton* button) {
    return {0, button->height() / 2.0};
}

const QColor kBlue(0x00, 0x86, 0xCA);
const QString kGallery = QStringLiteral("GalleryAccount");

template <typename T> T* topOf(ViewController* controller) {
    auto* nav = qobject_cast<NavigationController*>(controller);
    return qobject_cast<T*>(nav ? nav->topViewController() : controller);
}

QPointF centreOf(const QWidget* view) {
    return QRectF(view->rect()).center();
}

// The identifiers of the account screens' states, at both sizes.
QStringList screenStates() {
    QStringList states;
    for (const QString& id : ScreenRegistry::shared()->identifiers(kGallery))
        if (id.contains(QLatin1String("SignUp")) || id.contains(QLatin1String("Verification")) ||
            id.contains(QLatin1String("Attempts")) || id.contains(QLatin1String("Settings")) ||
            id.contains(QLatin1String("Profile")) || id.contains(QLatin1String("Phone")) ||
            id.contains(QLatin1String("Country")) || id.contains(QLatin1String("Configuration")) ||
            id.contains(QLatin1String("LoggedOut")))
            states << id;
    return states;
}

const char* describe(const QColor& color) {
    static QByteArray text;
    text = color.name().toLatin1();
    return text.constData();
}
} // namespace

class TestAccountGallery : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        platform::Sandbox::setRoot(m_sandbox.root());
        m_world = std::make_unique<test::AppLockWorld>();
        tools::registerAccountGalleryScreens(false);
    }
    void cleanupTestCase() { m_world.reset(); }

    void everyScreenRenders_data();
    void everyScreenRenders();
    void fourDigitPadShowsTwoFilledDots();
    void complexPadShowsTheFieldAndOk();
    void lockedPadIsDimmed();
    void settingRowShowsTheLockOn();
    void accountStatesFitTheirWindow_data();
    void accountStatesFitTheirWindow();
    void signUpShowsItsNextButtonState_data();
    void signUpShowsItsNextButtonState();
    void refusedAddressDimsTheForm();
    void wrongCodeMarkerIsRed();
    void formPagesMirrorRightToLeft_data();
    void formPagesMirrorRightToLeft();
    void attemptsExceededOffersSignUpAgain();
    void settingsShowTheLock_data();
    void settingsShowTheLock();
    void profileShowsItsPicture_data();
    void profileShowsItsPicture();
    void phoneScreensOfferTheirAction_data();
    void phoneScreensOfferTheirAction();
    void phoneRegistrationMirrorsRightToLeft();
    void profileMirrorsRightToLeft_data();
    void profileMirrorsRightToLeft();
    void pictureChoiceOverTheProfile_data();
    void pictureChoiceOverTheProfile();
    void pickerShowsTheFilteredCountries();
    void profileFirstRunOpensEditing();
    void profileNameFieldIsTheStyledField_data();
    void profileNameFieldIsTheStyledField();
    void pagesShowTheirTexts();
    void barButtonsTitleInTheLibraryFont_data();
    void barButtonsTitleInTheLibraryFont();

private:
    test::TestSandbox m_sandbox;
    std::unique_ptr<test::AppLockWorld> m_world;
};

void TestAccountGallery::everyScreenRenders_data() {
    QTest::addColumn<QString>("storyboard");
    QTest::addColumn<QString>("identifier");
    for (const QString& storyboard :
         {QStringLiteral("GalleryAccount"), QStringLiteral("PLAppLockScreenViewController")})
        for (const QString& identifier : ScreenRegistry::shared()->identifiers(storyboard))
            QTest::addRow("%s", qPrintable(identifier)) << storyboard << identifier;
}

void TestAccountGallery::everyScreenRenders() {
    QFETCH(QString, storyboard);
    QFETCH(QString, identifier);
    GalleryShot shot(storyboard, identifier);
    QVERIFY(shot.controller);
    QVERIFY(!shot.image.isNull());
    // The pads paint the lock screen's pale blue from corner to corner.
    if (shot.pad() || qobject_cast<PLAppLockScreenViewController*>(shot.controller)) {
        QVERIFY2(near(shot.image.pixelColor(3, 3), kBackground), describe(shot.image.pixelColor(3, 3)));
        QVERIFY(near(shot.image.pixelColor(shot.image.width() - 3, shot.image.height() - 3), kBackground));
    }
}

void TestAccountGallery::fourDigitPadShowsTwoFilledDots() {
    GalleryShot shot(QStringLiteral("GalleryAccount"), QStringLiteral("PinPadFourDigit"));
    PLPadLockScreenView* pad = shot.pad();
    QVERIFY(pad);
    const auto dots = pad->digitsArray();
    for (int i = 0; i < 4; ++i) {
        const QColor centre = shot.at(dots[i], QRectF(dots[i]->rect()).center());
        if (i < 2)
            QVERIFY2(near(centre, kRing, 4), describe(centre));
        else
            QVERIFY2(near(centre, kBackground), describe(centre));
    }
    for (PLPadButton* button : pad->buttonArray()) {
        QVERIFY2(near(shot.at(button, onRing(button)), kRing, 60), describe(shot.at(button, onRing(button))));
        // Inside the ring, away from the digit, the button is clear.
        QVERIFY(near(shot.at(button, {10, 10}), kBackground) || near(shot.at(button, {12, 37}), kBackground));
    }
}

void TestAccountGallery::complexPadShowsTheFieldAndOk() {
    GalleryShot shot(QStringLiteral("GalleryAccount"), QStringLiteral("PinPadComplex"));
    PLPadLockScreenView* pad = shot.pad();
    QVERIFY(pad && pad->digitsTextField());
    TextField* field = pad->digitsTextField();
    const QColor border = shot.at(field, {field->width() / 2.0, 0});
    QVERIFY2(near(border, kRing, 60), describe(border));
    // Three bullets sit around the middle of the field: some dark pixel on its centre line.
    bool bullet = false;
    for (int x = field->width() / 2 - 25; x <= field->width() / 2 + 25; ++x)
        bullet = bullet || shot.at(field, {qreal(x), field->height() / 2.0}).lightness() < 128;
    QVERIFY(bullet);
}

void TestAccountGallery::lockedPadIsDimmed() {
    GalleryShot shot(QStringLiteral("GalleryAccount"), QStringLiteral("PinPadLocked"));
    PLPadLockScreenView* pad = shot.pad();
    QVERIFY(pad && pad->isLocked());
    for (PLPadButton* button : pad->buttonArray()) {
        const QColor ring = shot.at(button, onRing(button));
        // A fifth of the dark ring over the pale background.
        QVERIFY2(ring.lightness() > 170 && !near(ring, kBackground, 4), describe(ring));
    }
}

void TestAccountGallery::settingRowShowsTheLockOn() {
    GalleryShot shot(QStringLiteral("GalleryAccount"), QStringLiteral("AppLockSettingCell"));
    auto* cell = shot.window.findChild<PLAppLockSettingCell*>();
    QVERIFY(cell);
    Switch* toggle = cell->enableOrDisableSwitch();
    QVERIFY(toggle->isOn());
    // The switch is tinted where the knob is not; the row is white at its left end.
    const QColor tint = shot.at(toggle, {toggle->width() * 0.25, toggle->height() / 2.0});
    QVERIFY2(tint.saturation() > 100, describe(tint));
    QVERIFY(near(shot.at(cell, {5, cell->height() / 2.0}), Qt::white, 4));
}

void TestAccountGallery::accountStatesFitTheirWindow_data() {
    QTest::addColumn<QString>("identifier");
    const QStringList states = screenStates();
    QCOMPARE(states.size(), 52);
    for (const QString& id : states)
        QTest::addRow("%s", qPrintable(id)) << id;
}

void TestAccountGallery::accountStatesFitTheirWindow() {
    QFETCH(QString, identifier);
    GalleryShot shot(kGallery, identifier);
    QVERIFY(shot.controller);
    const QSize size = tools::accountGallerySize(identifier);
    QCOMPARE(shot.window.size(), size);
    QCOMPARE(shot.image.size() / shot.image.devicePixelRatio(), size);
    // Nothing the user reads or taps is cut by the window's edges.
    const QRect window = shot.window.rect();
    for (QWidget* widget : shot.window.findChildren<QWidget*>()) {
        if (!widget->isVisible() || !(qobject_cast<Label*>(widget) || qobject_cast<Button*>(widget) ||
                                      qobject_cast<QLineEdit*>(widget)))
            continue;
        if (widget->width() == 0 || widget->height() == 0)
            continue;
        const QRect at(widget->mapTo(&shot.window, QPoint(0, 0)), widget->size());
        // Rows scrolled out of a list's view are the list's business.
        if (!at.intersects(window))
            continue;
        // What every enclosing view leaves of it.
        QRect shown = at;
        for (QWidget* up = widget->parentWidget(); up && up != &shot.window; up = up->parentWidget())
            shown &= QRect(up->mapTo(&shot.window, QPoint(0, 0)), up->size());
        const bool inList =
            widget->parentWidget() && qobject_cast<TableViewCell*>(widget->parentWidget()->parentWidget());
        QVERIFY2(window.contains(at) && (shown == at || inList),
                 qPrintable(QStringLiteral("%1 at %2,%3 %4x%5")
                                .arg(widget->objectName())
                                .arg(at.x())
                                .arg(at.y())
                                .arg(at.width())
                                .arg(at.height())));
    }
}

void TestAccountGallery::signUpShowsItsNextButtonState_data() {
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<QColor>("next");
    // Half-transparent blue over white while the field is empty.
    const QColor faded(0x7F, 0xC2, 0xE4);
    for (const QString& suffix : {QString(), QStringLiteral("@400x720")}) {
        QTest::addRow("empty%s", qPrintable(suffix)) << QStringLiteral("SignUpEmpty") + suffix << faded;
        QTest::addRow("filled%s", qPrintable(suffix)) << QStringLiteral("SignUpFilled") + suffix << kBlue;
    }
}

void TestAccountGallery::signUpShowsItsNextButtonState() {
    QFETCH(QString, identifier);
    QFETCH(QColor, next);
    GalleryShot shot(kGallery, identifier);
    auto* signUp = topOf<PLSignUpViewController>(shot.controller);
    QVERIFY(signUp);
    // The button's left part, clear of its title.
    const QColor pixel = shot.at(signUp->nextButton(), {8, signUp->nextButton()->height() / 2.0});
    QVERIFY2(near(pixel, next, 10), describe(pixel));
    // The form sits in the middle of the page.
    QWidget* form = signUp->containerView();
    const QPoint middle = form->mapTo(&shot.window, QRect(form->rect()).center());
    QVERIFY(qAbs(middle.x() - shot.window.width() / 2) <= 1);
    QVERIFY(qAbs(middle.y() - shot.window.height() / 2) <= 1);
    // The agreement's links are underlined grey text on white.
    QVERIFY(near(shot.at(signUp->getStartedLabel(), {2, 2}), Qt::white, 2));
}

void TestAccountGallery::refusedAddressDimsTheForm() {
    GalleryShot shot(kGallery, QStringLiteral("SignUpRefused"));
    QVERIFY(!shot.window.alerts().isEmpty());
    AlertView* alert = shot.window.alerts().last();
    QCOMPARE(alert->message(), QStringLiteral("Please enter valid Email"));
    // Outside the alert the white page is dimmed; inside the alert is light.
    const QColor outside = shot.image.pixelColor(4, shot.image.height() - 4);
    QVERIFY2(outside.lightness() < 200, describe(outside));
    const QColor inside = shot.at(alert, {alert->width() / 2.0, 6});
    QVERIFY2(inside.lightness() > 220, describe(inside));
}

void TestAccountGallery::wrongCodeMarkerIsRed() {
    for (const QString& id :
         {QStringLiteral("VerificationWrongCode"), QStringLiteral("VerificationWrongCode@400x720")}) {
        GalleryShot shot(kGallery, id);
        auto* verification = topOf<PLEmailVerficationViewController>(shot.controller);
        QVERIFY(verification && verification->isWrongCode());
        QVERIFY(shot.window.alerts().isEmpty());
        Button* marker = verification->wrongVerificationCodeButton();
        QVERIFY(marker->isVisible());
        const QColor red = shot.at(marker, {3, marker->height() / 2.0});
        QVERIFY2(red.red() > 180 && red.green() < 110, describe(red));
        // The verify button is on (full blue): a code is there.
        QVERIFY(near(shot.at(verification->verifyButton(), {8, 22}), kBlue, 10));
    }
}

void TestAccountGallery::formPagesMirrorRightToLeft_data() {
    QTest::addColumn<QString>("identifier");
    for (const QString& suffix : {QString(), QStringLiteral("@400x720")}) {
        QTest::addRow("sign-up%s", qPrintable(suffix)) << QStringLiteral("SignUpFilledRightToLeft") + suffix;
        QTest::addRow("wrong code%s", qPrintable(suffix))
            << QStringLiteral("VerificationWrongCodeRightToLeft") + suffix;
    }
}

// Right to left the page's Cancel or Back shows whole at its right edge, in the blue of the page's
// links, and the wrong code's marker at the left end of its field; the typed text at the field's
// right.
void TestAccountGallery::formPagesMirrorRightToLeft() {
    QFETCH(QString, identifier);
    GalleryShot shot(kGallery, identifier);
    auto* form = topOf<PLLoginFormViewController>(shot.controller);
    QVERIFY(form);
    QCOMPARE(form->view()->layoutDirection(), Qt::RightToLeft);
    const QSize size = tools::accountGallerySize(identifier);
    auto* signUp = qobject_cast<PLSignUpViewController*>(form);
    auto* verification = qobject_cast<PLEmailVerficationViewController*>(form);
    Button* leading = signUp ? signUp->closeButton() : verification->backButton();
    QVERIFY(leading->isVisible());
    const QRect button(leading->mapTo(&shot.window, QPoint()), leading->size());
    QCOMPARE(button.right() + 1, size.width() - 8);
    // Its ink: blue, in its right part, none beyond the window.
    int inked = 0;
    for (int y = 0; y < leading->height(); ++y)
        for (int x = 0; x < leading->width(); ++x)
            inked += shot.at(leading, QPointF(x, y)).blue() > shot.at(leading, QPointF(x, y)).red() + 60;
    QVERIFY(inked > 20);
    // Back's arrow points out of the page, to the right: left to right's mirrored.
    if (verification) {
        GalleryShot leftToRight(kGallery, QString(identifier).remove(QLatin1String("RightToLeft")));
        Button* back = topOf<PLEmailVerficationViewController>(leftToRight.controller)->backButton();
        QVERIFY(test::showsFirstMarkMirrored(test::shownPart(leftToRight.image, back).look,
                                             test::shownPart(shot.image, leading).look));
    }
    QLineEdit* field = signUp ? static_cast<QLineEdit*>(signUp->emailAddressTextField())
                              : static_cast<QLineEdit*>(verification->verifyCodeTextField());
    // The typed address reads from the left, from its first letter's side, nothing of it at the right
    // (inside the frame, which the field that has the keys draws in the accent colour).
    const auto dark = [&](int from, int to) {
        for (int x = from; x < to; ++x)
            for (int y = 4; y < field->height() - 4; ++y)
                if (shot.at(field, QPointF(x, y)).lightness() < 140)
                    return true;
        return false;
    };
    if (signUp) {
        QVERIFY(dark(0, field->width() / 2));
        QVERIFY(!dark(field->width() * 2 / 3, field->width() - 4));
        return;
    }
    QVERIFY(verification->isWrongCode());
    Button* marker = verification->wrongVerificationCodeButton();
    QVERIFY(marker->isVisible());
    QVERIFY(marker->mapTo(field, QPoint()).x() < field->width() / 4);
    const QColor red = shot.at(marker, {marker->width() - 3.0, marker->height() / 2.0});
    QVERIFY2(red.red() > 180 && red.green() < 110, describe(red));
}

void TestAccountGallery::attemptsExceededOffersSignUpAgain() {
    GalleryShot shot(kGallery, QStringLiteral("AttemptsExceeded"));
    auto* exceeded = qobject_cast<PLVerifyExceedsViewController*>(shot.controller);
    QVERIFY(exceeded);
    QVERIFY(
        near(shot.at(exceeded->dismissButton(), {8, exceeded->dismissButton()->height() / 2.0}), kBlue, 8));
    QVERIFY(qAbs(exceeded->dismissButton()
                     ->mapTo(&shot.window, QPoint(exceeded->dismissButton()->width() / 2, 0))
                     .x() -
                 shot.window.width() / 2) <= 1);
}

void TestAccountGallery::settingsShowTheLock_data() {
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<bool>("on");
    QTest::addColumn<bool>("rightToLeft");
    QTest::newRow("off") << "SettingsLockOff" << false << false;
    QTest::newRow("on") << "SettingsLockOn" << true << false;
    QTest::newRow("on, large") << "SettingsLockOn@400x720" << true << false;
    QTest::newRow("on, right to left") << "SettingsLockOnRightToLeft" << true << true;
    QTest::newRow("on, right to left, large") << "SettingsLockOnRightToLeft@400x720" << true << true;
}

void TestAccountGallery::settingsShowTheLock() {
    QFETCH(QString, identifier);
    QFETCH(bool, on);
    QFETCH(bool, rightToLeft);
    GalleryShot shot(kGallery, identifier);
    auto* settings = topOf<PLSettingsTableViewController>(shot.controller);
    QVERIFY(settings);
    QVERIFY(!settings->presentedViewController());
    auto* cell = qobject_cast<PLAppLockSettingCell*>(
        settings->tableView()->cellForRowAtIndexPath(IndexPath::forRow(1)));
    QVERIFY(cell);
    Switch* toggle = cell->enableOrDisableSwitch();
    // On, the knob is at the trailing end: the right, or the left right to left.
    const bool knobRight = on != rightToLeft;
    const QColor track =
        shot.at(toggle, {toggle->width() * (knobRight ? 0.25 : 0.75), toggle->height() / 2.0});
    QVERIFY2(on ? track.saturation() > 100 : track.saturation() < 40, describe(track));
    // The white knob stands out from the track beside it, on or off.
    const QColor knob =
        shot.at(toggle, {toggle->width() * (knobRight ? 0.75 : 0.25), toggle->height() / 2.0});
    QVERIFY2(near(knob, Qt::white, 3), describe(knob));
    QVERIFY2(knob.lightness() - track.lightness() >= 15, describe(track));
    QCOMPARE(cell->resetPinButton()->isVisible(), on);
    // Both rows title in one font and colour.
    QLabel* download = settings->tableView()->cellForRowAtIndexPath(IndexPath::forRow(0))->textLabel();
    Label* lock = cell->enableOrDisableTextLabel();
    QCOMPARE(lock->font().family(), download->font().family());
    QCOMPARE(lock->font().pixelSize(), download->font().pixelSize());
    QCOMPARE(lock->font().pixelSize(), 15);
    QCOMPARE(lock->textColor(), download->palette().color(QPalette::WindowText));
    if (on)
        QCOMPARE(cell->resetPinButton()->titleFont().pixelSize(), 15);
    QWidget* header = settings->tableView()->headerViewAt(0);
    QVERIFY(near(shot.at(header, {header->width() - 4.0, 4}), QColor(232, 244, 250), 3));
    // The switch at the row's trailing edge, the header's title in its leading half only.
    QCOMPARE(toggle->mapTo(cell, QPoint(0, 0)).x() < cell->width() / 2, rightToLeft);
    const auto inked = [&](bool rightHalf) {
        const int from = rightHalf ? header->width() / 2 : 0;
        for (int y = 0; y < header->height(); ++y)
            for (int x = from; x < from + header->width() / 2; ++x)
                if (!near(shot.at(header, QPointF(x, y)), QColor(232, 244, 250), 40))
                    return true;
        return false;
    };
    QVERIFY(inked(rightToLeft));
    QVERIFY(!inked(!rightToLeft));
}

void TestAccountGallery::profileShowsItsPicture_data() {
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<QColor>("picture");
    QTest::addColumn<QColor>("phoneMark");
    const QColor green(0x25, 0xA5, 0x49);
    const QColor orange(0xF0, 0x8A, 0x24);
    const QColor stored = QColor::fromRgb(tools::kAccountGalleryPictureRgb);
    const QColor silhouette(0xD6, 0xDB, 0xE0);
    for (const QString& suffix : {QString(), QStringLiteral("@400x720")}) {
        QTest::addRow("with%s", qPrintable(suffix))
            << QStringLiteral("ProfileWithPicture") + suffix << stored << green;
        QTest::addRow("without%s", qPrintable(suffix))
            << QStringLiteral("ProfileWithoutPicture") + suffix << silhouette << orange;
    }
}

void TestAccountGallery::profileShowsItsPicture() {
    QFETCH(QString, identifier);
    QFETCH(QColor, picture);
    QFETCH(QColor, phoneMark);
    GalleryShot shot(kGallery, identifier);
    auto* profile = topOf<PLUserProfileTableViewController>(shot.controller);
    QVERIFY(profile);
    QVERIFY(!profile->isEditingProfile());
    // The default picture's grey ring shows at the top of the circle; a stored picture fills it.
    ImageView* view = profile->profileImageView();
    const QColor at = shot.at(view, {view->width() / 2.0, 12});
    QVERIFY2(near(at, picture, 10), describe(at));
    // Outside the circle's corner the row's background shows.
    QVERIFY(!near(shot.at(view, {2, 2}), picture, 10));
    ImageView* mark = profile->phoneNumberVerifiedImageView();
    const QColor badge = shot.at(mark, {mark->width() / 2.0, 3}); // above the tick or the "!"

    QVERIFY2(near(badge, phoneMark, 30), describe(badge));
    QCOMPARE(profile->userName()->text(), QStringLiteral("Nina Park"));
    const QPoint name = profile->userName()->mapTo(&shot.window, QPoint(profile->userName()->width() / 2, 0));
    QVERIFY(qAbs(name.x() - shot.window.width() / 2) <= 1);
}

void TestAccountGallery::phoneScreensOfferTheirAction_data() {
    QTest::addColumn<QString>("identifier");
    for (const char* id : {"PhoneRegistration", "PhoneRegistration@400x720", "PhoneVerification",
                           "PhoneVerification@400x720", "ProfileEditing"})
        QTest::newRow(id) << QString::fromLatin1(id);
}

void TestAccountGallery::phoneScreensOfferTheirAction() {
    QFETCH(QString, identifier);
    GalleryShot shot(kGallery, identifier);
    Button* action = nullptr;
    if (auto* registration = topOf<PLRegPhoneNumberViewController>(shot.controller)) {
        QCOMPARE(registration->countryCodeTextField()->text(), QStringLiteral("United Kingdom (+44)"));
        action = registration->addOrRemovePhoneNumberButton();
    } else if (auto* check = topOf<PLVerifyPhoneNumberViewController>(shot.controller)) {
        QCOMPARE(check->phoneNumberLabel()->text(), QStringLiteral("+447700900123"));
        QVERIFY(check->closeButton()->isVisible());
        action = check->verifyButton();
    } else if (auto* profile = topOf<PLUserProfileTableViewController>(shot.controller)) {
        QVERIFY(profile->isEditingProfile());
        action = profile->editProfileImageButton();
        QVERIFY(near(shot.at(action, centreOf(action)), kBlue, 12));
        QVERIFY(profile->changePhoneNumberButton()->isVisible());
        return;
    }
    QVERIFY(action);
    QVERIFY(near(shot.at(action, {8, action->height() / 2.0}), kBlue, 8));
}

// Right to left Cancel shows at the page's right and the country's arrow at its field's left end,
// the country's name at the right.
void TestAccountGallery::phoneRegistrationMirrorsRightToLeft() {
    GalleryShot shot(kGallery, QStringLiteral("PhoneRegistrationRightToLeft"));
    auto* registration = topOf<PLRegPhoneNumberViewController>(shot.controller);
    QVERIFY(registration);
    QCOMPARE(registration->view()->layoutDirection(), Qt::RightToLeft);
    Button* cancel = registration->closeButton();
    QCOMPARE(cancel->mapTo(&shot.window, QPoint(cancel->width(), 0)).x(),
             tools::accountGallerySize(QStringLiteral("PhoneRegistrationRightToLeft")).width() - 8);
    Button* arrow = registration->countryListDropDownButton();
    const auto dark = [&](const QWidget* view, int from, int to) {
        for (int x = from; x < to; ++x)
            for (int y = 8; y < view->height() - 8; ++y)
                if (shot.at(view, QPointF(x, y)).lightness() < 170)
                    return true;
        return false;
    };
    // The arrow 20 in from the left, then room up to the country's name, which ends at the right.
    QVERIFY(dark(arrow, 20, 36));
    QVERIFY(!dark(arrow, 40, 80));
    PLCustomTextField* country = registration->countryCodeTextField();
    QVERIFY(dark(country, country->width() / 2, country->width()));
}

void TestAccountGallery::profileMirrorsRightToLeft_data() {
    QTest::addColumn<QString>("leftToRight");
    QTest::addColumn<QString>("rightToLeft");
    for (const QString& suffix : {QString(), QStringLiteral("@400x720")})
        for (const QString& state :
             {QStringLiteral("ProfileWithoutPicture"), QStringLiteral("ProfileEditing")})
            QTest::addRow("%s%s", qPrintable(state), qPrintable(suffix))
                << state + suffix << state + QStringLiteral("RightToLeft") + suffix;
}

// Right to left the picture, the rows' icons, the verified mark, the edit icon, Change and the camera
// button lie where left to right puts them, mirrored in the window, each icon and mark drawn as left
// to right draws it; Change and the camera show in their blue.
void TestAccountGallery::profileMirrorsRightToLeft() {
    QFETCH(QString, leftToRight);
    QFETCH(QString, rightToLeft);
    const auto parts = [](PLUserProfileTableViewController* profile) {
        QList<QWidget*> shown;
        for (const int row : profile->indexPathsToDisplay()) {
            TableViewCell* cell = profile->cellForRow(row);
            for (QWidget* part : cell->contentView()->findChildren<QWidget*>())
                if (part->isVisibleTo(cell) &&
                    (qobject_cast<ImageView*>(part) || qobject_cast<Button*>(part)))
                    shown << part;
        }
        return shown;
    };
    QList<test::ShownPart> mirrored;
    QImage back;
    {
        GalleryShot shot(kGallery, leftToRight);
        auto* profile = topOf<PLUserProfileTableViewController>(shot.controller);
        QVERIFY(profile);
        for (QWidget* part : parts(profile))
            mirrored << test::shownPart(shot.image, part);
        if (auto* button = shot.window.findChild<Button*>(QStringLiteral("profileBackButton")))
            back = test::shownPart(shot.image, button).look;
    }
    GalleryShot shot(kGallery, rightToLeft);
    auto* profile = topOf<PLUserProfileTableViewController>(shot.controller);
    QVERIFY(profile);
    QCOMPARE(profile->view()->layoutDirection(), Qt::RightToLeft);
    const QList<QWidget*> shown = parts(profile);
    QCOMPARE(shown.size(), mirrored.size());
    for (int i = 0; i < shown.size(); ++i) {
        const test::ShownPart part = test::shownPart(shot.image, shown[i]);
        QCOMPARE(part.inWindow, test::mirroredIn(shot.window.width(), mirrored[i].inWindow));
        // The picture is left out: the camera button lies over another corner of it.
        if (qobject_cast<ImageView*>(shown[i]) && shown[i] != profile->profileImageView())
            QVERIFY2(part.look == mirrored[i].look, qPrintable(shown[i]->objectName()));
    }
    // Back's arrow points out of the page, to the right.
    QCOMPARE(back.isNull(), profile->isEditingProfile());
    if (!back.isNull()) {
        auto* button = shot.window.findChild<Button*>(QStringLiteral("profileBackButton"));
        QVERIFY(button);
        QVERIFY(test::showsFirstMarkMirrored(back, test::shownPart(shot.image, button).look));
    }
    if (!profile->isEditingProfile())
        return;
    Button* camera = profile->editProfileImageButton();
    QVERIFY(camera->mapTo(&shot.window, QPoint()).x() < shot.window.width() / 2);
    QVERIFY(near(shot.at(camera, centreOf(camera)), kBlue, 12));
    Button* change = profile->changePhoneNumberButton();
    bool blue = false;
    for (int y = 0; y < change->height() && !blue; ++y)
        for (int x = 0; x < change->width() && !blue; ++x)
            blue = near(shot.at(change, QPointF(x, y)), kBlue, 40);
    QVERIFY(blue);
}

void TestAccountGallery::pictureChoiceOverTheProfile_data() {
    QTest::addColumn<QString>("identifier");
    QTest::newRow("320 x 568") << QStringLiteral("ProfilePictureChoice");
    QTest::newRow("400 x 720") << QStringLiteral("ProfilePictureChoice@400x720");
}

void TestAccountGallery::pictureChoiceOverTheProfile() {
    QFETCH(QString, identifier);
    GalleryShot shot(kGallery, identifier);
    ActionSheet* sheet = nullptr;
    for (AlertView* alert : shot.window.alerts())
        sheet = sheet ? sheet : qobject_cast<ActionSheet*>(alert);
    QVERIFY(sheet);
    // No camera on this machine; a stored picture may be removed.
    const QStringList titles{"Photo Library", "Remove Profile Image", "Cancel"};
    QCOMPARE(sheet->numberOfButtons(), int(titles.size()));
    for (int i = 0; i < titles.size(); ++i) {
        QCOMPARE(sheet->buttonTitleAtIndex(i), titles.at(i));
        auto* button = sheet->findChild<QWidget*>(QStringLiteral("alert.button.%1").arg(i));
        QVERIFY(button && button->isVisible());
        QVERIFY(shot.window.rect().contains(QRect(button->mapTo(&shot.window, QPoint()), button->size())));
        // The title's ink along the button's middle line, clear of its left end.
        bool ink = false;
        for (int x = 0; x < button->width() && !ink; ++x)
            ink = shot.at(button, QPointF(x, button->height() / 2.0)).lightness() < 200;
        QVERIFY2(ink, qPrintable(titles.at(i)));
        QVERIFY(shot.at(button, QPointF(3, button->height() / 2.0)).lightness() >= 200);
    }
    // The profile under it is dimmed: the window's top row is no longer white.
    QVERIFY2(shot.image.pixelColor(2, 80).lightness() < 240, describe(shot.image.pixelColor(2, 80)));
}

void TestAccountGallery::pickerShowsTheFilteredCountries() {
    for (const QString& id :
         {QStringLiteral("CountryPickerFiltered"), QStringLiteral("CountryPickerFiltered@400x720")}) {
        GalleryShot shot(kGallery, id);
        auto* picker = topOf<PLCountryCodesViewController>(shot.controller);
        QVERIFY(picker);
        QCOMPARE(picker->countryList().size(), 2);
        TableView* table = picker->countryCodesTableView();
        auto* india =
            qobject_cast<PLCountryCodeTableViewCell*>(table->cellForRowAtIndexPath(IndexPath::forRow(0)));
        QVERIFY(india && india->isCountrySelected());
        // Typed text in the typing font, not the placeholder's light face; Cancel ends the search.
        PLCustomSearchView* search = picker->searchView();
        QCOMPARE(search->searchTextField()->font().weight(), PLCustomSearchView::typingFont().weight());
        QVERIFY(search->cancelButton()->isEnabled());
        ImageView* mark = india->selectionStatusImageView();
        const QColor tick = shot.at(mark, {mark->width() / 2.0, 4});
        QVERIFY2(tick.saturation() > 80, describe(tick));
        // Below the two rows the list is empty and white.
        const QPointF below(table->width() / 2.0, 2 * PLCountryCodesViewController::kRowHeight + 20);
        QVERIFY(near(shot.at(table->viewport(), below), Qt::white, 2));
    }
}

void TestAccountGallery::profileFirstRunOpensEditing() {
    GalleryShot shot(kGallery, QStringLiteral("ProfileFirstRun"));
    auto* profile = topOf<PLUserProfileTableViewController>(shot.controller);
    QVERIFY(profile);
    QVERIFY(profile->isFirstRun());
    QVERIFY(profile->isEditingProfile());
}

void TestAccountGallery::profileNameFieldIsTheStyledField_data() {
    QTest::addColumn<QString>("identifier");
    QTest::newRow("editing") << QStringLiteral("ProfileEditing");
    QTest::newRow("first run, typing") << QStringLiteral("ProfileFirstRun");
}

void TestAccountGallery::profileNameFieldIsTheStyledField() {
    QFETCH(QString, identifier);
    GalleryShot shot(kGallery, identifier);
    auto* profile = topOf<PLUserProfileTableViewController>(shot.controller);
    QVERIFY(profile && profile->isEditingProfile());
    TextField* field = profile->editUserNameTextField();
    QVERIFY(field->isVisible());
    // The library's field: a white inside, a pale blue edge (the accent while typing) with rounded
    // corners that leave the row's white showing, not a square grey frame.
    const QColor edge = shot.at(field, {field->width() / 2.0, 0});
    const QColor expected = field->hasFocus() ? ToolkitStyle::accentColor() : QColor(0xC2, 0xE1, 0xF1);
    QVERIFY2(near(edge, expected, 16), describe(edge));
    QVERIFY2(near(shot.at(field, {field->width() / 2.0, field->height() / 2.0 + 12}), Qt::white, 3),
             describe(shot.at(field, {field->width() / 2.0, field->height() / 2.0 + 12})));
    QVERIFY2(near(shot.at(field, {0, 0}), Qt::white, 16), describe(shot.at(field, {0, 0})));
}

void TestAccountGallery::pagesShowTheirTexts() {
    for (const auto& [id, state] : QList<QPair<QString, QString>>{
             {QStringLiteral("ConfigurationStylesheet"), QStringLiteral("Downloading Stylesheet\u2026")},
             {QStringLiteral("Configuration"), QStringLiteral("Fetching Rooms\u2026")},
             {QStringLiteral("ConfigurationUpgrading"), QStringLiteral("Upgrading\u2026")}}) {
        GalleryShot shot(kGallery, id);
        auto* page = qobject_cast<PLConfigureScreenViewController*>(shot.controller);
        QVERIFY(page);
        QCOMPARE(page->currentStateTitle()->text(), state);
        bool ink = false;
        Label* title = page->currentStateTitle();
        for (int x = 0; x < title->width(); ++x)
            ink = ink || shot.at(title, {qreal(x), title->height() / 2.0}).lightness() < 128;
        QVERIFY(ink);
    }
    GalleryShot shot(kGallery, QStringLiteral("LoggedOut"));
    auto* page = topOf<PLLoggedOutViewController>(shot.controller);
    QVERIFY(page);
    TextView* text = page->showLoginTextView();
    QTextCursor link = text->document()->find(QStringLiteral("Sign in"));
    QVERIFY(!link.isNull());
    QTextCursor start(text->document());
    start.setPosition(link.selectionStart());
    QTextCursor end(text->document());
    end.setPosition(link.selectionEnd());
    const QRect from = text->cursorRect(start);
    const QRect to = text->cursorRect(end);
    // Some stroke of the bold link is the link blue.
    bool blue = false;
    for (int x = from.left(); x < to.left(); ++x)
        for (int y = from.top(); y < from.bottom(); ++y) {
            const QColor c = shot.at(text->viewport(), {qreal(x), qreal(y)});
            blue = blue || (c.blue() > 150 && c.red() < 80 && c.green() < 170);
        }
    QVERIFY(blue);
}

void TestAccountGallery::barButtonsTitleInTheLibraryFont_data() {
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<int>("titled");
    QTest::newRow("profile: Edit") << "ProfileWithPicture" << 1;
    QTest::newRow("profile editing: Cancel, Save") << "ProfileEditing" << 2;
    QTest::newRow("first run: Cancel, Save") << "ProfileFirstRun" << 2;
    QTest::newRow("settings: Cancel") << "SettingsLockOff" << 1;
}

void TestAccountGallery::barButtonsTitleInTheLibraryFont() {
    QFETCH(QString, identifier);
    QFETCH(int, titled);
    GalleryShot shot(kGallery, identifier);
    auto* nav = qobject_cast<NavigationController*>(shot.controller);
    QVERIFY(nav);
    test::verifyBarTitlesInFont(nav->navigationBar(), titled);
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestAccountGallery t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_gallery.moc"
