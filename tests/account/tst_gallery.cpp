#include "AppLockTestDoubles.h"
#include "GalleryAccount.h"
#include "TestSandbox.h"
#include "platform/Sandbox.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/Screenshot.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Window.h"
#include "ui/account/PLAppLockScreenViewController.h"
#include "ui/account/PLAppLockSettingCell.h"
#include "ui/account/PLPadButton.h"
#include "ui/account/PLPadLockScreenAbstractViewController.h"
#include "ui/account/PLPadLockScreenView.h"
#include "ui/account/PLPinSelectionView.h"

#include <QApplication>
#include <QTest>

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
        tools::registerAccountGalleryScreens();
    }
    void cleanupTestCase() { m_world.reset(); }

    void everyScreenRenders_data();
    void everyScreenRenders();
    void fourDigitPadShowsTwoFilledDots();
    void complexPadShowsTheFieldAndOk();
    void lockedPadIsDimmed();
    void settingRowShowsTheLockOn();

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
            QVERIFY2(near(centre, Qt::white, 4), describe(centre));
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

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestAccountGallery t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_gallery.moc"
