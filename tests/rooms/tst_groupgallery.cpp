// The group screens of the gallery as the screenshot tool renders them, checked by pixels at points
// computed from the screens' own geometry, at 320 x 568 and 400 x 720.
#include "BarTitleFonts.h"
#include "GalleryGroups.h"
#include "GalleryRooms.h"
#include "GalleryTestKit.h"
#include "GroupInfoTestKit.h"
#include "foundation/ui/CustomColors.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/Screenshot.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextField.h"
#include "ui/rooms/PLNewGroupMembersViewController.h"
#include "ui/rooms/PLNewGroupTableViewController.h"
#include "ui/rooms/PLNewGroupViewController.h"
#include "ui/rooms/PLProfileImageViewController.h"
#include "ui/toolkit/PLRoundImageView.h"

#include <QApplication>

using namespace pelnix;
using namespace pelnix::platform::ui;
using test::describe;

namespace {

// A groups gallery screen as the tool renders it.
struct GalleryShot : test::GalleryShot {
    explicit GalleryShot(const QString& identifier)
        : test::GalleryShot(QStringLiteral("GalleryGroups"), identifier) {}
    ViewController* top() const {
        auto* nav = qobject_cast<NavigationController*>(controller);
        return nav ? nav->topViewController() : nullptr;
    }
    PLGroupInfoViewController* info() const { return qobject_cast<PLGroupInfoViewController*>(top()); }
    PLGroupInfoTableViewCell* cell(int row) const {
        return qobject_cast<PLGroupInfoTableViewCell*>(
            info()->groupInfoTableView()->cellForRowAtIndexPath({0, row}));
    }
    // A saturated colour (a picture), not the white page or a grey line.
    bool colourful(const QWidget* view, QPointF point) const {
        const QColor colour = at(view, point);
        return colour.saturation() > 60;
    }
};

// Whether any pixel of `area` in `view` passes `test`.
bool anyPixel(const GalleryShot& shot, const QWidget* view, const QRect& area,
              const std::function<bool(const QColor&)>& test) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (test(shot.at(view, QPointF(x, y))))
                return true;
    return false;
}

void addSizes(const char* identifier) {
    QTest::addRow("%s 320 x 568", identifier) << QString::fromLatin1(identifier);
    QTest::addRow("%s 400 x 720", identifier) << QString::fromLatin1(identifier) + QStringLiteral("@400x720");
}

// The row's texts fit their labels and lie inside the row.
void verifyRowReadable(PLGroupInfoTableViewCell* row) {
    for (Label* label : {row->infoFieldLabel(), row->adminName()}) {
        if (!label || label->isHidden())
            continue;
        QVERIFY2(label->sizeThatFits({1e6, 1e6}).width() <= label->width() + 1, qPrintable(label->text()));
        QVERIFY(row->contentView()->rect().contains(label->geometry()));
    }
    if (row->stateSwitch() && !row->stateSwitch()->isHidden())
        QVERIFY(!row->infoFieldLabel()->geometry().intersects(row->stateSwitch()->geometry()));
    if (row->changeAdminButton() && !row->changeAdminButton()->isHidden())
        QVERIFY(!row->adminName()->geometry().intersects(row->changeAdminButton()->geometry()));
}

} // namespace

