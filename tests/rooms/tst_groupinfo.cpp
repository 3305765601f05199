// Group information on the store: the rows and heights by role and status, the cover and its cells,
// room notifications, clearing, and the picture viewer.
#include "GroupInfoTestKit.h"
#include "MirroredGeometry.h"
#include "foundation/DocumentSaver.h"
#include "foundation/StandardFolders.h"
#include "foundation/ui/ImageAdditions.h"
#include "platform/ui/ImageViewWebCache.h"
#include "platform/ui/KeyboardMonitor.h"
#include "platform/ui/Label.h"
#include "platform/ui/Spinner.h"
#include "platform/ui/StoryboardSegue.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TapGestureRecognizer.h"
#include "platform/ui/TextField.h"
#include "ui/rooms/PLProfileImageViewController.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::TextField;
namespace WebCache = platform::ui::ImageViewWebCache;

namespace {

// Records what a cell tells its screen.
class CellRecorder : public QObject, public PLGroupInfoTableViewCellDelegate {
    Q_OBJECT
public:
    void groupInforCellAdminWantsToChangeAdminOnlyStateTo(PLGroupInfoTableViewCell*, qint64 state) override {
        calls << QStringLiteral("wants %1").arg(state);
    }
    void groupInforCellChangedAdminOnlyState(PLGroupInfoTableViewCell*, bool on) override {
        calls << QStringLiteral("changed %1").arg(on);
    }
    void resetAdminOnlyState() override { calls << QStringLiteral("reset"); }
    QStringList calls;
};

// Loads answered by the test: an image for "ok" URLs, an error for the rest, at once.
struct InstantLoader {
    QStringList started;
    InstantLoader() {
        WebCache::setImageSource({[this](const QUrl& url, int, WebCache::Completed done) -> quint64 {
                                      started << url.toString();
                                      if (url.toString().contains(QLatin1String("ok"))) {
                                          QImage image(32, 32, QImage::Format_RGB32);
                                          image.fill(Qt::blue);
                                          done(image, std::nullopt, 0, url);
                                      } else {
                                          done({}, PLError(QStringLiteral("test"), -1, QStringLiteral("no")),
                                               0, url);
                                      }
                                      return 0;
                                  },
                                  [](quint64) {}, [](const QUrl&) { return false; }});
    }
    ~InstantLoader() { WebCache::setImageSource({}); }
};

// A screen of another part of the library as group information opens it: it records what it is given.
class RecordingScreen : public platform::ui::ViewController {
    Q_OBJECT
public:
    Q_INVOKABLE void configureWithChatRoom(const QString& roomId) { configured = roomId; }
    Q_INVOKABLE void setCurrentRoom(const QString& roomId) { configured = roomId; }
    QString configured;
    static void registerAs(const QString& storyboard, const QString& identifier) {
        platform::ui::ScreenRegistry::shared()->registerScreen(storyboard, identifier,
                                                               [] { return new RecordingScreen; });
    }
};

// The chat window as far as its segue to group information goes.
class ChatWindowStandIn : public platform::ui::ViewController {
    Q_OBJECT
public:
    QList<bool> cleared;
    void prepareForSegue(platform::ui::StoryboardSegue& segue, QObject*) override {
        segue.destinationViewController()->setProperty(ConversationScreenInputs::kRoomId,
                                                       QStringLiteral("g-member"));
        segue.destinationViewController()->setProperty(
            ConversationScreenInputs::kGroupInfoCompletion,
            QVariant::fromValue(PLConversationClearedHandler([this](bool done) { cleared << done; })));
    }
};

void setStatus(const QString& roomId, qint16 status) {
    auto room = ChatRoom::chatRoomWithID(roomId);
    room->setStatus(status);
    room->save();
}

} // namespace

class TestGroupInfo : public QObject {
    Q_OBJECT
private slots:
    void init() {
        store = std::make_unique<RoomsStore>();
        store->add({{"g-admin", "Ops", 3000, false, kAnn, {kAnn, 42, 43}},
                    {"g-member", "Design", 2000, false, 42, {kAnn, 42, 43, 44, 45}},
                    {"g-one", "Solo", 1000, false, 42, {42}},
                    {"g-nocreator", "Nobody", 900, false, 0, {kAnn, 42}}});
    }
    void cleanup() {
        QGuiApplication::setLayoutDirection(Qt::LeftToRight);
        store.reset();
    }

