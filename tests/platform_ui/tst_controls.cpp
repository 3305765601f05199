#include "TestSandbox.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/MapView.h"
#include "platform/ui/NibRegistry.h"
#include "platform/ui/Spinner.h"
#include "platform/ui/TextField.h"
#include "platform/ui/TextView.h"
#include "platform/ui/testing/RecordingSystemServices.h"

#include <QApplication>
#include <QPixmapCache>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>

using namespace pelnix::platform::ui;
using pelnix::platform::ui::TextAttributes;

class TestControls : public QObject {
    Q_OBJECT
private slots:
    void textFieldVetoSeesUtf16RangesAndCanRefuse() {
        TextField field;
        field.show();
        QList<std::tuple<int, int, QString>> asked;
        field.setShouldChangeCharacters([&](int start, int length, const QString& replacement) {
            asked << std::make_tuple(start, length, replacement);
            return !replacement.contains(QRegularExpression("[0-9]"));
        });
        QSignalSpy changed(&field, &TextField::editingChanged);
        QTest::keyClicks(&field, "a1b");
        QCOMPARE(field.text(), QStringLiteral("ab"));
        QCOMPARE(asked.at(1), std::make_tuple(1, 0, QStringLiteral("1")));
        QCOMPARE(changed.size(), 2);

        // An emoji counts two UTF-16 units, as the veto's offsets do.
        field.setText(QStringLiteral("\U0001F600"));
        asked.clear();
        field.end(false);
        QTest::keyClicks(&field, "x");
        QCOMPARE(asked.value(0), std::make_tuple(2, 0, QStringLiteral("x")));
        // Replacing a selection reports its range.
        field.setSelection(0, 2);
        QTest::keyClicks(&field, "y");
        QCOMPARE(asked.last(), std::make_tuple(0, 2, QStringLiteral("y")));
        QCOMPARE(field.text(), QStringLiteral("yx"));
    }

    void textViewDetectsLinksAndAsksBeforeReporting() {
        const QString html = TextView::linkifiedHtml(
            "See www.example.com/a?b=1, write to ann@example.org or call +1 555 123 4567.\n<b>not bold</b>");
        QVERIFY(html.contains("href=\"http://www.example.com/a?b=1\""));
        QVERIFY(html.contains("href=\"mailto:ann@example.org\""));
        QVERIFY(html.contains("href=\"tel:+15551234567\""));
        QVERIFY(html.contains("&lt;b&gt;not bold&lt;/b&gt;"));
        QVERIFY(html.contains("<br>"));

        TextView view;
        bool allow = false;
        view.setShouldInteractWithURL([&](const QUrl&) { return allow; });
        QSignalSpy tapped(&view, &TextView::linkTapped);
        emit view.anchorClicked(QUrl("https://example.com"));
        QCOMPARE(tapped.size(), 0);
        allow = true;
        emit view.anchorClicked(QUrl("https://example.com"));
        QCOMPARE(tapped.size(), 1);
    }

    void asyncImageShowsOnlyTheLatestRequest() {
        ImageView view;
        QImage red(4, 4, QImage::Format_RGB32);
        red.fill(Qt::red);
        QImage green(4, 4, QImage::Format_RGB32);
        green.fill(Qt::green);
        QSemaphore slowMayFinish;
        // A reused cell: the first (slow) request must not land over the second.
        view.loadImageAsync([&] {
            slowMayFinish.acquire();
            return red;
        });
        QSignalSpy loaded(&view, &ImageView::imageLoaded);
        view.loadImageAsync([&] { return green; });
        QTRY_COMPARE(loaded.size(), 1);
        slowMayFinish.release();
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        QCOMPARE(view.image().pixelColor(0, 0), QColor(Qt::green));
    }

