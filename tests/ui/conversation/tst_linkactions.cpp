// The link actions: every link type against the recording system services and the screen registry;
// nothing off the allow-list is opened.
#include "SmartScreensTestWorld.h"

#include "CapturedLog.h"

#include "platform/AddressBook.h"
#include "platform/ui/ContactCardView.h"
#include "platform/ui/ScreenRegistry.h"
#include "smart/MessageLinkProcessing.h"
#include "ui/conversation/PLAddContactViewController.h"
#include "ui/conversation/PLInternalLinkWebViewController.h"
#include "ui/conversation/PLLinkDisplayHelper.h"
#include "ui/conversation/PLMediaDownloading.h"
#include "ui/conversation/PLPostChatletViewController.h"
#include "ui/conversation/PLReplyWebViewController.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::NavigationController;
using platform::ui::ViewController;

namespace {

const QString kNetworkAlert = QStringLiteral("Failed / Please check your network connectivity.");
const QString kNotAvailable = QStringLiteral("Failed / This is not available in this version.");

QVariantMap smartInfo(const QString& type, const QVariantMap& params = {}, const QVariantMap& action = {}) {
    return {{PLSmartType, type}, {PLParamInfoDict, params}, {PLActionInfoDict, action}};
}
QVariantMap internal(const QVariantMap& link) {
    return {{PLInternalLinkDict, link}};
}

// A download that only records what it was asked.
class RecordingDownload : public PLMediaDownloading {
public:
    struct Log {
        int made = 0;
        int cleanUps = 0;
        QList<QVariantMap> infos;
        QStringList urls;
    };
    explicit RecordingDownload(Log* log) : m_log(log) { ++m_log->made; }
    void setMessage(const std::shared_ptr<Message>&) override {}
    void downloadMediaFromURL(const QString& url, const std::shared_ptr<ChatRoom>&, const QVariantMap& info,
                              platform::ui::ViewController*) override {
        m_log->urls << url;
        m_log->infos << info;
    }
    void cleanUp() override { ++m_log->cleanUps; }

private:
    Log* m_log;
};

QString describe(const platform::ui::MailDraft& draft) {
    return QStringLiteral("to=%1 cc=%2 subject=%3 body=%4")
        .arg(draft.toRecipients.join(','), draft.ccRecipients.join(','), draft.subject, draft.body);
}
QString describe(const platform::ui::TextDraft& draft) {
    return QStringLiteral("to=%1 body=%2").arg(draft.recipients.join(','), draft.body);
}

QString className(const QObject* object) {
    return object ? QString::fromLatin1(object->metaObject()->className()).section(QStringLiteral("::"), -1)
                  : QString();
}

} // namespace

class TestLinkActions : public QObject {
    Q_OBJECT
private slots:
    // One world for all: each test starts from the host alone on screen with nothing recorded.
    void initTestCase() {
        world = std::make_unique<SmartScreensWorld>();
        world->downloadSmartFixtures();
        room = world->importRoom(QStringLiteral("r1"));
        message = world->importMessage(room, QStringLiteral("m1"), 1000,
                                       QStringLiteral(R"({"formid":"F1","xslt":"poll","caption":"Lake"})"),
                                       kBob, QStringLiteral("smartmessage"));
        host = world->showHost(room);
        platform::ui::SystemServices::setApplicationSchemes({QStringLiteral("pelnixhost")});
    }
    void cleanupTestCase() {
        platform::ui::SystemServices::setApplicationSchemes({});
        world.reset();
    }
    void init() {
        helper = PLLinkDisplayHelper::instanceWithViewController(host, room);
        helper->setPostChatletDelegate(host);
    }
    void cleanup() {
        delete helper;
        PLMediaDownloading::setMaker({});
        world->dismissAlerts();
        if (host->presentedViewController())
            host->dismissViewController(false);
        world->navigation->popToRootViewController(false);
        world->settle();
        *world->services = platform::ui::RecordingSystemServices();
        world->fixture.setOnline(true);
        auto* book = platform::AddressBook::sharedAddressBook();
        book->stopWatching();
        book->setAuthorizationStatus(platform::AddressBook::Authorization::Authorized);
    }