    void rowsAndHeightsByRoleAndStatus_data();
    void rowsAndHeightsByRoleAndStatus();
    void rightToLeftUsesTheMirroredCells();
    void memberLine_data();
    void memberLine();
    void inactiveRoomsAlertOnEveryAppearance();
    void adminRowWithoutCreator();
    void notificationsForOtherRoomsAreIgnored();
    void aCoveredScreenRefreshesWhenItReappears();
    void clearingCallsTheCompletionAndPops();
    void nameEditorCountsUtf16AndRefusesWholePastes();
    void offlineSwitchTurnsBackSilently();
    void switchConfirmationAnswers();
    void switchConfirmationTexts_data();
    void switchConfirmationTexts();
    void coverPictureAndButtons_data();
    void coverPictureAndButtons();
    void rowsMirrorRightToLeft_data();
    void rowsMirrorRightToLeft();
    void theChatWindowsSegueOpensIt();
    void adminRowOpensDetailOrOwnProfile_data();
    void adminRowOpensDetailOrOwnProfile();
    void membersAndAdminChangeGetTheRoom();
    void theKeyboardMakesRoomBelowTheName();
    void viewerGrowsFromTheTapAndReturnsToIt();
    void viewerKeepsTheThumbnailWhenTheLoadFails();
    void viewerDoneLiesAtTheLeadingCorner_data();
    void viewerDoneLiesAtTheLeadingCorner();
    void viewerFillsTheViewUnlessAPlaceholderHasNothingLarger_data();
    void viewerFillsTheViewUnlessAPlaceholderHasNothingLarger();
    void coverTapOpensTheViewerOnlyForARealPicture();

private:
    std::unique_ptr<RoomsStore> store;
};

void TestGroupInfo::rowsAndHeightsByRoleAndStatus_data() {
    QTest::addColumn<QString>("room");
    QTest::addColumn<qint16>("status");
    QTest::addColumn<bool>("editing");
    QTest::addColumn<QList<qint64>>("rows");
    QTest::addColumn<QList<qreal>>("heights");
    using R = PLGroupInfoViewController;
    const QList<qint64> admin{R::AdminRow,     R::MembersRow,    R::ClearRow,
                              R::AdminOnlyRow, R::HideMemberRow, R::LeaveRow};
    const QList<qint64> member{R::AdminRow, R::MembersRow, R::ClearRow, R::LeaveRow};
    QTest::newRow("admin, active") << "g-admin" << qint16(0) << false << admin
                                   << QList<qreal>{232, 75, 53, 53, 53, 53, 53};
    QTest::newRow("member, active") << "g-member" << qint16(0) << false << member
                                    << QList<qreal>{232, 75, 53, 53, 53};
    QTest::newRow("admin, left here")
        << "g-admin" << qint16(1) << false << admin << QList<qreal>{232, 75, 53, 53, 53, 53, 53};
    QTest::newRow("member, removed") << "g-member" << qint16(2) << false << QList<qint64>{R::LeaveRow}
                                     << QList<qreal>{232, 53};
    QTest::newRow("admin, group deleted")
        << "g-admin" << qint16(3) << false << QList<qint64>{R::LeaveRow} << QList<qreal>{232, 53};
    QTest::newRow("admin, editing") << "g-admin" << qint16(0) << true << QList<qint64>{R::AdminRow}
                                    << QList<qreal>{232, 53};
}

void TestGroupInfo::rowsAndHeightsByRoleAndStatus() {
    QFETCH(QString, room);
    QFETCH(qint16, status);
    QFETCH(bool, editing);
    QFETCH(QList<qint64>, rows);
    QFETCH(QList<qreal>, heights);
    setStatus(room, status);
    InfoOnScreen screen(room);
    screen.dismissAlerts();
    if (editing)
        screen.info->editGroup();
    QCOMPARE(screen.info->groupInfoArray(), rows);
    QCOMPARE(screen.table()->numberOfRows(0), rows.size() + 1);
    for (int row = 0; row < heights.size(); ++row)
        QCOMPARE(screen.table()->rectForRow({0, row}).height(), heights[row]);
    // Titles by role: the admin leaves by deleting the group.
    if (!editing && rows.last() == PLGroupInfoViewController::LeaveRow)
        QCOMPARE(screen.rowTitles().last(), room == "g-admin"
                                                ? QStringLiteral("Leave & Delete")
                                                : QStringLiteral("Delete Conversation & Leave"));
    if (rows == QList<qint64>{1, 2, 3, 5, 6, 4})
        QCOMPARE(screen.rowTitles(), (QStringList{"admin:You", "Members", "Clear Conversation", "Admin Only",
                                                  "Hide member info", "Leave & Delete"}));
    // Only the admin editing gets Done.
    QCOMPARE(screen.info->navigationItem()->rightBarButtonItem() != nullptr, editing);
}

void TestGroupInfo::rightToLeftUsesTheMirroredCells() {
    QGuiApplication::setLayoutDirection(Qt::RightToLeft);
    InfoOnScreen screen("g-admin");
    QCOMPARE(screen.cell(0)->reuseIdentifier(), QStringLiteral("CoverImageCell"));
    QCOMPARE(screen.cell(1)->reuseIdentifier(), QStringLiteral("AdminInfoCellRToL"));
    QCOMPARE(screen.cell(2)->reuseIdentifier(), QStringLiteral("GroupInfoCellRToL"));
    QVERIFY(screen.cell(2)->isRightToLeft());
    // The title sits right of the icon's mirror place.
    QVERIFY(screen.cell(2)->iconImageView()->x() > screen.cell(2)->infoFieldLabel()->x());
    screen.info->editGroup();
    QCOMPARE(screen.cell(1)->reuseIdentifier(), QStringLiteral("EditGroupNameCellRToL"));
}

