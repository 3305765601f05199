// The new group flow: the order of its checks, the form's rules, the one member list shared with the
// editor, and the creation against the stand-in with and without an icon (a camera picture kept in
// the photo album), and when it fails.
#include "BarTitleFonts.h"
#include "FakeCamera.h"
#include "GeneratedCards.h"
#include "GroupInfoTestKit.h"
#include "KeyPresses.h"
#include "MirroredGeometry.h"
#include "PhotoAlbumFolder.h"
#include "core/model/PLAddressBookContact.h"
#include "core/model/PLAddressBookHelper.h"
#include "interface/PLPelnixContact.h"
#include "platform/AddressBook.h"
#include "platform/ui/Label.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TextField.h"
#include "ui/contacts/PLContactsTableViewCell.h"
#include "ui/rooms/PLNewGroupMembersViewController.h"
#include "ui/rooms/PLNewGroupTableViewController.h"
#include "ui/rooms/PLNewGroupViewController.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSignalSpy>
#include <QStyle>
#include <QTemporaryDir>
#include <optional>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::TextField;
using standin::FaultInjector;

namespace {

QVariant person(const char* name, const char* email, const char* phone = "") {
    return QVariant::fromValue(
        PLAddressBookContact{QString::fromUtf8(name), QString::fromUtf8(email), QString::fromUtf8(phone), 0});
}

// What the contact picker hears back from the flow.
class FakePresenter : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE void dismissPresentingViewControllerAndOpenChatRoom(const QString& roomID) {
        opened << roomID;
    }
    QStringList opened;
    QList<QVariantList> returned;
    NewGroupMembersHandler handler() {
        return [this](const QVariantList& list) { returned << list; };
    }
};

// The flow as the picker presents it: the registry's navigation controller, modal over a screen.
struct FlowOnScreen {
    Window window;
    PlainScreen* presenter = new PlainScreen;
    NavigationController* nav = nullptr;
    PLNewGroupViewController* screen = nullptr;
    FakePresenter delegate;

    explicit FlowOnScreen(const QVariantList& members, QSize size = {320, 568}) {
        window.resize(size);
        window.setRootViewController(presenter);
        window.makeKeyAndVisible();
        nav = qobject_cast<NavigationController*>(platform::ui::ScreenRegistry::shared()->instantiate(
            QStringLiteral("Home"), QStringLiteral("PLNewGroupNavigationController")));
        screen = qobject_cast<PLNewGroupViewController*>(nav->topViewController());
        screen->setProperty("selectedContactsArray", members);
        screen->setProperty("delegate", QVariant::fromValue<QObject*>(&delegate));
        screen->setProperty("newGroupViewCompletionHandler", QVariant::fromValue(delegate.handler()));
        presenter->presentViewController(nav, false);
        QCoreApplication::processEvents();
    }
    PLNewGroupTableViewController* form() const { return screen->form(); }
    // The members editor the screen presents from its Group Members button; null when none shows.
    PLNewGroupMembersViewController* openMembersEditor() {
        screen->editMembers();
        auto* editorNav = qobject_cast<NavigationController*>(screen->presentedViewController());
        auto* editor = editorNav
                           ? qobject_cast<PLNewGroupMembersViewController*>(editorNav->topViewController())
                           : nullptr;
        QCoreApplication::processEvents();
        return editor;
    }
    void typeName(const QString& name) {
        TextField* field = form()->groupNameTextField();
        field->setFocus();
        field->insert(name);
        field->clearFocus();
    }
    AlertView* alert() const { return window.alerts().isEmpty() ? nullptr : window.alerts().last(); }
    void dismissAlerts() {
        for (AlertView* shown : window.alerts())
            shown->dismiss();
    }
    bool doneEnabled() const { return screen->doneBarButtonItem()->isEnabled(); }
};

bool busyGoes() {
    QCoreApplication::processEvents();
    return QTest::qWaitFor([] { return !PLActivityIndicatorView::isVisible(); }, 5000);
}

QMap<QString, QString> formOf(const standin::StandinServer::LoggedRequest& request) {
    QMap<QString, QString> out;
    for (const auto& pair : decodeForm(request.body.empty() ? request.query : request.body))
        out.insert(pair.first, pair.second);
    return out;
}

