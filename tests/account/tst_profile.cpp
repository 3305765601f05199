// The profile screen against the stand-in: its rows and bar items by mode, the name rules of a
// save, cancelling, the picture (uploads, removal, failures, a camera picture kept in the photo
// album), the phone number (its removal as the service keeps it), a failed update, and the first
// run's end with and without the passcode set-up.
#include "AccountTestKit.h"
#include "FakeCamera.h"
#include "MirroredGeometry.h"
#include "PhotoAlbumFolder.h"
#include "TestSandbox.h"
#include "foundation/ui/CustomColors.h"
#include "foundation/ui/ImageAdditions.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/TableView.h"
#include "ui/account/AccountUi.h"
#include "ui/account/PLRegPhoneNumberViewController.h"
#include "ui/account/PLUserProfileTableViewController.h"
#include "ui/account/PLVerifyPhoneNumberViewController.h"
#include "ui/shell/PelnixViewController.h"
#include "ui/toolkit/PLProfileUserNameTextField.h"
#include "ui/toolkit/PLRoundImageView.h"

#include <QApplication>
#include <QScopeGuard>

namespace pelnix {
// A picture viewer as the profile finds it in the registry; records what it was asked to show.
class RecordingPictureViewer : public platform::ui::ViewController {
    Q_OBJECT
public:
    Q_INVOKABLE void showProfileImageWithThumbNailImage(const QImage& thumbnail, const QString& bigImageURL,
                                                        const QRectF& initialFrame) {
        shownThumbnail = thumbnail;
        shownURL = bigImageURL;
        frame = initialFrame;
    }
    QImage shownThumbnail;
    QString shownURL;
    QRectF frame;
};
} // namespace pelnix

using namespace pelnix;
using namespace pelnix::test;
using namespace pelnix::platform::ui;
using Fault = standin::StandinServer::Fault;
using FaultMode = standin::StandinServer::FaultMode;
using Profile = PLUserProfileTableViewController;

namespace {
const QString kStoredPicture = QStringLiteral("http://pictures.test/ann.png");
const QString kDefaultPicture = QStringLiteral("http://pictures.test/profiles/dummy/profile.png");

Profile* openProfile(ScreenHost& host, qint64 type = 2) {
    auto* nav = host.present(qobject_cast<NavigationController*>(ScreenRegistry::shared()->instantiate(
        QStringLiteral("Home"), QStringLiteral("PLUserProfileNavigationController"))));
    auto* profile = topOf<Profile>(nav);
    profile->setProfileNavigationType(type);
    return profile;
}

void tapRow(Profile* profile, int staticRow) {
    TableView* table = profile->tableView();
    const int row = int(profile->indexPathsToDisplay().indexOf(staticRow));
    QVERIFY2(row >= 0, "the row is not shown");
    const QRectF rect = table->rectForRow(IndexPath::forRow(row));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                      (rect.center() - table->contentOffset()).toPoint());
}

BarButtonItem* rightItem(ViewController* owner) {
    return owner->navigationItem()->rightBarButtonItem();
}

