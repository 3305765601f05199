#include "TestSandbox.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "platform/ui/Animator.h"
#include "platform/ui/AttributedString.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/KeyboardMonitor.h"
#include "platform/ui/Label.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/Window.h"
#include "ui/toolkit/PLActivityIndicatorView.h"
#include "ui/toolkit/PLCustomSearchTextField.h"
#include "ui/toolkit/PLCustomSearchView.h"
#include "ui/toolkit/PLCustomTextField.h"
#include "ui/toolkit/PLProfileUserNameTextField.h"
#include "ui/toolkit/PLRoundImageView.h"
#include "ui/toolkit/PLSplashScreenWithLogo.h"
#include "ui/toolkit/PLTapToDismissKeyboardView.h"
#include "ui/toolkit/PLTextFieldRightButton.h"
#include "ui/toolkit/PLThinSeperatorImageView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QToolButton>
#include <QVariantAnimation>

using namespace pelnix;
using namespace pelnix::platform::ui;

namespace {
class SearchDelegate : public QObject, public PLCustomSearchDelegate {
public:
    void searchTextFieldDidChange(PLCustomSearchTextField* field) override { edits << field->text(); }
    void searchViewCancelledSearch() override { ++cancels; }
    QStringList edits;
    int cancels = 0;
};

class FieldDelegate : public QObject, public PLCustomTextFieldDelegate {
public:
    FieldDelegate(bool button, bool handles) : m_button(button), m_handles(handles) {}
    bool shouldShowRightButtonOnTextField(PLCustomTextField*) override { return m_button; }
    bool handlesRightButtonClicks() const override { return m_handles; }
    void rightButtonClicked(PLCustomTextField*, PLTextFieldRightButton* button) override {
        titles << button->titleForState(Button::State::Normal);
    }
    QStringList titles;

private:
    bool m_button;
    bool m_handles;
};

QRect pictureRect() {
    return PLActivityIndicatorView::sharedInstance()->imageView()->geometry();
}
} // namespace

