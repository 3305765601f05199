// The chat window's attachment sheet: its four choices and Cancel, the camera's absence and photo
// access, the caption screen for pictures, album saves of captures, the size check half a second
// after the pick, the two keys of what goes to the room, the location choice offline, and a library
// pick that cannot be read.
#include "ConversationTestWorld.h"

#include "core/api/PLAppConfigurations.h"
#include "core/model/RichMediaInfo.h"
#include "foundation/PLReachabilityResponder.h"
#include "foundation/ui/WidgetServices.h"
#include "media/PLMultiMediaInfo.h"
#include "platform/Sandbox.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/testing/FakeImagePicker.h"
#include "ui/account/PLPickerInfo.h"
#include "ui/conversation/ConversationScreens.h"
#include "ui/conversation/PLAddressBookContactViewController.h"
#include "ui/conversation/PLCaptionTextView.h"
#include "ui/conversation/PLUploadActionSheet.h"
#include "ui/conversation/PLUploadViewerWithCaptionController.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::ActionSheet;
using platform::ui::FakeImagePicker;
using platform::ui::ImagePicker;
using platform::ui::PickedMedia;

class TestAttachmentSheet : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void theSheetOffersFourChoicesAndCancel();
    void cancelAndIndicesPastItDoNothing_data();
    void cancelAndIndicesPastItDoNothing();
    void cameraAbsentOrRefused_data();
    void cameraAbsentOrRefused();
    void aLibraryPictureIsCaptionedThenPostedWithTwoKeys();
    void captionsAreResetForEachPick_data();
    void captionsAreResetForEachPick();
    void leavingTheCaptionScreenPostsNothing();
    void aCameraPictureIsSavedAndNeverRefused();
    void aRecordedVideoOverTheLimitIsRefusedHalfASecondLater();
    void aLibraryPickThatCannotBeReadIsRefused();
    void theLocationChoiceOfflineShowsOnlyTheReachabilityAlert();
    void theContactChoiceOpensTheAddressBookForTheChatWindow();
    void theRealPostCarriesTheCaption();

private:
    PLUploadActionSheet* tapAttach();
    ActionSheet* shownSheet() const;
    QString writePicture(const QString& name, QSize size);
    QString writeVideo(const QString& name);
    void pickFromLibrary(const QString& path, bool video = false);
    // Closes the caption screen with Done after typing `caption` (null: editor never opened).
    void captionAndDone(const QString& caption);

    std::unique_ptr<ConversationWorld> world;
    PLChatWindowViewController* chat = nullptr;
    FakeImagePicker* picker = nullptr;
    QList<QVariantMap> posted;
    quint64 savedLimit = 0;
    QTemporaryDir files;
};

void TestAttachmentSheet::init() {
    world = std::make_unique<ConversationWorld>();
    ConversationScreens::registerScreens();
    WidgetServices::install();
    auto fake = std::make_unique<FakeImagePicker>();
    picker = fake.get();
    ImagePicker::setCurrent(std::move(fake));
    posted.clear();
    PLUploadActionSheet::setMediaPoster(
        [this](const ChatRoom::Ptr& room, const QVariantMap& selection, const QByteArray& data) {
            QVERIFY(room && !data.isEmpty());
            QCOMPARE(room->roomId(), QStringLiteral("r1"));
            posted << selection;
        });
    savedLimit = PLAppConfigurations::currentConfiguration()->uploadSizeLimit();
    PLAppConfigurations::currentConfiguration()->setProperty("uploadSizeLimit", quint64(15728640));
    chat = world->open(world->importRoom(QStringLiteral("r1")));
}

void TestAttachmentSheet::cleanup() {
    PLAppConfigurations::currentConfiguration()->setProperty("uploadSizeLimit", savedLimit);
    PLUploadActionSheet::setMediaPoster({});
    ImagePicker::setCurrent({});
    world.reset();
    platform::ui::ScreenRegistry::shared()->clear();
}

