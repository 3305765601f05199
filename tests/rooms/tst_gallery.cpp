// The rooms screens of the gallery as the screenshot tool renders them, checked by pixels at points
// computed from the screens' own geometry, at 320 x 568 and 400 x 720.
#include "GalleryRooms.h"
#include "GalleryTestKit.h"
#include "RoomsTestKit.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/Screenshot.h"
#include "ui/rooms/PLOpenGroupTableViewCell.h"
#include "ui/rooms/PLOpenGroupsViewController.h"
#include "ui/rooms/PLOptionsCollectionViewCell.h"
#include "ui/rooms/PLSideDrawerTabelViewCell.h"
#include "ui/toolkit/PLCustomSearchTextField.h"

#include <QApplication>

using namespace pelnix;
using namespace pelnix::platform::ui;
using test::describe;
using test::near;

namespace {
const QColor kGreen(0x25, 0xa5, 0x49);
const QColor kAdminBackground(0xEB, 0xF8, 0xF1);
// The list's separators: the host's table separator colour, else the library's green.
const QColor kSeparator(0x66, 0xc0, 0x7f);

// A rooms gallery screen as the tool renders it.
struct GalleryShot : test::GalleryShot {
    explicit GalleryShot(const QString& identifier, std::optional<QSize> renderedAt = std::nullopt)
        : test::GalleryShot(QStringLiteral("GalleryRooms"), identifier, renderedAt) {}
    PLChatRoomsTableViewController* list() const {
        auto* nav = qobject_cast<NavigationController*>(controller);
        return nav ? qobject_cast<PLChatRoomsTableViewController*>(nav->topViewController()) : nullptr;
    }
    QList<PLChatRoomTableViewCell*> rows() const {
        QMap<int, PLChatRoomTableViewCell*> byRow;
        for (auto* cell : list()->tableView()->visibleCells())
            if (auto* row = qobject_cast<PLChatRoomTableViewCell*>(cell))
                byRow.insert(list()->tableView()->indexPathForCell(row)->row, row);
        return byRow.values();
    }
};

// Every text of a row fits its label: nothing is cut off without an ellipsis, nothing overlaps.
void verifyRowReadable(PLChatRoomTableViewCell* row) {
    const QWidget* container = row->slideableContainerView();
    const QRect name = row->roomNameLabel()->geometry();
    const QRect time = row->updateTimeLabel()->geometry();
    QVERIFY(row->roomNameLabel()->sizeThatFits({1e6, 1e6}).width() <= name.width() + 1);
    QVERIFY(row->updateTimeLabel()->sizeThatFits({1e6, 1e6}).width() <= time.width() + 1);
    QVERIFY(row->lastMessageLabel()->sizeThatFits({1e6, 1e6}).width() <=
            row->lastMessageLabel()->width() + 1);
    QVERIFY(!name.intersects(time));
    if (!row->adminIndicatorView()->isHidden())
        QVERIFY(!name.intersects(row->adminIndicatorView()->geometry()) &&
                !time.intersects(row->adminIndicatorView()->geometry()));
    if (!row->customAccessoryView()->isHidden())
        QVERIFY(!row->lastMessageLabel()->geometry().intersects(row->customAccessoryView()->geometry()));
    QVERIFY(container->rect().contains(time));
}
} // namespace

class TestRoomsGallery : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        platform::ui::Animator::setInstant(true);
        PLAppLockSettingsManager::sharedAppLockSettingsManager()->setShouldShowAppLockScreen(false);
        tools::prepareRoomsGalleryStore(false);
        tools::registerRoomsGalleryScreens();
    }

    void everyScreenRendersAtItsSize_data();
    void everyScreenRendersAtItsSize();
    void listShowsPicturesBadgesAndAdminMarks_data();
    void listShowsPicturesBadgesAndAdminMarks();
    void emptyListShowsItsHint();
    void optionsAskForConfirmation();
    void rightToLeftMirrorsTheRows_data();
    void rightToLeftMirrorsTheRows();
    void floatingLabelSlidesOutBelowTheBar_data();
    void floatingLabelSlidesOutBelowTheBar();
    void swipedRowShowsItsOptions_data();
    void swipedRowShowsItsOptions();
    void searchCoversTheBarAndFiltersTheRows_data();
    void searchCoversTheBarAndFiltersTheRows();
    void publicGroupsShowJoinedAndOpenRows();
    void drawerCellsHighlightOneRow();

private:
    test::TestSandbox m_sandbox;
};