class TestGroupGallery : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        platform::ui::Animator::setInstant(true);
        PLAppLockSettingsManager::sharedAppLockSettingsManager()->setShouldShowAppLockScreen(false);
        tools::prepareRoomsGalleryStore(false);
        tools::registerGroupsGalleryScreens();
    }

    void everyScreenRendersAtItsSize_data();
    void everyScreenRendersAtItsSize();
    void adminSeesSixRowsWithSwitches_data() { sizes("GroupInfoAdmin"); }
    void adminSeesSixRowsWithSwitches();
    void aHighlightedRowKeepsItsLineInTheSeparatorColour();
    void memberSeesFourRows_data() { sizes("GroupInfoMember"); }
    void memberSeesFourRows();
    void deletedGroupShowsTheLastRowUnderItsAlert_data() { sizes("GroupInfoClosed"); }
    void deletedGroupShowsTheLastRowUnderItsAlert();
    void editModeShowsTheNameAndTheMembersBar_data() { sizes("GroupInfoEditing"); }
    void editModeShowsTheNameAndTheMembersBar();
    void viewerFillsTheScreenWithThePicture_data() { sizes("ImageViewer"); }
    void viewerFillsTheScreenWithThePicture();
    void aGroupWithoutAPictureShowsItsPlaceholderAtItsOwnSize_data() { sizes("ImageViewerNoPicture"); }
    void aGroupWithoutAPictureShowsItsPlaceholderAtItsOwnSize();
    void newGroupFormSteps_data();
    void newGroupFormSteps();
    void theScreensMirrorRightToLeft();
    void theMirroredFormMirrorsItsSwitches();
    void membersEditorListsThePeople_data() { sizes("NewGroupMembers"); }
    void membersEditorListsThePeople();
    void barButtonsTitleInTheLibraryFont_data();
    void barButtonsTitleInTheLibraryFont();

private:
    static void sizes(const char* identifier) {
        QTest::addColumn<QString>("identifier");
        addSizes(identifier);
    }
    test::TestSandbox m_sandbox;
};

void TestGroupGallery::everyScreenRendersAtItsSize_data() {
    QTest::addColumn<QString>("identifier");
    for (const QString& identifier : ScreenRegistry::shared()->identifiers(QStringLiteral("GalleryGroups")))
        QTest::addRow("%s", qPrintable(identifier)) << identifier;
}

void TestGroupGallery::everyScreenRendersAtItsSize() {
    QFETCH(QString, identifier);
    GalleryShot shot(identifier);
    QVERIFY(shot.controller);
    QCOMPARE(shot.window.size(), tools::groupsGallerySize(identifier));
    QVERIFY(!shot.image.isNull());
    // Not one flat colour.
    const QColor corner = shot.image.pixelColor(2, 2);
    bool varied = false;
    for (int y = 0; y < shot.image.height() && !varied; y += 7)
        for (int x = 0; x < shot.image.width() && !varied; x += 7)
            varied = shot.image.pixelColor(x, y) != corner;
    QVERIFY(varied);
}

void TestGroupGallery::adminSeesSixRowsWithSwitches() {
    QFETCH(QString, identifier);
    GalleryShot shot(identifier);
    PLGroupInfoTableViewCell* cover = shot.cell(0);
    QVERIFY(cover);
    // The group's picture, round: colour in the middle, the page's white in its corner.
    PLRoundImageView* picture = cover->groupIconImageView();
    QVERIFY(shot.colourful(picture, {picture->width() / 2.0, 8}));
    QVERIFY2(test::near(shot.at(picture, {2, 2}), Qt::white), describe(shot.at(picture, {2, 2})));
    QCOMPARE(cover->groupNameLabel()->text(), QStringLiteral("Design Team"));
    QCOMPARE(cover->groupMembersLabel()->text(), QStringLiteral("5 Members"));
    QVERIFY(cover->editGroupInfoButton()->isVisible());
    // Centred across the window.
    QCOMPARE(picture->mapTo(&shot.window, picture->rect().center()).x(), shot.window.width() / 2 - 1);
    const int rows = shot.info()->groupInfoArray().size();
    QCOMPARE(rows, 6);
    const int shown = shot.window.height() >= 720 ? 6 : 5;
    for (int row = 1; row <= shown; ++row) {
        PLGroupInfoTableViewCell* cell = shot.cell(row);
        QVERIFY(cell);
        verifyRowReadable(cell);
        // Every plain row's icon is painted: some of it, across its middle line, is in colour.
        if (QWidget* icon = cell->iconImageView()) {
            bool painted = false;
            for (int x = 2; x < icon->width() - 2 && !painted; x += 2)
                painted = shot.colourful(icon, {qreal(x), icon->height() / 2.0});
            QVERIFY2(painted, qPrintable(QStringLiteral("row %1").arg(row)));
        }
    }
    QCOMPARE(shot.cell(1)->adminName()->text(), QStringLiteral("You"));
    QVERIFY(shot.cell(1)->changeAdminButton()->isVisible());
    // The switches stand at the right edge, off.
    Switch* adminOnly = shot.cell(4)->stateSwitch();
    QVERIFY(adminOnly->isVisible());
    QCOMPARE(adminOnly->mapTo(&shot.window, QPoint(adminOnly->width(), 0)).x(), shot.window.width() - 16);
    QVERIFY(!adminOnly->isOn());
    // Off, a switch shows its grey 238 background beside the white knob, rounded off at its ends.
    const QColor track = shot.at(adminOnly, {adminOnly->width() * 0.8, adminOnly->height() / 2.0});
    QVERIFY2(test::near(track, QColor(238, 238, 238), 2), describe(track));
    const QColor knob = shot.at(adminOnly, {adminOnly->height() / 2.0, adminOnly->height() / 2.0});
    QVERIFY2(test::near(knob, Qt::white, 2), describe(knob));
    QVERIFY2(test::near(shot.at(adminOnly, {0, 0}), Qt::white, 2), describe(shot.at(adminOnly, {0, 0})));
}

