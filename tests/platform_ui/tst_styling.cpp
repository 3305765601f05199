#include "TestSandbox.h"
#include "foundation/ui/CustomColors.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "foundation/ui/CustomUIDatePickerLabels.h"
#include "foundation/ui/LabelAdditions.h"
#include "foundation/ui/TextAlignment.h"
#include "foundation/ui/TextViewAddtions.h"
#include "foundation/ui/ViewControllerAdditions.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/Window.h"

#include <QApplication>
#include <QDateTimeEdit>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QStyle>
#include <QTest>
#include <QToolButton>

using namespace pelnix;
using namespace pelnix::platform::ui;

class TestStyling : public QObject {
    Q_OBJECT
private slots:
    void namedColoursAndTheirSources() {
        QCOMPARE(CustomColors::pelnixBlueColor(), QColor(0, 0x86, 0xca));
        QCOMPARE(CustomColors::customTextColor().toRgb(), QColor(64, 64, 64));
        QCOMPARE(CustomColors::tableCellSelectionColor().toRgb(), QColor(208, 235, 215));
        QCOMPARE(CustomColors::floatingLabelBackgroundColor(), QColor(0x25, 0xa5, 0x49));
        QCOMPARE(CustomColors::chatRoomsTableViewSeparatorColor(), QColor(0x66, 0xc0, 0x7f));
        // Read at every call: the host's colour shows as soon as it is set.
        std::optional<QColor> host;
        CustomColors::setTableViewSeparatorColorSource([&] { return host; });
        host = QColor(Qt::red);
        QCOMPARE(CustomColors::chatRoomsTableViewSeparatorColor(), QColor(Qt::red));
        CustomColors::setTableViewSeparatorColorSource({});
        CustomColors::setNavigationTitleColorSource([] { return QStringLiteral("#0x3a3"); });
        QCOMPARE(CustomColors::navigationBarTitleColor(), QColor(0x33, 0xaa, 0x33));
        CustomColors::setNavigationTitleColorSource({});
        QCOMPARE(CustomColors::colorFromHexString(""), QColor(0, 0, 0, 0));
        QCOMPARE(CustomColors::colorFromHexString("12345"), QColor(0, 0, 0));
        QCOMPARE(CustomColors::colorFromHexString("0086ca80").alpha(), 0x80);
    }