PLUploadActionSheet* TestAttachmentSheet::tapAttach() {
    chat->uploadMediaButtonClickHandler();
    return chat->findChild<PLUploadActionSheet*>();
}

ActionSheet* TestAttachmentSheet::shownSheet() const {
    for (auto* alert : world->window->alerts())
        if (auto* sheet = qobject_cast<ActionSheet*>(alert))
            return sheet;
    return nullptr;
}

QString TestAttachmentSheet::writePicture(const QString& name, QSize size) {
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(QColor(0x33, 0x66, 0x99));
    const QString path = files.filePath(name);
    picture.save(path);
    return path;
}

QString TestAttachmentSheet::writeVideo(const QString& name) {
    // 20 frames of 64 x 48, which the media stack reads quickly.
    const QString path = files.filePath(name);
    QFile::copy(QStringLiteral(PELNIX_MEDIA_FIXTURES "/clip.webm"), path);
    return path;
}

void TestAttachmentSheet::pickFromLibrary(const QString& path, bool video) {
    picker->answer = video ? PickedMedia{path, true, {}, {}} : PickedMedia{path, false, QImage(path), {}};
    tapAttach();
    shownSheet()->tapButtonAtIndex(PLUploadActionSheet::ChooseExistingIndex);
}

void TestAttachmentSheet::captionAndDone(const QString& caption) {
    auto* screen = qobject_cast<PLUploadViewerWithCaptionController*>(chat->presentedViewController());
    QVERIFY(screen);
    if (!caption.isNull()) {
        screen->addCaptionButton()->click();
        QVERIFY(screen->captionView()->captionsTextView()->insertAsTyped(caption));
    }
    screen->doneButton()->click();
}

void TestAttachmentSheet::theSheetOffersFourChoicesAndCancel() {
    PLUploadActionSheet* sheet = tapAttach();
    QVERIFY(sheet);
    ActionSheet* shown = shownSheet();
    QVERIFY(shown);
    QCOMPARE(shown, sheet->actionSheet());
    const QStringList titles{"Take Photo or Video", "Choose Existing Photo or Video", "Send Location",
                             "Share Contact", "Cancel"};
    for (int i = 0; i < titles.size(); ++i)
        QCOMPARE(shown->buttonTitleAtIndex(i), titles.at(i));
    QCOMPARE(shown->cancelButtonIndex(), 4);
    QCOMPARE(shown->font().family(), QStringLiteral("DejaVu Sans"));
    QCOMPARE(qMax(shown->font().pointSizeF(), qreal(shown->font().pixelSize())), 16.0);
    // The same sheet object serves every tap; each shows a new menu.
    shown->tapButtonAtIndex(4);
    QCOMPARE(tapAttach(), sheet);
    QVERIFY(shownSheet() && shownSheet() != shown);
}

void TestAttachmentSheet::cancelAndIndicesPastItDoNothing_data() {
    QTest::addColumn<int>("index");
    QTest::newRow("Cancel") << 4;
    QTest::newRow("past Cancel") << 5;
    QTest::newRow("far past") << 42;
}

void TestAttachmentSheet::cancelAndIndicesPastItDoNothing() {
    QFETCH(int, index);
    PLUploadActionSheet* sheet = tapAttach();
    shownSheet()->dismiss();
    sheet->actionSheetDidDismissWithButtonIndex(index);
    QVERIFY(picker->requests.isEmpty());
    QVERIFY(world->window->alerts().isEmpty());
    QVERIFY(!chat->presentedViewController());
}

void TestAttachmentSheet::cameraAbsentOrRefused_data() {
    QTest::addColumn<bool>("camera");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("alert");
    QTest::addColumn<int>("questions");
    QTest::newRow("no camera") << false << 3 << "Camera source not found" << 0;
    QTest::newRow("access undecided: the question only") << true << 0 << QString() << 1;
    QTest::newRow("access denied") << true << 2 << "Please enable access to Photos in Privacy Settings" << 0;
}

