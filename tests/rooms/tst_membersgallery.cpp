// The members screens of the gallery as the screenshot tool renders them, checked by pixels at points
// computed from the screens' own geometry, at 320 x 568 and 400 x 720, the search also at 1024 x 768.
#include "GalleryMembers.h"
#include "GalleryRooms.h"
#include "GalleryTestKit.h"
#include "MembersTestKit.h"
#include "foundation/ui/CustomColors.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/Screenshot.h"
#include "ui/rooms/PLGroupMembersViewController.h"
#include "ui/rooms/PLGroupMemeberDetailTableViewController.h"
#include "ui/rooms/PLMakeAdminViewController.h"
#include "ui/rooms/PLMembersTableViewCell.h"
#include "ui/rooms/PLPendingMembersViewController.h"
#include "ui/rooms/PLSelectAdminTableViewCell.h"
#include "ui/rooms/PLSelectAdminViewController.h"
#include "ui/toolkit/PLSwipeViewController.h"

#include <QApplication>
#include <QLabel>

using namespace pelnix;
using namespace pelnix::platform::ui;
using pelnix::test::describe;
using pelnix::test::near;

namespace {
const QColor kRemoveRed(0xe0, 0x46, 0x3c);

// The members gallery's screen as the tool renders it.
struct Shot : test::GalleryShot {
    explicit Shot(const QString& identifier, std::optional<QSize> renderedAt = std::nullopt)
        : test::GalleryShot(QStringLiteral("GalleryMembers"), identifier, renderedAt) {}
    QColor centre(const QWidget* view) const { return at(view, QRectF(view->rect()).center()); }
    // Above the centre: the red of the remove icon over its white bar, a picture's colour over its
    // initials.
    QColor aboveCentre(const QWidget* view, qreal by) const {
        return at(view, QRectF(view->rect()).center() - QPointF(0, by));
    }
    template <typename T> T* top() const {
        auto* nav = qobject_cast<NavigationController*>(controller);
        return nav ? qobject_cast<T*>(nav->topViewController()) : nullptr;
    }
    // Distinct colours of a view's pixels: text and icons give many, a blank area one.
    int colours(const QWidget* view) const {
        QSet<QRgb> seen;
        for (int y = 0; y < view->height(); y += 2)
            for (int x = 0; x < view->width(); x += 2)
                seen.insert(at(view, QPointF(x, y)).rgb());
        return int(seen.size());
    }
};

QList<PLMembersTableViewCell*> memberRows(TableView* table) {
    QMap<int, PLMembersTableViewCell*> rows;
    for (TableViewCell* cell : table->visibleCells())
        if (auto* row = qobject_cast<PLMembersTableViewCell*>(cell))
            rows.insert(table->indexPathForCell(row)->row, row);
    return rows.values();
}

// Nothing of a row is cut: its text fits its label or ends in an ellipsis, and nothing overlaps.
void verifyRowReadable(PLMembersTableViewCell* row) {
    const QRect label = row->emailLabel()->geometry();
    QVERIFY(row->emailLabel()->sizeThatFits({1e6, 1e6}).width() <= label.width() + 1);
    QVERIFY(row->contentView()->rect().contains(label));
    for (QWidget* other :
         {static_cast<QWidget*>(row->adminLabel()), static_cast<QWidget*>(row->inviteButton()),
          static_cast<QWidget*>(row->closeButton())})
        if (!other->isHidden())
            QVERIFY(!label.intersects(other->geometry()));
}

void addSizes(const char* name) {
    QTest::addColumn<QString>("identifier");
    QTest::addRow("%s 320 x 568", name) << QString::fromLatin1(name);
    QTest::addRow("%s 400 x 720", name) << QString::fromLatin1(name) + "@400x720";
}
} // namespace