void TestGroupGallery::aHighlightedRowKeepsItsLineInTheSeparatorColour() {
    GalleryShot shot(QStringLiteral("GroupInfoAdmin"));
    PLGroupInfoTableViewCell* row = shot.cell(2);
    QVERIFY(row);
    const auto lineOf = [row] {
        return row->grab().toImage().pixelColor(row->width() / 2, row->height() - 1);
    };
    const QColor table = CustomColors::chatRoomsTableViewSeparatorColor();
    QVERIFY2(test::near(lineOf(), table, 4), describe(lineOf()));
    row->setHighlighted(true);
    QVERIFY2(test::near(lineOf(), CustomColors::customSeparatorColor().color(), 4), describe(lineOf()));
    QVERIFY(row->grab().toImage().pixelColor(row->width() / 2, 4) != QColor(Qt::white));
    row->setHighlighted(false);
    QVERIFY2(test::near(lineOf(), table, 4), describe(lineOf()));
}

void TestGroupGallery::memberSeesFourRows() {
    QFETCH(QString, identifier);
    GalleryShot shot(identifier);
    QCOMPARE(shot.info()->groupInfoArray().size(), 4);
    QVERIFY(!shot.cell(0)->editGroupInfoButton()->isVisible());
    QCOMPARE(shot.cell(1)->adminName()->text(), QStringLiteral("Bob Martin"));
    QVERIFY(!shot.cell(1)->changeAdminButton()->isVisible());
    // The admin's picture is loaded: colour, not the placeholder's grey.
    auto* admin = shot.cell(1)->adminIcon();
    QVERIFY(shot.colourful(admin, {admin->width() / 2.0, 6}));
    QCOMPARE(shot.cell(4)->infoFieldLabel()->text(), QStringLiteral("Delete Conversation & Leave"));
    for (int row = 1; row <= 4; ++row)
        verifyRowReadable(shot.cell(row));
    // Below the last row the table is white to the bottom.
    const QRectF last = shot.info()->groupInfoTableView()->rectForRow({0, 4});
    QVERIFY(test::near(shot.at(shot.info()->groupInfoTableView(), {10, last.bottom() + 20}), Qt::white));
}

void TestGroupGallery::deletedGroupShowsTheLastRowUnderItsAlert() {
    QFETCH(QString, identifier);
    GalleryShot shot(identifier);
    QCOMPARE(shot.info()->groupInfoArray(), QList<qint64>{PLGroupInfoViewController::LeaveRow});
    QCOMPARE(shot.info()->groupInfoTableView()->rectForRow({0, 1}).height(), 53.0);
    QCOMPARE(shot.cell(0)->groupMembersLabel()->text(), QString());
    QVERIFY(!shot.window.alerts().isEmpty());
    AlertView* alert = shot.window.alerts().last();
    QCOMPARE(alert->message(), QStringLiteral("This group has been terminated by the Group Admin."));
    // The alert's panel (270 wide, centred) is light beside its text; the page around it is dimmed.
    QVERIFY(shot.at(&shot.window, {shot.window.width() / 2.0 - 128, shot.window.height() / 2.0}).lightness() >
            200);
    QVERIFY(shot.at(&shot.window, {4, shot.window.height() - 4.0}).lightness() < 200);
}