int creations(LiveService& service) {
    int count = 0;
    for (const auto& logged : service.fixture.server().requestLog())
        count += logged.server == "api" && logged.method == "POST" &&
                 (logged.path == "/rooms" || logged.path == "/rooms/");
    return count;
}

} // namespace

class TestNewGroup : public QObject {
    Q_OBJECT
private slots:
    void init() { pictures = FakePictures::install(); }
    void cleanup() { PLImageSelectionProvider::setCurrent({}); }

    void theNameIsCheckedBeforeTheMembers_data();
    void theNameIsCheckedBeforeTheMembers();
    void theNameFieldRefusesWholeChanges();
    void aPickWithoutAPictureSetsNoIcon();
    void rightToLeftUsesTheMirroredForm();
    void theFormMirrorsRightToLeft_data();
    void theFormMirrorsRightToLeft();
    void theEditorWorksOnTheScreensOwnList();
    void thePickersCopyIsHandedBackOnDone();
    void theEditorsAddressBookPhotosAreReadOffTheMainThread();
    void memberRowHeights_data();
    void memberRowHeights();
    void createsWithoutAnIconSendingNoURLs();
    void createsWithAnIconAfterTwoUploads();
    void aFailedCreationKeepsTheInputs();
    void uploadsOrCreationsThatCannotGoOnGiveTheScreenBack();
    void aCameraPictureIsKeptInTheAlbumOnceALibraryPickNot();
    void theBottomButtonsTakeTheKeys_data();
    void theBottomButtonsTakeTheKeys();

private:
    FakePictures* pictures = nullptr;
};

void TestNewGroup::theNameIsCheckedBeforeTheMembers_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("typed");
    QTest::addColumn<int>("members");
    QTest::addColumn<QString>("message");
    QTest::newRow("never typed, one member") << "" << false << 1 << "Please enter a group name";
    QTest::newRow("spaces only, three members") << "   " << true << 3 << "Please enter a group name";
    QTest::newRow("emptied, none") << "" << true << 0 << "Please enter a group name";
    QTest::newRow("named, one member") << "Ops" << true << 1 << "Please add at least 2 members";
    QTest::newRow("named, none") << "Ops" << true << 0 << "Please add at least 2 members";
}

void TestNewGroup::theNameIsCheckedBeforeTheMembers() {
    QFETCH(QString, name);
    QFETCH(bool, typed);
    QFETCH(int, members);
    QFETCH(QString, message);
    RoomsStore store;
    QVariantList list;
    for (int i = 0; i < members; ++i)
        list << person("P", qPrintable(QStringLiteral("p%1@x.test").arg(i)));
    FlowOnScreen flow(list);
    if (typed)
        flow.typeName(name);
    flow.screen->doneButtonClicked();
    QVERIFY(flow.alert());
    QCOMPARE(flow.alert()->title(), QString());
    QCOMPARE(flow.alert()->message(), message);
    QCOMPARE(flow.window.alerts().size(), 1);
    QVERIFY(flow.doneEnabled());
    QVERIFY(!PLActivityIndicatorView::isVisible());
}

void TestNewGroup::theNameFieldRefusesWholeChanges() {
    RoomsStore store;
    FlowOnScreen flow({});
    TextField* field = flow.form()->groupNameTextField();
    field->insert(QString(21, QLatin1Char('x')));
    QCOMPARE(field->text(), QString());
    QCOMPARE(flow.form()->counterTextLabel()->text(), QStringLiteral("0/20"));
    field->insert(QString(19, QLatin1Char('x')));
    field->insert(QString::fromUtf8("\xF0\x9F\x98\x80"));
    QCOMPARE(field->text().size(), 19);
    QCOMPARE(flow.form()->counterTextLabel()->text(), QStringLiteral("19/20"));
    field->insert(QStringLiteral("y"));
    QCOMPARE(flow.form()->counterTextLabel()->text(), QStringLiteral("20/20"));
    // Only the end of editing commits the name.
    QVERIFY(!flow.form()->groupName());
    field->setFocus();
    field->clearFocus();
    QCOMPARE(flow.form()->groupName().value_or(QString()).size(), 20);
}