QImage picture(QColor colour) {
    QImage image(300, 300, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

int s3Puts(AccountWorld& world, const std::string& keyPart) {
    int puts = 0;
    for (const auto& r : world.core.server().requestLog())
        if (r.server == "s3" && r.method == "PUT" && r.status == 200 &&
            r.path.find(keyPart) != std::string::npos)
            ++puts;
    return puts;
}

// The form of the newest profile update, or nothing when none was sent.
std::optional<QMap<QString, QString>> lastUpdate(AccountWorld& world) {
    const auto log = world.core.server().requestLog();
    for (auto it = log.rbegin(); it != log.rend(); ++it) {
        if (it->server != "api" || it->body.find("echat.updateProfile") == std::string::npos)
            continue;
        QMap<QString, QString> form;
        for (const auto& [key, value] : decodeForm(it->body))
            form.insert(key, value);
        return form;
    }
    return std::nullopt;
}

void save(Profile* profile) {
    rightItem(AccountUi::navigationItemOwner(profile))->trigger();
}

// What the rows on show show, each part in its parent: the rows' own and the picture's.
QList<QWidget*> shownParts(Profile* profile) {
    QList<QWidget*> parts;
    for (const int row : profile->indexPathsToDisplay()) {
        TableViewCell* cell = profile->cellForRow(row);
        QList<QWidget*> children = cell->contentView()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        if (row == Profile::PictureRow)
            children += profile->profileImageView()->parentWidget()->findChildren<QWidget*>(
                Qt::FindDirectChildrenOnly);
        for (QWidget* part : std::as_const(children))
            if (part->isVisibleTo(cell))
                parts << part;
    }
    return parts;
}
} // namespace

class TestProfile : public QObject {
    Q_OBJECT
private slots:
    void rowsByModeFirstRunAndPhone_data();
    void rowsByModeFirstRunAndPhone();
    void barItemsByModeAndOpening_data();
    void barItemsByModeAndOpening();
    void hostedScreensUseTheContainersItems();
    void nameRulesOfASave_data();
    void nameRulesOfASave();
    void cancellingAnEdit_data();
    void cancellingAnEdit();
    void aPickedPictureIsUploadedTwiceThenSent();
    void removalAndPickTogether_data();
    void removalAndPickTogether();
    void aDefaultPictureOffersNoRemoval();
    void failedUploadsEndTheOverlayAndOfferARetry_data();
    void failedUploadsEndTheOverlayAndOfferARetry();
    void withoutPictureSelectionTheUserIsTold();
    void aCameraPictureIsKeptInTheAlbumOnceALibraryPickNot();
    void removingThePhoneNumber();
    void aFailedUpdateRestoresThePhoneAndKeepsEditing();
    void anUnverifiedNumberCanBeVerified();
    void aLongAddressMakesItsRowTaller();
    void firstRunEndsAfterThePasscodeSetUp_data();
    void firstRunEndsAfterThePasscodeSetUp();
    void aLockTheBaseScreenPutUpIsTakenDownByIt();
    void offlineSaveKeepsEverything();
    void aTapOnARealPictureOpensTheViewer();
    void anUpdateThatCannotStartEndsTheOverlay();
    void rowsTakeTheHostsSeparatorColour();
    void rowsMirrorRightToLeft_data();
    void rowsMirrorRightToLeft();
};

void TestProfile::rowsByModeFirstRunAndPhone_data() {
    QTest::addColumn<qint16>("status");
    QTest::addColumn<bool>("editing");
    QTest::addColumn<QString>("phone");
    QTest::addColumn<bool>("verified");
    QTest::addColumn<QList<int>>("rows");
    QTest::newRow("reading, no phone") << qint16(3) << false << "" << false << QList<int>{0, 2, 4};
    QTest::newRow("reading, verified phone")
        << qint16(3) << false << "5550100" << true << QList<int>{0, 2, 4};
    QTest::newRow("reading, unverified phone")
        << qint16(3) << false << "5550100" << false << QList<int>{0, 2, 4};
    QTest::newRow("editing, no phone") << qint16(3) << true << "" << false << QList<int>{0, 1, 3};
    QTest::newRow("editing, a phone") << qint16(3) << true << "5550100" << false << QList<int>{0, 1, 4};
    QTest::newRow("first run") << qint16(2) << true << "5550100" << false << QList<int>{0, 1};
}

void TestProfile::rowsByModeFirstRunAndPhone() {
    QFETCH(qint16, status);
    QFETCH(bool, editing);
    QFETCH(QString, phone);
    QFETCH(bool, verified);
    QFETCH(QList<int>, rows);
    AccountWorld world(CoreFixture::Service::None);
    world.signIn(status);
    const auto account = world.account();
    account->setPhoneNumber(phone);
    account->setCountryCode(phone.isEmpty() ? QString() : QStringLiteral("44"));
    account->setPhoneVerificationStatus(verified ? QStringLiteral("VERIFIED") : QString());
    account->save();
    ScreenHost host;
    Profile* profile = openProfile(host);
    if (editing && status == 3)
        profile->editButtonClickHandler();
    QCOMPARE(profile->isEditingProfile(), editing);
    QCOMPARE(profile->indexPathsToDisplay(), rows);
    QCOMPARE(profile->tableView()->numberOfRows(0), int(rows.size()));
    QCOMPARE(profile->changePhoneNumberButton()->isVisibleTo(profile->cellForRow(Profile::PhoneRow)),
             editing);
    if (!editing) {
        QCOMPARE(profile->phoneNumberLabel()->text(),
                 phone.isEmpty() ? QStringLiteral("Phone number not added") : QStringLiteral("+44") + phone);
        QCOMPARE(profile->phoneNumberVerifiedImageView()->isVisibleTo(profile->cellForRow(Profile::PhoneRow)),
                 !phone.isEmpty());
        QCOMPARE(profile->editIconImageView()->isVisibleTo(profile->cellForRow(Profile::PhoneRow)),
                 !phone.isEmpty() && !verified);
        QCOMPARE(profile->userName()->text(), QStringLiteral("Ann"));
    } else if (status == 3) {
        QCOMPARE(profile->addPhoneNumberLabel()->text(),
                 phone.isEmpty() ? QStringLiteral("Add Phone Number") : QStringLiteral("+44") + phone);
        QVERIFY(!profile->editIconImageView()->isVisibleTo(profile->cellForRow(Profile::PhoneRow)));
    }
    QCOMPARE(Animator::alpha(profile->editProfileImageButton()), editing ? 1.0 : 0.0);
    QCOMPARE(profile->isFirstRun(), status < 3);
    // A phone row on show reads whole in the phone's width, clear of the controls after its text.
    if (rows.contains(int(Profile::PhoneRow))) {
        QWidget* row = profile->cellForRow(Profile::PhoneRow);
        Label* label = profile->phoneNumberLabel();
        QVERIFY2(label->sizeThatFits({1e6, 1e6}).width() <= label->width(),
                 qPrintable(QStringLiteral("%1 in %2").arg(label->text()).arg(label->width())));
        for (QWidget* after : std::initializer_list<QWidget*>{profile->phoneNumberVerifiedImageView(),
                                                              profile->editIconImageView(),
                                                              profile->changePhoneNumberButton()})
            if (after->isVisibleTo(row))
                QVERIFY2(label->geometry().right() < after->x(), qPrintable(after->objectName()));
    }
}

void TestProfile::barItemsByModeAndOpening_data() {
    QTest::addColumn<qint16>("status");
    QTest::addColumn<qint64>("type");
    QTest::addColumn<bool>("hostItems");
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("right");
    QTest::newRow("first run") << qint16(2) << qint64(0) << true << "Cancel"
                               << "Save";
    QTest::newRow("neither, no host items") << qint16(3) << qint64(0) << false << ""
                                            << "Edit";
    QTest::newRow("neither, host items") << qint16(3) << qint64(0) << true << "Menu"
                                         << "Edit";
    QTest::newRow("own stack, host items") << qint16(3) << qint64(2) << true << "Menu"
                                           << "Edit";
    QTest::newRow("own stack, none") << qint16(3) << qint64(2) << false << "back"
                                     << "Edit";
    QTest::newRow("pushed") << qint16(3) << qint64(1) << true << "back"
                            << "Edit";
}

void TestProfile::barItemsByModeAndOpening() {
    QFETCH(qint16, status);
    QFETCH(qint64, type);
    QFETCH(bool, hostItems);
    QFETCH(QString, left);
    QFETCH(QString, right);
    AccountWorld world(CoreFixture::Service::None);
    world.signIn(status);
    BarButtonItem menu(QStringLiteral("Menu"));
    PelnixInfo::sharedInstance()->setLeftBarButtonItems(
        hostItems ? QVariantList{QVariant::fromValue<QObject*>(&menu)} : QVariantList{});
    ScreenHost host;
    Profile* profile = openProfile(host, type);
    profile->setIsEditingProfile(profile->isEditingProfile()); // the type applies from the next mode change
    const QList<BarButtonItem*> items = profile->navigationItem()->leftBarButtonItems();
    QString shown;
    if (!items.isEmpty())
        shown = items.first()->customView() ? QStringLiteral("back") : items.first()->title();
    QCOMPARE(shown, left);
    QCOMPARE(rightItem(profile)->title(), right);
    QCOMPARE(profile->navigationItem()->title(), QStringLiteral("Me"));
    if (left == QLatin1String("back")) {
        QCOMPARE(items.first()->customView()->size(), QSize(60, 40));
        click(items.first()->customView());
        if (type == 2)
            QTRY_VERIFY(!host.presented());
    }
    PelnixInfo::sharedInstance()->setLeftBarButtonItems({});
}

void TestProfile::hostedScreensUseTheContainersItems() {
    AccountWorld world(CoreFixture::Service::None);
    world.signIn();
    ScreenHost host;
    auto* container = new PelnixViewController(-1); // a type that loads no screen of its own
    auto* nav = host.present(new NavigationController(container));
    auto* profile = qobject_cast<Profile*>(ScreenRegistry::shared()->instantiate(
        QStringLiteral("Home"), QStringLiteral("PLUserProfileTableViewController")));
    container->addChildViewController(profile, container->view());
    profile->setIsEditingProfile(false);
    QCOMPARE(rightItem(container)->title(), QStringLiteral("Edit"));
    QCOMPARE(container->navigationItem()->title(), QStringLiteral("Me"));
    QVERIFY(!profile->navigationItem()->rightBarButtonItem());
    rightItem(container)->trigger();
    QVERIFY(profile->isEditingProfile());
    QCOMPARE(rightItem(container)->title(), QStringLiteral("Save"));
    Q_UNUSED(nav);
}

void TestProfile::nameRulesOfASave_data() {
    QTest::addColumn<qint16>("status");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("typed"); // "-" types nothing
    QTest::addColumn<QString>("alertTitle");
    QTest::addColumn<QString>("alertMessage");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("sentName"); // "-" no update, "~" an update without a name
    QTest::newRow("spaces, no stored name") << qint16(2) << ""
                                            << "   "
                                            << "Failed"
                                            << "Enter a valid name"
                                            << ""
                                            << "-";
    QTest::newRow("nothing, no stored name") << qint16(2) << ""
                                             << "-"
                                             << "Mandatory Field"
                                             << "Please fill name to save profile"
                                             << ""
                                             << "-";
    QTest::newRow("spaces over a stored name") << qint16(3) << "Ann"
                                               << "   "
                                               << "Failed"
                                               << "Enter a valid name"
                                               << "Ann"
                                               << "-";
    QTest::newRow("the stored name again") << qint16(3) << "Ann"
                                           << "Ann"
                                           << ""
                                           << ""
                                           << "Ann"
                                           << "-";
    QTest::newRow("a new name") << qint16(3) << "Ann"
                                << "Ann Lee"
                                << ""
                                << ""
                                << "Ann Lee"
                                << "Ann Lee";
    QTest::newRow("first run keeps its name") << qint16(2) << "Ann"
                                              << "-"
                                              << ""
                                              << ""
                                              << "Ann"
                                              << "~";
    QTest::newRow("first run names itself") << qint16(2) << ""
                                            << "Nina Park"
                                            << ""
                                            << ""
                                            << "Nina Park"
                                            << "Nina Park";
}

void TestProfile::nameRulesOfASave() {
    QFETCH(qint16, status);
    QFETCH(QString, stored);
    QFETCH(QString, typed);
    QFETCH(QString, alertTitle);
    QFETCH(QString, alertMessage);
    QFETCH(QString, field);
    QFETCH(QString, sentName);
    AccountWorld world;
    world.signIn(status, stored);
    ScreenHost host;
    Profile* profile = openProfile(host);
    if (!profile->isEditingProfile())
        profile->editButtonClickHandler();
    world.core.server().clearRequestLog();
    if (typed != QLatin1String("-"))
        type(profile->editUserNameTextField(), typed);
    save(profile);
    QVERIFY(busyOverlayGoes());
    if (!alertTitle.isEmpty()) {
        QCOMPARE(host.lastAlert()->title(), alertTitle);
        QCOMPARE(host.lastAlert()->message(), alertMessage);
        QCOMPARE(profile->editUserNameTextField()->text(), field);
        QVERIFY(profile->isEditingProfile());
        QVERIFY(!lastUpdate(world));
        return;
    }
    if (sentName == QLatin1String("-")) {
        // Nothing changed: editing ends without the server.
        QVERIFY(!profile->isEditingProfile());
        QVERIFY(!lastUpdate(world));
        return;
    }
    QTRY_VERIFY(lastUpdate(world));
    QTRY_VERIFY(!profile->isEditingProfile());
    const auto form = *lastUpdate(world);
    QCOMPARE(form.contains("profileName"), sentName != QLatin1String("~"));
    if (sentName != QLatin1String("~"))
        QCOMPARE(form.value("profileName"), sentName);
    QCOMPARE(profile->currentName(), field);
    QCOMPARE(world.account()->status(), qint16(3));
    QCOMPARE(world.account()->user()->profileName(), field);
}

void TestProfile::cancellingAnEdit_data() {
    QTest::addColumn<qint16>("status");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<QString>("answer"); // to the "Unsaved Changes" question
    QTest::addColumn<bool>("editingAfter");
    QTest::newRow("first run refuses") << qint16(2) << true << "" << true;
    QTest::newRow("no changes") << qint16(3) << false << "" << false;
    QTest::newRow("changes, kept") << qint16(3) << true << "No" << true;
    QTest::newRow("changes, dropped") << qint16(3) << true << "Yes" << false;
}

void TestProfile::cancellingAnEdit() {
    QFETCH(qint16, status);
    QFETCH(bool, changed);
    QFETCH(QString, answer);
    QFETCH(bool, editingAfter);
    AccountWorld world(CoreFixture::Service::None);
    world.signIn(status);
    ScreenHost host;
    Profile* profile = openProfile(host);
    if (!profile->isEditingProfile())
        profile->editButtonClickHandler();
    if (changed)
        type(profile->editUserNameTextField(), QStringLiteral("Someone Else"));
    AccountUi::navigationItemOwner(profile)->navigationItem()->leftBarButtonItem()->trigger();
    if (status < 3) {
        QCOMPARE(host.lastAlert()->title(), QStringLiteral("Mandatory Field"));
        QCOMPARE(host.lastAlert()->message(), QStringLiteral("Please enter a name and save"));
    } else if (changed) {
        QCOMPARE(host.lastAlert()->title(), QStringLiteral("Unsaved Changes"));
        QCOMPARE(host.lastAlert()->message(), QStringLiteral("Do you want to continue?"));
        QCOMPARE(host.lastAlert()->tag(), int(Profile::DiscardChangesTag));
        QCOMPARE(host.lastAlert()->buttonTitleAtIndex(0), QStringLiteral("Yes"));
        QCOMPARE(host.lastAlert()->cancelButtonIndex(), 1);
        answerAlert(host, QStringLiteral("Unsaved Changes"), answer);
    } else {
        QVERIFY(host.alerts().isEmpty());
    }
    QCOMPARE(profile->isEditingProfile(), editingAfter);
    if (!editingAfter) {
        QVERIFY(!profile->updatedName());
        QCOMPARE(profile->userName()->text(), QStringLiteral("Ann"));
    }
}

void TestProfile::aPickedPictureIsUploadedTwiceThenSent() {
    AccountWorld world;
    world.signIn();
    world.pictures->answers << FakeImageSelection::picked(picture(Qt::darkCyan));
    ScreenHost host;
    Profile* profile = openProfile(host);
    profile->editButtonClickHandler();
    click(profile->editProfileImageButton());
    QCOMPARE(world.pictures->requests.size(), 1);
    QVERIFY(world.pictures->requests.first().useFrontCamera);
    QVERIFY(!world.pictures->requests.first().offerRemoval);
    QVERIFY(profile->updatedImageInfo());
    QCOMPARE(profile->profileImageView()->image().pixelColor(150, 150), QColor(Qt::darkCyan));
    save(profile);
    QVERIFY(busyOverlayGoes(20000));
    QTRY_VERIFY_WITH_TIMEOUT(!profile->isEditingProfile(), 20000);
    QCOMPARE(s3Puts(world, "_thumbnailImage"), 1);
    QCOMPARE(s3Puts(world, "_largeImage"), 1);
    const auto form = *lastUpdate(world);
    QVERIFY(!form.value("imgUrl").isEmpty());
    QVERIFY(!form.value("bigImgUrl").isEmpty());
    QVERIFY(form.value("imgUrl") != form.value("bigImgUrl"));
    QVERIFY(!form.contains("profileName"));
    QCOMPARE(world.account()->user()->imageUrl(), form.value("imgUrl"));
    const QVariantMap event = world.analytics.last(QStringLiteral("My Profile- Add/Change pic"));
    QCOMPARE(event.value("HasPicture").toBool(), false);
    QCOMPARE(event.value("success").toString(), QStringLiteral("Yes"));
    QVERIFY(!profile->updatedImageInfo());
    // The stored picture (the uploaded thumbnail, smaller than the pick shown meanwhile) loads from the
    // service's short address.
    QTRY_VERIFY_WITH_TIMEOUT(profile->profileImageView()->image().width() < 300, 10000);
    const QImage shown = profile->profileImageView()->image();
    const QColor centre = shown.pixelColor(shown.width() / 2, shown.height() / 2); // through JPEG
    QVERIFY(qAbs(centre.red() - 0) + qAbs(centre.green() - 0x80) + qAbs(centre.blue() - 0x80) <= 12);
}

void TestProfile::removalAndPickTogether_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("sentImage");
    QTest::addColumn<int>("uploads");
    QTest::newRow("remove") << QStringList{"remove"} << "USE_DEFAULT_IMAGE" << 0;
    QTest::newRow("remove, then pick") << QStringList{"remove", "pick"} << "uploaded" << 2;
    QTest::newRow("pick, then remove") << QStringList{"pick", "remove"} << "USE_DEFAULT_IMAGE" << 2;
}