void TestAttachmentSheet::cameraAbsentOrRefused() {
    QFETCH(bool, camera);
    QFETCH(int, status);
    QFETCH(QString, alert);
    QFETCH(int, questions);
    picker->cameraAvailable = camera;
    picker->status = ImagePicker::AuthorizationStatus(status);
    tapAttach();
    shownSheet()->tapButtonAtIndex(PLUploadActionSheet::TakePhotoIndex);
    QVERIFY(picker->requests.isEmpty());
    QCOMPARE(picker->authorizationRequests, questions);
    if (alert.isEmpty()) {
        QVERIFY(world->window->alerts().isEmpty());
    } else {
        QCOMPARE(world->window->alerts().size(), 1);
        QCOMPARE(world->window->alerts().first()->title(), QStringLiteral("Alert"));
        QCOMPARE(world->window->alerts().first()->message(), alert);
    }
}

void TestAttachmentSheet::aLibraryPictureIsCaptionedThenPostedWithTwoKeys() {
    const QString path = writePicture(QStringLiteral("harbour.jpg"), QSize(1600, 1200));
    pickFromLibrary(path);
    QCOMPARE(picker->requests.size(), 1);
    QCOMPARE(picker->requests.first().source, ImagePicker::Source::PhotoLibrary);
    QCOMPARE(picker->requests.first().kinds, ImagePicker::MediaKinds::ImagesAndVideos);
    QVERIFY(!picker->requests.first().allowsEditing);
    captionAndDone(QStringLiteral("The harbour\nat noon"));
    QTRY_VERIFY(!chat->presentedViewController());
    // Half a second later, not before.
    ConversationWorld::advance(PLUploadActionSheet::kSizeCheckDelayMs - 1);
    QVERIFY(posted.isEmpty());
    ConversationWorld::advance(1);
    QCOMPARE(posted.size(), 1);
    const QVariantMap selection = posted.first();
    QCOMPARE(selection.keys(), (QStringList{"PLMediaInfoKey", "PLPickerSelectionInfoKey"}));
    const auto info = selection.value("PLMediaInfoKey").value<PLMultiMediaInfo>();
    QCOMPARE(info.caption, QStringLiteral("The harbour at noon"));
    QCOMPARE(info.fileMime, QStringLiteral("image/jpeg"));
    QCOMPARE(info.bigImgSize, QSizeF(400, 300));
    const QVariantMap pickerInfo = selection.value("PLPickerSelectionInfoKey").toMap();
    QCOMPARE(pickerInfo.value(PLPickerInfo::kReferenceURLKey).toString(), path);
    QCOMPARE(pickerInfo.value(PLPickerInfo::kMediaTypeKey).toString(), QStringLiteral("public.image"));
    QVERIFY(world->window->alerts().isEmpty());
}

void TestAttachmentSheet::captionsAreResetForEachPick_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("firstPosted");
    QTest::newRow("blank caption") << QStringLiteral("  \n  ") << "";
    QTest::newRow("editor never opened") << QString() << "";
    QTest::newRow("captioned") << QStringLiteral("Sunset") << "Sunset";
}

void TestAttachmentSheet::captionsAreResetForEachPick() {
    QFETCH(QString, first);
    QFETCH(QString, firstPosted);
    pickFromLibrary(writePicture(QStringLiteral("first.png"), QSize(300, 200)));
    captionAndDone(first);
    ConversationWorld::advance(PLUploadActionSheet::kSizeCheckDelayMs);
    // A video after it: no caption screen, and no caption.
    pickFromLibrary(writeVideo(QStringLiteral("clip.webm")), true);
    QVERIFY(!chat->presentedViewController());
    ConversationWorld::advance(PLUploadActionSheet::kSizeCheckDelayMs);
    // Its description is complete once the media stack has read its first frame.
    QTRY_COMPARE_WITH_TIMEOUT(posted.size(), 2, 10000);
    QCOMPARE(posted.at(0).value("PLMediaInfoKey").value<PLMultiMediaInfo>().caption, firstPosted);
    const auto video = posted.at(1).value("PLMediaInfoKey").value<PLMultiMediaInfo>();
    QCOMPARE(video.caption, QStringLiteral(""));
    QCOMPARE(video.fileMime, QStringLiteral("video/mp4"));
}