    // The spinner keeps each frame it drew: one of another colour or size is drawn for itself, as it
    // would be with nothing kept.
    void spinnerFramesAreKeptPerColourAndSize() {
        const auto drawn = [](const QColor& colour, int side) {
            Spinner spinner;
            spinner.setHidesWhenStopped(false);
            spinner.setColor(colour);
            spinner.setFixedSize(side, side);
            return spinner.grab().toImage();
        };
        const QImage green = drawn(Qt::darkGreen, 36);
        const QImage smaller = drawn(Qt::darkGreen, 24);
        const QImage blue = drawn(Qt::blue, 36);
        QPixmapCache::clear();
        QCOMPARE(smaller, drawn(Qt::darkGreen, 24));
        QCOMPARE(blue, drawn(Qt::blue, 36));
        QCOMPARE(green, drawn(Qt::darkGreen, 36));
        QCOMPARE(smaller.size(), QSize(24, 24));
        // Its darkest spoke in its own colour.
        bool spoke = false;
        for (int y = 0; y < blue.height(); ++y)
            for (int x = 0; x < blue.width(); ++x) {
                const QColor pixel = blue.pixelColor(x, y);
                spoke = spoke || (pixel.alpha() == 255 && pixel == QColor(Qt::blue));
            }
        QVERIFY(spoke);
    }

    void labelMeasuresLinesWithinItsLimit() {
        Label label;
        label.setText("one two three four five six seven eight nine ten eleven twelve");
        label.setNumberOfLines(0);
        const qreal free = label.sizeThatFits(QSizeF(80, 1e6)).height();
        label.setNumberOfLines(2);
        const qreal two = label.sizeThatFits(QSizeF(80, 1e6)).height();
        label.setNumberOfLines(1);
        const qreal one = label.sizeThatFits(QSizeF(80, 1e6)).height();
        QVERIFY(one > 0);
        QVERIFY(two > one && two < one * 2.5);
        QVERIFY(free > two);
        label.setText({});
        QCOMPARE(label.sizeThatFits(QSizeF(80, 1e6)), QSizeF(0, 0));
    }

    void buttonStatesFallBackToNormal() {
        Button button;
        button.setTitle("Join");
        button.setTitleColor(Qt::white, Button::State::Selected);
        QCOMPARE(button.titleForState(Button::State::Selected), QStringLiteral("Join"));
        button.setSelected(true);
        QCOMPARE(button.currentState(), Button::State::Selected);
        QCOMPARE(button.titleColorForState(button.currentState()), QColor(Qt::white));
        button.setEnabled(false);
        QCOMPARE(button.currentState(), Button::State::Disabled);
        QSignalSpy clicked(&button, &Button::clicked);
        button.setEnabled(true);
        button.resize(80, 30);
        button.show();
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(clicked.size(), 1);
    }