void TestProfile::removalAndPickTogether() {
    QFETCH(QStringList, steps);
    QFETCH(QString, sentImage);
    QFETCH(int, uploads);
    AccountWorld world;
    world.signIn();
    world.account()->user()->setImageUrl(kStoredPicture);
    world.account()->save();
    ScreenHost host;
    Profile* profile = openProfile(host);
    profile->editButtonClickHandler();
    for (const QString& step : steps) {
        world.pictures->answers << (step == QLatin1String("pick")
                                        ? std::optional<QVariantMap>(
                                              FakeImageSelection::picked(picture(Qt::red)))
                                        : std::nullopt);
        click(profile->editProfileImageButton());
        QVERIFY(world.pictures->requests.last().offerRemoval);
        if (step == QLatin1String("remove")) {
            QCOMPARE(host.lastAlert()->message(),
                     QStringLiteral("Are you sure you want to remove profile image?"));
            QCOMPARE(host.lastAlert()->tag(), int(Profile::RemovePictureTag));
            answerAlert(host, QStringLiteral("Confirm"), QStringLiteral("Yes"));
            QVERIFY(profile->shouldRemoveProfileImage());
            QVERIFY(profile->addImageTitleLabel()->isVisibleTo(profile->cellForRow(Profile::PictureRow)));
        }
    }
    save(profile);
    QVERIFY(busyOverlayGoes(20000));
    QTRY_VERIFY_WITH_TIMEOUT(!profile->isEditingProfile(), 20000);
    const auto form = *lastUpdate(world);
    QCOMPARE(s3Puts(world, "Image"), uploads);
    if (sentImage == QLatin1String("uploaded")) {
        QVERIFY(form.value("imgUrl").contains(QStringLiteral("/s/")));
    } else {
        QCOMPARE(form.value("imgUrl"), sentImage);
        QCOMPARE(form.value("bigImgUrl"), sentImage);
        QVERIFY(!profile->shouldRemoveProfileImage());
    }
}