void TestRoomsGallery::everyScreenRendersAtItsSize_data() {
    QTest::addColumn<QString>("identifier");
    // A list with no room at all needs a store without rooms: tst_galleryempty renders it.
    for (const QString& identifier : ScreenRegistry::shared()->identifiers(QStringLiteral("GalleryRooms")))
        if (!identifier.startsWith(QLatin1String("RoomsListNoRooms")))
            QTest::addRow("%s", qPrintable(identifier)) << identifier;
}

void TestRoomsGallery::everyScreenRendersAtItsSize() {
    QFETCH(QString, identifier);
    GalleryShot shot(identifier);
    QVERIFY(shot.controller);
    QCOMPARE(shot.window.size(), tools::roomsGallerySize(identifier));
    QVERIFY(!shot.image.isNull());
    // The screen fills the window: its bottom-right corner is painted (white list or page).
    QVERIFY(shot.image.pixelColor(shot.image.width() - 20, shot.image.height() - 3).alpha() == 255);
}

void TestRoomsGallery::listShowsPicturesBadgesAndAdminMarks_data() {
    QTest::addColumn<QString>("identifier");
    QTest::newRow("320 x 568") << "RoomsList";
    QTest::newRow("400 x 720") << "RoomsList@400x720";
}

void TestRoomsGallery::listShowsPicturesBadgesAndAdminMarks() {
    QFETCH(QString, identifier);
    GalleryShot shot(identifier);
    const QList<PLChatRoomTableViewCell*> rows = shot.rows();
    // The list fills the height: as many rows as fit, the last one cut by the bottom edge.
    const int expected = int(
        std::ceil((shot.window.height() - NavigationBar::kHeight) / PLChatRoomTableViewCell::cellHeight()));
    QCOMPARE(rows.size(), expected);
    QCOMPARE(rows[0]->roomNameLabel()->text(), QStringLiteral("Design Team"));
    for (PLChatRoomTableViewCell* row : rows)
        verifyRowReadable(row);

    PLChatRoomTableViewCell* top = rows[0];
    // The group's picture: its colour above the initials, inside the round clip; outside it, white.
    auto* picture = top->chatRoomImageView();
    const QColor pictureColour = shot.at(picture, {picture->width() / 2.0, 6});
    QVERIFY2(pictureColour.saturation() > 60, describe(pictureColour));
    QVERIFY2(near(shot.at(picture, {1, 1}), Qt::white), describe(shot.at(picture, {1, 1})));
    // The unread badge is green with a white count; the admin mark on its pale green.
    auto* badge = top->customAccessoryView();
    QVERIFY(!badge->isHidden());
    QVERIFY2(near(shot.at(badge, {4, badge->height() / 2.0}), kGreen),
             describe(shot.at(badge, {4, badge->height() / 2.0})));
    auto* admin = top->adminIndicatorLabel();
    QVERIFY(!top->adminIndicatorView()->isHidden());
    QVERIFY2(near(shot.at(admin, {3, 3}), kAdminBackground, 3), describe(shot.at(admin, {3, 3})));
    // A room without a picture shows the placeholder's grey; Ann's own post starts with "Me: ".
    PLChatRoomTableViewCell* hike = nullptr;
    PLChatRoomTableViewCell* ops = nullptr;
    for (PLChatRoomTableViewCell* row : rows) {
        if (row->roomNameLabel()->text() == QLatin1String("Weekend Hike"))
            hike = row;
        if (row->roomNameLabel()->text() == QLatin1String("Ops"))
            ops = row;
    }
    QVERIFY(hike && ops);
    const QColor placeholder =
        shot.at(hike->chatRoomImageView(), {hike->chatRoomImageView()->width() / 2.0, 4});
    QVERIFY2(placeholder.saturation() < 40 && placeholder.lightness() > 180, describe(placeholder));
    QVERIFY(ops->lastMessageLabel()->text().startsWith(QStringLiteral("Me: ")));
    QVERIFY(ops->customAccessoryView()->isHidden());
    // Between rows, the separator line in the list's colour from 15 points in.
    const QColor line = shot.at(top, {100, top->height() - 1.0});
    QVERIFY2(near(line, kSeparator, 6), describe(line));
    QVERIFY(near(shot.at(top, {5, top->height() - 1.0}), Qt::white));
    // The bar: the title and both buttons.
    auto* bar = qobject_cast<NavigationController*>(shot.controller)->navigationBar();
    QCOMPARE(bar->titleText(), QStringLiteral("Chats"));
}