    void handledTypesFollowTheMask_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("handled");
        for (int type = -1; type <= 15; ++type)
            QTest::addRow("type %d", type) << type << (type >= 1 && type <= 14 && type != 9 && type != 11);
    }
    void handledTypesFollowTheMask() {
        QFETCH(int, type);
        QFETCH(bool, handled);
        QCOMPARE(PLLinkDisplayHelper::canHandleLinkforType(type), handled);
    }

    void everyLinkType_data();
    void everyLinkType();

    void downloadsTakeTheCaptionAndReuseTheHelper();
    void locationScreensGetTheirInput();
    void theContactCardSavesANewPersonThatTheBookAnnounces();

private:
    std::unique_ptr<SmartScreensWorld> world;
    ChatRoom::Ptr room;
    Message::Ptr message;
    ChatletHost* host = nullptr;
    QPointer<PLLinkDisplayHelper> helper;
};

// Each row: what the helper is handed, and all it does with it: URLs opened, drafts composed, alerts,
// the screen presented over the host and the screen on top of the host's navigation stack.
void TestLinkActions::everyLinkType_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QVariantMap>("info");
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QStringList>("opened");
    QTest::addColumn<QStringList>("drafts");
    QTest::addColumn<QStringList>("alerts");
    QTest::addColumn<QString>("presented");
    QTest::addColumn<QString>("pushed");
    const QStringList none;
    const QString host = QStringLiteral("host");

    QTest::newRow("base URL") << 0 << "https://chat.test/" << QVariantMap{} << "" << none << none << none
                              << "" << host;
    QTest::newRow("unassigned 9") << 9 << "" << QVariantMap{} << "" << none << none << none << "" << host;
    QTest::newRow("immediate response")
        << 11 << "" << QVariantMap{{PLMessageToPost, "{}"}} << "" << none << none << none << "" << host;
    QTest::newRow("out of range") << 15 << "" << QVariantMap{} << "" << none << none << none << "" << host;
    QTest::newRow("sms") << 1 << "sms:555,556?body=hi"
                         << QVariantMap{{"recipient", "555,556"}, {"body", "hi"}} << "" << none
                         << QStringList{"text to=555,556 body=hi"} << none << "" << host;
    QTest::newRow("sms unavailable") << 1 << "sms:555" << QVariantMap{{"recipient", "555"}} << "no text"
                                     << none << none << QStringList{"Failed / Can't Send SMS"} << "" << host;
    QTest::newRow("mail to two") << 2 << "mailto:a@x.test,b@x.test"
                                 << QVariantMap{{"recipient", "a@x.test,b@x.test"},
                                                {"subject", "S"},
                                                {"body", "B"}}
                                 << "" << none
                                 << QStringList{"mail to=a@x.test,b@x.test cc= subject=S body=B"} << none
                                 << "" << host;
    QTest::newRow("mail with cc") << 2 << "mailto:a@x.test"
                                  << QVariantMap{{"recipient", "a@x.test"}, {"cc", "c@x.test, d@x.test"}}
                                  << "" << none
                                  << QStringList{"mail to=a@x.test cc=c@x.test,d@x.test subject= body="}
                                  << none << "" << host;
    QTest::newRow("mail unavailable")
        << 2 << "mailto:a@x.test" << QVariantMap{{"recipient", "a@x.test"}} << "no mail" << none << none
        << QStringList{"Alert / Email is not supported in your device!"} << "" << host;
    QTest::newRow("telephone") << 3 << "tel:+15550100" << QVariantMap{{PLExternalLinkDict, "tel:+15550100"}}
                               << "" << QStringList{"tel:+15550100"} << none << none << "" << host;
    // A message's link holding a directional control: a draft's recipients go without it, a number
    // that holds one is refused.
    const QString rlo(QChar(0x202E));
    QTest::newRow("sms to a reversed number")
        << 1 << "sms:" << QVariantMap{{"recipient", "+1" + rlo + "0010555"}} << "" << none
        << QStringList{"text to=+10010555 body="} << none << "" << host;
    QTest::newRow("mail to a reversed address")
        << 2 << "mailto:"
        << QVariantMap{{"recipient", rlo + "moc.evil@xyz"}, {"cc", "c@x.test," + rlo + "d@x.test"}} << ""
        << none << QStringList{"mail to=moc.evil@xyz cc=c@x.test,d@x.test subject= body="} << none << ""
        << host;
    QTest::newRow("telephone with a reversed number")
        << 3 << "tel:+1%E2%80%AE0010555" << QVariantMap{{PLExternalLinkDict, "tel:+1%E2%80%AE0010555"}} << ""
        << none << none << QStringList{"Alert / Failed to open Url"} << "" << host;
    QTest::newRow("web page") << 12 << "https://example.test/a?b=1"
                              << QVariantMap{{PLExternalLinkDict, "https://example.test/a?b=1"}} << ""
                              << QStringList{"https://example.test/a?b=1"} << none << none << "" << host;
    for (const char* unsafe : {"file:///etc/passwd", "javascript:alert(1)", "steam://run/1",
                               "smb://host/share", "data:text/html,<b>x</b>"})
        QTest::addRow("refused %s", unsafe)
            << 12 << unsafe << QVariantMap{{PLExternalLinkDict, unsafe}} << "" << none << none
            << QStringList{"Alert / Failed to open Url"} << "" << host;
    QTest::newRow("telephone link hiding a file")
        << 3 << "file:///tmp/tel:1" << QVariantMap{{PLExternalLinkDict, "file:///tmp/tel:1"}} << "" << none
        << none << QStringList{"Alert / Failed to open Url"} << "" << host;
    QTest::newRow("map offline") << 4 << "https://www.openstreetmap.org/?mlat=1" << QVariantMap{} << "offline"
                                 << none << none << QStringList{kNetworkAlert} << "" << host;
    QTest::newRow("map without its screens")
        << 4 << "https://www.openstreetmap.org/?mlat=1" << QVariantMap{} << "" << none << none
        << QStringList{kNotAvailable} << "" << host;
    QTest::newRow("reply form") << 5 << ""
                                << smartInfo("poll", {{"displayname", "Poll"}}, {{"name", "compose"}}) << ""
                                << none << none << none << "NavigationController/PLPostChatletViewController"
                                << host;
    QTest::newRow("download offline")
        << 6 << "" << smartInfo("image", {}, {{"fileUrl", "https://f.test/1"}}) << "offline" << none << none
        << QStringList{kNetworkAlert} << "" << host;
    QTest::newRow("download without downloads")
        << 6 << "" << smartInfo("image", {}, {{"fileUrl", "https://f.test/1"}}) << "" << none << none
        << QStringList{kNotAvailable} << "" << host;
    QTest::newRow("details") << 7 << "" << smartInfo("poll") << "" << none << none << none << ""
                             << "PLReplyWebViewController";
    QTest::newRow("comments") << 8 << "" << smartInfo("poll") << "" << none << none << none << ""
                              << "PLReplyWebViewController";
    QTest::newRow("location offline") << 10 << "" << smartInfo("location") << "offline" << none << none
                                      << QStringList{kNetworkAlert} << "" << host;
    QTest::newRow("location without its screens") << 10 << "" << smartInfo("location") << "" << none << none
                                                  << QStringList{kNotAvailable} << "" << host;
    QTest::newRow("in-app page") << 13 << ""
                                 << internal({{"web", QVariantMap{{"url", "https://docs.test/p"},
                                                                  {"title", "Docs"}}}})
                                 << "" << none << none << none << ""
                                 << "PLInternalLinkWebViewController";
    QTest::newRow("in-app page of a file")
        << 13 << "" << internal({{"web", QVariantMap{{"url", "file:///etc/passwd"}}}}) << "" << none << none
        << QStringList{"Failed / Failed to open Url"} << "" << host;
    QTest::newRow("configured application")
        << 13 << "" << internal({{"launchApp", QVariantMap{{"schema", "pelnixhost://open?x=1"}}}}) << ""
        << QStringList{"pelnixhost://open?x=1"} << none << none << "" << host;
    QTest::newRow("unknown application")
        << 13 << ""
        << internal({{"launchApp",
                      QVariantMap{{"schema", "other://x"}, {"appNotFoundErrorText", "Get Other first"}}}})
        << "" << none << none << QStringList{"Failed / Get Other first"} << "" << host;
    QTest::newRow("unknown application, no text")
        << 13 << "" << internal({{"launchApp", QVariantMap{{"schema", "other://x"}}}}) << "" << none << none
        << none << "" << host;
    QTest::newRow("application without schema")
        << 13 << "" << internal({{"launchApp", QVariantMap{{"errorText", "No app"}}}}) << "" << none << none
        << QStringList{"Failed / No app"} << "" << host;
    QTest::newRow("application without schema or text")
        << 13 << "" << internal({{"launchApp", QVariantMap{}}}) << "" << none << none << none << "" << host;
    QTest::newRow("internal link of no kind") << 13 << "" << internal({{"other", 1}}) << "" << none << none
                                              << QStringList{"Failed / Failed to open Url"} << "" << host;
    QTest::newRow("shared contact") << 14 << ""
                                    << smartInfo("contact", {},
                                                 {{"name", "Bo"},
                                                  {"phone", QVariantList{QVariantMap{{"label", "mobile"},
                                                                                     {"phone", "555"}}}}})
                                    << "" << none << none << none << ""
                                    << "PLAddContactViewController";
}