void TestGroupGallery::editModeShowsTheNameAndTheMembersBar() {
    QFETCH(QString, identifier);
    GalleryShot shot(identifier);
    PLGroupInfoViewController* info = shot.info();
    QVERIFY(info->isEditing());
    QVERIFY(info->navigationItem()->rightBarButtonItem());
    QVERIFY(info->navigationItem()->leftBarButtonItem());
    QVERIFY(shot.cell(0)->changeIconButton()->isVisible());
    QVERIFY(!shot.cell(0)->editGroupInfoButton()->isVisible());
    PLGroupInfoTableViewCell* name = shot.cell(1);
    QCOMPARE(name->groupNameTextField()->text(), QStringLiteral("Design Team 2"));
    QCOMPARE(name->counterTextLabel()->text(), QStringLiteral("13/20"));
    QVERIFY(!name->groupNameTextField()->geometry().intersects(name->counterTextLabel()->geometry()));
    // The members bar sits at the bottom edge, in its grey, with its title.
    QWidget* bar = info->bottomView();
    QCOMPARE(bar->mapTo(&shot.window, QPoint(0, bar->height())).y(), shot.window.height());
    QVERIFY2(test::near(shot.at(bar, {4, 4}), QColor(0xF7, 0xF7, 0xF7), 4), describe(shot.at(bar, {4, 4})));
    // The camera button over the picture's corner is blue.
    Button* camera = shot.cell(0)->changeIconButton();
    QVERIFY(shot.colourful(camera, {camera->width() / 2.0, 6}));
}

void TestGroupGallery::viewerFillsTheScreenWithThePicture() {
    QFETCH(QString, identifier);
    GalleryShot shot(identifier);
    auto* viewer = qobject_cast<PLProfileImageViewController*>(shot.controller->presentedViewController());
    QVERIFY(viewer);
    QCOMPARE(viewer->profileImageView()->geometry(), viewer->view()->rect());
    // The picture in the middle, black above and below it (the square picture fits the width).
    QVERIFY(
        shot.colourful(viewer->view(), {viewer->view()->width() / 2.0, viewer->view()->height() / 2.0 - 40}));
    QVERIFY(
        test::near(shot.at(viewer->view(), {viewer->view()->width() / 2.0, viewer->view()->height() - 10.0}),
                   Qt::black));
    QVERIFY(!viewer->imageLoadIndicator()->isAnimating());
}

// Nothing larger to load: the two-letter placeholder stands in the middle at its own size, black around
// it, rather than blown up to the screen.
void TestGroupGallery::aGroupWithoutAPictureShowsItsPlaceholderAtItsOwnSize() {
    QFETCH(QString, identifier);
    GalleryShot shot(identifier);
    auto* viewer = qobject_cast<PLProfileImageViewController*>(shot.controller->presentedViewController());
    QVERIFY(viewer);
    QWidget* page = viewer->view();
    QWidget* picture = viewer->profileImageView();
    const QImage placeholder = viewer->profileImageView()->image();
    QVERIFY(!placeholder.isNull());
    const QSize own = (QSizeF(placeholder.size()) / placeholder.devicePixelRatio()).toSize();
    QCOMPARE(picture->size(), own);
    QCOMPARE(picture->geometry().center(), page->rect().center());
    const QPointF middle = QRectF(page->rect()).center();
    QVERIFY(shot.colourful(page, middle + QPointF(own.width() / 2.0 - 6, 0)));
    for (const QPointF beside : {QPointF(own.width() / 2.0 + 12, 0), QPointF(0, own.height() / 2.0 + 12)})
        QVERIFY2(test::near(shot.at(page, middle + beside), Qt::black),
                 test::describe(shot.at(page, middle + beside)));
    QVERIFY(!viewer->imageLoadIndicator()->isAnimating());
}

void TestGroupGallery::newGroupFormSteps_data() {
    QTest::addColumn<QString>("identifier");
    addSizes("NewGroupForm");
    addSizes("NewGroupFilled");
}