void TestProfile::aDefaultPictureOffersNoRemoval() {
    AccountWorld world(CoreFixture::Service::None);
    world.signIn();
    world.account()->user()->setImageUrl(kDefaultPicture);
    world.account()->save();
    ScreenHost host;
    Profile* profile = openProfile(host);
    profile->editButtonClickHandler();
    // Editing over a default picture invites adding one.
    QVERIFY(profile->addImageTitleLabel()->isVisibleTo(profile->cellForRow(Profile::PictureRow)));
    click(profile->editProfileImageButton());
    QVERIFY(!world.pictures->requests.last().offerRemoval);
    // No full-screen viewer for it either.
    profile->setIsEditingProfile(false);
    profile->profileImageTapGestureHandling(QPoint(10, 10));
    QVERIFY(!host.presented()->presentedViewController());
}

void TestProfile::failedUploadsEndTheOverlayAndOfferARetry_data() {
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message");
    QTest::newRow("over the size limit, as configured")
        << int(PLSizedImageUpload::Outcome::TooLarge) << "Alert"
        << "Max 25MB can be uploaded";
    QTest::newRow("no credentials") << int(PLSizedImageUpload::Outcome::NoCredentials) << "Failed"
                                    << "Unable to fetch credentials";
    QTest::newRow("upload failed") << int(PLSizedImageUpload::Outcome::UploadFailed) << "Failed"
                                   << "Image upload failed.Please try again later";
    QTest::newRow("the service refuses the file") << -1 << "Failed"
                                                  << "Image upload failed.Please try again later";
}

