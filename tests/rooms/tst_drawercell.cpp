// The side drawer's row: the count badge's width, corner and visibility, the colour themes, the
// divider through reuse and selection, and the icon from the host's own images.
#include "ui/rooms/PLSideDrawerTabelViewCell.h"

#include "TestSandbox.h"
#include "foundation/ui/CustomColors.h"
#include "platform/ui/Label.h"

#include <QApplication>
#include <QPainter>
#include <QTest>

using namespace pelnix;

class TestDrawerCell : public QObject {
    Q_OBJECT
private slots:
    void badge_data();
    void badge();
    void themes_data();
    void themes();
    void reuseShowsTheDividerAndSelectionKeepsIt();
    void iconComesFromTheHostsImages();
};

void TestDrawerCell::badge_data() {
    QTest::addColumn<qint64>("count");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<int>("width");
    QTest::addColumn<qreal>("radius");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << qint64(0) << false << 27 << 13.5 << "";
    QTest::newRow("1") << qint64(1) << true << 27 << 13.5 << "1";
    QTest::newRow("999") << qint64(999) << true << 27 << 13.5 << "999";
    QTest::newRow("1000") << qint64(1000) << true << 47 << 13.0 << "1000";
    QTest::newRow("12345") << qint64(12345) << true << 47 << 13.0 << "12345";
}

void TestDrawerCell::badge() {
    QFETCH(qint64, count);
    QFETCH(bool, shown);
    QFETCH(int, width);
    QFETCH(qreal, radius);
    QFETCH(QString, text);
    PLSideDrawerTabelViewCell cell;
    cell.resize(320, 50);
    cell.show();
    cell.setWithChatCount(count);
    QCOMPARE(cell.chatCountView()->isVisible(), shown);
    QCOMPARE(cell.chatCountlabel()->text(), text);
    QCOMPARE(cell.chatCountView()->width(), width);
    QCOMPARE(cell.chatCountView()->height(), 27);
    QCOMPARE(cell.badgeCornerRadius(), radius);
    // It sits at the row's trailing edge, centred in its height.
    QCOMPARE(cell.chatCountView()->geometry().right(), 320 - 15 - 1);
    QCOMPARE(cell.chatCountView()->geometry().center().y(), 24);
}

void TestDrawerCell::themes_data() {
    QTest::addColumn<quint64>("theme");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<QColor>("badge");
    QTest::addColumn<QColor>("title");
    QTest::newRow("0, blue") << quint64(0) << QColor(0xE8, 0xF4, 0xFA) << QColor(0x25, 0xA4, 0x49)
                             << QColor(0x00, 0x86, 0xCA);
    QTest::newRow("1, white") << quint64(1) << QColor(Qt::white) << QColor(0x01, 0x86, 0xCB)
                              << QColor(0x40, 0x40, 0x40);
    QTest::newRow("2, green") << quint64(2) << QColor(0xD0, 0xEB, 0xD7) << QColor(0x01, 0x86, 0xCB)
                              << QColor(0x40, 0x40, 0x40);
    QTest::newRow("5, white") << quint64(5) << QColor(Qt::white) << QColor(0x01, 0x86, 0xCB)
                              << QColor(0x40, 0x40, 0x40);
}

void TestDrawerCell::themes() {
    QFETCH(quint64, theme);
    QFETCH(QColor, background);
    QFETCH(QColor, badge);
    QFETCH(QColor, title);
    PLSideDrawerTabelViewCell cell;
    cell.resize(320, 50);
    cell.setThemeType(theme);
    cell.setWithChatCount(4);
    QCOMPARE(cell.themeType(), theme);
    QCOMPARE(cell.backgroundColor(), background);
    QCOMPARE(cell.badgeColor(), badge);
    QCOMPARE(cell.titleLabel()->textColor(), title);
    // As painted: the row's left end and the badge's middle.
    const QImage picture = cell.grab().toImage();
    QCOMPARE(picture.pixelColor(5, 5), background);
    const QPoint badgeMiddle = cell.chatCountView()->geometry().center() + QPoint(0, 9);
    QCOMPARE(picture.pixelColor(badgeMiddle), badge);
    // The selected look.
    cell.setBackGroundColorForSelectedCell();
    QCOMPARE(cell.backgroundColor(), QColor(0xE8, 0xF4, 0xFA));
}

void TestDrawerCell::reuseShowsTheDividerAndSelectionKeepsIt() {
    PLSideDrawerTabelViewCell cell;
    cell.resize(320, 50);
    cell.show();
    cell.showCellWithTitle(QStringLiteral("Chats"), QString());
    cell.setWithChatCount(3);
    cell.hideDivider();
    QVERIFY(!cell.separatorView()->isVisible());
    cell.prepareForReuse();
    QVERIFY(cell.separatorView()->isVisible());
    QVERIFY(cell.titleLabel()->text().isEmpty());
    QVERIFY(!cell.chatCountView()->isVisible());
    QVERIFY(cell.iconImage()->image().isNull());
    // The divider is the bottom line of the row, painted in the library's separator colour whether the
    // row is selected or not.
    QCOMPARE(cell.separatorView()->geometry(), QRect(0, 49, 320, 1));
    const QColor divider = cell.grab().toImage().pixelColor(100, 49);
    cell.setSelected(true);
    cell.setHighlighted(true);
    QVERIFY(cell.separatorView()->isVisible());
    QCOMPARE(cell.grab().toImage().pixelColor(100, 49), divider);
    QVERIFY(cell.grab().toImage().pixelColor(100, 20) != QColor(Qt::white));
}

void TestDrawerCell::iconComesFromTheHostsImages() {
    // The host's resources are its "main bundle"; a missing image gives no icon.
    QVERIFY(PLSideDrawerTabelViewCell::hostImageNamed(QStringLiteral("noSuchIcon")).isNull());
    QVERIFY(PLSideDrawerTabelViewCell::hostImageNamed(QString()).isNull());
    // The library's own bundle is not the host's.
    QVERIFY(PLSideDrawerTabelViewCell::hostImageNamed(QStringLiteral("tempProfileImage")).isNull());
    QVERIFY(PLSideDrawerTabelViewCell::hostImageNamed(QStringLiteral("pelnix/tempProfileImage")).isNull());
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestDrawerCell t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_drawercell.moc"
