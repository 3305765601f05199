// Group information against the stand-in: leaving and closing with the media kept until the server
// accepts, the edits of the name and picture (a camera picture kept in the photo album), and the
// admin switches, each as it reaches the server.
#include "FakeCamera.h"
#include "GroupInfoTestKit.h"
#include "PhotoAlbumFolder.h"
#include "foundation/StandardFolders.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TextField.h"

#include <QApplication>
#include <QDir>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::TextField;
using standin::FaultInjector;

namespace {

QJsonArray liveRooms() {
    return {QJsonObject{{"_id", "g-admin"}, {"name", "Ops"}, {"members", QJsonArray{41, 42}}, {"admin", 41}},
            QJsonObject{
                {"_id", "g-member"}, {"name", "Design"}, {"members", QJsonArray{41, 42, 43}}, {"admin", 42}}};
}

// The form fields of the newest request to `path`.
QMap<QString, QString> lastForm(LiveService& service, const std::string& path) {
    const auto request = service.fixture.lastRequest(path);
    QMap<QString, QString> out;
    for (const auto& pair : decodeForm(request.body.empty() ? request.query : request.body))
        out.insert(pair.first, pair.second);
    return out;
}

QString mediaFolder(const QString& roomId) {
    return StandardFolders::publicDataPath() + QLatin1Char('/') + roomId;
}

// Types into the edit mode's name field and ends its editing, as the user does.
void typeName(InfoOnScreen& screen, const QString& name) {
    PLGroupInfoTableViewCell* cell = screen.cell(1);
    QVERIFY(cell && cell->groupNameTextField());
    TextField* field = cell->groupNameTextField();
    field->setText(QString());
    cell->configureEditGroupNameCell(QString(), false);
    field->insert(name);
    screen.info->groupInforCellDidEndEditingTextField(cell, field);
}

bool busyGoes() {
    QCoreApplication::processEvents();
    return QTest::qWaitFor([] { return !PLActivityIndicatorView::isVisible(); }, 5000);
}

} // namespace

class TestGroupEdit : public QObject {
    Q_OBJECT
private slots:
    void init() {
        service = std::make_unique<LiveService>(liveRooms());
        pictures = FakePictures::install();
    }
    void cleanup() {
        PLImageSelectionProvider::setCurrent({});
        service.reset();
    }

    void leavingMovesBackByTheStack_data();
    void leavingMovesBackByTheStack();
    void aRefusedLeaveKeepsTheMedia();
    void renameAloneSendsTheNameAsTyped();
    void blankNamesAndNoChanges();
    void nameAndPictureGoInOneUpdateAfterTwoUploads();
    void theLastPictureChoiceWins();
    void editsThatFailOrCannotStart();
    void switchesSendTheOtherCurrentValues();
    void aCameraPictureIsKeptInTheAlbumOnceALibraryPickNot();

private:
    std::unique_ptr<LiveService> service;
    FakePictures* pictures = nullptr;
};

void TestGroupEdit::leavingMovesBackByTheStack_data() {
    QTest::addColumn<QString>("room");
    QTest::addColumn<int>("depth");
    QTest::addColumn<int>("left");
    QTest::addColumn<std::string>("request");
    // A stack of two is dismissed as a whole (left: -1).
    QTest::newRow("member, stack of 2") << "g-member" << 2 << -1 << std::string("/rooms/g-member/members/");
    QTest::newRow("member, stack of 3") << "g-member" << 3 << 1 << std::string("/rooms/g-member/members/");
    QTest::newRow("admin closes, stack of 4") << "g-admin" << 4 << 2 << std::string("/rooms/g-admin");
}