void TestLinkActions::everyLinkType() {
    QFETCH(int, type);
    QFETCH(QString, url);
    QFETCH(QVariantMap, info);
    QFETCH(QString, setup);
    QFETCH(QStringList, opened);
    QFETCH(QStringList, drafts);
    QFETCH(QStringList, alerts);
    QFETCH(QString, presented);
    QFETCH(QString, pushed);
    world->services->textAvailable = setup != QLatin1String("no text");
    world->services->mailAvailable = setup != QLatin1String("no mail");
    world->fixture.setOnline(setup != QLatin1String("offline"));

    CapturedLog log;
    helper->handleProcessedLink(type, url, info, message);
    world->settle();
    // Nothing of Qt's own that the host did not ask for (a call Qt refuses warns uncategorised).
    QVERIFY2(log.lines().filter(QRegularExpression(QStringLiteral("^default "))).isEmpty(),
             qPrintable(log.text()));

    QStringList openedNow;
    for (const QUrl& u : world->services->opened)
        openedNow << u.toString();
    QCOMPARE(openedNow, opened);
    QStringList draftsNow;
    for (const auto& mail : world->services->mails)
        draftsNow << QStringLiteral("mail ") + describe(mail);
    for (const auto& text : world->services->texts)
        draftsNow << QStringLiteral("text ") + describe(text);
    QCOMPARE(draftsNow, drafts);
    QCOMPARE(world->alertTexts(), alerts);
    ViewController* over = host->presentedViewController();
    QString presentedNow = className(over);
    if (auto* navigation = qobject_cast<NavigationController*>(over))
        presentedNow += QLatin1Char('/') + className(navigation->topViewController());
    QCOMPARE(presentedNow, presented);
    ViewController* top = world->navigation->topViewController();
    QCOMPARE(top == host ? QStringLiteral("host") : className(top), pushed);

    // What the screens were given.
    if (auto* navigation = qobject_cast<NavigationController*>(over)) {
        auto* composer = qobject_cast<PLPostChatletViewController*>(navigation->topViewController());
        QVERIFY(composer);
        QCOMPARE(composer->postChatletType(), int(PLPostChatletViewController::Reply));
        QCOMPARE(composer->smartType(), QStringLiteral("poll"));
        QCOMPARE(composer->title(), QStringLiteral("Poll"));
        QCOMPARE(composer->postChatletDelegate(), static_cast<PLPostChatletDelegate*>(host));
    }
    if (auto* details = qobject_cast<PLReplyWebViewController*>(world->navigation->topViewController())) {
        QCOMPARE(details->linkType(), type);
        QCOMPARE(details->message(), message);
        QCOMPARE(details->linkInfo(), info);
    }
    if (auto* browser =
            qobject_cast<PLInternalLinkWebViewController*>(world->navigation->topViewController())) {
        QCOMPARE(browser->linkURL(), QUrl(QStringLiteral("https://docs.test/p")));
        QCOMPARE(browser->title(), QStringLiteral("Docs"));
    }
    if (auto* card = qobject_cast<PLAddContactViewController*>(world->navigation->topViewController())) {
        QCOMPARE(card->person().firstName, QStringLiteral("Bo"));
        QCOMPARE(card->person().phones.size(), 1);
        QCOMPARE(card->person().phones.first().value, QStringLiteral("555"));
    }
}