    void sixFontsRegisterOnceWithTheirFamiliesAndWeights() {
        CustomFontRegistration::loadCustomFonts();
        const int families = QFontDatabase::families().size();
        CustomFontRegistration::loadCustomFonts();
        QCOMPARE(QFontDatabase::families().size(), families);
        QCOMPARE(
            CustomFontRegistration::registeredFontNames(),
            (QStringList{"DejaVuSans", "DejaVuSans-Bold", "DejaVuSans-ExtraLight", "DejaVuSansCondensed-Bold",
                         "DejaVuSansCondensed-Oblique", "DejaVuSansCondensed"}));
        const QFont regular = CustomFontRegistration::fontWithName("DejaVuSans", 17);
        QCOMPARE(regular.family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(regular.pixelSize(), 17);
        QCOMPARE(regular.weight(), QFont::Normal);
        const QFont bold = CustomFontRegistration::fontWithName("DejaVuSans-Bold", 15);
        QCOMPARE(bold.family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(bold.weight(), QFont::Bold);
        const QFont light = CustomFontRegistration::fontWithName("DejaVuSans-ExtraLight", 12);
        QVERIFY(light.weight() < QFont::Normal);
        QVERIFY2(QFontInfo(light).styleName().contains("ExtraLight"),
                 qPrintable(QFontInfo(light).styleName()));
        const QFont condensed = CustomFontRegistration::fontWithName("DejaVuSansCondensed-Oblique", 12);
        QCOMPARE(condensed.family(), QStringLiteral("DejaVu Sans Condensed"));
        QCOMPARE(condensed.style(), QFont::StyleOblique);
        QVERIFY(QFontInfo(condensed).styleName().contains("Oblique"));
        QCOMPARE(CustomFontRegistration::fontWithName("DejaVuSansCondensed-Bold", 12).weight(), QFont::Bold);
        QCOMPARE(QFontInfo(bold).family(), QStringLiteral("DejaVu Sans"));
    }

    void rightToLeftSwapIsAppliedOnce() {
        using TextAlignment::swappedForRTL;
        QCOMPARE(swappedForRTL(Qt::AlignLeft | Qt::AlignVCenter, false), Qt::AlignLeft | Qt::AlignVCenter);
        QCOMPARE(swappedForRTL(Qt::AlignHCenter, true), Qt::AlignHCenter);
        QCOMPARE(swappedForRTL(Qt::AlignJustify, true), Qt::AlignJustify);
        const Qt::Alignment swapped = swappedForRTL(Qt::AlignLeft | Qt::AlignTop, true);
        QCOMPARE(swapped, Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignTop);
        // Qt must not mirror the swapped value back: on screen it stays on the right.
        QCOMPARE(QStyle::visualAlignment(Qt::RightToLeft, swapped) & Qt::AlignHorizontal_Mask,
                 Qt::AlignRight | Qt::AlignAbsolute);

        qApp->setLayoutDirection(Qt::RightToLeft);
        Label label;
        label.setAlignment(Qt::AlignRight);
        LabelAdditions::setChangeAlignmenForRTL(&label, false);
        QCOMPARE(label.alignment(), Qt::AlignRight);
        LabelAdditions::setChangeAlignmenForRTL(&label, true);
        QCOMPARE(label.alignment(), Qt::AlignLeft | Qt::AlignAbsolute);
        qApp->setLayoutDirection(Qt::LeftToRight);
    }

    void measuredHeights() {
        QCOMPARE(TextViewAddtions::roundedTextHeight(17.2), 18.0);
        QCOMPARE(TextViewAddtions::roundedTextHeight(18.0), 18.0);
        Label label;
        label.setFont(CustomFontRegistration::fontWithName("DejaVuSans", 14));
        label.setGeometry(5, 7, 60, 10);
        LabelAdditions::verticallyAlignText(&label);
        QCOMPARE(label.geometry().topLeft(), QPoint(5, 7));
        QCOMPARE(label.height(), 0); // no text
        label.setText("a rather long text that wraps over several lines");
        LabelAdditions::verticallyAlignText(&label);
        QCOMPARE(label.width(), 60);
        QVERIFY(label.height() > 3 * QFontMetrics(label.font()).height() - 1);
        const auto bold = LabelAdditions::dejaVuBoldAttributes(&label);
        QCOMPARE(*bold.kern, -0.375);
        QCOMPARE(bold.font->weight(), QFont::Bold);
        QCOMPARE(bold.font->pixelSize(), 14);
    }

    void rightToLeftLayoutsMirrorOnce() {
        // Where the ink of a rendered widget starts and ends, horizontally.
        auto inkSpan = [](QWidget* w) {
            const QImage image = w->grab().toImage();
            int first = image.width();
            int last = -1;
            for (int x = 0; x < image.width(); ++x)
                for (int y = 0; y < image.height(); ++y)
                    if (qGray(image.pixel(x, y)) < 128) {
                        first = qMin(first, x);
                        last = qMax(last, x);
                    }
            return std::make_pair(first, last);
        };
        Label label("Hi");
        label.setTextColor(Qt::black);
        label.resize(200, 30);
        label.setAlignment(Qt::AlignLeft);
        label.setLayoutDirection(Qt::RightToLeft);
        // Qt mirrors a leading alignment by itself: the text sits on the right.
        QVERIFY(inkSpan(&label).first > 100);
        // The library's swap makes it an absolute right: still on the right. A literal swap to a
        // mirrored right would have put it back on the left (swapped twice).
        qApp->setLayoutDirection(Qt::RightToLeft);
        LabelAdditions::setChangeAlignmenForRTL(&label, true);
        QVERIFY(inkSpan(&label).first > 100);
        label.setAlignment(Qt::AlignRight);
        QVERIFY(inkSpan(&label).second < 100);
        LabelAdditions::setChangeAlignmenForRTL(&label, true);
        QVERIFY(inkSpan(&label).second < 100);
        qApp->setLayoutDirection(Qt::LeftToRight);

        TableViewCell cell;
        cell.textLabel()->setText("Row");
        cell.resize(300, 44);
        cell.setLayoutDirection(Qt::RightToLeft);
        cell.setAccessoryType(TableViewCell::Accessory::DisclosureIndicator);
        cell.show();
        QVERIFY(cell.textLabel()->geometry().right() > 250);  // leading edge is the right
        QVERIFY(cell.contentView()->geometry().left() >= 30); // the accessory is on the left

        Window window;
        window.setLayoutDirection(Qt::RightToLeft);
        auto* nav = new NavigationController(new ViewController);
        window.setRootViewController(nav);
        window.show();
        auto* pushed = new ViewController;
        pushed->setTitle("Detail");
        nav->pushViewController(pushed, false);
        auto* back = nav->navigationBar()->findChild<QToolButton*>("navigationBar.back");
        QTRY_VERIFY(back->geometry().left() > window.width() / 2);
    }

    // Of the library's styles only the date pickers' look reaches the host's widgets: every date
    // picker the program makes after set-up, and nothing else.
    void libraryStylesNeverReachTheHost_data() {
        QTest::addColumn<QString>("widget");
        QTest::addColumn<bool>("datePicker");
        QTest::newRow("date and time editor") << "QDateTimeEdit" << true;
        QTest::newRow("date editor") << "QDateEdit" << true;
        QTest::newRow("time editor") << "QTimeEdit" << true;
        QTest::newRow("number box") << "QSpinBox" << false;
        QTest::newRow("text field") << "QLineEdit" << false;
        QTest::newRow("label") << "QLabel" << false;
    }
    void libraryStylesNeverReachTheHost() {
        QFETCH(QString, widget);
        QFETCH(bool, datePicker);
        const auto make = [&widget]() -> std::unique_ptr<QWidget> {
            if (widget == QLatin1String("QDateTimeEdit"))
                return std::make_unique<QDateTimeEdit>();
            if (widget == QLatin1String("QDateEdit"))
                return std::make_unique<QDateEdit>();
            if (widget == QLatin1String("QTimeEdit"))
                return std::make_unique<QTimeEdit>();
            if (widget == QLatin1String("QSpinBox"))
                return std::make_unique<QSpinBox>();
            if (widget == QLatin1String("QLineEdit"))
                return std::make_unique<QLineEdit>();
            return std::make_unique<QLabel>(QStringLiteral("host text"));
        };
        const auto before = make();
        before->show();
        const QFont hostFont = before->font();
        const QColor hostText = before->palette().color(QPalette::Text);
        const QFont applicationFont = QApplication::font();

        // Load screens the way a host would: fonts, a navigation stack with styled title, a table,
        // and the library's date-picker look.
        Animator::setInstant(true);
        CustomFontRegistration::loadCustomFonts();
        CustomUIDatePickerLabels::restyleDatePickers();
        Window window;
        auto* root = new ViewController;
        auto* nav = new NavigationController(root);
        window.setRootViewController(nav);
        window.show();
        ViewControllerAdditions::applyCustomAttributesToNavigationBarTitle(root);
        QCOMPARE(nav->navigationBar()->titleFont().family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(nav->navigationBar()->titleFont().pixelSize(), 17);
        auto* table = new TableView(root->view());
        table->show();

        // Made after set-up and shown, as a host shows it.
        const auto after = make();
        after->show();
        const QColor libraryText(0, 134, 202);
        for (const QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
            QCOMPARE(after->palette().color(role) == libraryText, datePicker);
        if (datePicker) {
            QCOMPARE(after->font().family(), QStringLiteral("DejaVu Sans"));
            QCOMPARE(after->font().pixelSize(), 20);
        } else {
            QCOMPARE(after->font(), hostFont);
            QCOMPARE(after->palette().color(QPalette::Text), hostText);
            QCOMPARE(before->font(), hostFont);
        }
        // The host's own choice on its picker stays its own.
        after->setPalette(QPalette(Qt::darkGreen));
        QVERIFY(after->palette().color(QPalette::Text) != libraryText);
        QVERIFY(qApp->styleSheet().isEmpty());
        QCOMPARE(QApplication::font(), applicationFont);
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestStyling t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_styling.moc"
