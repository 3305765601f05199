#include "platform/ui/Animator.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/IndexedCollation.h"
#include "platform/ui/SearchBar.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/Slider.h"
#include "platform/ui/Switch.h"
#include "platform/ui/Toolbar.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <cmath>

using namespace pelnix::platform::ui;

class TestBarControls : public QObject {
    Q_OBJECT
private slots:
    void init() { Animator::setInstant(true); }

    void switchTellsUserChangesFromCodeAndCanRevert() {
        Switch toggle;
        toggle.resize(toggle.sizeHint());
        toggle.show();
        QSignalSpy changed(&toggle, &Switch::valueChanged);
        toggle.setOn(true);
        QCOMPARE(changed.size(), 0);
        QCOMPARE(toggle.knobPosition(), 1.0);

        QTest::mouseClick(&toggle, Qt::LeftButton);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.last().at(0).toBool(), false);
        // The screen refuses the change: back to on, silently, and only once.
        QVERIFY(toggle.revert());
        QVERIFY(toggle.isOn());
        QVERIFY(!toggle.revert());
        QCOMPARE(changed.size(), 1);

        // A press that ends outside is no tap; a change from code drops the pending undo.
        QTest::mousePress(&toggle, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(&toggle, Qt::LeftButton, {}, QPoint(200, 5));
        QCOMPARE(changed.size(), 1);
        QTest::keyClick(&toggle, Qt::Key_Space);
        QCOMPARE(changed.size(), 2);
        toggle.setOn(true);
        QVERIFY(!toggle.revert());
        toggle.setEnabled(false);
        QTest::mouseClick(&toggle, Qt::LeftButton);
        QCOMPARE(changed.size(), 2);
    }