class TestWidgets : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { CustomFontRegistration::loadCustomFonts(); }
    void init() {
        Animator::setInstant(true);
        Scheduler::shared()->setVirtualClock(true);
    }
    void cleanup() {
        Scheduler::shared()->setVirtualClock(false);
        KeyboardMonitor::shared()->hide();
    }

    // One dismiss ends any number of shows, a turn later; a show in that turn keeps the overlay up
    // without a second fade-in; a show after it has gone fades in afresh.
    void busyIndicatorDefersItsDismiss() {
        Window window;
        window.resize(320, 568);
        window.makeKeyAndVisible();
        auto* scheduler = Scheduler::shared();

        PLActivityIndicatorView::show();
        PLActivityIndicatorView::show();
        PLActivityIndicatorView::dismiss();
        QVERIFY(PLActivityIndicatorView::isVisible());
        scheduler->advance(0);
        QVERIFY(!PLActivityIndicatorView::isVisible());

        Animator::setInstant(false);
        PLActivityIndicatorView::show();
        QWidget* overlay = PLActivityIndicatorView::sharedInstance()->overlay();
        QCOMPARE(overlay->parentWidget(), &window);
        QCOMPARE(overlay->geometry(), window.rect());
        QTRY_COMPARE(Animator::alpha(overlay), 1.0);
        // Black at 40 % over the white window, away from the picture.
        QPalette white = window.palette();
        white.setColor(QPalette::Window, Qt::white);
        window.setPalette(white);
        window.setAutoFillBackground(true);
        const QImage shot = window.grab().toImage();
        const QColor dimmed = shot.pixelColor(QPoint(5, 5) * shot.devicePixelRatio());
        QVERIFY2(qAbs(dimmed.red() - 153) <= 1 && dimmed.red() == dimmed.blue(), qPrintable(dimmed.name()));
        QVERIFY(PLActivityIndicatorView::sharedInstance()->imageView()->isAnimating());
        // Grown by its pulse, the picture is still drawn (never through a recursive repaint).
        QTest::failOnWarning(QRegularExpression(QStringLiteral("[Rr]ecursive repaint")));
        ImageView* picture = PLActivityIndicatorView::sharedInstance()->imageView();
        QPointer<QVariantAnimation> pulse;
        for (auto* animation : picture->findChildren<QVariantAnimation*>())
            if (animation->loopCount() < 0)
                pulse = animation;
        QVERIFY(pulse);
        QTRY_VERIFY(pulse->currentValue().toReal() > 1.05);
        const QImage pulsing = window.grab().toImage();
        const QRect drawn = QRect(pictureRect().topLeft() * pulsing.devicePixelRatio(),
                                  pictureRect().size() * pulsing.devicePixelRatio());
        int pictured = 0;
        for (int y = drawn.top(); y <= drawn.bottom(); y += 5)
            for (int x = drawn.left(); x <= drawn.right(); x += 5)
                pictured += pulsing.pixelColor(x, y) != dimmed ? 1 : 0;
        QVERIFY2(pictured > 20, qPrintable(QString::number(pictured)));
        PLActivityIndicatorView::dismiss();
        PLActivityIndicatorView::show();
        QCOMPARE(Animator::alpha(overlay), 1.0);
        scheduler->advance(0);
        QVERIFY(PLActivityIndicatorView::isVisible());

        PLActivityIndicatorView::dismiss();
        scheduler->advance(0);
        QVERIFY(!PLActivityIndicatorView::sharedInstance()->imageView()->isAnimating());
        PLActivityIndicatorView::show();
        QVERIFY(Animator::alpha(overlay) < 1.0);
        PLActivityIndicatorView::dismiss();
        scheduler->advance(0);
    }

    // In edit mode the profile's name field looks like every other field of the library.
    void profileNameFieldLooksLikeTheOtherFields() {
        PLCustomTextField other;
        other.awakeFromNib();
        PLProfileUserNameTextField name;
        for (QWidget* field : {static_cast<QWidget*>(&other), static_cast<QWidget*>(&name)}) {
            field->resize(200, 44);
            field->setAttribute(Qt::WA_DontShowOnScreen);
            field->show();
        }
        name.updateTextFieldState(1);
        const QImage otherShot = other.grab().toImage();
        const QImage nameShot = name.grab().toImage();
        const qreal r = otherShot.devicePixelRatio();
        for (const QPoint point :
             {QPoint(1, 1), QPoint(100, 0), QPoint(100, 1), QPoint(0, 22), QPoint(2, 2)}) {
            const QColor expected = otherShot.pixelColor(point * r);
            const QColor actual = nameShot.pixelColor(point * r);
            QVERIFY2(qAbs(expected.red() - actual.red()) <= 8 && qAbs(expected.alpha() - actual.alpha()) <= 8,
                     qPrintable(QStringLiteral("%1,%2: %3 against %4")
                                    .arg(point.x())
                                    .arg(point.y())
                                    .arg(actual.name(QColor::HexArgb), expected.name(QColor::HexArgb))));
        }
    }

    // The picture stays above the keyboard, also for an indicator first made while the keyboard is up.
    void busyIndicatorKeepsThePictureAboveTheKeyboard() {
        Window window;
        window.resize(320, 568);
        window.makeKeyAndVisible();
        // The indicator made anew while the keyboard is up, as for the program's first busy request.
        delete PLActivityIndicatorView::sharedInstance();
        KeyboardMonitor::shared()->show(216, &window);
        PLActivityIndicatorView::show();
        QCOMPARE(pictureRect(), QRect(35, 51, 250, 250));
        KeyboardMonitor::shared()->hide();
        QCOMPARE(pictureRect().top(), 159);
        // Tracked while hidden too: the next show places the picture at once.
        PLActivityIndicatorView::dismiss();
        Scheduler::shared()->advance(0);
        KeyboardMonitor::shared()->show(216, &window);
        PLActivityIndicatorView::show();
        QCOMPARE(pictureRect().top(), 51);
        PLActivityIndicatorView::dismiss();
        Scheduler::shared()->advance(0);
    }

    // The overlay goes away with the window it was shown in; the next show uses the new key window.
    void busyIndicatorOutlivesItsWindow() {
        {
            Window first;
            first.makeKeyAndVisible();
            PLActivityIndicatorView::show();
            QVERIFY(PLActivityIndicatorView::isVisible());
        }
        QVERIFY(!PLActivityIndicatorView::isVisible());
        PLActivityIndicatorView::dismiss();
        Scheduler::shared()->advance(0);
        Window second;
        second.makeKeyAndVisible();
        PLActivityIndicatorView::show();
        QCOMPARE(PLActivityIndicatorView::sharedInstance()->overlay()->parentWidget(), &second);
        PLActivityIndicatorView::dismiss();
        Scheduler::shared()->advance(0);
    }

    // The font follows the length after each edit: typing font at one character, placeholder font
    // when empty, unchanged for a paste of several into the empty field.
    void searchViewSwitchesFontsOnFirstAndLastCharacter() {
        PLCustomSearchView view;
        view.resize(320, 44);
        view.show();
        SearchDelegate delegate;
        view.setDelegate(&delegate);
        view.setPlaceholderText(QStringLiteral("Search"));
        auto* field = view.searchTextField();
        const QFont placeholder = view.placeholderFont();
        QCOMPARE(field->font(), placeholder);
        QVERIFY(!view.cancelButton()->isEnabled());

        QTest::keyClicks(field, QStringLiteral("a"));
        QCOMPARE(field->font(), PLCustomSearchView::typingFont());
        QTest::keyClicks(field, QStringLiteral("b"));
        QCOMPARE(field->font(), PLCustomSearchView::typingFont());
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClick(field, Qt::Key_Backspace);
        QCOMPARE(field->font(), placeholder);
        QCOMPARE(delegate.edits, (QStringList{"a", "ab", "a", ""}));

        QApplication::clipboard()->setText(QStringLiteral("abc"));
        field->paste();
        QCOMPARE(field->text(), QStringLiteral("abc"));
        QCOMPARE(field->font(), placeholder);
    }

    void searchViewClearButtonAndClearText() {
        PLCustomSearchView view;
        view.resize(320, 44);
        view.show();
        SearchDelegate delegate;
        view.setDelegate(&delegate);
        auto* field = view.searchTextField();
        QTest::keyClicks(field, QStringLiteral("ab"));
        view.clearText();
        QCOMPARE(view.textFieldText(), QString());
        QCOMPARE(field->font(), PLCustomSearchView::typingFont());
        QCOMPARE(delegate.edits.size(), 2);

        QTest::keyClicks(field, QStringLiteral("xy"));
        // The line edit's own clear button, as a user taps it.
        QToolButton* clear = nullptr;
        for (auto* button : field->findChildren<QToolButton*>())
            if (button->defaultAction() &&
                button->defaultAction()->objectName() == QStringLiteral("_q_qlineeditclearaction"))
                clear = button;
        QVERIFY(clear);
        QTest::mouseClick(clear, Qt::LeftButton);
        QCOMPARE(delegate.edits.last(), QString());
        QCOMPARE(field->font(), view.placeholderFont());
    }

    void searchViewPlaceholderFitting() {
        PLCustomSearchView view;
        view.resize(320, 44);
        view.show();
        view.setPlaceholderText(QStringLiteral("Search"));
        QCOMPARE(view.placeholderFont().pixelSize(), 15);
        // The same text again changes nothing, not even the font the field has now.
        QTest::keyClicks(view.searchTextField(), QStringLiteral("a"));
        view.setPlaceholderText(QStringLiteral("Search"));
        QCOMPARE(view.searchTextField()->font(), PLCustomSearchView::typingFont());

        view.setPlaceholderText(QString(200, QLatin1Char('W')));
        QCOMPARE(view.placeholderFont().pixelSize(), qRound(view.searchTextField()->minimumFontSize()));
        QCOMPARE(view.searchTextField()->font().pixelSize(), view.placeholderFont().pixelSize());
        view.setPlaceholderText(QString());
        QCOMPARE(view.placeholderText(), QString(QLatin1String("")));
        QVERIFY(!view.placeholderText().isNull());
    }

    void searchViewCancelAndEditMenuAndLayouts() {
        Window window;
        window.makeKeyAndVisible();
        auto* view = new PLCustomSearchView(Qt::LeftToRight, &window);
        view->setGeometry(0, 0, 320, 44);
        view->show();
        SearchDelegate delegate;
        view->setDelegate(&delegate);
        QApplication::setActiveWindow(&window);
        view->makeTextFieldFirstResponder();
        QTRY_VERIFY(view->cancelButton()->isEnabled());
        QTest::mouseClick(view->cancelButton(), Qt::LeftButton);
        QCOMPARE(delegate.cancels, 1);
        view->disableCancelButton();
        QVERIFY(!view->cancelButton()->isEnabled());

        std::unique_ptr<QMenu> menu(view->searchTextField()->createEditMenu());
        QStringList names;
        for (QAction* action : menu->actions())
            if (!action->isSeparator())
                names << action->objectName();
        QCOMPARE(names, (QStringList{"edit-cut", "edit-copy", "edit-paste", "select-all"}));

        // The locale's direction picks the layout: cancel on the left in right-to-left.
        QApplication::setLayoutDirection(Qt::RightToLeft);
        std::unique_ptr<PLCustomSearchView> rtl(PLCustomSearchView::instanceWithOwner(nullptr));
        QApplication::setLayoutDirection(Qt::LeftToRight);
        QCOMPARE(rtl->layoutDirection(), Qt::RightToLeft);
        rtl->resize(320, 44);
        rtl->show();
        QVERIFY(rtl->cancelButton()->geometry().right() < rtl->searchTextField()->geometry().left());
        QVERIFY(view->cancelButton()->geometry().left() > view->searchTextField()->geometry().right());
    }

    // A delegate held without a guard would be called after its death; it must read as gone.
    void searchViewNeverCallsADestroyedDelegate() {
        PLCustomSearchView view;
        view.resize(320, 44);
        view.show();
        auto* delegate = new SearchDelegate;
        view.setDelegate(delegate);
        delete delegate;
        QCOMPARE(view.delegate(), nullptr);
        QTest::keyClicks(view.searchTextField(), QStringLiteral("a"));
        QTest::mouseClick(view.cancelButton(), Qt::LeftButton);
        QCOMPARE(view.textFieldText(), QStringLiteral("a"));
    }

    void customTextFieldInsetsAndRightButton() {
        PLCustomTextField plain;
        plain.resize(300, 44);
        plain.awakeFromNib();
        QCOMPARE(plain.leftInsetValue(), 15.0);
        QCOMPARE(plain.rightInsetValue(), 15.0);
        QCOMPARE(plain.rightButton(), nullptr);
        QCOMPARE(plain.rectForBounds(QRectF(0, 0, 300, 44)), QRectF(15, 0, 270, 44));

        FieldDelegate asks(true, true);
        PLCustomTextField field;
        field.resize(300, 44);
        field.setCustomDelegate(&asks);
        field.awakeFromNib();
        PLTextFieldRightButton* button = field.rightButton();
        QVERIFY(button);
        QCOMPARE(field.rightInsetValue(), button->width() + 10.0);
        QCOMPARE(field.textMargins().right(), qRound(field.rightInsetValue()));
        QCOMPARE(button->geometry().right() + 1, 300 - 10);
        QCOMPARE(button->geometry().center().y(), 22 - (button->height() % 2 ? 0 : 1));
        QCOMPARE(button->titleForState(Button::State::Normal), QStringLiteral("SHOW"));
        QTest::mouseClick(button, Qt::LeftButton);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(asks.titles, (QStringList{"HIDE", "SHOW"}));

        FieldDelegate silent(true, false);
        PLCustomTextField quiet;
        quiet.resize(300, 44);
        quiet.setCustomDelegate(&silent);
        quiet.awakeFromNib();
        QTest::mouseClick(quiet.rightButton(), Qt::LeftButton);
        QCOMPARE(quiet.rightButton()->titleForState(Button::State::Normal), QStringLiteral("SHOW"));

        // Asked once, when set up: a delegate attached later adds no button.
        PLCustomTextField late;
        late.awakeFromNib();
        late.setCustomDelegate(&asks);
        QCOMPARE(late.rightButton(), nullptr);
    }

    void customTextFieldMirrorsRightToLeft_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("mirrored");
        QTest::addColumn<QString>("text");
        for (const char* text : {"", "ann@acme.test"}) {
            const char* shown = *text ? "text" : "placeholder";
            QTest::addRow("ltr, %s", shown) << "ltr" << false << text;
            QTest::addRow("rtl, %s", shown) << "rtl" << true << text;
            QTest::addRow("rtl program, %s", shown) << "program" << true << text;
            QTest::addRow("rtl turned when shown, %s", shown) << "turned" << true << text;
            QTest::addRow("ltr turned back, %s", shown) << "back" << false << text;
        }
    }

    // Right to left the field's placeholder starts at the right, and its button and the room kept for
    // it lie at the left: the mirror of left to right. A typed English address reads from the left,
    // from its first letter's side, beside that room.
    void customTextFieldMirrorsRightToLeft() {
        QFETCH(QString, how);
        QFETCH(bool, mirrored);
        QFETCH(QString, text);
        const Qt::LayoutDirection program = QGuiApplication::layoutDirection();
        if (how == QLatin1String("program"))
            QGuiApplication::setLayoutDirection(Qt::RightToLeft);
        QWidget page;
        page.resize(300, 44);
        if (how == QLatin1String("rtl"))
            page.setLayoutDirection(Qt::RightToLeft);
        FieldDelegate asks(true, true);
        auto* field = new PLCustomTextField(&page);
        field->setGeometry(0, 0, 300, 44);
        field->setCustomDelegate(&asks);
        field->setPlaceholder(QStringLiteral("Email Address"));
        field->awakeFromNib();
        field->setText(text);
        if (how == QLatin1String("turned") || how == QLatin1String("back"))
            page.setLayoutDirection(Qt::RightToLeft);
        if (how == QLatin1String("back"))
            page.setLayoutDirection(Qt::LeftToRight);
        const QImage shot = field->grab().toImage();
        const QRect button = field->rightButton()->geometry();
        const QMargins margins = field->textMargins();
        QGuiApplication::setLayoutDirection(program);
        QCOMPARE(mirrored ? button.left() : 300 - 1 - button.right(), 10);
        QCOMPARE(mirrored ? margins.left() : margins.right(), qRound(field->rightInsetValue()));
        QCOMPARE(mirrored ? margins.right() : margins.left(), 15);
        // Ink of the text beside the button's room, at the leading side only.
        const QColor ground = shot.pixelColor(shot.width() / 2, 2);
        const auto inked = [&](int from, int to) {
            for (int x = from; x < to; ++x)
                for (int y = 12; y < shot.height() - 12; ++y)
                    if (qAbs(qGray(shot.pixel(x, y)) - qGray(ground.rgb())) > 30)
                        return true;
            return false;
        };
        const int third = shot.width() / 3;
        const bool fromTheRight = mirrored && text.isEmpty();
        QCOMPARE(inked(third * 2, 300 - 90), fromTheRight);
        QCOMPARE(inked(90, third), !fromTheRight);
    }

    void profileNameFieldStates() {
        PLProfileUserNameTextField field;
        QCOMPARE(field.rectForBounds(QRectF(0, 3, 200, 30)), QRectF(5, 3, 190, 30));
        field.updateTextFieldState(2);
        QVERIFY(field.isUserInteractionEnabled());
        QVERIFY(!field.hasReadOnlyLook());
        field.updateTextFieldState(0);
        QVERIFY(!field.isUserInteractionEnabled());
        QVERIFY(field.hasReadOnlyLook());
        QVERIFY(!field.hasFrame());
        QVERIFY(field.testAttribute(Qt::WA_TransparentForMouseEvents));
        field.updateTextFieldState(1);
        QVERIFY(field.isUserInteractionEnabled());
        QVERIFY(field.hasReadOnlyLook());
        QVERIFY(!field.hasFrame());
    }

    void tapDismissesTheKeyboardButADragDoesNot() {
        PLTapToDismissKeyboardView view;
        view.resize(300, 400);
        auto* field = new QLineEdit(&view);
        field->setGeometry(10, 10, 200, 30);
        view.show();
        QApplication::setActiveWindow(&view);
        QVERIFY(QTest::qWaitForWindowActive(&view));
        const QPoint spot(150, 200);

        field->setFocus();
        QVERIFY(field->hasFocus());
        QTest::mousePress(&view, Qt::LeftButton, {}, spot);
        QTest::mouseMove(&view, spot + QPoint(0, 40));
        QMouseEvent move(QEvent::MouseMove, QPointF(spot + QPoint(0, 40)), QPointF(view.mapToGlobal(spot)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&view, &move);
        QTest::mouseRelease(&view, Qt::LeftButton, {}, spot + QPoint(0, 40));
        QVERIFY(field->hasFocus());

        QTest::mouseClick(&view, Qt::LeftButton, {}, spot);
        QVERIFY(!field->hasFocus());
    }

    void separatorsAndRoundImages() {
        PLThinSeperatorImageView line;
        line.setBackgroundColor(Qt::red);
        line.awakeFromNib();
        QCOMPARE(line.borderColor(), QColor(Qt::red));
        QCOMPARE(line.borderWidth(), 0.5 / line.devicePixelRatioF());
        QVERIFY(!line.backgroundColor().isValid());
        PLThinSeperatorImageView bare;
        bare.awakeFromNib();
        QVERIFY(!bare.borderColor().isValid());

        PLRoundImageView round;
        round.resize(40, 40);
        round.awakeFromNib();
        QCOMPARE(round.cornerRadius(), 20.0);
        round.resize(80, 80);
        QCOMPARE(round.cornerRadius(), 20.0);
    }

    void splashLogoFallbackAndHeights() {
        PLSplashScreenWithLogo splash;
        splash.resize(320, 568);
        QImage picture(200, 300, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        splash.setCoBrandingImage(picture, QImage());
        QVERIFY(!splash.coBrandingLogoImage()->image().isNull());
        QCOMPARE(splash.logoImageHeight(), 60);
        QCOMPARE(splash.smallLogoContainerViewHeight(), 0);
        QVERIFY(splash.smallLogoContainerView()->isHidden());
        QVERIFY(splash.copyrightLabel()->isHidden());

        PLSplashScreenWithLogo branded;
        QImage logo(100, 30, QImage::Format_RGB32);
        logo.fill(Qt::red);
        branded.setCoBrandingImage(picture, logo);
        QCOMPARE(branded.logoImageHeight(), 30);
        QCOMPARE(branded.smallLogoContainerViewHeight(), PLSplashScreenWithLogo::kSmallLogoContainerHeight);

        // The about page's fallback comes from the application, which has none here.
        PLSplashScreenWithLogo about;
        about.configureForAboutPage(picture, QImage(), AttributedString(QStringLiteral("(c) 2026")));
        QVERIFY(about.coBrandingLogoImage()->image().isNull());
        QCOMPARE(about.logoImageHeight(), 0);
        QVERIFY(!about.copyrightLabel()->isHidden());
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestWidgets t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_widgets.moc"