void TestGroupEdit::leavingMovesBackByTheStack() {
    QFETCH(QString, room);
    QFETCH(int, depth);
    QFETCH(int, left);
    QFETCH(std::string, request);
    InfoOnScreen screen(room, depth, {320, 568}, depth == 2);
    QVERIFY(busyGoes());
    QVERIFY(QDir().mkpath(mediaFolder(room)));
    const int table = screen.info->groupInfoArray().indexOf(PLGroupInfoViewController::LeaveRow) + 1;
    screen.info->didSelectRowAtIndexPath(screen.table(), {0, table});
    AlertView* confirm = screen.alert();
    QVERIFY(confirm);
    QCOMPARE(confirm->tag(), int(PLGroupInfoViewController::LeaveTag));
    confirm->tapButtonAtIndex(0);
    QVERIFY(busyGoes());
    QTRY_VERIFY(!QDir(mediaFolder(room)).exists());
    int deletes = 0;
    for (const auto& logged : service->fixture.server().requestLog())
        deletes += logged.method == "DELETE" && logged.path.rfind(request, 0) == 0;
    QCOMPARE(deletes, 1);
    if (left < 0)
        QTRY_VERIFY(!screen.presenter->presentedViewController());
    else
        QTRY_COMPARE(screen.nav->viewControllers().size(), left);
    QCOMPARE(service->analytics.last("Delete conv & leave").value("success").toBool(), true);
}

void TestGroupEdit::aRefusedLeaveKeepsTheMedia() {
    InfoOnScreen screen("g-member", 3);
    QVERIFY(busyGoes());
    QVERIFY(QDir().mkpath(mediaFolder("g-member")));
    QFile kept(mediaFolder("g-member") + QStringLiteral("/photo.jpg"));
    QVERIFY(kept.open(QIODevice::WriteOnly));
    kept.write("jpeg");
    kept.close();
    service->fixture.server().addFault(
        {"/rooms/g-member/members/.*", "DELETE", 1, FaultInjector::Mode::ErrorEnvelope});
    screen.info->didSelectRowAtIndexPath(screen.table(), {0, 4});
    QVERIFY(screen.answer(QStringLiteral("Yes")));
    QVERIFY(busyGoes());
    QTRY_VERIFY(screen.alert() && screen.alert()->tag() == 0);
    QVERIFY(!screen.alert()->message().isEmpty());
    QVERIFY(QFile::exists(kept.fileName()));
    QCOMPARE(screen.nav->topViewController(), screen.info);
    QCOMPARE(ChatRoom::chatRoomWithID("g-member")->status(), qint16(0));
}

void TestGroupEdit::renameAloneSendsTheNameAsTyped() {
    InfoOnScreen screen("g-admin");
    QVERIFY(busyGoes());
    screen.info->editGroup();
    QVERIFY(screen.info->isEditing());
    QCOMPARE(screen.info->navigationItem()->leftBarButtonItem()->systemItem(),
             platform::ui::BarButtonItem::SystemItem::Cancel);
    QVERIFY(screen.info->navigationItem()->hidesBackButton());
    QCOMPARE(screen.info->bottomView()->geometry().bottom(), screen.info->view()->rect().bottom());
    typeName(screen, QStringLiteral(" Ops 2 "));
    screen.info->editGroup();
    QVERIFY(!screen.info->isEditing());
    QVERIFY(screen.info->bottomView()->y() >= screen.info->view()->height());
    QVERIFY(busyGoes());
    QTRY_COMPARE(service->requests("POST", "/rooms/g-admin/update"), 1);
    QTRY_COMPARE(ChatRoom::chatRoomWithID("g-admin")->name().trimmed(), QStringLiteral("Ops 2"));
    const auto form = lastForm(*service, "/rooms/g-admin/update");
    QCOMPARE(form.value("newName"), QStringLiteral(" Ops 2 "));
    QVERIFY(!form.contains("imgUrl"));
    QVERIFY(!form.contains("bigImgUrl"));
    QCOMPARE(form.value("adminOnly"), QStringLiteral("false"));
}

void TestGroupEdit::blankNamesAndNoChanges() {
    InfoOnScreen screen("g-admin");
    QVERIFY(busyGoes());
    service->fixture.server().clearRequestLog();
    screen.info->editGroup();
    screen.info->editGroup();
    QCOMPARE(service->requests("POST", "/update"), 0);
    screen.info->editGroup();
    typeName(screen, QStringLiteral(" \t "));
    screen.info->editGroup();
    QCOMPARE(screen.alert()->message(), QStringLiteral("Group name cannot be blank"));
    QVERIFY(screen.info->isEditing());
    screen.info->editCanceled();
    QVERIFY(!screen.info->isEditing());
    QCOMPARE(service->requests("POST", "/update"), 0);
}