void TestAttachmentSheet::leavingTheCaptionScreenPostsNothing() {
    pickFromLibrary(writePicture(QStringLiteral("leave.png"), QSize(300, 200)));
    auto* screen = qobject_cast<PLUploadViewerWithCaptionController*>(chat->presentedViewController());
    QVERIFY(screen);
    screen->cancelButton()->click();
    world->window->alerts().last()->tapButtonAtIndex(0); // "Yes"
    QTRY_VERIFY(!chat->presentedViewController());
    ConversationWorld::advance(5000);
    QVERIFY(posted.isEmpty());
}

void TestAttachmentSheet::aCameraPictureIsSavedAndNeverRefused() {
    PLAppConfigurations::currentConfiguration()->setProperty("uploadSizeLimit", quint64(16));
    picker->cameraAvailable = true;
    QImage shot(640, 480, QImage::Format_RGB32);
    shot.fill(Qt::darkRed);
    picker->answer = PickedMedia{QString(), false, shot, {}};
    const int pending = platform::ui::Scheduler::shared()->pendingCount();
    tapAttach();
    shownSheet()->tapButtonAtIndex(PLUploadActionSheet::TakePhotoIndex);
    QCOMPARE(picker->requests.first().source, ImagePicker::Source::Camera);
    captionAndDone(QString());
    // The album save answers later on the main thread; the check runs half a second after it.
    QTRY_VERIFY(platform::ui::Scheduler::shared()->pendingCount() > pending);
    ConversationWorld::advance(PLUploadActionSheet::kSizeCheckDelayMs);
    QCOMPARE(posted.size(), 1);
    const QVariantMap pickerInfo = posted.first().value("PLPickerSelectionInfoKey").toMap();
    QVERIFY(!pickerInfo.value(PLPickerInfo::kIsExistingMediaKey).toBool());
    const QString saved = pickerInfo.value(PLPickerInfo::kReferenceURLKey).toString();
    QVERIFY2(saved.startsWith(QDir(platform::Sandbox::root()).filePath("Pictures")), qPrintable(saved));
    QVERIFY(QFileInfo::exists(saved));
    QVERIFY(!QDir(QDir(platform::Sandbox::root()).filePath("Pictures/Pelnix_Images")).isEmpty());
    QVERIFY(world->window->alerts().isEmpty());
}

void TestAttachmentSheet::aRecordedVideoOverTheLimitIsRefusedHalfASecondLater() {
    const QString clip = writeVideo(QStringLiteral("recorded.webm"));
    // The alert names the limit as configured.
    QVERIFY(QFileInfo(clip).size() > 64);
    PLAppConfigurations::currentConfiguration()->setProperty("uploadSizeLimit", quint64(64));
    picker->cameraAvailable = true;
    picker->answer = PickedMedia{clip, true, {}, {}};
    const int pending = platform::ui::Scheduler::shared()->pendingCount();
    tapAttach();
    shownSheet()->tapButtonAtIndex(PLUploadActionSheet::TakePhotoIndex);
    QVERIFY(!chat->presentedViewController()); // no caption for videos
    QTRY_VERIFY(platform::ui::Scheduler::shared()->pendingCount() > pending);
    ConversationWorld::advance(PLUploadActionSheet::kSizeCheckDelayMs - 1);
    QVERIFY(world->window->alerts().isEmpty());
    ConversationWorld::advance(1);
    QCOMPARE(world->window->alerts().size(), 1);
    QCOMPARE(world->window->alerts().first()->title(), QStringLiteral("Alert"));
    QCOMPARE(world->window->alerts().first()->message(), QStringLiteral("Max 64 bytes can be uploaded"));
    QVERIFY(posted.isEmpty());
    QVERIFY(!QDir(QDir(platform::Sandbox::root()).filePath("Movies/Pelnix_Videos")).isEmpty());
}