// The caption comes from the message's own "caption", else its "content.image.caption", else the one
// media entry of the library's own shares; a second download uses the same downloader, which is
// cleaned up with the helper.
void TestLinkActions::downloadsTakeTheCaptionAndReuseTheHelper() {
    RecordingDownload::Log log;
    PLMediaDownloading::setMaker([&log] { return std::make_unique<RecordingDownload>(&log); });
    const QVariantMap media{{"fileUrl", "https://f.test/a.jpg"}, {"fileMime", "image/jpeg"}};
    helper->handleProcessedLink(PLLinkTypeDownload, {}, smartInfo("image", {}, media), message);
    auto nested =
        world->importMessage(room, QStringLiteral("m2"), 2000,
                             QStringLiteral(R"({"formid":"F2","content":{"image":{"caption":"Dock"}}})"),
                             kBob, QStringLiteral("smartmessage"));
    helper->handleProcessedLink(PLLinkTypeDownload, {}, smartInfo("image", {}, media), nested);
    auto bare = world->importMessage(room, QStringLiteral("m3"), 3000, QStringLiteral(R"({"formid":"F3"})"),
                                     kBob, QStringLiteral("smartmessage"));
    helper->handleProcessedLink(PLLinkTypeDownload, {}, smartInfo("image", {}, media), bare);
    auto share = world->importMessage(
        room, QStringLiteral("m4"), 4000,
        QStringLiteral(R"({"formid":"F4","content":{"media":[{"fileUrl":"x","caption":"Café wall"}]}})"),
        kBob, QStringLiteral("smartmessage"));
    helper->handleProcessedLink(PLLinkTypeDownload, {}, smartInfo("image", {}, media), share);
    QCOMPARE(log.made, 1);
    QCOMPARE(log.urls, QStringList(4, QStringLiteral("https://f.test/a.jpg")));
    QCOMPARE(log.infos[3].value("caption").toString(), QStringLiteral("Café wall"));
    QCOMPARE(log.infos[3].value("fileUrl").toString(), QStringLiteral("https://f.test/a.jpg"));
    QCOMPARE(log.infos[0].value("caption").toString(), QStringLiteral("Lake"));
    QCOMPARE(log.infos[1].value("caption").toString(), QStringLiteral("Dock"));
    QVERIFY(!log.infos[2].contains("caption"));
    QCOMPARE(log.infos[2].value("fileMime").toString(), QStringLiteral("image/jpeg"));
    delete helper;
    QCOMPARE(log.cleanUps, 1);
    helper = nullptr;
}