void TestGroupInfo::memberLine_data() {
    QTest::addColumn<qint64>("total");
    QTest::addColumn<qint64>("status");
    QTest::addColumn<QString>("text");
    QTest::newRow("one") << qint64(1) << qint64(0) << "1 Member";
    QTest::newRow("five") << qint64(5) << qint64(0) << "5 Members";
    QTest::newRow("none") << qint64(0) << qint64(0) << "0 Member";
    QTest::newRow("left") << qint64(5) << qint64(1) << "";
    QTest::newRow("removed") << qint64(5) << qint64(2) << "";
}

void TestGroupInfo::memberLine() {
    QFETCH(qint64, total);
    QFETCH(qint64, status);
    QFETCH(QString, text);
    QCOMPARE(PLGroupInfoViewController::membersText(total, status), text);
}

void TestGroupInfo::inactiveRoomsAlertOnEveryAppearance() {
    setStatus("g-member", 2);
    InfoOnScreen screen("g-member");
    QCOMPARE(screen.alert()->message(), QStringLiteral("You are no longer a member of this Group."));
    // The cover shows neither picture nor member line.
    QCOMPARE(screen.cell(0)->groupMembersLabel()->text(), QStringLiteral(""));
    screen.dismissAlerts();
    screen.nav->pushViewController(new PlainScreen, false);
    screen.nav->popViewController(false);
    QCoreApplication::processEvents();
    QCOMPARE(screen.window.alerts().size(), 1);
    setStatus("g-member", 3);
    screen.dismissAlerts();
    screen.nav->pushViewController(new PlainScreen, false);
    screen.nav->popViewController(false);
    QCoreApplication::processEvents();
    QCOMPARE(screen.alert()->message(), QStringLiteral("This group has been terminated by the Group Admin."));
}

void TestGroupInfo::adminRowWithoutCreator() {
    InfoOnScreen screen("g-nocreator");
    QVERIFY(!screen.info->currentRoomAdmin());
    QCOMPARE(screen.cell(1)->adminName()->text(), QString());
    QVERIFY(!screen.cell(1)->changeAdminButton()->isVisible());
    InfoOnScreen member("g-member");
    QCOMPARE(member.cell(1)->adminName()->text(), QStringLiteral("Bob"));
    QVERIFY(!member.cell(1)->changeAdminButton()->isVisible());
}

void TestGroupInfo::notificationsForOtherRoomsAreIgnored() {
    InfoOnScreen screen("g-member");
    auto room = ChatRoom::chatRoomWithID("g-admin");
    room->setName(QStringLiteral("Renamed"));
    room->save();
    platform::NotificationCenter::defaultCenter()->post(QLatin1String(ChatRoomUpdatedNotification), {},
                                                        {{kChatRoomIDKey, QStringLiteral("g-admin")}});
    QVERIFY(!screen.info->chatRoomUpdatedPending());
    QCOMPARE(screen.cell(0)->groupNameLabel()->text(), QStringLiteral("Design"));
    // This room while on top: at once.
    auto own = ChatRoom::chatRoomWithID("g-member");
    own->setName(QStringLiteral("Design 2"));
    own->save();
    platform::NotificationCenter::defaultCenter()->post(QLatin1String(ChatRoomUpdatedNotification), {},
                                                        {{kChatRoomIDKey, QStringLiteral("g-member")}});
    QCOMPARE(screen.cell(0)->groupNameLabel()->text(), QStringLiteral("Design 2"));
}

void TestGroupInfo::aCoveredScreenRefreshesWhenItReappears() {
    InfoOnScreen screen("g-member");
    screen.nav->pushViewController(new PlainScreen, false);
    auto room = ChatRoom::chatRoomWithID("g-member");
    room->setName(QStringLiteral("Later"));
    room->save();
    platform::NotificationCenter::defaultCenter()->post(QLatin1String(ChatRoomUpdatedNotification), {},
                                                        {{kChatRoomIDKey, QStringLiteral("g-member")}});
    QVERIFY(screen.info->chatRoomUpdatedPending());
    screen.nav->popViewController(false);
    QCoreApplication::processEvents();
    QVERIFY(!screen.info->chatRoomUpdatedPending());
    QCOMPARE(screen.cell(0)->groupNameLabel()->text(), QStringLiteral("Later"));
}