void TestRoomsGallery::emptyListShowsItsHint() {
    GalleryShot shot(QStringLiteral("RoomsListEmpty"));
    TableView* table = shot.list()->tableView();
    QCOMPARE(table->numberOfRows(0), 1);
    QWidget* hint =
        table->cellForRowAtIndexPath({0, 0})->findChild<QWidget*>(QStringLiteral("emptyListHint"));
    QVERIFY(hint);
    // Dark text somewhere along the hint's middle line, white at its ends.
    bool text = false;
    for (int x = hint->width() / 4; x < hint->width() * 3 / 4; ++x)
        text = text || shot.at(hint, {qreal(x), hint->height() / 2.0}).lightness() < 180;
    QVERIFY(text);
    QVERIFY(near(shot.at(hint, {2, hint->height() / 2.0}), Qt::white));
}

// Clear and Leave ask first, in an alert over the list, about the room of the row.
void TestRoomsGallery::optionsAskForConfirmation() {
    for (const QString& id :
         {QStringLiteral("RoomsListClearConfirmation"), QStringLiteral("RoomsListLeaveConfirmation")}) {
        GalleryShot shot(id);
        const QList<AlertView*> alerts = shot.window.alerts();
        QCOMPARE(alerts.size(), 1);
        QVERIFY(alerts.first()->isVisible());
        QVERIFY(alerts.first()->numberOfButtons() >= 2);
        QCOMPARE(alerts.first()->cancelButtonIndex(), alerts.first()->numberOfButtons() - 1);
    }
}

void TestRoomsGallery::rightToLeftMirrorsTheRows_data() {
    QTest::addColumn<QString>("identifier");
    QTest::newRow("320 x 568") << "RoomsListRightToLeft";
    QTest::newRow("400 x 720") << "RoomsListRightToLeft@400x720";
}

void TestRoomsGallery::rightToLeftMirrorsTheRows() {
    QFETCH(QString, identifier);
    GalleryShot shot(identifier);
    const QList<PLChatRoomTableViewCell*> rows = shot.rows();
    QVERIFY(!rows.isEmpty());
    PLChatRoomTableViewCell* top = rows[0];
    QCOMPARE(top->roomNameLabel()->text(), QStringLiteral("Design Team"));
    for (PLChatRoomTableViewCell* row : rows)
        verifyRowReadable(row);
    // The picture at the right, the name left of it, the time and the badge at the left edge.
    auto* picture = top->chatRoomImageView();
    const int pictureLeft = picture->mapTo(top, QPoint()).x();
    QVERIFY(pictureLeft > top->width() / 2);
    const QColor pictureColour = shot.at(picture, {picture->width() / 2.0, 6});
    QVERIFY2(pictureColour.saturation() > 60, describe(pictureColour));
    QVERIFY(top->roomNameLabel()->mapTo(top, QPoint(top->roomNameLabel()->width(), 0)).x() <= pictureLeft);
    QVERIFY(top->updateTimeLabel()->mapTo(top, QPoint()).x() < top->width() / 2);
    auto* badge = top->customAccessoryView();
    QVERIFY(!badge->isHidden());
    QVERIFY(badge->mapTo(top, QPoint()).x() < top->width() / 2);
    QVERIFY2(near(shot.at(badge, {4, badge->height() / 2.0}), kGreen),
             describe(shot.at(badge, {4, badge->height() / 2.0})));
    // The name's ink at its right end, beside the picture.
    bool ink = false;
    auto* name = top->roomNameLabel();
    for (int x = name->width() - 30; x < name->width() && !ink; ++x)
        for (int y = 2; y < name->height() - 2 && !ink; ++y)
            ink = shot.at(name, {qreal(x), qreal(y)}).lightness() < 120;
    QVERIFY(ink);
    // The separator runs from the left edge and stops 15 points short of the right one.
    QVERIFY2(near(shot.at(top, {100, top->height() - 1.0}), kSeparator, 6),
             describe(shot.at(top, {100, top->height() - 1.0})));
    QVERIFY(near(shot.at(top, {top->width() - 5.0, top->height() - 1.0}), Qt::white));
}

void TestRoomsGallery::floatingLabelSlidesOutBelowTheBar_data() {
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<QSize>("renderedAt");
    QTest::newRow("320 x 568") << "RoomsListFloatingLabel" << QSize(320, 568);
    QTest::newRow("400 x 720") << "RoomsListFloatingLabel@400x720" << QSize(400, 720);
    QTest::newRow("1024 x 768") << "RoomsListFloatingLabel" << QSize(1024, 768);
}