    void buttonTitleReadsInItsOwnDirection_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<Qt::LayoutDirection>("direction");
        QTest::addColumn<Qt::LayoutDirection>("program");
        for (const Qt::LayoutDirection program : {Qt::LeftToRight, Qt::RightToLeft}) {
            const char* where =
                program == Qt::LeftToRight ? "left-to-right program" : "right-to-left program";
            QTest::addRow("count first, %s", where)
                << QStringLiteral("3 New Updates ") << Qt::LeftToRight << program;
            QTest::addRow("hebrew, %s", where)
                << QStringLiteral("\u05E9\u05DC\u05D5\u05DD 42!") << Qt::RightToLeft << program;
        }
    }
    // Whatever the program's direction, the title reads as after a mark of its own direction, and
    // otherwise than after a mark of the other.
    void buttonTitleReadsInItsOwnDirection() {
        QFETCH(QString, title);
        QFETCH(Qt::LayoutDirection, direction);
        QFETCH(Qt::LayoutDirection, program);
        qApp->setLayoutDirection(program);
        const auto restore = qScopeGuard([] { qApp->setLayoutDirection(Qt::LeftToRight); });
        const auto shown = [](const QString& text) {
            Button button;
            button.setTitle(text);
            button.resize(160, 30);
            return button.grab().toImage();
        };
        const QChar ltrMark(0x200E), rtlMark(0x200F);
        const QChar same = direction == Qt::RightToLeft ? rtlMark : ltrMark;
        const QChar other = direction == Qt::RightToLeft ? ltrMark : rtlMark;
        const QImage picture = shown(title);
        QVERIFY(picture == shown(same + title));
        QVERIFY(picture != shown(other + title));
    }

    // Tab's place shows as a ring in the highlight colour; a button the keys are not on, or that a
    // click gave them to in a window no key has moved them in, shows none.
    void aButtonRingsTheKeysTabPutThere() {
        QWidget window;
        auto* field = new TextField(&window);
        auto* button = new Button(&window);
        button->setTitle(QStringLiteral("Send"));
        field->setGeometry(0, 0, 100, 30);
        button->setGeometry(100, 0, 80, 30);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const QColor ring = button->palette().color(QPalette::Highlight);
        const auto ringed = [&] { return button->grab().toImage().pixelColor(1, 15) == ring; };
        const QImage plain = button->grab().toImage();
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(button->hasFocus());
        QCOMPARE(button->grab().toImage(), plain);
        field->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(&window, Qt::Key_Tab);
        QVERIFY(button->hasFocus());
        QVERIFY(ringed());
        QTest::keyClick(&window, Qt::Key_Backtab);
        QVERIFY(field->hasFocus());
        QCOMPARE(button->grab().toImage(), plain);
    }

    void urlsOffTheAllowListAreNotOpened() {
        auto fake = std::make_unique<RecordingSystemServices>();
        auto* services = fake.get();
        SystemServices::setCurrent(std::move(fake));
        QVERIFY(SystemServices::current()->openURL(QUrl("tel:+15551234567")));
        QVERIFY(!SystemServices::current()->openURL(QUrl("file:///etc/passwd")));
        QVERIFY(!SystemServices::current()->canOpenURL(QUrl("javascript:alert(1)")));
        QCOMPARE(services->opened, QList<QUrl>{QUrl("tel:+15551234567")});
        SystemServices::setCurrent(nullptr);
    }

    void fieldSignalsAndSecureEntry() {
        QWidget host;
        auto* field = new TextField(&host);
        auto* other = new TextField(&host);
        other->setFocus();
        host.show();
        host.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&host));
        QSignalSpy began(field, &TextField::editingDidBegin);
        QSignalSpy ended(field, &TextField::editingDidEnd);
        QVERIFY(field->becomeFirstResponder());
        QTRY_COMPARE(began.size(), 1);
        other->setFocus();
        QTRY_COMPARE(ended.size(), 1);
        field->setSecureTextEntry(true);
        QVERIFY(field->isSecureTextEntry());
        QCOMPARE(field->echoMode(), QLineEdit::Password);
        // Code may set any text; the veto is for the user's typing only.
        field->setShouldChangeCharacters([](int, int, const QString&) { return false; });
        field->setText("set by code");
        QCOMPARE(field->text(), QStringLiteral("set by code"));
        field->setEnabled(false);
        QVERIFY(!field->becomeFirstResponder());
    }

    void attributedRunsBecomeFormats() {
        pelnix::platform::ui::AttributedString text("Hello bold world");
        TextAttributes bold;
        bold.bold = true;
        bold.kern = -0.375;
        text.addAttributes(bold, 6, 4);
        TextAttributes outOfRange;
        outOfRange.underline = true;
        text.addAttributes(outOfRange, 14, 50); // clipped to the text
        text.addAttributes(outOfRange, 40, 2);  // wholly outside: dropped
        const auto formats = text.formats();
        QCOMPARE(formats.size(), 2);
        QCOMPARE(formats[0].start, 6);
        QCOMPARE(formats[0].length, 4);
        QCOMPARE(formats[0].format.fontWeight(), int(QFont::Bold));
        QCOMPARE(formats[0].format.fontLetterSpacing(), -0.375);
        QCOMPARE(formats[1].length, 2);
        pelnix::platform::ui::AttributedString tail(" again", bold);
        text.append(tail);
        QCOMPARE(text.runs().last().start, 16);

        Label label;
        label.setAttributedText(text);
        label.setNumberOfLines(0);
        text.setLineSpacing(10);
        Label spaced;
        spaced.setAttributedText(text);
        spaced.setNumberOfLines(0);
        // Extra line spacing only between lines: taller when wrapped, the same on one line.
        QVERIFY(spaced.sizeThatFits(QSizeF(60, 1e6)).height() > label.sizeThatFits(QSizeF(60, 1e6)).height());
        QCOMPARE(spaced.sizeThatFits(QSizeF(1e4, 1e6)).height(),
                 label.sizeThatFits(QSizeF(1e4, 1e6)).height());
    }

    void buttonSizeIncludesInsetsAndImage() {
        Button button;
        button.setTitle("Go");
        const QSize plain = button.sizeHint();
        button.setContentEdgeInsets(QMargins(10, 5, 10, 5));
        QCOMPARE(button.sizeHint(), plain + QSize(20, 10));
        QImage icon(40, 40, QImage::Format_ARGB32);
        icon.setDevicePixelRatio(2); // 20 x 20 points
        button.setImage(icon);
        QCOMPARE(button.sizeHint().height(), qMax(20, plain.height()) + 10);
        QVERIFY(button.sizeHint().width() >= plain.width() + 20 + 20);
    }

    void mapTapsAnswerTheCoordinateUnderTheFinger() {
        MapView map;
        map.resize(400, 200);
        map.setRegion({12.97, 77.59}, 0.2, 0.4);
        map.show();
        QCOMPARE(map.pointForCoordinate({12.97, 77.59}), QPointF(200, 100));
        // The whole region shows, at one scale: one of its edges touches the view's, the others fit.
        const Coordinate northWest = map.coordinateForPoint(QPointF(0, 0));
        const Coordinate southEast = map.coordinateForPoint(QPointF(400, 200));
        const QList<double> room{northWest.latitude - 13.07, 12.87 - southEast.latitude,
                                 77.39 - northWest.longitude, southEast.longitude - 77.79};
        QVERIFY(std::all_of(room.begin(), room.end(), [](double r) { return r > -1e-9; }));
        QVERIFY(std::any_of(room.begin(), room.end(), [](double r) { return r < 1e-9; }));
        QSignalSpy tapped(&map, &MapView::tappedCoordinate);
        QTest::mouseClick(&map, Qt::LeftButton, {}, QPoint(300, 50));
        QCOMPARE(tapped.size(), 1);
        const auto where = tapped.first().first().value<Coordinate>();
        QVERIFY(where.latitude > 12.97 && where.longitude > 77.59);
        const QPointF back = map.pointForCoordinate(where);
        QVERIFY(qAbs(back.x() - 300) < 1e-6 && qAbs(back.y() - 50) < 1e-6);

        // The tile scheme's Mercator: at zoom 0 the world is one 256-point square, cut at 85.0511 degrees.
        MapView world;
        world.resize(256, 256);
        world.setZoomLevel(0);
        world.setCenter({0, 0});
        const Coordinate corner = world.coordinateForPoint(QPointF(0, 0));
        QVERIFY(qAbs(corner.latitude - MapView::kMaximumLatitude) < 1e-6);
        QVERIFY(qAbs(corner.longitude - -180) < 1e-9);
        const Coordinate quarter = world.coordinateForPoint(QPointF(192, 64));
        QVERIFY(qAbs(quarter.longitude - 90) < 1e-9);
        QVERIFY(qAbs(quarter.latitude - 66.5132604) < 1e-6);
    }

    void nibCacheRemembersHitsAndMisses() {
        auto* nibs = NibRegistry::shared();
        nibs->clear();
        nibs->registerNib("inc.karvest.Pelnix", "PLCell", [](QObject*) { return QList<QObject*>{}; });
        QVERIFY(nibs->nib("inc.karvest.Pelnix", "PLCell"));
        QVERIFY(nibs->nib("inc.karvest.Pelnix", "PLCell"));
        QVERIFY(!nibs->nib("inc.karvest.Pelnix", "Missing"));
        QVERIFY(!nibs->nib("inc.karvest.Pelnix", "Missing"));
        QCOMPARE(nibs->lookups(), 2);
        QCOMPARE(NibRegistry::cacheKey({}, "X"), QStringLiteral(".X"));
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestControls t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_controls.moc"