void TestGroupInfo::clearingCallsTheCompletionAndPops() {
    InfoOnScreen screen("g-member", 3);
    QList<bool> cleared;
    screen.info->setGroupInfoViewControllerCompletionHandler([&](bool done) { cleared << done; });
    const QString media = StandardFolders::publicDataPath() + QStringLiteral("/g-member");
    QVERIFY(QDir().mkpath(media));
    store->receive(messageJSON("g-member", "m1", 5000, 42));
    QVERIFY(!ChatRoom::chatRoomWithID("g-member")->messages().isEmpty());
    screen.table()->selectRow({0, 3}, false);
    screen.info->didSelectRowAtIndexPath(screen.table(), {0, 3});
    QCOMPARE(screen.alert()->tag(), int(PLGroupInfoViewController::ClearTag));
    QCOMPARE(screen.alert()->cancelButtonIndex(), screen.alert()->numberOfButtons() - 1);
    QVERIFY(screen.answer(QStringLiteral("Yes")));
    QCOMPARE(cleared, QList<bool>{true});
    QCOMPARE(screen.nav->viewControllers().size(), 2);
    QVERIFY(ChatRoom::chatRoomWithID("g-member")->messages().isEmpty());
    QVERIFY(!QDir(media).exists());
    QCOMPARE(store->analytics.events.last().first, QStringLiteral("Clear conversation"));
}

void TestGroupInfo::nameEditorCountsUtf16AndRefusesWholePastes() {
    PLGroupInfoTableViewCell cell(PLGroupInfoTableViewCell::kEditNameIdentifier);
    cell.resize(320, 53);
    TextField* field = cell.groupNameTextField();
    cell.configureEditGroupNameCell(QString(), false);
    field->insert(QString(25, QLatin1Char('a')));
    QCOMPARE(field->text(), QString());
    QCOMPARE(cell.counterTextLabel()->text(), QStringLiteral("0/20"));
    field->insert(QString(20, QLatin1Char('a')));
    QCOMPARE(cell.counterTextLabel()->text(), QStringLiteral("20/20"));
    field->insert(QStringLiteral("b"));
    QCOMPARE(field->text().size(), 20);
    QCOMPARE(cell.counterTextLabel()->text(), QStringLiteral("20/20"));
    field->setText(QString());
    cell.configureEditGroupNameCell(QString(), false);
    field->insert(QString::fromUtf8("\xF0\x9F\x98\x80"));
    QCOMPARE(cell.counterTextLabel()->text(), QStringLiteral("2/20"));
    field->selectAll();
    field->del();
    QCOMPARE(field->placeholder(), QStringLiteral("Group Subject"));
    QCOMPARE(cell.counterTextLabel()->text(), QStringLiteral("0/20"));
}

void TestGroupInfo::offlineSwitchTurnsBackSilently() {
    Window window;
    window.resize(320, 100);
    window.makeKeyAndVisible();
    auto* cell = new PLGroupInfoTableViewCell(PLGroupInfoTableViewCell::kFieldIdentifier, &window);
    CellRecorder recorder;
    cell->setDelegate(&recorder);
    cell->setGroupInfoCellType(PLGroupInfoTableViewCell::AdminOnlySwitch);
    cell->showStateSwitch(true);
    cell->setSwitchState(false, false);
    store->fixture.setOnline(false);
    QTest::keyClick(cell->stateSwitch(), Qt::Key_Space);
    QVERIFY(!cell->stateSwitch()->isOn());
    QVERIFY(recorder.calls.isEmpty());
    QVERIFY(!cell->confirmation());
}

void TestGroupInfo::switchConfirmationAnswers() {
    Window window;
    window.resize(320, 100);
    window.makeKeyAndVisible();
    auto* cell = new PLGroupInfoTableViewCell(PLGroupInfoTableViewCell::kFieldIdentifier, &window);
    CellRecorder recorder;
    cell->setDelegate(&recorder);
    cell->setGroupInfoCellType(PLGroupInfoTableViewCell::AdminOnlySwitch);
    cell->showStateSwitch(true);
    QTest::keyClick(cell->stateSwitch(), Qt::Key_Space);
    QVERIFY(cell->confirmation());
    QCOMPARE(cell->confirmation()->title(), QStringLiteral("Confirm"));
    QCOMPARE(cell->confirmation()->message(),
             QStringLiteral("Are you sure you want to activate admin only chat in the group?"));
    QCOMPARE(recorder.calls, QStringList{"wants 1"});
    cell->confirmation()->tapButtonAtIndex(0); // Cancel
    QVERIFY(!cell->stateSwitch()->isOn());
    QCOMPARE(recorder.calls, (QStringList{"wants 1", "reset"}));
    QTest::keyClick(cell->stateSwitch(), Qt::Key_Space);
    cell->confirmation()->tapButtonAtIndex(1); // Yes
    QCOMPARE(recorder.calls.last(), QStringLiteral("changed 1"));
    // The delegate is not owned: a gone delegate is never called.
    auto* gone = new CellRecorder;
    cell->setDelegate(gone);
    delete gone;
    QTest::keyClick(cell->stateSwitch(), Qt::Key_Space);
    cell->confirmation()->tapButtonAtIndex(1);
}