void TestProfile::failedUploadsEndTheOverlayAndOfferARetry() {
    QFETCH(int, outcome);
    QFETCH(QString, title);
    QFETCH(QString, message);
    AccountWorld world;
    world.signIn();
    world.pictures->answers << FakeImageSelection::picked(picture(Qt::blue));
    int attempts = 0;
    if (outcome >= 0) {
        Profile::setPictureUploader([&attempts, outcome](QObject*, const QImage&, const QString&, int,
                                                         PLSizedImageUpload::Completion done) {
            ++attempts;
            done(PLSizedImageUpload::Outcome(outcome), std::nullopt);
        });
    } else {
        QVERIFY(world.core.server().addFault(Fault{"/", "PUT", 1, FaultMode::ServerError}));
    }
    ScreenHost host;
    Profile* profile = openProfile(host);
    profile->editButtonClickHandler();
    click(profile->editProfileImageButton());
    save(profile);
    QVERIFY(busyOverlayGoes(20000));
    QTRY_VERIFY_WITH_TIMEOUT(host.lastAlert(), 20000);
    QCOMPARE(host.lastAlert()->title(), title);
    QCOMPARE(host.lastAlert()->message(), message);
    QVERIFY(profile->retryUploadingButton()->isVisibleTo(profile->cellForRow(Profile::PictureRow)));
    QVERIFY(profile->isEditingProfile());
    QVERIFY(!lastUpdate(world));
    answerAlert(host, title, QStringLiteral("OK"));
    // The retry repeats the uploads and, once they pass, the update.
    Profile::setPictureUploader({});
    world.core.server().clearFaults();
    click(profile->retryUploadingButton());
    QVERIFY(busyOverlayGoes(20000));
    QTRY_VERIFY_WITH_TIMEOUT(!profile->isEditingProfile(), 20000);
    QVERIFY(lastUpdate(world));
    QVERIFY(!profile->retryUploadingButton()->isVisibleTo(profile->cellForRow(Profile::PictureRow)));
    if (outcome >= 0)
        QCOMPARE(attempts, 1);
}

void TestProfile::withoutPictureSelectionTheUserIsTold() {
    AccountWorld world(CoreFixture::Service::None);
    world.signIn();
    PLImageSelectionProvider::setCurrent({});
    ScreenHost host;
    Profile* profile = openProfile(host);
    profile->editButtonClickHandler();
    click(profile->editProfileImageButton());
    QCOMPARE(host.lastAlert()->title(), QStringLiteral("Alert"));
    QCOMPARE(host.lastAlert()->message(), QStringLiteral("Choosing a picture is not available."));
    QVERIFY(!profile->updatedImageInfo());
    QVERIFY(profile->isEditingProfile());
}

void TestProfile::aCameraPictureIsKeptInTheAlbumOnceALibraryPickNot() {
    AccountWorld world;
    world.signIn();
    FakeCamera camera;
    ScreenHost host;
    Profile* profile = openProfile(host);
    QVERIFY(busyOverlayGoes());
    const auto choose = [&](const QString& source) {
        profile->editButtonClickHandler();
        click(profile->editProfileImageButton());
        answerAlert(host, QString(), source);
        QVERIFY(profile->updatedImageInfo());
    };

    // Taken with the camera: kept once, though both sizes go up and the first try fails.
    camera.takes(picture(Qt::darkRed));
    choose(QStringLiteral("Camera"));
    if (QTest::currentTestFailed())
        return;
    QVERIFY(world.core.server().addFault(Fault{"_largeImage", "PUT", 1, FaultMode::ServerError}));
    save(profile);
    QVERIFY(busyOverlayGoes(20000));
    QTRY_VERIFY_WITH_TIMEOUT(host.lastAlert(), 20000);
    answerAlert(host, QStringLiteral("Failed"), QStringLiteral("OK"));
    click(profile->retryUploadingButton());
    QVERIFY(busyOverlayGoes(20000));
    QTRY_VERIFY_WITH_TIMEOUT(!profile->isEditingProfile(), 20000);
    QCOMPARE(s3Puts(world, "_largeImage"), 1);
    QTRY_COMPARE(PhotoAlbumFolder::albumPictures().size(), 1);
    PhotoAlbumFolder::settle();
    QCOMPARE(PhotoAlbumFolder::savedPictures().size(), 1);
    QCOMPARE(PhotoAlbumFolder::albumPictures().size(), 1);
    const QImage kept(
        QDir(PhotoAlbumFolder::picturesRoot())
            .filePath(QStringLiteral("Pelnix_Images/") + PhotoAlbumFolder::albumPictures().first()));
    QCOMPARE(kept.size(), QSize(300, 300)); // the picture as taken, not a prepared size
    QVERIFY(qAbs(kept.pixelColor(150, 150).red() - QColor(Qt::darkRed).red()) <= 8);

    // Picked from the library: it is there already.
    camera.libraryHolds(picture(Qt::darkBlue));
    choose(QStringLiteral("Photo Library"));
    if (QTest::currentTestFailed())
        return;
    save(profile);
    QVERIFY(busyOverlayGoes(20000));
    QTRY_VERIFY_WITH_TIMEOUT(!profile->isEditingProfile(), 20000);
    QCOMPARE(s3Puts(world, "_largeImage"), 2);
    PhotoAlbumFolder::settle();
    QCOMPARE(PhotoAlbumFolder::savedPictures().size(), 1);
    QCOMPARE(PhotoAlbumFolder::albumPictures().size(), 1);
}