void TestNewGroup::aPickWithoutAPictureSetsNoIcon() {
    RoomsStore store;
    FlowOnScreen flow({});
    pictures->answers << std::nullopt << FakePictures::picked(Qt::red);
    flow.form()->chooseImage();
    QVERIFY(!flow.form()->isGroupIconSet());
    flow.form()->chooseImage();
    QVERIFY(flow.form()->isGroupIconSet());
    QCOMPARE(flow.form()->groupIconImageView()->image().pixel(1, 1), QColor(Qt::red).rgb());
    // A later answer without a picture keeps the picked one.
    pictures->answers << std::nullopt;
    flow.form()->chooseImage();
    QVERIFY(flow.form()->isGroupIconSet());
}

void TestNewGroup::rightToLeftUsesTheMirroredForm() {
    RoomsStore store;
    QGuiApplication::setLayoutDirection(Qt::RightToLeft);
    FlowOnScreen flow({});
    QGuiApplication::setLayoutDirection(Qt::LeftToRight);
    QCOMPARE(flow.form()->storyboardIdentifier(), QStringLiteral("PLNewGroupTableViewController_RTL"));
    QVERIFY(flow.form()->isRightToLeft());
    // The counter stands left of the name, the switches at the left edge, mirrored too: off, their
    // knobs at their right, as in a view right to left.
    QVERIFY(flow.form()->counterTextLabel()->x() < flow.form()->groupNameTextField()->x());
    QCOMPARE(flow.form()->adminOnlySwitch()->x(), 16);
    for (const platform::ui::Switch* toggle :
         {flow.form()->adminOnlySwitch(), flow.form()->hideMemberInfoSwitch()})
        QVERIFY(toggle->isRightToLeft());
}

void TestNewGroup::theFormMirrorsRightToLeft_data() {
    QTest::addColumn<test::Turned>("turned");
    QTest::newRow("window turned right to left") << test::Turned::FromTheStart;
    QTest::newRow("program right to left") << test::Turned::Program;
    QTest::newRow("form turned while shown") << test::Turned::WhileShown;
}

// Right to left every part of the form lies where left to right puts it, mirrored in the form's
// width: the picture button at the icon's lower left, the counter left of the name, the switches at
// the left; the name starts at the right.
void TestNewGroup::theFormMirrorsRightToLeft() {
    QFETCH(test::Turned, turned);
    RoomsStore store;
    FlowOnScreen leftToRight({});
    const auto parts = [](PLNewGroupTableViewController* form) {
        return QList<QWidget*>{form->groupIconImageView(), form->imageSelectionButton(),
                               form->groupNameTextField(), form->counterTextLabel(),
                               form->adminOnlySwitch(),    form->hideMemberInfoSwitch()};
    };
    const QList<QRect> mirrored = test::mirroredGeometries(parts(leftToRight.form()));
    std::optional<FlowOnScreen> flow;
    auto back = qScopeGuard([] { QGuiApplication::setLayoutDirection(Qt::LeftToRight); });
    if (turned == test::Turned::Program)
        QGuiApplication::setLayoutDirection(Qt::RightToLeft);
    flow.emplace(QVariantList{});
    if (turned == test::Turned::FromTheStart)
        flow->window.setLayoutDirection(Qt::RightToLeft);
    test::turnRightToLeft(turned, true, flow->form()->view());
    QCOMPARE(test::geometries(parts(flow->form())), mirrored);
    const TextField* name = flow->form()->groupNameTextField();
    QVERIFY(QStyle::visualAlignment(name->layoutDirection(), name->alignment()) & Qt::AlignRight);
}