void TestGroupInfo::switchConfirmationTexts_data() {
    QTest::addColumn<qint64>("type");
    QTest::addColumn<bool>("turnedOn");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message");
    QTest::newRow("admin only on") << qint64(1) << true << "Confirm"
                                   << "Are you sure you want to activate admin only chat in the group?";
    QTest::newRow("admin only off") << qint64(1) << false << "Confirm"
                                    << "Are you sure you want to deactivate admin only chat in the group?";
    QTest::newRow("hide on")
        << qint64(2) << true << "Hide Member Info"
        << "Contact info of this group is visible to all members. Are you sure you want to "
           "hide it?";
    QTest::newRow("hide off")
        << qint64(2) << false << "Show Member Info"
        << "Contact info of this group is hidden for all members. Are you sure you want to "
           "show it?";
}

void TestGroupInfo::switchConfirmationTexts() {
    QFETCH(qint64, type);
    QFETCH(bool, turnedOn);
    QFETCH(QString, title);
    QFETCH(QString, message);
    Window window;
    window.resize(320, 100);
    window.makeKeyAndVisible();
    auto* cell = new PLGroupInfoTableViewCell(PLGroupInfoTableViewCell::kFieldIdentifier, &window);
    cell->setGroupInfoCellType(type);
    cell->showStateSwitch(true);
    cell->setSwitchState(!turnedOn, false);
    QTest::keyClick(cell->stateSwitch(), Qt::Key_Space);
    QVERIFY(cell->confirmation());
    QCOMPARE(cell->confirmation()->title(), title);
    QCOMPARE(cell->confirmation()->message(), message);
    QCOMPARE(cell->confirmation()->buttonTitleAtIndex(0), QStringLiteral("Cancel"));
    QCOMPARE(cell->confirmation()->buttonTitleAtIndex(1), QStringLiteral("Yes"));
    // A row without a switch type asks nothing.
    cell->confirmation()->dismiss();
    cell->setGroupInfoCellType(PLGroupInfoTableViewCell::NoSwitch);
    QTest::keyClick(cell->stateSwitch(), Qt::Key_Space);
    QVERIFY(!cell->confirmation());
}

void TestGroupInfo::coverPictureAndButtons_data() {
    QTest::addColumn<bool>("picked");
    QTest::addColumn<bool>("removed");
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("editing");
    QTest::addColumn<bool>("admin");
    QTest::addColumn<QString>("shows"); // picked, default, loaded
    QTest::addColumn<bool>("editButton");
    QTest::addColumn<bool>("changeButton");
    QTest::newRow("picked wins over all")
        << true << true << "http://ok/pic" << true << true << "picked" << false << true;
    QTest::newRow("removal over the URL")
        << false << true << "http://ok/pic" << true << true << "default" << false << true;
    QTest::newRow("the URL") << false << false << "http://ok/pic" << false << true << "loaded" << true
                             << false;
    QTest::newRow("nothing") << false << false << "" << false << false << "default" << false << false;
}

void TestGroupInfo::coverPictureAndButtons() {
    QFETCH(bool, picked);
    QFETCH(bool, removed);
    QFETCH(QString, url);
    QFETCH(bool, editing);
    QFETCH(bool, admin);
    QFETCH(QString, shows);
    QFETCH(bool, editButton);
    QFETCH(bool, changeButton);
    InstantLoader loader;
    QWidget host;
    auto* cell = new PLGroupInfoTableViewCell(PLGroupInfoTableViewCell::kCoverIdentifier, &host);
    cell->resize(320, 232);
    host.show();
    QImage pick(16, 16, QImage::Format_RGB32);
    pick.fill(Qt::green);
    cell->configureGroupCoverCell("Ops", 0, "3 Members", url, editing, picked ? pick : QImage(), removed,
                                  admin);
    QCOMPARE(cell->groupMembersLabel()->text(), QStringLiteral(" "));
    const QRgb middle = cell->currentGroupImage().pixel(cell->currentGroupImage().width() / 2,
                                                        cell->currentGroupImage().height() / 2);
    if (shows == "picked")
        QCOMPARE(middle, QColor(Qt::green).rgb());
    else if (shows == "loaded")
        QCOMPARE(middle, QColor(Qt::blue).rgb());
    else
        QCOMPARE(cell->currentGroupImage(),
                 ImageAdditions::loadImageNamed(QStringLiteral("defaultProfileImage")));
    QCOMPARE(cell->editGroupInfoButton()->isVisible(), editButton);
    QCOMPARE(cell->changeIconButton()->isVisible(), changeButton);
    // The change-picture button ends where the picture ends.
    QCOMPARE(cell->changeIconButton()->geometry().right(), cell->groupIconImageView()->geometry().right());
}

void TestGroupInfo::rowsMirrorRightToLeft_data() {
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<QString>("how");
    for (const QString& row :
         {PLGroupInfoTableViewCell::kCoverIdentifier, PLGroupInfoTableViewCell::kFieldIdentifier}) {
        QTest::addRow("%s, list right to left", qPrintable(row)) << row << "list";
        QTest::addRow("%s, turned while shown", qPrintable(row)) << row << "turned";
        QTest::addRow("%s, the mirrored cell", qPrintable(row))
            << row + PLGroupInfoTableViewCell::kRightToLeftSuffix << "cell";
    }
}