void TestGroupEdit::nameAndPictureGoInOneUpdateAfterTwoUploads() {
    FakeUploads uploads;
    InfoOnScreen screen("g-admin");
    QVERIFY(busyGoes());
    screen.info->editGroup();
    typeName(screen, QStringLiteral("Ops 3"));
    pictures->answers << FakePictures::picked(Qt::green);
    screen.info->groupInforCellChangeGroupIconButtonPressed(screen.cell(0),
                                                            screen.cell(0)->changeIconButton());
    QVERIFY(!pictures->requests.last().offerRemoval);
    QCOMPARE(screen.cell(0)->currentGroupImage().pixel(5, 5), QColor(Qt::green).rgb());
    service->fixture.server().clearRequestLog();
    screen.info->editGroup();
    QVERIFY(busyGoes());
    QCOMPARE(uploads.sides, (QList<int>{250, 640}));
    // An update an earlier case left in flight may land in this log too: find this case's own one.
    const auto updateNamed = [&](const QString& name) {
        for (const auto& r : service->fixture.server().requestLog()) {
            if (r.method != "POST" || r.path.find("/rooms/g-admin/update") == std::string::npos)
                continue;
            QMap<QString, QString> fields;
            for (const auto& pair : decodeForm(r.body.empty() ? r.query : r.body))
                fields.insert(pair.first, pair.second);
            if (fields.value(QStringLiteral("newName")) == name)
                return fields;
        }
        return QMap<QString, QString>();
    };
    QTRY_VERIFY(!updateNamed(QStringLiteral("Ops 3")).isEmpty());
    const auto form = updateNamed(QStringLiteral("Ops 3"));
    QCOMPARE(form.value("newName"), QStringLiteral("Ops 3"));
    QCOMPARE(form.value("imgUrl"), QStringLiteral("http://pictures.test/250"));
    QCOMPARE(form.value("bigImgUrl"), QStringLiteral("http://pictures.test/640"));
    QCOMPARE(form.value("hideMemberProfile"), QStringLiteral("false"));
    QTRY_COMPARE(ChatRoom::chatRoomWithID("g-admin")->imageUrl(), QStringLiteral("http://pictures.test/250"));
    QVERIFY(screen.info->chosenImage().isNull());
    QCOMPARE(service->analytics.last("Group-Profile pic added").value("success").toString(),
             QStringLiteral("Success"));
}

void TestGroupEdit::theLastPictureChoiceWins() {
    FakeUploads uploads;
    InfoOnScreen screen("g-admin");
    QVERIFY(busyGoes());
    auto room = ChatRoom::chatRoomWithID("g-admin");
    room->setImageUrl(QStringLiteral("http://pictures.test/old"));
    room->save();
    screen.info->editGroup();
    // Remove, then pick: the pick clears the removal.
    pictures->answers << std::nullopt << FakePictures::picked(Qt::red);
    screen.info->groupInforCellChangeGroupIconButtonPressed(screen.cell(0), nullptr);
    QVERIFY(pictures->requests.last().offerRemoval);
    QCOMPARE(screen.alert()->message(), QStringLiteral("Are you sure you want to remove profile image?"));
    QVERIFY(screen.answer(QStringLiteral("Yes")));
    QVERIFY(screen.info->shouldRemoveGroupImage());
    screen.info->groupInforCellChangeGroupIconButtonPressed(screen.cell(0), nullptr);
    QVERIFY(!screen.info->shouldRemoveGroupImage());
    QVERIFY(!screen.info->chosenImage().isNull());
    // Pick, then remove: the picture goes and Done asks for the default.
    pictures->answers << std::nullopt;
    screen.info->groupInforCellChangeGroupIconButtonPressed(screen.cell(0), nullptr);
    QVERIFY(screen.answer(QStringLiteral("Yes")));
    QVERIFY(screen.info->chosenImage().isNull());
    service->fixture.server().clearRequestLog();
    screen.info->editGroup();
    QVERIFY(busyGoes());
    QVERIFY(uploads.sides.isEmpty());
    QTRY_COMPARE(service->requests("POST", "/rooms/g-admin/update"), 1);
    const auto form = lastForm(*service, "/rooms/g-admin/update");
    QCOMPARE(form.value("imgUrl"), QStringLiteral("USE_DEFAULT_IMAGE"));
    QCOMPARE(form.value("bigImgUrl"), QStringLiteral("USE_DEFAULT_IMAGE"));
    QVERIFY(!form.contains("newName"));
    QTRY_VERIFY(!screen.info->shouldRemoveGroupImage());
}