void TestNewGroup::theEditorWorksOnTheScreensOwnList() {
    RoomsStore store;
    FakeContactPicker::registerScreen();
    FlowOnScreen flow({person("Bo", "bo@x.test"), person("Cy", "cy@x.test"), person("Di", "di@x.test")});
    auto* editor = flow.openMembersEditor();
    QVERIFY(editor);
    const NewGroupMemberList shared = flow.screen->members();
    QCOMPARE(editor->sharedMembers(), shared);
    QCOMPARE(editor->title(), QStringLiteral("Group Members"));
    QVERIFY(!editor->navigationItem()->leftBarButtonItem());
    QVERIFY(editor->bottomView()->isVisible());
    // A removal shows in the screen's list at once; every member may go.
    auto* row =
        qobject_cast<PLContactsTableViewCell*>(editor->contactsTableView()->cellForRowAtIndexPath({0, 1}));
    QVERIFY(row);
    QVERIFY(row->removeButton()->isVisible());
    editor->removeMemberFromContactCell(row);
    QCOMPARE(flow.screen->selectedContactsArray().size(), 2);
    QCOMPARE(flow.screen->selectedContactsArray().value(1).value<PLAddressBookContact>().email,
             QStringLiteral("di@x.test"));
    // Add more: the picker is offered the current list, and its choice is appended in order.
    editor->addMoreMembers();
    QTRY_VERIFY(FakeContactPicker::last());
    QCOMPARE(FakeContactPicker::last()->added.size(), 2);
    QVERIFY(FakeContactPicker::last()->isPresentedToAddMoreContacts);
    FakeContactPicker::last()->addContacts({person("Ed", "ed@x.test"), person("Fa", "fa@x.test")});
    QCOMPARE(flow.screen->selectedContactsArray().size(), 4);
    QCOMPARE(flow.screen->selectedContactsArray().value(3).value<PLAddressBookContact>().email,
             QStringLiteral("fa@x.test"));
    QCOMPARE(editor->contactsTableView()->numberOfRows(0), 4);
    for (int i = 0; i < 4; ++i)
        editor->removeMemberFromContactCell(qobject_cast<PLContactsTableViewCell*>(
            editor->contactsTableView()->cellForRowAtIndexPath({0, 0})));
    QVERIFY(flow.screen->selectedContactsArray().isEmpty());
    FakeContactPicker::last()->dismissViewController(false);
    editor->doneButtonClicked();
    QTRY_VERIFY(!flow.screen->presentedViewController());
    // Done put the contents back into the same list object: there is still only one.
    QCOMPARE(flow.screen->members(), shared);
    // Done on the screen: no members now.
    flow.typeName(QStringLiteral("Ops"));
    flow.screen->doneButtonClicked();
    QCOMPARE(flow.alert()->message(), QStringLiteral("Please add at least 2 members"));
    // Cancel hands the picker the list as edited.
    flow.screen->cancelButtonTapped();
    QCOMPARE(flow.delegate.returned.size(), 1);
    QVERIFY(flow.delegate.returned.first().isEmpty());
    QTRY_VERIFY(!flow.presenter->presentedViewController());
}

void TestNewGroup::theEditorsAddressBookPhotosAreReadOffTheMainThread() {
    RoomsStore store;
    QTemporaryDir folder;
    QFile cards(folder.filePath(QStringLiteral("book.vcf")));
    QVERIFY(cards.open(QIODevice::WriteOnly));
    for (int i = 0; i < 3; ++i)
        cards.write(generatedCard(i, greyPNG({96, 96})));
    cards.close();
    auto* book = platform::AddressBook::sharedAddressBook();
    book->setFolder(folder.path());
    book->setAuthorizationStatus(platform::AddressBook::Authorization::Authorized);
    QSemaphore held;
    const auto restore = qScopeGuard([book, &held] {
        held.release();
        PLAddressBookHelper::readingPool()->waitForDone();
        book->setFolder(QString());
    });
    QVariantList members;
    for (const platform::AddressBookPerson& someone : platform::AddressBook::readFolder(folder.path()))
        members << QVariant::fromValue(PLAddressBookContact{someone.firstName, someone.emails.value(0).value,
                                                            QString(), someone.recordID});
    QCOMPARE(members.size(), 3);
    const auto photoShown = [](PLContactsTableViewCell* row) {
        const QImage image = row->contactImageView()->image();
        return !image.isNull() && qGray(image.pixel(image.width() / 2, image.height() / 2)) == kPhotoGrey;
    };

    // The reading thread is held: a photo can only come from there.
    PLAddressBookHelper::readingPool()->start([&held] { held.acquire(); });
    FlowOnScreen flow(members);
    auto* editor = flow.openMembersEditor();
    QVERIFY(editor);
    TableView* table = editor->contactsTableView();
    QCOMPARE(table->numberOfRows(0), 3);
    for (int row = 0; row < 3; ++row)
        QVERIFY(!photoShown(qobject_cast<PLContactsTableViewCell*>(table->cellForRowAtIndexPath({0, row}))));
    held.release();
    QTRY_COMPARE(editor->bookThumbnails().size(), 3);
    for (int row = 0; row < 3; ++row)
        QVERIFY(photoShown(qobject_cast<PLContactsTableViewCell*>(table->cellForRowAtIndexPath({0, row}))));
    flow.screen->cancelButtonTapped();
}