// Right to left a row's parts lie where left to right puts them, mirrored in the row's width: the
// cover's change-picture button at the picture's lower left and Edit at the top left, a field's icon
// at the right and its switch at the left.
void TestGroupInfo::rowsMirrorRightToLeft() {
    QFETCH(QString, identifier);
    QFETCH(QString, how);
    const auto parts = [](PLGroupInfoTableViewCell* cell) {
        return cell->variant() == PLGroupInfoTableViewCell::Variant::Cover
                   ? QList<QWidget*>{cell->groupIconImageView(), cell->changeIconButton(),
                                     cell->editGroupInfoButton()}
                   : QList<QWidget*>{cell->iconImageView(), cell->infoFieldLabel(), cell->stateSwitch()};
    };
    QWidget leftToRightList;
    auto* leftToRight = new PLGroupInfoTableViewCell(
        identifier.chopped(identifier.endsWith(PLGroupInfoTableViewCell::kRightToLeftSuffix)
                               ? PLGroupInfoTableViewCell::kRightToLeftSuffix.size()
                               : 0),
        &leftToRightList);
    leftToRight->resize(320, 232);
    leftToRightList.show();
    QWidget list;
    if (how == QLatin1String("list"))
        list.setLayoutDirection(Qt::RightToLeft);
    auto* cell = new PLGroupInfoTableViewCell(identifier, &list);
    cell->resize(320, 232);
    list.show();
    if (how == QLatin1String("turned"))
        list.setLayoutDirection(Qt::RightToLeft);
    QCOMPARE(test::geometries(parts(cell)), test::mirroredGeometries(parts(leftToRight)));
    // The switch reads right to left as well: off, its knob at its right.
    if (cell->stateSwitch())
        QVERIFY(cell->stateSwitch()->isRightToLeft());
}

void TestGroupInfo::theChatWindowsSegueOpensIt() {
    auto* chat = new ChatWindowStandIn;
    chat->setStoryboardIdentity(QStringLiteral("Home"), QStringLiteral("ChatWindowViewController"));
    Window window;
    window.resize(320, 568);
    auto* nav = new NavigationController(new PlainScreen);
    window.setRootViewController(nav);
    window.makeKeyAndVisible();
    nav->pushViewController(chat, false);
    QVERIFY(chat->performSegue(QStringLiteral("GroupInfoSegue"), chat));
    QCoreApplication::processEvents();
    auto* info = qobject_cast<PLGroupInfoViewController*>(nav->topViewController());
    QVERIFY(info);
    QCOMPARE(info->roomId(), QStringLiteral("g-member"));
    QCOMPARE(info->title(), QStringLiteral("Group Info"));
    QVERIFY(info->groupInfoViewControllerCompletionHandler());
    info->groupInfoViewControllerCompletionHandler()(true);
    QCOMPARE(chat->cleared, QList<bool>{true});
}

void TestGroupInfo::adminRowOpensDetailOrOwnProfile_data() {
    QTest::addColumn<QString>("room");
    QTest::addColumn<bool>("rightToLeft");
    QTest::addColumn<QString>("opened");
    QTest::newRow("member opens the admin's detail")
        << "g-member" << false << "PLGroupMemeberDetailTableViewController";
    QTest::newRow("member, right to left") << "g-member" << true << "PLGroupMemeberDetailTableViewController";
    QTest::newRow("admin opens the own profile") << "g-admin" << false << "PLUserProfileTableViewController";
    QTest::newRow("admin, right to left") << "g-admin" << true << "PLUserProfileTableViewController";
}

void TestGroupInfo::adminRowOpensDetailOrOwnProfile() {
    QFETCH(QString, room);
    QFETCH(bool, rightToLeft);
    QFETCH(QString, opened);
    RecordingScreen::registerAs(QStringLiteral("Home"),
                                QStringLiteral("PLGroupMemeberDetailTableViewController"));
    RecordingScreen::registerAs(QStringLiteral("Home"), QStringLiteral("PLUserProfileTableViewController"));
    if (rightToLeft)
        QGuiApplication::setLayoutDirection(Qt::RightToLeft);
    InfoOnScreen screen(room);
    screen.info->didSelectRowAtIndexPath(screen.table(), {0, 1});
    auto* shown = qobject_cast<RecordingScreen*>(screen.nav->topViewController());
    QVERIFY(shown);
    QCOMPARE(shown->storyboardIdentifier(), opened);
    if (room == "g-member") {
        QCOMPARE(shown->property("userID").toInt(), 42);
        QCOMPARE(shown->property("roomId").toString(), QStringLiteral("g-member"));
    } else {
        QCOMPARE(shown->property("profileNavigationType").toLongLong(), 1);
    }
}