// The location screens, once registered, get the link's values and the completion handler.
void TestLinkActions::locationScreensGetTheirInput() {
    auto* registry = platform::ui::ScreenRegistry::shared();
    registry->registerScreen(QLatin1String(kLocationStoryboard), QStringLiteral("LocationNavigation"),
                             [] { return new NavigationController(new ViewController); });
    registry->setInitialScreen(QLatin1String(kLocationStoryboard), QStringLiteral("LocationNavigation"));
    QStringList posted;
    helper->setPostLocationCompletionHandler([&posted](const QString& text) { posted << text; });
    helper->handleProcessedLink(PLLinkTypeLocation, {}, smartInfo("location", {}, {{"lat", "1.5"}}), message);
    auto* navigation = qobject_cast<NavigationController*>(host->presentedViewController());
    QVERIFY(navigation);
    ViewController* screen = navigation->topViewController();
    QCOMPARE(screen->property(kLocationInfoProperty).toMap(), (QVariantMap{{"lat", "1.5"}}));
    screen->property(kLocationCompletionProperty)
        .value<PLPostLocationCompletionHandler>()(QStringLiteral("here"));
    QCOMPARE(posted, QStringList{"here"});
    navigation->dismissViewController(false);
    world->settle();
    helper->handleProcessedLink(PLLinkTypeMap, QStringLiteral("https://www.openstreetmap.org/?mlat=2"), {},
                                message);
    navigation = qobject_cast<NavigationController*>(host->presentedViewController());
    QVERIFY(navigation);
    QCOMPARE(navigation->topViewController()->property(kLocationMapURLProperty).toString(),
             QStringLiteral("https://www.openstreetmap.org/?mlat=2"));
    registry->clear();
    ChatletScreens::registerScreens();
}