void TestNewGroup::thePickersCopyIsHandedBackOnDone() {
    RoomsStore store;
    Window window;
    window.resize(320, 568);
    auto* presenter = new PlainScreen;
    window.setRootViewController(presenter);
    window.makeKeyAndVisible();
    auto* nav = qobject_cast<NavigationController*>(platform::ui::ScreenRegistry::shared()->instantiate(
        QStringLiteral("Home"), QStringLiteral("PLNewGroupMembersViewController")));
    auto* editor = qobject_cast<PLNewGroupMembersViewController*>(nav->topViewController());
    const QVariantList chosen{person("Bo", "bo@x.test"), person("Cy", "cy@x.test")};
    editor->setProperty("selectedContactsArray", chosen);
    editor->setProperty("shouldShowAddMoreMembersOption", false);
    QList<QVariantList> returned;
    editor->setProperty(
        "editedGroupMembersCompletionHandler",
        QVariant::fromValue(NewGroupMembersHandler([&](const QVariantList& list) { returned << list; })));
    presenter->presentViewController(nav, false);
    QCoreApplication::processEvents();
    QCOMPARE(editor->title(), QStringLiteral("Members list"));
    QVERIFY(!editor->bottomView()->isVisible());
    QVERIFY(editor->navigationItem()->leftBarButtonItem());
    // Cancel and Done in the library's bar font, whatever the window's.
    test::verifyBarTitlesInFont(nav->navigationBar(), 2);
    editor->removeMemberFromContactCell(
        qobject_cast<PLContactsTableViewCell*>(editor->contactsTableView()->cellForRowAtIndexPath({0, 0})));
    editor->cancelButtonClicked();
    QVERIFY(returned.isEmpty());
    QTRY_VERIFY(!presenter->presentedViewController());
}

void TestNewGroup::memberRowHeights_data() {
    QTest::addColumn<QVariant>("member");
    QTest::addColumn<qreal>("height");
    QTest::newRow("short e-mail") << person("Bo", "bo@x.test") << qreal(64);
    QTest::newRow("phone before e-mail") << person("Bo", "", "+1 555 0100") << qreal(64);
    QTest::newRow("long address wraps")
        << person("Bo", "a.very.long.address.that.cannot.fit.on.one.line@example.test") << qreal(76);
    QTest::newRow("host contact by e-mail")
        << QVariant::fromValue(
               PLPelnixContact{"Di", "a.very.long.address.that.cannot.fit.one.line@example.test", "+1"})
        << qreal(76);
    QTest::newRow("nothing to show") << QVariant(QStringLiteral("x")) << qreal(64);
}

void TestNewGroup::memberRowHeights() {
    QFETCH(QVariant, member);
    QFETCH(qreal, height);
    RoomsStore store;
    PLNewGroupMembersViewController editor;
    QCOMPARE(editor.heightForMember(member, 320), height);
}

void TestNewGroup::createsWithoutAnIconSendingNoURLs() {
    LiveService service({});
    FlowOnScreen flow({QVariant::fromValue(User::userWithID(42)), person("Carla", "carla@acme.test")});
    flow.typeName(QStringLiteral("  Launch team  "));
    flow.form()->adminOnlySwitch()->setOn(true);
    flow.screen->doneButtonClicked();
    QVERIFY(busyGoes());
    QTRY_COMPARE(flow.delegate.opened.size(), 1);
    QCOMPARE(creations(service), 1);
    const auto form = formOf(service.fixture.lastRequest("/rooms"));
    QCOMPARE(form.value("name"), QStringLiteral("Launch team"));
    QCOMPARE(form.value("welcomeMessage"), QString());
    QVERIFY(form.contains("welcomeMessage"));
    QVERIFY(!form.contains("imgUrl"));
    QVERIFY(!form.contains("bigImgUrl"));
    QCOMPARE(form.value("adminOnly"), QStringLiteral("true"));
    const auto room = ChatRoom::chatRoomWithID(flow.delegate.opened.first());
    QVERIFY(room);
    QCOMPARE(room->name(), QStringLiteral("Launch team"));
    const QVariantMap event = service.analytics.last("Create group");
    QCOMPARE(event.value("success").toBool(), true);
    QCOMPARE(event.value("list of members").toLongLong(), 2);
    QCOMPARE(event.value("RoomId").toString(), room->roomId());
    QVERIFY(flow.doneEnabled());
}