void TestGroupInfo::membersAndAdminChangeGetTheRoom() {
    RecordingScreen::registerAs(QStringLiteral("Home"), QStringLiteral("GroupMembersViewController"));
    RecordingScreen::registerAs(QStringLiteral("PLSelectAdminViewController"),
                                QStringLiteral("PLSelectAdminViewController"));
    platform::ui::ScreenRegistry::shared()->registerScreen(
        QStringLiteral("Home"), QStringLiteral("GroupMembersNavigationController"),
        [] { return new NavigationController(new RecordingScreen); });
    InfoOnScreen screen("g-admin");
    screen.info->didSelectRowAtIndexPath(screen.table(), {0, 2});
    auto* members = qobject_cast<RecordingScreen*>(screen.nav->topViewController());
    QVERIFY(members);
    QCOMPARE(members->configured, QStringLiteral("g-admin"));
    QCOMPARE(members->property("roomId").toString(), QStringLiteral("g-admin"));
    screen.nav->popViewController(false);
    QCoreApplication::processEvents();
    screen.info->groupInforCellChangeAdminButtonClicked(screen.cell(1));
    auto* select = qobject_cast<RecordingScreen*>(screen.nav->topViewController());
    QVERIFY(select);
    QCOMPARE(select->storyboardIdentifier(), QStringLiteral("PLSelectAdminViewController"));
    QCOMPARE(select->configured, QStringLiteral("g-admin"));
    screen.nav->popViewController(false);
    QCoreApplication::processEvents();
    // Edit mode's members button presents the members in their own navigation.
    screen.info->editGroup();
    screen.info->editMembers();
    auto* presented = qobject_cast<NavigationController*>(screen.info->presentedViewController());
    QVERIFY(presented);
    QCOMPARE(qobject_cast<RecordingScreen*>(presented->topViewController())->configured,
             QStringLiteral("g-admin"));
    // A member is never offered the admin change.
    InfoOnScreen member("g-member");
    member.info->groupInforCellChangeAdminButtonClicked(member.cell(1));
    QCOMPARE(member.nav->topViewController(), member.info);
}

void TestGroupInfo::theKeyboardMakesRoomBelowTheName() {
    InfoOnScreen screen("g-admin");
    screen.info->editGroup();
    platform::ui::KeyboardMonitor::shared()->show(216, &screen.window);
    QCOMPARE(screen.table()->contentInset().bottom(), 216);
    platform::ui::KeyboardMonitor::shared()->hide();
    QCOMPARE(screen.table()->contentInset().bottom(), 0);
    // Not observed while another screen is on top.
    screen.nav->pushViewController(new PlainScreen, false);
    platform::ui::KeyboardMonitor::shared()->show(216, &screen.window);
    QCOMPARE(screen.table()->contentInset().bottom(), 0);
    platform::ui::KeyboardMonitor::shared()->hide();
}

void TestGroupInfo::viewerGrowsFromTheTapAndReturnsToIt() {
    InstantLoader loader;
    Window window;
    window.resize(320, 568);
    auto* root = new PlainScreen;
    window.setRootViewController(root);
    window.makeKeyAndVisible();
    auto* viewer =
        qobject_cast<PLProfileImageViewController*>(platform::ui::ScreenRegistry::shared()->instantiate(
            QStringLiteral("PLProfileImageViewController"), QStringLiteral("PLProfileImageViewController")));
    QVERIFY(viewer);
    root->presentViewController(viewer, false);
    QCoreApplication::processEvents();
    QImage thumbnail(10, 10, QImage::Format_RGB32);
    thumbnail.fill(Qt::yellow);
    // The tap's x is not kept: the picture is centred across, at the tap's height.
    viewer->showProfileImageWithThumbNailImage(thumbnail, QStringLiteral("http://ok/big"),
                                               QRectF(30, 200, 100, 80));
    QCOMPARE(viewer->initialFrame(), QRect(110, 160, 100, 80));
    QCOMPARE(viewer->profileImageView()->geometry(), viewer->view()->rect());
    QCOMPARE(viewer->profileImageView()->image().pixel(5, 5), QColor(Qt::blue).rgb());
    QVERIFY(!viewer->imageLoadIndicator()->isAnimating());
    QPointer<PLProfileImageViewController> alive(viewer);
    viewer->dismissProfileViewController();
    QTRY_VERIFY(!root->presentedViewController());
    if (alive)
        QCOMPARE(alive->profileImageView()->geometry(), QRect(110, 160, 100, 80));
}

void TestGroupInfo::viewerKeepsTheThumbnailWhenTheLoadFails() {
    InstantLoader loader;
    PLProfileImageViewController viewer;
    viewer.view()->resize(320, 568);
    QImage thumbnail(10, 10, QImage::Format_RGB32);
    thumbnail.fill(Qt::yellow);
    viewer.showProfileImageWithThumbNailImage(thumbnail, QStringLiteral("http://fails/big"),
                                              QRectF(0, 0, 50, 50));
    QCOMPARE(loader.started, QStringList{"http://fails/big"});
    QCOMPARE(viewer.profileImageView()->image().pixel(5, 5), QColor(Qt::yellow).rgb());
    QVERIFY(!viewer.imageLoadIndicator()->isAnimating());
}