void TestRoomsGallery::floatingLabelSlidesOutBelowTheBar() {
    QFETCH(QString, identifier);
    QFETCH(QSize, renderedAt);
    GalleryShot shot(identifier, renderedAt);
    QCOMPARE(shot.window.size(), renderedAt);
    const QList<Label*> labels = shot.list()->floatingLabels();
    QCOMPARE(labels.size(), 1);
    Label* label = labels.first();
    QCOMPARE(label->text(), tools::roomsGalleryFloatingText());
    // Just below the bar, centred over the list, inside the window, its whole text on one line.
    auto* bar = qobject_cast<NavigationController*>(shot.controller)->navigationBar();
    QCOMPARE(label->mapTo(&shot.window, QPoint()).y(),
             bar->mapTo(&shot.window, QPoint(0, bar->height())).y());
    const int centre = label->mapTo(&shot.window, label->rect().center()).x();
    QVERIFY(qAbs(centre - shot.window.width() / 2) <= 1);
    QVERIFY(label->mapTo(&shot.window, QPoint()).x() >= 0);
    QVERIFY(label->mapTo(&shot.window, QPoint(label->width(), 0)).x() <= shot.window.width());
    QVERIFY(label->sizeThatFits({1e6, 1e6}).width() <= label->width());
    // Green at its ends, white text across its middle.
    QVERIFY2(near(shot.at(label, {3, 3}), kGreen, 4), describe(shot.at(label, {3, 3})));
    bool white = false;
    for (int x = label->width() / 4; x < label->width() * 3 / 4 && !white; ++x)
        white = near(shot.at(label, {qreal(x), label->height() / 2.0}), Qt::white, 30);
    QVERIFY(white);
}

void TestRoomsGallery::swipedRowShowsItsOptions_data() {
    QTest::addColumn<QString>("identifier");
    QTest::newRow("320 x 568") << "RoomsListSwiped";
    QTest::newRow("400 x 720") << "RoomsListSwiped@400x720";
}

void TestRoomsGallery::swipedRowShowsItsOptions() {
    QFETCH(QString, identifier);
    GalleryShot shot(identifier);
    PLChatRoomTableViewCell* top = shot.rows().value(0);
    QVERIFY(top);
    QCOMPARE(top->currentState(), 1);
    QCOMPARE(top->collectionViewWidth(), 170.0);
    QCOMPARE(top->slideableContainerView()->x(), -170);
    // Add members, clear, leave: green, orange and red rounds, each left of its white glyph.
    const QList<QColor> colours{QColor(0x25, 0xa5, 0x49), QColor(0xf0, 0xa0, 0x30), QColor(0xe5, 0x48, 0x4d)};
    auto* strip = top->optionsCollectionView();
    QCOMPARE(strip->indexesForVisibleItems(), (QList<int>{0, 1, 2}));
    for (int i = 0; i < 3; ++i) {
        auto* item = qobject_cast<PLOptionsCollectionViewCell*>(strip->viewAt(i));
        QVERIFY(shot.window.rect().contains(item->mapTo(&shot.window, item->rect().bottomRight())));
        const QColor round = shot.at(item, {item->width() / 2.0 - 15, item->height() / 2.0});
        QVERIFY2(near(round, colours[i], 12), describe(round));
    }
    // The other rows stay closed.
    QCOMPARE(shot.rows().value(1)->slideableContainerView()->x(), 0);
}

void TestRoomsGallery::searchCoversTheBarAndFiltersTheRows_data() {
    QTest::addColumn<QSize>("renderedAt");
    QTest::newRow("320 x 568") << QSize(320, 568);
    QTest::newRow("1024 x 768") << QSize(1024, 768);
}

void TestRoomsGallery::searchCoversTheBarAndFiltersTheRows() {
    QFETCH(QSize, renderedAt);
    GalleryShot shot(QStringLiteral("RoomsListSearching"), renderedAt);
    PLChatRoomsTableViewController* list = shot.list();
    auto* bar = qobject_cast<NavigationController*>(shot.controller)->navigationBar();
    PLCustomSearchView* search = list->searchView();
    QCOMPARE(search->geometry(), bar->geometry());
    QCOMPARE(search->width(), renderedAt.width());
    // Nothing of the bar shows right of the search view's cancel button either.
    QVERIFY(near(shot.at(&shot.window, {renderedAt.width() - 3.0, 3}), Qt::white, 2));
    QCOMPARE(search->searchTextField()->text(), tools::roomsGallerySearchText());
    // White search view over the grey bar; the bar's own buttons do not show through.
    QVERIFY(near(shot.at(search, {2, 2}), Qt::white, 2));
    auto* cancel = search->cancelButton();
    QVERIFY(near(shot.at(cancel, {3, cancel->height() - 4.0}), Qt::white, 30));
    QStringList names;
    for (auto* row : shot.rows())
        names << row->roomNameLabel()->text();
    QCOMPARE(names, (QStringList{"Design Team", "Dev Patel", "Travel Desk"}));
}