void TestGroupGallery::newGroupFormSteps() {
    QFETCH(QString, identifier);
    GalleryShot shot(identifier);
    auto* screen = qobject_cast<PLNewGroupViewController*>(shot.top());
    QVERIFY(screen);
    PLNewGroupTableViewController* form = screen->form();
    QVERIFY(form);
    const bool filled = identifier.startsWith(QLatin1String("NewGroupFilled"));
    QCOMPARE(form->counterTextLabel()->text(), filled ? QStringLiteral("11/20") : QStringLiteral("0/20"));
    QCOMPARE(form->isGroupIconSet(), filled);
    QCOMPARE(form->adminOnlySwitch()->isOn(), filled);
    // The icon is centred; the members button fills the bottom edge.
    PLRoundImageView* icon = form->groupIconImageView();
    QCOMPARE(icon->mapTo(&shot.window, icon->rect().center()).x(), shot.window.width() / 2 - 1);
    QVERIFY(shot.colourful(icon, {icon->width() / 2.0, icon->height() / 2.0 - 20}));
    Button* members = screen->editMembersButton();
    QCOMPARE(members->mapTo(&shot.window, QPoint(0, members->height())).y(), shot.window.height());
    QCOMPARE(members->width(), shot.window.width());
    // The switches' knobs: the admin-only one green when on.
    Switch* adminOnly = form->adminOnlySwitch();
    QCOMPARE(adminOnly->mapTo(&shot.window, QPoint(adminOnly->width(), 0)).x(), shot.window.width() - 16);
    const QColor track = shot.at(adminOnly, {8, adminOnly->height() / 2.0});
    QVERIFY2(filled ? track.hue() > 90 && track.hue() < 150 && track.saturation() > 80
                    : track.saturation() < 40,
             describe(track));
}

// Right to left the group's picture button shows at its picture's lower left, the cover's Edit at the
// top left, the switches at the left edge and the texts at the right.
void TestGroupGallery::theScreensMirrorRightToLeft() {
    const auto blueAt = [](const GalleryShot& shot, const QWidget* view) {
        return anyPixel(shot, view, view->rect(), [](const QColor& c) { return c.blue() > c.red() + 80; });
    };
    const auto leftOf = [](const QWidget* view, const QWidget* other) {
        return view->mapTo(view->window(), QPoint()).x() < other->mapTo(other->window(), QPoint()).x();
    };
    {
        GalleryShot shot(QStringLiteral("GroupInfoAdminRightToLeft"));
        PLGroupInfoTableViewCell* cover = shot.cell(0);
        QVERIFY(cover);
        Button* edit = cover->editGroupInfoButton();
        QVERIFY(edit->isVisible());
        QCOMPARE(edit->mapTo(&shot.window, QPoint()).x(), 12);
        QVERIFY(anyPixel(shot, edit, edit->rect(), [](const QColor& c) { return c.lightness() < 160; }));
        Switch* adminOnly = shot.cell(4)->stateSwitch();
        QCOMPARE(adminOnly->mapTo(&shot.window, QPoint()).x(), 16);
        QVERIFY(leftOf(adminOnly, shot.cell(4)->infoFieldLabel()));
    }
    GalleryShot shot(QStringLiteral("NewGroupFilledRightToLeft"));
    auto* screen = qobject_cast<PLNewGroupViewController*>(shot.top());
    QVERIFY(screen);
    PLNewGroupTableViewController* form = screen->form();
    Button* picture = form->imageSelectionButton();
    QCOMPARE(picture->geometry().left(), form->groupIconImageView()->geometry().left());
    QVERIFY(blueAt(shot, picture));
    QCOMPARE(form->adminOnlySwitch()->mapTo(&shot.window, QPoint()).x(), 16);
    QVERIFY(leftOf(form->counterTextLabel(), form->groupNameTextField()));
    // The English name reads from the left, from its first letter's side, as a message's text does.
    TextField* name = form->groupNameTextField();
    const auto ink = [](const QColor& c) { return c.lightness() < 120; };
    QVERIFY(anyPixel(shot, name, QRect(0, 0, name->width() / 3, name->height()), ink));
    QVERIFY(!anyPixel(shot, name, QRect(name->width() * 2 / 3, 0, name->width() / 3, name->height()), ink));
}