void TestNewGroup::createsWithAnIconAfterTwoUploads() {
    LiveService service({});
    FakeUploads uploads;
    FlowOnScreen flow({person("Bob", "bob@acme.test"), person("Carla", "carla@acme.test")});
    flow.typeName(QStringLiteral("Pics"));
    pictures->answers << FakePictures::picked(Qt::green);
    flow.form()->chooseImage();
    flow.screen->doneButtonClicked();
    QVERIFY(busyGoes());
    QTRY_COMPARE(flow.delegate.opened.size(), 1);
    QCOMPARE(uploads.sides, (QList<int>{250, 640}));
    const auto form = formOf(service.fixture.lastRequest("/rooms"));
    QCOMPARE(form.value("imgUrl"), QStringLiteral("http://pictures.test/250"));
    QCOMPARE(form.value("bigImgUrl"), QStringLiteral("http://pictures.test/640"));
}

void TestNewGroup::aFailedCreationKeepsTheInputs() {
    LiveService service({});
    service.fixture.server().addFault({"/rooms/?$", "POST", 1, FaultInjector::Mode::ErrorEnvelope});
    FlowOnScreen flow({person("Bob", "bob@acme.test"), person("Carla", "carla@acme.test")});
    flow.typeName(QStringLiteral("Ops"));
    flow.screen->doneButtonClicked();
    QVERIFY(busyGoes());
    QTRY_VERIFY(flow.alert());
    QCOMPARE(flow.alert()->title(), QStringLiteral("Failed"));
    QVERIFY(!flow.alert()->message().isEmpty());
    QVERIFY(flow.delegate.opened.isEmpty());
    QVERIFY(flow.doneEnabled());
    QCOMPARE(flow.form()->groupNameTextField()->text(), QStringLiteral("Ops"));
    QCOMPARE(flow.screen->selectedContactsArray().size(), 2);
    QCOMPARE(service.analytics.last("Create group").value("success").toBool(), false);
    // A second Done uses the same inputs and goes through.
    flow.dismissAlerts();
    flow.screen->doneButtonClicked();
    QTRY_COMPARE(flow.delegate.opened.size(), 1);
}

void TestNewGroup::uploadsOrCreationsThatCannotGoOnGiveTheScreenBack() {
    LiveService service({});
    FakeUploads uploads;
    uploads.outcomes << PLSizedImageUpload::Outcome::Uploaded << PLSizedImageUpload::Outcome::TooLarge;
    FlowOnScreen flow({person("Bob", "bob@acme.test"), person("Carla", "carla@acme.test")});
    flow.typeName(QStringLiteral("Ops"));
    pictures->answers << FakePictures::picked(Qt::green);
    flow.form()->chooseImage();
    flow.screen->doneButtonClicked();
    QVERIFY(busyGoes());
    QCOMPARE(flow.alert()->message(), QStringLiteral("Max 25MB can be uploaded"));
    QVERIFY(flow.doneEnabled());
    QCOMPARE(creations(service), 0);
    // The creation that cannot start: offline once the pictures are stored.
    flow.dismissAlerts();
    GroupPictureUpload::setUploader(
        [&service](QObject*, const QImage&, int side, PLSizedImageUpload::Completion done) {
            PLMultiMediaInfo info;
            info.s3TinyURL = QStringLiteral("http://pictures.test/%1").arg(side);
            if (side == 640)
                service.fixture.setOnline(false);
            done(PLSizedImageUpload::Outcome::Uploaded, info);
        });
    flow.screen->doneButtonClicked();
    QVERIFY(busyGoes());
    QVERIFY(flow.doneEnabled());
    QCOMPARE(flow.alert()->message(), QStringLiteral("Group creation failed"));
    QCOMPARE(creations(service), 0);
    QVERIFY(flow.delegate.opened.isEmpty());
}