void TestGroupEdit::editsThatFailOrCannotStart() {
    FakeUploads uploads;
    InfoOnScreen screen("g-admin");
    QVERIFY(busyGoes());
    // An upload over the limit: told, the screen given back, nothing sent, and the picked picture
    // stays on the cover until the next Cancel.
    service->fixture.server().clearRequestLog();
    uploads.outcomes << PLSizedImageUpload::Outcome::TooLarge;
    screen.info->editGroup();
    pictures->answers << FakePictures::picked(Qt::green);
    screen.info->groupInforCellChangeGroupIconButtonPressed(screen.cell(0), nullptr);
    screen.info->editGroup();
    QVERIFY(busyGoes());
    QCOMPARE(screen.alert()->message(), QStringLiteral("Max 25MB can be uploaded"));
    QVERIFY(!screen.info->isEditing());
    QVERIFY(!screen.info->chosenImage().isNull());
    QCOMPARE(screen.cell(0)->currentGroupImage().pixel(5, 5), QColor(Qt::green).rgb());
    QCOMPARE(service->requests("POST", "/update"), 0);
    screen.info->editGroup();
    QCOMPARE(screen.cell(0)->currentGroupImage().pixel(5, 5), QColor(Qt::green).rgb());
    screen.info->editCanceled();
    QVERIFY(screen.info->chosenImage().isNull());
    QVERIFY(screen.cell(0)->currentGroupImage().pixel(5, 5) != QColor(Qt::green).rgb());
    // An update that cannot start after the uploads: the same.
    GroupPictureUpload::setUploader(
        [this](QObject*, const QImage&, int side, PLSizedImageUpload::Completion done) {
            PLMultiMediaInfo info;
            info.s3TinyURL = QStringLiteral("http://pictures.test/%1").arg(side);
            if (side == 640)
                service->fixture.setOnline(false);
            done(PLSizedImageUpload::Outcome::Uploaded, info);
        });
    service->fixture.server().clearRequestLog();
    screen.info->editGroup();
    pictures->answers << FakePictures::picked(Qt::green);
    screen.info->groupInforCellChangeGroupIconButtonPressed(screen.cell(0), nullptr);
    screen.info->editGroup();
    QVERIFY(busyGoes());
    QVERIFY(screen.info->chosenImage().isNull());
    QCOMPARE(service->requests("POST", "/update"), 0);
    // A confirmed switch whose change cannot be sent goes back.
    service->fixture.setOnline(true);
    const int adminOnlyRow =
        screen.info->groupInfoArray().indexOf(PLGroupInfoViewController::AdminOnlyRow) + 1;
    PLGroupInfoTableViewCell* row = screen.cell(adminOnlyRow);
    QTest::keyClick(row->stateSwitch(), Qt::Key_Space);
    QCOMPARE(screen.info->adminOnlyState(), qint64(1));
    service->fixture.setOnline(false);
    row->confirmation()->tapButtonAtIndex(1);
    QVERIFY(busyGoes());
    QCOMPARE(screen.info->adminOnlyState(), qint64(0));
    QVERIFY(!screen.cell(adminOnlyRow)->stateSwitch()->isOn());
    QCOMPARE(service->requests("POST", "/update"), 0);
}