class TestMembersGallery : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        Animator::setInstant(true);
        PLAppLockSettingsManager::sharedAppLockSettingsManager()->setShouldShowAppLockScreen(false);
        tools::prepareRoomsGalleryStore(false);
        tools::registerRoomsGalleryScreens();
        tools::registerMembersGalleryScreens();
    }

    void everyScreenRendersAtItsSize_data();
    void everyScreenRendersAtItsSize();
    void activeTabShowsYouTheBadgeAndRemoveButtons_data() { addSizes("MembersActive"); }
    void activeTabShowsYouTheBadgeAndRemoveButtons();
    void searchCoversTheBarAndNarrowsTheTab_data();
    void searchCoversTheBarAndNarrowsTheTab();
    void pendingTabShowsInvitationsByKind_data() { addSizes("MembersPending"); }
    void pendingTabShowsInvitationsByKind();
    void adminChangeListsLettersAndPictures_data() { addSizes("AdminChange"); }
    void adminChangeListsLettersAndPictures();
    void adminConfirmationShowsItsButtons_data() { addSizes("AdminChangeConfirm"); }
    void adminConfirmationShowsItsButtons();
    void memberDetailShowsPictureAndRows_data() { addSizes("MemberDetail"); }
    void memberDetailShowsPictureAndRows();

private:
    test::TestSandbox m_sandbox;
};

void TestMembersGallery::everyScreenRendersAtItsSize_data() {
    QTest::addColumn<QString>("identifier");
    for (const QString& identifier : ScreenRegistry::shared()->identifiers(QStringLiteral("GalleryMembers")))
        QTest::addRow("%s", qPrintable(identifier)) << identifier;
}

void TestMembersGallery::everyScreenRendersAtItsSize() {
    QFETCH(QString, identifier);
    Shot shot(identifier);
    QVERIFY(shot.controller);
    QCOMPARE(shot.window.size(), tools::membersGallerySize(identifier));
    QVERIFY(!shot.image.isNull());
    // Not one flat colour, and nothing busy or alarming over the screen.
    QVERIFY(shot.colours(&shot.window) > 8);
    QVERIFY(shot.window.alerts().isEmpty());
    QVERIFY(!PLActivityIndicatorView::isVisible());
}

void TestMembersGallery::activeTabShowsYouTheBadgeAndRemoveButtons() {
    QFETCH(QString, identifier);
    Shot shot(identifier);
    auto* members = shot.top<PLGroupMembersViewController>();
    QVERIFY(members);
    QCOMPARE(shot.centre(members->bottomView()), CustomColors::pelnixBlueColor());
    QCOMPARE(members->bottomView()->geometry().bottom() + 1, members->view()->height());
    const QList<PLMembersTableViewCell*> rows =
        memberRows(members->activeMembersViewController()->activeMembersTableView());
    QCOMPARE(rows.size(), 5);
    QCOMPARE(rows[0]->rowText(), QStringLiteral("You"));
    QVERIFY(rows[0]->closeButton()->isHidden());
    QVERIFY(shot.colours(rows[0]->adminLabel()) > 2);
    for (int i = 1; i < rows.size(); ++i) {
        QVERIFY2(near(shot.aboveCentre(rows[i]->closeButton(), 6), kRemoveRed),
                 qPrintable(rows[i]->rowText()));
        verifyRowReadable(rows[i]);
    }
    QVERIFY(shot.colours(rows[1]->emailLabel()) > 2);
}

void TestMembersGallery::searchCoversTheBarAndNarrowsTheTab_data() {
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QSize>("renderedAt");
    QTest::newRow("Active 320 x 568") << "MembersActiveSearching" << 1 << QSize(320, 568);
    QTest::newRow("Active 400 x 720") << "MembersActiveSearching@400x720" << 1 << QSize(400, 720);
    QTest::newRow("Active 1024 x 768") << "MembersActiveSearching" << 1 << QSize(1024, 768);
    QTest::newRow("Pending 320 x 568") << "MembersPendingSearching" << 2 << QSize(320, 568);
    QTest::newRow("Pending 400 x 720") << "MembersPendingSearching@400x720" << 2 << QSize(400, 720);
    QTest::newRow("Pending 1024 x 768") << "MembersPendingSearching" << 2 << QSize(1024, 768);
}