void TestNewGroup::aCameraPictureIsKeptInTheAlbumOnceALibraryPickNot() {
    LiveService service({});
    FakeCamera camera;
    const auto create = [&](const QString& name, const QString& source, bool failFirst) {
        FlowOnScreen flow({person("Bob", "bob@acme.test"), person("Carla", "carla@acme.test")});
        flow.typeName(name);
        flow.form()->chooseImage();
        AlertView* sheet = flow.alert();
        QVERIFY(sheet);
        for (int i = 0; i < sheet->numberOfButtons(); ++i)
            if (sheet->buttonTitleAtIndex(i) == source)
                sheet->tapButtonAtIndex(i);
        QVERIFY(flow.form()->isGroupIconSet());
        if (failFirst) {
            // The first Done's upload fails; the second sends the same pick.
            QVERIFY(service.fixture.server().addFault({"/", "PUT", 1, FaultInjector::Mode::ServerError}));
            flow.screen->doneButtonClicked();
            QTRY_VERIFY_WITH_TIMEOUT(flow.alert(), 20000);
            QVERIFY(busyGoes());
            QCOMPARE(flow.alert()->message(), QStringLiteral("Image upload failed.Please try again later"));
            QVERIFY(flow.doneEnabled());
            flow.dismissAlerts();
        }
        flow.screen->doneButtonClicked();
        QTRY_COMPARE_WITH_TIMEOUT(flow.delegate.opened.size(), 1, 20000);
        QVERIFY(!formOf(service.fixture.lastRequest("/rooms")).value("imgUrl").isEmpty());
    };

    // Taken with the camera: kept once, though both sizes go up and the first Done fails.
    camera.takes(FakeCamera::picture(Qt::darkRed));
    create(QStringLiteral("Shots"), QStringLiteral("Camera"), true);
    if (QTest::currentTestFailed())
        return;
    QTRY_COMPARE(PhotoAlbumFolder::albumPictures().size(), 1);
    PhotoAlbumFolder::settle();
    QCOMPARE(PhotoAlbumFolder::savedPictures().size(), 1);
    QCOMPARE(PhotoAlbumFolder::albumPictures().size(), 1);

    // Picked from the library: it is there already.
    camera.libraryHolds(FakeCamera::picture(Qt::darkBlue));
    create(QStringLiteral("Library"), QStringLiteral("Photo Library"), false);
    if (QTest::currentTestFailed())
        return;
    PhotoAlbumFolder::settle();
    QCOMPARE(PhotoAlbumFolder::savedPictures().size(), 1);
    QCOMPARE(PhotoAlbumFolder::albumPictures().size(), 1);
}

void TestNewGroup::theBottomButtonsTakeTheKeys_data() {
    addPressingKeys({"Group Members", "Add more members"});
}

// Tab reaches the button along the bottom of the new group and of its members editor; Space, Return
// and the keypad's Enter press it, once for a key held down.
void TestNewGroup::theBottomButtonsTakeTheKeys() {
    QFETCH(QString, control);
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(int, repeats);
    RoomsStore store;
    FakeContactPicker::registerScreen();
    FlowOnScreen flow({person("Bo", "bo@x.test")});
    QVERIFY(QTest::qWaitForWindowActive(&flow.window));
    platform::ui::Button* target = flow.screen->editMembersButton();
    if (control == QLatin1String("Add more members")) {
        PLNewGroupMembersViewController* editor = flow.openMembersEditor();
        QVERIFY(editor);
        target = editor->moreMembersButton();
    }
    QVERIFY(target->isVisible());
    QSignalSpy pressed(target, &platform::ui::Button::clicked);
    QWindow* keys = flow.window.windowHandle();
    QVERIFY(tabTo(keys, target));
    pressKey(keys, Qt::Key(key), modifiers, repeats);
    QCOMPARE(pressed.size(), 1);
}

int main(int argc, char** argv) {
    test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestNewGroup t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_newgroup.moc"