void TestGroupEdit::switchesSendTheOtherCurrentValues() {
    auto room = ChatRoom::chatRoomWithID("g-admin");
    InfoOnScreen screen("g-admin");
    QVERIFY(busyGoes());
    const int adminOnlyRow =
        screen.info->groupInfoArray().indexOf(PLGroupInfoViewController::AdminOnlyRow) + 1;
    QTest::keyClick(screen.cell(adminOnlyRow)->stateSwitch(), Qt::Key_Space);
    screen.cell(adminOnlyRow)->confirmation()->tapButtonAtIndex(1);
    QVERIFY(busyGoes());
    QTRY_VERIFY(screen.alert() && screen.alert()->title() == QLatin1String("Success"));
    QCOMPARE(screen.alert()->message(), QStringLiteral("Admin only chat is enabled"));
    auto form = lastForm(*service, "/rooms/g-admin/update");
    QCOMPARE(form.value("adminOnly"), QStringLiteral("true"));
    QCOMPARE(form.value("hideMemberProfile"), QStringLiteral("false"));
    QCOMPARE(form.value("newName"), QStringLiteral("Ops"));
    QVERIFY(!form.contains("imgUrl"));
    QTRY_VERIFY(ChatRoom::chatRoomWithID("g-admin")->adminOnly());
    QCOMPARE(screen.info->adminOnlyState(), qint64(0));
    // A refusal says so and turns the switch back.
    service->fixture.server().addFault(
        {"/rooms/g-admin/update", "POST", 1, FaultInjector::Mode::ErrorEnvelope});
    const int hideRow = screen.info->groupInfoArray().indexOf(PLGroupInfoViewController::HideMemberRow) + 1;
    QTest::keyClick(screen.cell(hideRow)->stateSwitch(), Qt::Key_Space);
    QCOMPARE(screen.cell(hideRow)->confirmation()->title(), QStringLiteral("Hide Member Info"));
    screen.cell(hideRow)->confirmation()->tapButtonAtIndex(1);
    QVERIFY(busyGoes());
    QTRY_VERIFY(screen.alert() && screen.alert()->title() == QLatin1String("Failed"));
    form = lastForm(*service, "/rooms/g-admin/update");
    QCOMPARE(form.value("hideMemberProfile"), QStringLiteral("true"));
    QCOMPARE(form.value("adminOnly"), QStringLiteral("true"));
    QVERIFY(!screen.cell(hideRow)->stateSwitch()->isOn());
    QVERIFY(!ChatRoom::chatRoomWithID("g-admin")->hideMemberProfile());
}

void TestGroupEdit::aCameraPictureIsKeptInTheAlbumOnceALibraryPickNot() {
    FakeCamera camera;
    InfoOnScreen screen("g-admin");
    QVERIFY(busyGoes());
    const auto choose = [&](const QString& source) {
        screen.info->editGroup();
        screen.info->groupInforCellChangeGroupIconButtonPressed(screen.cell(0), nullptr);
        QVERIFY(screen.answer(source));
        QVERIFY(!screen.info->chosenImage().isNull());
    };
    const auto s3Puts = [&] {
        int puts = 0;
        for (const auto& r : service->fixture.server().requestLog())
            puts += r.server == "s3" && r.method == "PUT" && r.status == 200;
        return puts;
    };
    service->fixture.server().clearRequestLog();

    // Taken with the camera: kept once, though both sizes go up and the first Done fails.
    camera.takes(FakeCamera::picture(Qt::darkRed));
    choose(QStringLiteral("Camera"));
    if (QTest::currentTestFailed())
        return;
    QVERIFY(service->fixture.server().addFault({"/", "PUT", 1, FaultInjector::Mode::ServerError}));
    screen.info->editGroup();
    QTRY_VERIFY_WITH_TIMEOUT(screen.alert(), 20000);
    QVERIFY(busyGoes());
    QCOMPARE(screen.alert()->message(), QStringLiteral("Image upload failed.Please try again later"));
    screen.dismissAlerts();
    screen.info->editGroup();
    screen.info->editGroup();
    QTRY_COMPARE_WITH_TIMEOUT(service->requests("POST", "/rooms/g-admin/update"), 1, 20000);
    QCOMPARE(s3Puts(), 2);
    QTRY_COMPARE(PhotoAlbumFolder::albumPictures().size(), 1);
    PhotoAlbumFolder::settle();
    QCOMPARE(PhotoAlbumFolder::savedPictures().size(), 1);
    QCOMPARE(PhotoAlbumFolder::albumPictures().size(), 1);

    // Picked from the library: it is there already.
    QTRY_VERIFY(screen.info->chosenImage().isNull());
    camera.libraryHolds(FakeCamera::picture(Qt::darkBlue));
    choose(QStringLiteral("Photo Library"));
    if (QTest::currentTestFailed())
        return;
    screen.info->editGroup();
    QTRY_COMPARE_WITH_TIMEOUT(service->requests("POST", "/rooms/g-admin/update"), 2, 20000);
    QCOMPARE(s3Puts(), 4);
    PhotoAlbumFolder::settle();
    QCOMPARE(PhotoAlbumFolder::savedPictures().size(), 1);
    QCOMPARE(PhotoAlbumFolder::albumPictures().size(), 1);
}

int main(int argc, char** argv) {
    test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestGroupEdit t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_groupedit.moc"