void TestMembersGallery::searchCoversTheBarAndNarrowsTheTab() {
    QFETCH(QString, identifier);
    QFETCH(int, rows);
    QFETCH(QSize, renderedAt);
    Shot shot(identifier, renderedAt);
    QCOMPARE(shot.window.size(), renderedAt);
    auto* members = shot.top<PLGroupMembersViewController>();
    QVERIFY(members->isSearchBarShown());
    PLCustomSearchView* search = members->searchView();
    const QRect bar = members->navigationController()->navigationBar()->geometry();
    QCOMPARE(search->geometry().top(), bar.top());
    QCOMPARE(search->width(), bar.width());
    QCOMPARE(search->width(), renderedAt.width());
    // The bar's back button is covered: the search view's white shows there; its title and search
    // button at the other end are covered too, by the search view's cancel button.
    QCOMPARE(shot.at(search, QPointF(4, 4)), QColor(Qt::white));
    QCOMPARE(shot.at(&shot.window, QPointF(renderedAt.width() / 2.0 + 30, 4)), QColor(Qt::white));
    QVERIFY(search->cancelButton()->geometry().right() > search->width() - 20);
    QVERIFY(shot.colours(search->cancelButton()) > 2);
    const bool pending = identifier.contains("Pending");
    TableView* table = pending ? members->pendingMembersViewController()->pendingMembersTableView()
                               : members->activeMembersViewController()->activeMembersTableView();
    QCOMPARE(table->numberOfRows(0), rows);
    for (PLMembersTableViewCell* row : memberRows(table)) {
        QVERIFY(row->rowText().startsWith(tools::membersGallerySearchText(pending), Qt::CaseInsensitive) ||
                row->rowText() == QLatin1String("Erin Walsh"));
        verifyRowReadable(row);
    }
}

void TestMembersGallery::pendingTabShowsInvitationsByKind() {
    QFETCH(QString, identifier);
    Shot shot(identifier);
    auto* members = shot.top<PLGroupMembersViewController>();
    QCOMPARE(members->swipeViewController()->selectedIndex(), 1);
    const QList<PLMembersTableViewCell*> rows =
        memberRows(members->pendingMembersViewController()->pendingMembersTableView());
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0]->iconName(), QStringLiteral("emailIcon"));
    QCOMPARE(rows[1]->iconName(), QStringLiteral("phoneIcon"));
    QVERIFY(!rows[0]->inviteButton()->isEnabled());
    QVERIFY(rows[1]->inviteButton()->isEnabled());
    for (PLMembersTableViewCell* row : rows) {
        QVERIFY(shot.colours(row->emailImageview()) > 2);
        QVERIFY(near(shot.aboveCentre(row->closeButton(), 6), kRemoveRed));
        QVERIFY(shot.colours(row->inviteButton()) > 2);
        verifyRowReadable(row);
    }
    // The long address ends in an ellipsis where the narrow screen cuts it.
    if (!identifier.contains("@"))
        QVERIFY(rows[0]->emailLabel()->text().endsWith(QChar(0x2026)));
    QCOMPARE(rows[0]->rowText(), QStringLiteral("dana.lopez@acme.test"));
}

void TestMembersGallery::adminChangeListsLettersAndPictures() {
    QFETCH(QString, identifier);
    Shot shot(identifier);
    auto* select = shot.top<PLSelectAdminViewController>();
    QVERIFY(select);
    QCOMPARE(select->contactsSectionTitles(), (QStringList{"B", "C", "D", "E"}));
    QMap<int, PLSelectAdminTableViewCell*> rows;
    TableView* table = select->adminSelectionTableView();
    for (TableViewCell* cell : table->visibleCells())
        if (auto* row = qobject_cast<PLSelectAdminTableViewCell*>(cell))
            rows.insert(table->indexPathForCell(row)->section, row);
    QCOMPARE(rows.size(), 4);
    // Bob's picture: his colour at its centre.
    QVERIFY(near(shot.aboveCentre(rows[0]->iconImageView(), 16), QColor("#e0913a"), 20));
    QVERIFY(near(shot.aboveCentre(rows[1]->iconImageView(), 16), QColor("#2f9e6e"), 20));
    for (PLSelectAdminTableViewCell* row : rows) {
        QVERIFY(shot.colours(row->nameLabel()) > 2);
        QVERIFY(shot.colours(row->emailLabel()) > 2);
        QVERIFY(row->nameLabel()->sizeThatFits({1e6, 1e6}).width() <= row->nameLabel()->width() + 1);
    }
}