void TestProfile::removingThePhoneNumber() {
    AccountWorld world;
    world.signIn();
    // The service knows the number.
    bool registered = false;
    QVERIFY(world.account()->updateProfileWithName(
        {}, {}, {}, QStringLiteral("5550100"), QStringLiteral("44"),
        [&](bool ok, const PLOptionalError&, const QString&) { registered = ok; }));
    QTRY_VERIFY(registered);
    QCOMPARE(world.account()->phoneNumber(), QStringLiteral("5550100"));
    ScreenHost host;
    Profile* profile = openProfile(host);
    QVERIFY(busyOverlayGoes());
    profile->editButtonClickHandler();
    click(profile->changePhoneNumberButton());
    auto* sheet = qobject_cast<ActionSheet*>(host.lastAlert());
    QVERIFY(sheet);
    QCOMPARE(sheet->buttonTitleAtIndex(0), QStringLiteral("Update phone number"));
    QCOMPARE(sheet->buttonTitleAtIndex(1), QStringLiteral("Remove phone number"));
    answerAlert(host, QString(), QStringLiteral("Remove phone number"));
    QCOMPARE(host.lastAlert()->message(),
             QStringLiteral("Are you sure you want to unregister phone number 5550100 ?"));
    QCOMPARE(host.lastAlert()->tag(), int(Profile::RemovePhoneTag));
    answerAlert(host, QStringLiteral("Confirm"), QStringLiteral("Yes"));
    QVERIFY(profile->shouldRemovePhoneNumber());
    QVERIFY(world.account()->phoneNumber().isEmpty());
    QCOMPARE(profile->indexPathsToDisplay(), (QList<int>{0, 1, 3}));
    save(profile);
    QVERIFY(busyOverlayGoes());
    QTRY_VERIFY(!profile->isEditingProfile());
    const auto form = *lastUpdate(world);
    QVERIFY(!form.contains("phone"));
    QVERIFY(!form.contains("countryCode"));
    QVERIFY(!profile->shouldRemovePhoneNumber());
    // The service's answer and a reload of the account from the service both leave the number out.
    QVERIFY(world.account()->phoneNumber().isEmpty());
    QVERIFY(world.account()->countryCode().isEmpty());
    QCOMPARE(profile->phoneNumberLabel()->text(), QStringLiteral("Phone number not added"));
    world.account()->setPhoneNumber(QStringLiteral("stale"));
    bool reloaded = false;
    QVERIFY(world.account()->refreshUserProfileWithCompletionHandler(
        [&](bool ok, const PLOptionalError&, const QString&) { reloaded = ok; }));
    QTRY_VERIFY(reloaded);
    QVERIFY(world.account()->phoneNumber().isEmpty());
    QVERIFY(world.account()->countryCode().isEmpty());
    QVERIFY(!world.account()->isPhoneVerified());
}

void TestProfile::aFailedUpdateRestoresThePhoneAndKeepsEditing() {
    AccountWorld world;
    world.signIn();
    ScreenHost host;
    Profile* profile = openProfile(host);
    profile->editButtonClickHandler();
    // A number through the registration screen, and a new name.
    tapRow(profile, Profile::AddPhoneRow);
    auto* registration = topOf<PLRegPhoneNumberViewController>(profile->presentedViewController());
    QVERIFY(registration);
    registration->setCountryCodeLabelWithCountryInfo(
        PLCountryInfo::instanceForCountryCode(QStringLiteral("44")));
    type(registration->phoneNumberTextField(), QStringLiteral("5550100"));
    click(registration->addOrRemovePhoneNumberButton());
    QTRY_VERIFY(!profile->presentedViewController());
    QCOMPARE(world.account()->phoneNumber(), QStringLiteral("5550100"));
    QCOMPARE(profile->indexPathsToDisplay(), (QList<int>{0, 1, 4}));
    type(profile->editUserNameTextField(), QStringLiteral("Ann Lee"));
    QVERIFY(world.core.server().addFault(Fault{"api/public", "POST", 1, FaultMode::ServerError}));
    save(profile);
    QVERIFY(busyOverlayGoes());
    QTRY_VERIFY(host.lastAlert());
    QCOMPARE(host.lastAlert()->title(), QStringLiteral("Failed"));
    QCOMPARE(host.lastAlert()->message(), QStringLiteral("Couldn't update profile"));
    // The number goes back to what was stored; the typed name waits for the next save.
    QVERIFY(world.account()->phoneNumber().isEmpty());
    QVERIFY(profile->isEditingProfile());
    QCOMPARE(profile->updatedName(), std::optional<QString>(QStringLiteral("Ann Lee")));
    QCOMPARE(profile->editUserNameTextField()->text(), QStringLiteral("Ann Lee"));
}