void TestRoomsGallery::publicGroupsShowJoinedAndOpenRows() {
    GalleryShot shot(QStringLiteral("PublicGroups"));
    auto* screen = qobject_cast<PLOpenGroupsViewController*>(
        qobject_cast<NavigationController*>(shot.controller)->topViewController());
    QVERIFY(screen);
    QCOMPARE(screen->openGroups().size(), 6);
    auto* joined =
        qobject_cast<PLOpenGroupTableViewCell*>(screen->tableView()->cellForRowAtIndexPath({0, 0}));
    auto* open = qobject_cast<PLOpenGroupTableViewCell*>(screen->tableView()->cellForRowAtIndexPath({0, 1}));
    QCOMPARE(joined->joinButtonImageName(), QStringLiteral("select_address_book"));
    QCOMPARE(open->joinButtonImageName(), QStringLiteral("addGroup_icon"));
    auto* tick = joined->addToGroupButton();
    QVERIFY2(near(shot.at(tick, {tick->width() / 2.0 - 10, tick->height() / 2.0}), kGreen, 12),
             describe(shot.at(tick, {tick->width() / 2.0 - 10, tick->height() / 2.0})));
    auto* plus = open->addToGroupButton();
    QVERIFY(near(shot.at(plus, {plus->width() / 2.0 - 10, plus->height() / 2.0}), Qt::white, 4));
    // The plus's blue ring, on its left edge.
    bool ring = false;
    for (int x = 0; x < plus->width() / 2; ++x)
        ring = ring || near(shot.at(plus, {qreal(x), plus->height() / 2.0}), QColor(0x00, 0x86, 0xca), 40);
    QVERIFY(ring);
    QCOMPARE(joined->groupTitleLabel()->text(), QStringLiteral("Design Team"));
    QCOMPARE(qobject_cast<NavigationController*>(shot.controller)->navigationBar()->titleText(),
             QStringLiteral("Public Groups"));
}

void TestRoomsGallery::drawerCellsHighlightOneRow() {
    GalleryShot shot(QStringLiteral("DrawerCells"));
    QList<PLSideDrawerTabelViewCell*> cells;
    for (int i = 0; i < 4; ++i)
        cells << shot.window.findChild<PLSideDrawerTabelViewCell*>(QStringLiteral("drawerCell.%1").arg(i));
    QVERIFY(!cells.contains(nullptr));
    // One row stands out, the current page's, in the green theme; every other row is plain white.
    QVERIFY(near(shot.at(cells[0], {cells[0]->width() / 2.0, 5}), QColor(0xD0, 0xEB, 0xD7), 2));
    for (int i = 1; i < cells.size(); ++i)
        QVERIFY2(near(shot.at(cells[i], {cells[i]->width() / 2.0, 5}), Qt::white, 2),
                 describe(shot.at(cells[i], {cells[i]->width() / 2.0, 5})));
    auto badgeColour = [&](PLSideDrawerTabelViewCell* cell) {
        QWidget* badge = cell->chatCountView();
        return shot.at(badge, {badge->width() / 2.0, 3});
    };
    QVERIFY2(near(badgeColour(cells[1]), QColor(0x01, 0x86, 0xCB), 4), describe(badgeColour(cells[1])));
    QVERIFY2(near(badgeColour(cells[2]), QColor(0x01, 0x86, 0xCB), 4), describe(badgeColour(cells[2])));
    QCOMPARE(cells[1]->chatCountView()->width(), 27);
    QCOMPARE(cells[2]->chatCountView()->width(), 47);
    QVERIFY(cells[3]->chatCountView()->isHidden());
    // The host's icon is drawn: a dark stroke inside the icon's box.
    auto* icon = cells[0]->iconImage();
    QVERIFY(!icon->image().isNull());
    bool stroke = false;
    for (int x = 0; x < icon->width(); ++x)
        stroke = stroke || shot.at(icon, {qreal(x), icon->height() / 2.0}).lightness() < 120;
    QVERIFY(stroke);
}

int main(int argc, char** argv) {
    test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestRoomsGallery t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_gallery.moc"