    void switchKnobSitsAtTheTrailingEndWhenOn_data() {
        QTest::addColumn<Qt::LayoutDirection>("direction");
        QTest::addColumn<bool>("on");
        QTest::addColumn<bool>("knobAtTheRight");
        QTest::newRow("left to right, on") << Qt::LeftToRight << true << true;
        QTest::newRow("left to right, off") << Qt::LeftToRight << false << false;
        QTest::newRow("right to left, on") << Qt::RightToLeft << true << false;
        QTest::newRow("right to left, off") << Qt::RightToLeft << false << true;
    }
    // The knob is the white disc on the track's middle line; it reads where the platform's does, and a
    // direction turned at run time moves it.
    void switchKnobSitsAtTheTrailingEndWhenOn() {
        QFETCH(Qt::LayoutDirection, direction);
        QFETCH(bool, on);
        QFETCH(bool, knobAtTheRight);
        Switch toggle;
        toggle.resize(toggle.sizeHint());
        toggle.setOn(on);
        const auto knobCentre = [&toggle] {
            const QImage image = toggle.grab().toImage();
            int sum = 0, count = 0;
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, image.height() / 2) == qRgb(255, 255, 255)) {
                    sum += x;
                    ++count;
                }
            return count ? qreal(sum) / count : -1.0;
        };
        const qreal middle = toggle.width() / 2.0;
        toggle.setLayoutDirection(direction);
        QVERIFY(knobCentre() >= 0);
        QCOMPARE(knobCentre() > middle, knobAtTheRight);
        // The user's tap sends it to the other end.
        toggle.show();
        QTest::mouseClick(&toggle, Qt::LeftButton);
        QCOMPARE(knobCentre() > middle, !knobAtTheRight);
        // The direction turned back: the knob moves to the mirrored end.
        toggle.setLayoutDirection(direction == Qt::RightToLeft ? Qt::LeftToRight : Qt::RightToLeft);
        QCOMPARE(knobCentre() > middle, knobAtTheRight);
    }

    void segmentedControlReportsOnlyUserSelections() {
        SegmentedControl control({"All", "Groups", "People"});
        control.resize(300, 29);
        control.show();
        QSignalSpy changed(&control, &SegmentedControl::valueChanged);
        QCOMPARE(control.selectedSegmentIndex(), SegmentedControl::kNoSegment);
        control.setSelectedSegmentIndex(0);
        QCOMPARE(changed.size(), 0);

        QTest::mouseClick(&control, Qt::LeftButton, {}, control.segmentRect(2).center());
        QCOMPARE(control.selectedSegmentIndex(), 2);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.last().at(0).toInt(), 2);
        // The selected one again, a disabled one, or a press dragged to another segment: nothing.
        QTest::mouseClick(&control, Qt::LeftButton, {}, control.segmentRect(2).center());
        control.setEnabledForSegment(false, 1);
        QTest::mouseClick(&control, Qt::LeftButton, {}, control.segmentRect(1).center());
        QTest::mousePress(&control, Qt::LeftButton, {}, control.segmentRect(0).center());
        QTest::mouseRelease(&control, Qt::LeftButton, {}, control.segmentRect(2).center());
        QCOMPARE(changed.size(), 1);
        QCOMPARE(control.selectedSegmentIndex(), 2);

        control.setSelectedSegmentIndex(7);
        QCOMPARE(control.selectedSegmentIndex(), SegmentedControl::kNoSegment);
        // Right to left: the first segment is on the right, segments tile the width exactly.
        control.setLayoutDirection(Qt::RightToLeft);
        QCOMPARE(control.segmentRect(0).right(), control.width() - 1);
        QCOMPARE(control.segmentAt(QPoint(5, 10)), 2);
        QCOMPARE(control.segmentRect(0).width() + control.segmentRect(1).width() +
                     control.segmentRect(2).width(),
                 control.width());
    }

    void switchAndSegmentsPaintTheirState() {
        Switch toggle;
        toggle.resize(toggle.sizeHint());
        toggle.setOn(true);
        // On: the track left of the knob is the on tint; off: a light grey there, so that the white
        // knob on the left reads against it.
        const QPoint track(toggle.height() / 2 - 4, toggle.height() / 2);
        QCOMPARE(QColor(toggle.grab().toImage().pixel(track)), toggle.onTintColor());
        toggle.setOn(false);
        const QPoint right(toggle.width() - toggle.height() / 2 + 4, toggle.height() / 2);
        QCOMPARE(QColor(toggle.grab().toImage().pixel(right)), QColor(0xE9, 0xE9, 0xEA));
        const QPoint knob(toggle.height() / 2, toggle.height() / 2);
        QCOMPARE(QColor(toggle.grab().toImage().pixel(knob)), QColor(Qt::white));
        // A background of its own, rounded by its corner radius, is the off track.
        toggle.setBackgroundColor(QColor(238, 238, 238));
        toggle.setCornerRadius(16);
        QCOMPARE(QColor(toggle.grab().toImage().pixel(right)), QColor(238, 238, 238));
        QVERIFY(toggle.grab().toImage().pixelColor(0, 0) != QColor(238, 238, 238));
        toggle.setBackgroundColor(QColor());
        // Off, its outline stands out from a white page (3:1 at least, as a control's edge should).
        const auto luminance = [](const QColor& c) {
            const auto channel = [](qreal v) {
                return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
            };
            return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
        };
        const QImage off = toggle.grab().toImage();
        qreal darkest = 1;
        for (int x = toggle.width() / 2 - 4; x <= toggle.width() / 2 + 4; ++x)
            for (int y = 0; y < 3; ++y)
                darkest = std::min(darkest, luminance(off.pixelColor(x, y)));
        QVERIFY2((1.0 + 0.05) / (darkest + 0.05) >= 3.0,
                 qPrintable(QString::number((1.0 + 0.05) / (darkest + 0.05))));

        SegmentedControl control({"A", "B"});
        control.resize(200, 29);
        control.setSelectedSegmentIndex(1);
        const QImage image = control.grab().toImage();
        const QRect selected = control.segmentRect(1);
        const QPoint beside(selected.left() + 8, selected.center().y()); // clear of the title
        QCOMPARE(QColor(image.pixel(beside)), control.tintColor());
        QCOMPARE(QColor(image.pixel(QPoint(8, selected.center().y()))), QColor(Qt::white));
    }

    void sliderClampsAndReportsDragsOnly() {
        Slider slider;
        slider.resize(228, 31); // a 200-point track between the thumb halves
        slider.show();
        slider.setRange(0, 10);
        QSignalSpy changed(&slider, &Slider::valueChanged);
        slider.setValue(12);
        QCOMPARE(slider.value(), 10.0f);
        QCOMPARE(changed.size(), 0);

        QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(14 + 50, 15));
        QTest::mouseMove(&slider, QPoint(14 + 100, 15));
        QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(14 + 100, 15));
        QCOMPARE(slider.value(), 5.0f);
        QCOMPARE(changed.size(), 2); // 2.5 on the press, 5 on the move; the release changes nothing

        slider.setContinuous(false);
        changed.clear();
        QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(14, 15));
        QTest::mouseMove(&slider, QPoint(14 + 150, 15));
        QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(14 + 200, 15));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.last().at(0).toFloat(), 10.0f);
    }

    void toolbarLaysOutItemsAndKnowsTheirViews() {
        Toolbar bar;
        bar.resize(375, Toolbar::kHeight);
        int shared = 0;
        BarButtonItem left("Edit");
        BarButtonItem space(BarButtonItem::SystemItem::FlexibleSpace);
        BarButtonItem right("Share", [&shared] { ++shared; });
        bar.setItems({&left, &space, &right});
        bar.show();
        auto* shareButton = bar.findChild<QToolButton*>("toolbar.2");
        QVERIFY(shareButton);
        QCOMPARE(right.view(), shareButton);
        QVERIFY(shareButton->geometry().right() > 375 - 20); // the flexible space pushes it right
        QVERIFY(left.view()->geometry().left() < 20);
        QTest::mouseClick(shareButton, Qt::LeftButton);
        QCOMPARE(shared, 1);
        // A changed title rebuilds the row once the caller is done.
        right.setTitle("Send");
        QTRY_COMPARE(qobject_cast<QToolButton*>(right.view())->text(), QStringLiteral("Send"));
    }

    void searchBarSignalsFollowTheUser() {
        SearchBar bar;
        bar.resize(375, SearchBar::kBarHeight);
        bar.show();
        QSignalSpy changed(&bar, &SearchBar::textDidChange);
        QSignalSpy search(&bar, &SearchBar::searchButtonClicked);
        QSignalSpy cancel(&bar, &SearchBar::cancelButtonClicked);
        QSignalSpy scope(&bar, &SearchBar::selectedScopeButtonIndexDidChange);
        bar.setText("preset");
        QCOMPARE(changed.size(), 0);
        bar.setText({});
        bar.beginEditing();
        QTest::keyClicks(bar.searchField(), "ab");
        QCOMPARE(changed.size(), 2);
        QCOMPARE(changed.last().at(0).toString(), QStringLiteral("ab"));
        QTest::keyClick(bar.searchField(), Qt::Key_Return);
        QCOMPARE(search.size(), 1);

        QVERIFY(!bar.cancelButton()->isVisible());
        bar.setShowsCancelButton(true);
        QVERIFY(bar.cancelButton()->isVisible());
        QVERIFY(bar.searchField()->geometry().right() < bar.cancelButton()->geometry().left());
        QTest::mouseClick(bar.cancelButton(), Qt::LeftButton);
        QCOMPARE(cancel.size(), 1);

        bar.setScopeButtonTitles({"Name", "Number"});
        bar.setShowsScopeBar(true);
        QCOMPARE(bar.height(), SearchBar::kBarHeight + SearchBar::kScopeHeight);
        QCOMPARE(bar.selectedScopeButtonIndex(), 0);
        auto* segments = bar.findChild<SegmentedControl*>("searchBar.scope");
        QTest::mouseClick(segments, Qt::LeftButton, {}, segments->segmentRect(1).center());
        QCOMPARE(scope.size(), 1);
        QCOMPARE(scope.last().at(0).toInt(), 1);
        bar.setSelectedScopeButtonIndex(0);
        QCOMPARE(scope.size(), 1);
    }

    void collationPutsNamesUnderTheirLetter_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("title");
        QTest::newRow("plain") << "Bea"
                               << "B";
        QTest::newRow("lower case") << "zoe"
                                    << "Z";
        QTest::newRow("accent") << QString::fromUtf8("Émile") << "E";
        QTest::newRow("umlaut") << QString::fromUtf8("ünal") << "U";
        QTest::newRow("leading space") << "  mira"
                                       << "M";
        QTest::newRow("digit") << "1800 Flowers"
                               << "#";
        QTest::newRow("symbol") << "+1 555"
                                << "#";
        QTest::newRow("greek") << QString::fromUtf8("Ωmega") << "#";
        QTest::newRow("emoji") << QString::fromUtf8("\U0001F600 smile") << "#";
        QTest::newRow("empty") << ""
                               << "#";
    }
    void collationPutsNamesUnderTheirLetter() {
        QFETCH(QString, name);
        QFETCH(QString, title);
        IndexedCollation collation{QLocale(QLocale::English)};
        QCOMPARE(collation.sectionTitles().value(collation.sectionForString(name)), title);
    }

    void collationSortsWithinSections() {
        IndexedCollation collation{QLocale(QLocale::English)};
        QCOMPARE(collation.sectionTitles().size(), 27);
        QCOMPARE(collation.sectionTitles().last(), QStringLiteral("#"));
        const QStringList names{"bob", "Anna", "ann 10", "ann 9", QString::fromUtf8("Ábel"), "7up"};
        const auto sections = collation.sections<QString>(names, [](const QString& s) { return s; });
        QCOMPARE(sections[0], (QStringList{QString::fromUtf8("Ábel"), "ann 9", "ann 10", "Anna"}));
        QCOMPARE(sections[1], QStringList{"bob"});
        QCOMPARE(sections[26], QStringList{"7up"});
    }
};

QTEST_MAIN(TestBarControls)
#include "tst_barcontrols.moc"