void TestGroupInfo::viewerDoneLiesAtTheLeadingCorner_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("mirrored");
    QTest::newRow("ltr") << "ltr" << QSize(320, 568) << false;
    QTest::newRow("rtl") << "rtl" << QSize(320, 568) << true;
    QTest::newRow("rtl, 1024 x 768") << "rtl" << QSize(1024, 768) << true;
    QTest::newRow("rtl turned while shown") << "turned" << QSize(400, 720) << true;
    QTest::newRow("ltr turned back") << "back" << QSize(320, 568) << false;
}

// Done lies in the top corner where reading starts: the left, or the right right to left, in the
// mirror of its place left to right.
void TestGroupInfo::viewerDoneLiesAtTheLeadingCorner() {
    QFETCH(QString, how);
    QFETCH(QSize, size);
    QFETCH(bool, mirrored);
    InstantLoader loader;
    PLProfileImageViewController viewer;
    if (how == QLatin1String("rtl"))
        viewer.view()->setLayoutDirection(Qt::RightToLeft);
    viewer.view()->resize(size);
    viewer.view()->show();
    if (how != QLatin1String("ltr") && how != QLatin1String("rtl"))
        viewer.view()->setLayoutDirection(Qt::RightToLeft);
    if (how == QLatin1String("back"))
        viewer.view()->setLayoutDirection(Qt::LeftToRight);
    const QRect leftToRight(8, 8, 64, 36);
    QCOMPARE(viewer.closeButton()->geometry(),
             mirrored ? QRect(size.width() - 8 - 64, 8, 64, 36) : leftToRight);
}

void TestGroupInfo::viewerFillsTheViewUnlessAPlaceholderHasNothingLarger_data() {
    QTest::addColumn<bool>("placeholder");
    QTest::addColumn<QString>("bigImageURL");
    QTest::addColumn<bool>("fills");
    QTest::newRow("small picture only") << false << QString() << true;
    QTest::newRow("small picture, blank large address") << false << QStringLiteral("  ") << true;
    QTest::newRow("small picture and a large one that fails")
        << false << QStringLiteral("http://fails/big") << true;
    QTest::newRow("placeholder only") << true << QString() << false;
    QTest::newRow("placeholder and a large picture") << true << QStringLiteral("http://fails/big") << true;
}

// A stored small picture grows to fill the view whether or not a large one is known; only a
// placeholder with nothing larger stays at its own size in the middle, at every size of the view.
void TestGroupInfo::viewerFillsTheViewUnlessAPlaceholderHasNothingLarger() {
    QFETCH(bool, placeholder);
    QFETCH(QString, bigImageURL);
    QFETCH(bool, fills);
    InstantLoader loader;
    PLProfileImageViewController viewer;
    viewer.view()->resize(320, 568);
    viewer.view()->show();
    QImage small(250, 250, QImage::Format_RGB32);
    small.fill(Qt::yellow);
    if (placeholder)
        small = ImageAdditions::markedAsPlaceholder(small);
    viewer.showProfileImageWithThumbNailImage(small, bigImageURL, QRectF(40, 200, 96, 96));
    QWidget* picture = viewer.profileImageView();
    for (const QSize size : {QSize(320, 568), QSize(400, 720), QSize(1024, 768)}) {
        viewer.view()->resize(size);
        if (fills) {
            QCOMPARE(picture->geometry(), QRect(QPoint(), size));
        } else {
            QCOMPARE(picture->size(), QSize(250, 250));
            QCOMPARE(picture->geometry().center(), QRect(QPoint(), size).center());
        }
    }
    QVERIFY(!viewer.imageLoadIndicator()->isAnimating());
}

void TestGroupInfo::coverTapOpensTheViewerOnlyForARealPicture() {
    InstantLoader loader;
    InfoOnScreen screen("g-member");
    auto* cover = screen.cell(0);
    // Without a picture the cover shows the default person, which a viewer keeps at its own size.
    QVERIFY(ImageAdditions::isPlaceholder(cover->currentGroupImage()));
    screen.info->groupInforCellChangeGroupIconButtonPressed(cover, cover->groupImageTapGesture());
    QVERIFY(!screen.info->presentedViewController());
    auto room = ChatRoom::chatRoomWithID("g-member");
    room->setImageUrl(QStringLiteral("http://127.0.0.1/s/ok-thumb"));
    room->setBigRoomImageUrl(QStringLiteral("http://127.0.0.1/s/ok-big"));
    room->save();
    screen.info->groupInforCellChangeGroupIconButtonPressed(cover, cover->groupImageTapGesture());
    auto* viewer = qobject_cast<PLProfileImageViewController*>(screen.info->presentedViewController());
    QVERIFY(viewer);
    QVERIFY(loader.started.contains(QStringLiteral("http://127.0.0.1/s/ok-big")));
}

int main(int argc, char** argv) {
    test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestGroupInfo t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_groupinfo.moc"