void TestMembersGallery::adminConfirmationShowsItsButtons() {
    QFETCH(QString, identifier);
    Shot shot(identifier);
    auto* select = shot.top<PLSelectAdminViewController>();
    auto* confirmation = qobject_cast<PLMakeAdminViewController*>(select->presentedViewController());
    QVERIFY(confirmation);
    QCOMPARE(confirmation->confirmationTextLabel()->text(),
             QStringLiteral("All your admin rights will now be transferred to Carla Diaz"));
    QCOMPARE(shot.at(confirmation->confirmButton(), QPointF(6, 6)), CustomColors::pelnixBlueColor());
    QVERIFY(shot.colours(confirmation->confirmationTextLabel()) > 2);
    QVERIFY(shot.colours(confirmation->closeButton()) > 2);
    const QRect label = confirmation->confirmationTextLabel()->geometry();
    QVERIFY(confirmation->confirmationTextLabel()->heightForWidth(label.width()) <= label.height() + 1);
    // A bar along the top, in the bars' grey, with the change's name and the way back in it.
    NavigationBar* bar = confirmation->navigationBarView();
    QVERIFY(bar && bar->isVisible());
    QCOMPARE(bar->mapTo(&shot.window, QPoint()), QPoint(0, 0));
    QCOMPARE(bar->width(), shot.window.width());
    QCOMPARE(bar->height(), NavigationBar::kHeight);
    QVERIFY2(near(shot.at(bar, {bar->width() - 4.0, 4}), QColor(0xF7, 0xF7, 0xF7), 2),
             describe(shot.at(bar, {bar->width() - 4.0, 4})));
    QCOMPARE(bar->titleText(), QStringLiteral("Change Admin"));
    auto* title = bar->findChild<QLabel*>(QStringLiteral("navigationBar.title"));
    QVERIFY(title && title->isVisible() && shot.colours(title) > 2);
    Button* close = confirmation->closeButton();
    QVERIFY(close->isVisible() && close->parentWidget() == bar);
    QCOMPARE(close->titleForState(Button::State::Normal), QStringLiteral("Cancel"));
    QCOMPARE(close->titleColorForState(Button::State::Normal), CustomColors::pelnixBlueColor());
    QVERIFY(confirmation->confirmationTextLabel()->mapTo(&shot.window, QPoint()).y() >= bar->height());
}

void TestMembersGallery::memberDetailShowsPictureAndRows() {
    QFETCH(QString, identifier);
    Shot shot(identifier);
    auto* detail = shot.top<PLGroupMemeberDetailTableViewController>();
    QVERIFY(detail);
    QVERIFY(near(shot.aboveCentre(detail->memberImageview(), 36), QColor("#2f9e6e"), 20));
    QCOMPARE(detail->memberNameLabel()->text(), QStringLiteral("Carla Diaz"));
    QCOMPARE(detail->phoneNumberLabel()->text(), QStringLiteral("+14155550118"));
    for (QWidget* label :
         {static_cast<QWidget*>(detail->memberNameLabel()), static_cast<QWidget*>(detail->emaillabel()),
          static_cast<QWidget*>(detail->phoneNumberLabel())})
        QVERIFY(shot.colours(label) > 2);
    QVERIFY(shot.colours(detail->emailIcon()) > 2);
    QVERIFY(!detail->isRowHidden(PLGroupMemeberDetailTableViewController::StartConversationRow));
    QVERIFY(shot.colours(detail->cellAt(PLGroupMemeberDetailTableViewController::StartConversationRow)) > 2);
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestMembersGallery t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_membersgallery.moc"