// "Create New Contact" writes one card into the address book's folder; the book's watcher announces
// it and the person reads back whole.
void TestLinkActions::theContactCardSavesANewPersonThatTheBookAnnounces() {
    auto* book = platform::AddressBook::sharedAddressBook();
    book->startWatching();
    QSignalSpy changes(book, &platform::AddressBook::externalChange);
    const QVariantMap contact{
        {"name", "Bo Diddley"},
        {"phone", QVariantList{QVariantMap{{"label", "mobile"}, {"phone", "+1 555 0100"}}}},
        {"email", QVariantList{QVariantMap{{"label", "Band"}, {"email", "bo@band.test"}}}}};
    helper->handleProcessedLink(PLLinkTypeContact, {}, smartInfo("contact", {}, contact), message);
    world->settle();
    auto* card = qobject_cast<PLAddContactViewController*>(world->navigation->topViewController());
    QVERIFY(card);
    platform::ui::ContactCardView* view = card->cardView();
    QVERIFY(view->addButton()->isVisible());
    QCOMPARE(view->addButton()->text(), QStringLiteral("Create New Contact"));
    QTest::mouseClick(view->addButton(), Qt::LeftButton);
    QVERIFY(changes.wait(5000));
    QVERIFY(!view->addButton()->isEnabled());
    QCOMPARE(view->addButton()->text(), QStringLiteral("Contact Saved"));
    const QStringList files = QDir(world->contactsFolder.path()).entryList(QDir::Files);
    QCOMPARE(files.size(), 1);
    const auto people = book->people();
    QCOMPARE(people.size(), 1);
    QCOMPARE(people.first().firstName, QStringLiteral("Bo Diddley"));
    QCOMPARE(people.first().phones.first().value, QStringLiteral("+1 555 0100"));
    QCOMPARE(people.first().emails.first().label, QStringLiteral("Band"));

    // No access: the card says why and may be tried again.
    book->setAuthorizationStatus(platform::AddressBook::Authorization::Denied);
    helper->handleProcessedLink(PLLinkTypeContact, {}, smartInfo("contact", {}, contact), message);
    world->settle();
    card = qobject_cast<PLAddContactViewController*>(world->navigation->topViewController());
    QTest::mouseClick(card->cardView()->addButton(), Qt::LeftButton);
    QVERIFY(card->cardView()->errorLabel()->isVisibleTo(card->cardView()));
    QVERIFY(card->cardView()->addButton()->isEnabled());
    QCOMPARE(QDir(world->contactsFolder.path()).entryList(QDir::Files).size(), 1);
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestLinkActions t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_linkactions.moc"