// The form a program right to left picks stays mirrored when the program turns left to right, and
// its switches with it: off, each knob (the white disc on the track's middle line) lies at its
// right; the empty name's placeholder at the field's right.
void TestGroupGallery::theMirroredFormMirrorsItsSwitches() {
    GalleryShot shot(QStringLiteral("NewGroupMirroredForm"));
    QCOMPARE(QGuiApplication::layoutDirection(), Qt::LeftToRight);
    auto* screen = qobject_cast<PLNewGroupViewController*>(shot.top());
    QVERIFY(screen);
    PLNewGroupTableViewController* form = screen->form();
    QVERIFY(form->isRightToLeft());
    for (Switch* toggle : {form->adminOnlySwitch(), form->hideMemberInfoSwitch()}) {
        QVERIFY(!toggle->isOn());
        QCOMPARE(toggle->mapTo(&shot.window, QPoint()).x(), 16);
        qreal sum = 0;
        int count = 0;
        for (int x = 0; x < toggle->width(); ++x)
            if (shot.at(toggle, {double(x), toggle->height() / 2.0}) == QColor(Qt::white)) {
                sum += x;
                ++count;
            }
        QVERIFY(count > 0);
        QVERIFY2(sum / count > toggle->width() / 2.0, qPrintable(QString::number(sum / count)));
    }
    TextField* name = form->groupNameTextField();
    QVERIFY(name->text().isEmpty());
    const auto ink = [](const QColor& c) { return c.lightness() < 200; };
    QVERIFY(anyPixel(shot, name, QRect(name->width() * 2 / 3, 0, name->width() / 3, name->height()), ink));
    QVERIFY(!anyPixel(shot, name, QRect(0, 0, name->width() / 3, name->height()), ink));
}

void TestGroupGallery::membersEditorListsThePeople() {
    QFETCH(QString, identifier);
    GalleryShot shot(identifier);
    auto* editor = qobject_cast<PLNewGroupMembersViewController*>(shot.top());
    QVERIFY(editor);
    QCOMPARE(editor->contactsTableView()->numberOfRows(0), 3);
    QCOMPARE(editor->contactsTableView()->rectForRow({0, 0}).height(), 64.0);
    QVERIFY(editor->bottomView()->isVisible());
    QCOMPARE(editor->bottomView()->mapTo(&shot.window, QPoint(0, editor->bottomView()->height())).y(),
             shot.window.height());
    QCOMPARE(editor->contactsTableView()->height(), editor->view()->height() - 50);
    QCOMPARE(editor->title(), QStringLiteral("Group Members"));
    // Each row's line, under the picture and under the name, in the rooms' separator colour.
    TableView* table = editor->contactsTableView();
    const QColor line = CustomColors::chatRoomsTableViewSeparatorColor();
    for (int row = 0; row < 3; ++row) {
        TableViewCell* cell = table->cellForRowAtIndexPath({0, row});
        QVERIFY(cell);
        for (const qreal x : {20.0, 100.0, cell->width() - 10.0})
            QVERIFY2(test::near(shot.at(cell, {x, cell->height() - 1.0}), line, 6),
                     describe(shot.at(cell, {x, cell->height() - 1.0})));
    }
}

void TestGroupGallery::barButtonsTitleInTheLibraryFont_data() {
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<int>("titled");
    QTest::newRow("group editing: Cancel, Done") << "GroupInfoEditing" << 2;
    QTest::newRow("new group: Cancel, Done") << "NewGroupForm" << 2;
    QTest::newRow("members editor: Done") << "NewGroupMembers" << 1;
}

void TestGroupGallery::barButtonsTitleInTheLibraryFont() {
    QFETCH(QString, identifier);
    QFETCH(int, titled);
    GalleryShot shot(identifier);
    auto* nav = qobject_cast<NavigationController*>(shot.controller);
    QVERIFY(nav);
    test::verifyBarTitlesInFont(nav->navigationBar(), titled);
}

int main(int argc, char** argv) {
    test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestGroupGallery t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_groupgallery.moc"