void TestAttachmentSheet::aLibraryPickThatCannotBeReadIsRefused() {
    const QString path = writePicture(QStringLiteral("gone.png"), QSize(300, 200));
    pickFromLibrary(path);
    captionAndDone(QString());
    QVERIFY(QFile::remove(path));
    ConversationWorld::advance(PLUploadActionSheet::kSizeCheckDelayMs);
    QVERIFY(posted.isEmpty());
    QCOMPARE(world->window->alerts().size(), 1);
    QCOMPARE(world->window->alerts().first()->message(), QStringLiteral("The picked item cannot be read."));

    // A pick the picker itself could not read is refused the same way.
    world->window->alerts().first()->dismiss();
    picker->answer.reset();
    picker->error =
        PLError(QString::fromLatin1(ImagePicker::ErrorDomain), ImagePicker::UnreadablePictureError,
                QStringLiteral("The picture cannot be read"));
    tapAttach();
    shownSheet()->tapButtonAtIndex(PLUploadActionSheet::ChooseExistingIndex);
    QCOMPARE(world->window->alerts().size(), 1);
    QCOMPARE(world->window->alerts().first()->message(), QStringLiteral("The picked item cannot be read."));
}

void TestAttachmentSheet::theLocationChoiceOfflineShowsOnlyTheReachabilityAlert() {
    world->fixture.setOnline(false);
    tapAttach();
    shownSheet()->tapButtonAtIndex(PLUploadActionSheet::SendLocationIndex);
    QCOMPARE(world->window->alerts().size(), 1);
    QCOMPARE(world->window->alerts().first()->title(), QStringLiteral("Failed"));
    QCOMPARE(world->window->alerts().first()->message(),
             QStringLiteral("Please check your network connectivity."));
    QVERIFY(!chat->presentedViewController());

    // Online, without a location screen in this build: the "not available" alert.
    world->window->alerts().first()->dismiss();
    world->fixture.setOnline(true);
    tapAttach();
    shownSheet()->tapButtonAtIndex(PLUploadActionSheet::SendLocationIndex);
    if (!platform::ui::ScreenRegistry::shared()->instantiateInitial(QStringLiteral("Location"))) {
        QCOMPARE(world->window->alerts().size(), 1);
        QCOMPARE(world->window->alerts().first()->title(), QStringLiteral("Failed"));
        QVERIFY(!chat->presentedViewController());
    }
}

void TestAttachmentSheet::theContactChoiceOpensTheAddressBookForTheChatWindow() {
    tapAttach();
    shownSheet()->tapButtonAtIndex(PLUploadActionSheet::ShareContactIndex);
    auto* navigation = qobject_cast<platform::ui::NavigationController*>(chat->presentedViewController());
    QVERIFY(navigation);
    auto* list = qobject_cast<PLAddressBookContactViewController*>(navigation->topViewController());
    QVERIFY(list);
    QCOMPARE(list->shareContactDelegate(), static_cast<QObject*>(chat));
}

void TestAttachmentSheet::theRealPostCarriesTheCaption() {
    PLUploadActionSheet::setMediaPoster({});
    pickFromLibrary(writePicture(QStringLiteral("real.png"), QSize(640, 480)));
    captionAndDone(QStringLiteral("Dock 4"));
    ConversationWorld::advance(PLUploadActionSheet::kSizeCheckDelayMs);
    const auto room = ChatRoom::chatRoomWithID(QStringLiteral("r1"));
    QTRY_VERIFY(!room->messages().isEmpty());
    bool found = false;
    for (const auto& media : RichMediaInfo::PS_findAll())
        found =
            found || PLMultiMediaInfo::multiMediaInfoFromJSONstring(media->uploadedMediaInfo())->caption ==
                         QStringLiteral("Dock 4");
    QVERIFY(found);
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestAttachmentSheet t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_attachmentsheet.moc"