void TestProfile::anUnverifiedNumberCanBeVerified() {
    AccountWorld world(CoreFixture::Service::None);
    world.signIn();
    world.account()->setPhoneNumber(QStringLiteral("5550100"));
    world.account()->setCountryCode(QStringLiteral("44"));
    world.account()->save();
    ScreenHost host;
    Profile* profile = openProfile(host);
    tapRow(profile, Profile::PhoneRow);
    QCOMPARE(host.lastAlert()->message(), QStringLiteral("Send verification code to 5550100?"));
    QCOMPARE(host.lastAlert()->tag(), int(Profile::VerifyPhoneTag));
    QCOMPARE(host.lastAlert()->buttonTitleAtIndex(0), QStringLiteral("No"));
    answerAlert(host, QStringLiteral("Confirm"), QStringLiteral("No"));
    QVERIFY(!profile->presentedViewController());
    tapRow(profile, Profile::PhoneRow);
    world.core.setOnline(false); // the screen's own send is not what this is about
    answerAlert(host, QStringLiteral("Confirm"), QStringLiteral("Yes"));
    auto* verification = qobject_cast<PLVerifyPhoneNumberViewController*>(profile->presentedViewController());
    QVERIFY(verification);
    QVERIFY(verification->showsCloseButton());
}

void TestProfile::aLongAddressMakesItsRowTaller() {
    AccountWorld world(CoreFixture::Service::None);
    world.signIn();
    ScreenHost host;
    Profile* profile = openProfile(host);
    const int row = int(profile->indexPathsToDisplay().indexOf(Profile::EmailRow));
    QCOMPARE(profile->tableView()->rectForRow(IndexPath::forRow(row)).height(), 50.0);
    world.account()->user()->setEmail(
        QStringLiteral("ann.lee.with.a.long.address@research.acme.example.org"));
    profile->setIsEditingProfile(false);
    QCOMPARE(profile->tableView()->rectForRow(IndexPath::forRow(row)).height(), 65.0);
}

void TestProfile::firstRunEndsAfterThePasscodeSetUp_data() {
    QTest::addColumn<qint16>("lockState");
    QTest::newRow("lock off") << qint16(0);
    QTest::newRow("lock on") << qint16(1);
}

void TestProfile::firstRunEndsAfterThePasscodeSetUp() {
    QFETCH(qint16, lockState);
    AccountWorld world;
    world.signIn(2, QStringLiteral("Nina"));
    world.account()->setAppLockState(lockState);
    world.account()->save();
    ScreenHost host;
    Profile* profile = openProfile(host, 0);
    int ended = 0;
    profile->setProfileCreationCompletionHandler([&ended] { ++ended; });
    QVERIFY(profile->isEditingProfile());
    QVERIFY(profile->dismissViewOnSave());
    QTRY_VERIFY(profile->editUserNameTextField()->hasFocus()); // the keyboard comes up on the name
    save(profile);
    QVERIFY(busyOverlayGoes());
    QTRY_COMPARE(world.account()->status(), qint16(3));
    if (lockState == 0) {
        QTRY_COMPARE(ended, 1);
        QVERIFY(!profile->presentedViewController());
        QVERIFY(!profile->dismissViewOnSave());
        return;
    }
    // The passcode set-up first; the flow ends only once it reports.
    QTRY_VERIFY(qobject_cast<PLAppLockScreenViewController*>(profile->presentedViewController()));
    QCOMPARE(ended, 0);
    auto* lock = qobject_cast<PLAppLockScreenViewController*>(profile->presentedViewController());
    enterOnPad(lock, QStringLiteral("1212"));
    enterOnPad(lock, QStringLiteral("1212"));
    QTRY_COMPARE(ended, 1);
    QTRY_VERIFY(!profile->presentedViewController());
    QCOMPARE(PLKeychainAccessHelper::currentPasscode(), QStringLiteral("1212"));
    QCOMPARE(world.account()->appLockState(), qint16(1));
    QVERIFY(!PLAppLockSettingsManager::sharedAppLockSettingsManager()->isAlreadyPresentingLockScreen());
}

void TestProfile::aLockTheBaseScreenPutUpIsTakenDownByIt() {
    AccountWorld world(CoreFixture::Service::None);
    world.signIn();
    world.account()->setAppLockState(1);
    world.account()->save();
    PLKeychainAccessHelper::setNewPassCodePin(QStringLiteral("4321"));
    ScreenHost host;
    int ended = 0;
    Profile* profile = openProfile(host);
    profile->setProfileCreationCompletionHandler([&ended] { ++ended; });
    // The process's first base screen puts the lock up; unlocking takes it down again.
    auto* lock = qobject_cast<PLAppLockScreenViewController*>(profile->presentedViewController());
    QVERIFY(lock);
    enterOnPad(lock, QStringLiteral("4321"));
    QTRY_VERIFY(!profile->presentedViewController());
    QVERIFY(!PLAppLockSettingsManager::sharedAppLockSettingsManager()->isAlreadyPresentingLockScreen());
    QCOMPARE(ended, 0);
    QCOMPARE(host.presented(), profile->navigationController());
}

void TestProfile::offlineSaveKeepsEverything() {
    AccountWorld world;
    world.signIn();
    ScreenHost host;
    Profile* profile = openProfile(host);
    profile->editButtonClickHandler();
    type(profile->editUserNameTextField(), QStringLiteral("Ann Lee"));
    QVERIFY(busyOverlayGoes()); // the refresh at appearance
    world.core.setOnline(false);
    save(profile);
    QCOMPARE(host.lastAlert()->message(), QStringLiteral("Please check your network connectivity."));
    QVERIFY(profile->isEditingProfile());
    QCOMPARE(profile->updatedName(), std::optional<QString>(QStringLiteral("Ann Lee")));
    QVERIFY(!PLActivityIndicatorView::isVisible());
}

void TestProfile::aTapOnARealPictureOpensTheViewer() {
    AccountWorld world(CoreFixture::Service::None);
    world.signIn();
    world.account()->user()->setImageUrl(kStoredPicture);
    world.account()->user()->setBigImageUrl(QStringLiteral("http://pictures.test/ann-big.png"));
    world.account()->save();
    const QString name = QStringLiteral("PLProfileImageViewController");
    ScreenRegistry::shared()->registerScreen(name, name, [] { return new RecordingPictureViewer; });
    ScreenHost host;
    Profile* profile = openProfile(host);
    PLRoundImageView* picture = profile->profileImageView();
    const QPoint tap(30, 40);
    QTest::mouseClick(picture, Qt::LeftButton, {}, tap);
    auto* viewer = qobject_cast<RecordingPictureViewer*>(profile->presentedViewController());
    QVERIFY(viewer);
    QCOMPARE(viewer->shownURL, QStringLiteral("http://pictures.test/ann-big.png"));
    QCOMPARE(viewer->frame, QRectF(picture->mapTo(&host.window, tap), QSizeF(picture->size())));
    QCOMPARE(viewer->shownThumbnail, picture->image());
    // The stored picture has not come (its server answers no one), so the viewer is handed the default
    // person, marked so that it shows it at its own size instead of growing it.
    QVERIFY(ImageAdditions::isPlaceholder(viewer->shownThumbnail));
    // In editing mode the same tap asks for a new picture instead.
    profile->dismissViewController(false);
    QTRY_VERIFY(!profile->presentedViewController());
    profile->editButtonClickHandler();
    QTest::mouseClick(picture, Qt::LeftButton, {}, tap);
    QVERIFY(!profile->presentedViewController());
    QCOMPARE(world.pictures->requests.size(), 1);
}

void TestProfile::anUpdateThatCannotStartEndsTheOverlay() {
    AccountWorld world;
    world.signIn();
    world.pictures->answers << FakeImageSelection::picked(picture(Qt::yellow));
    // Both uploads pass, and the network is gone by the time the update would leave.
    Profile::setPictureUploader(
        [&world](QObject*, const QImage&, const QString& prefix, int, PLSizedImageUpload::Completion done) {
            PLMultiMediaInfo info;
            info.s3TinyURL = QStringLiteral("http://pictures.test/") + prefix;
            world.core.setOnline(false);
            done(PLSizedImageUpload::Outcome::Uploaded, info);
        });
    ScreenHost host;
    Profile* profile = openProfile(host);
    QVERIFY(busyOverlayGoes());
    profile->editButtonClickHandler();
    click(profile->editProfileImageButton());
    save(profile);
    QVERIFY(busyOverlayGoes());
    QCOMPARE(host.lastAlert()->message(), QStringLiteral("Couldn't update profile"));
    QVERIFY(profile->isEditingProfile());
    QVERIFY(profile->updatedImageInfo());
    Profile::setPictureUploader({});
}

void TestProfile::rowsTakeTheHostsSeparatorColour() {
    AccountWorld world(CoreFixture::Service::None);
    world.signIn();
    const QColor hostSeparator(0x12, 0x34, 0x56);
    CustomColors::setTableViewSeparatorColorSource([hostSeparator] { return hostSeparator; });
    const auto restore = qScopeGuard([] { CustomColors::setTableViewSeparatorColorSource({}); });
    ScreenHost host;
    Profile* profile = openProfile(host);
    const QList<TableViewCell*> rows = profile->tableView()->visibleCells();
    QVERIFY(!rows.isEmpty());
    for (TableViewCell* row : rows)
        QCOMPARE(row->separatorColor(), hostSeparator);
}

void TestProfile::rowsMirrorRightToLeft_data() {
    QTest::addColumn<test::Turned>("turned");
    QTest::addColumn<bool>("editing");
    QTest::addColumn<QString>("phone");
    QTest::addColumn<bool>("verified");
    const std::tuple<const char*, bool, QString, bool> states[] = {
        {"reading, verified", false, QStringLiteral("5550100"), true},
        {"reading, not verified", false, QStringLiteral("5550100"), false},
        {"editing, a number", true, QStringLiteral("5550100"), false},
        {"editing, no number", true, QString(), false}};
    for (const auto& [state, editing, phone, verified] : states) {
        QTest::addRow("window right to left, %s", state)
            << test::Turned::FromTheStart << editing << phone << verified;
        QTest::addRow("program right to left, %s", state)
            << test::Turned::Program << editing << phone << verified;
        QTest::addRow("turned while shown, %s", state)
            << test::Turned::WhileShown << editing << phone << verified;
    }
}

// Right to left every part of a row lies where left to right puts it, mirrored in its parent's width:
// the icons at the right, the verified mark and the edit icon at the left with the gaps they have
// left to right, Change at the left, the picture's camera button at its lower left.
void TestProfile::rowsMirrorRightToLeft() {
    QFETCH(test::Turned, turned);
    QFETCH(bool, editing);
    QFETCH(QString, phone);
    QFETCH(bool, verified);
    AccountWorld world(CoreFixture::Service::None);
    world.signIn();
    const auto account = world.account();
    account->setPhoneNumber(phone);
    account->setCountryCode(phone.isEmpty() ? QString() : QStringLiteral("44"));
    account->setPhoneVerificationStatus(verified ? QStringLiteral("VERIFIED") : QString());
    account->save();
    const auto open = [editing](ScreenHost& host) {
        Profile* profile = openProfile(host);
        if (editing)
            profile->editButtonClickHandler();
        return profile;
    };
    QList<QRect> mirrored;
    {
        ScreenHost host;
        mirrored = test::mirroredGeometries(shownParts(open(host)));
    }
    const auto back = qScopeGuard([] { QGuiApplication::setLayoutDirection(Qt::LeftToRight); });
    ScreenHost host;
    test::turnRightToLeft(turned, false, &host.window);
    Profile* profile = open(host);
    test::turnRightToLeft(turned, true, profile->view());
    QCOMPARE(test::geometries(shownParts(profile)), mirrored);
    if (!editing)
        return;
    // The English name reads from the left, from its first letter's side, as a message's text does.
    const QImage name = profile->editUserNameTextField()->grab().toImage();
    const auto inked = [&name](int from, int to) {
        for (int x = from; x < to; ++x)
            for (int y = name.height() / 3; y < name.height() * 2 / 3; ++y)
                if (qGray(name.pixel(x, y)) < 160)
                    return true;
        return false;
    };
    QVERIFY(inked(6, name.width() / 4));
    QVERIFY(!inked(name.width() / 2, name.width() - 6));
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestProfile t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_profile.moc"
