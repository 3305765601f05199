// The details and comments page of a smart message: the expiry button and flow, the page's loads and
// reloads (built off the main thread), its links and the reply posted from it; one test renders the
// stand-in's poll page with the real browser engine.
#include "SmartLinkInfo.h"
#include "SmartScreensTestWorld.h"

#include "core/api/PLAppConfigurations.h"
#include "core/model/ChatRoomNotifications.h"
#include "interface/PelnixEventTracker.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/NavigationItem.h"
#include "smart/SmartRenderQueue.h"
#include "smart/StyleSheetXSLTManagement.h"
#include "ui/conversation/PLChatletMessageBuilder.h"
#include "ui/conversation/PLPostChatletViewController.h"
#include "ui/conversation/PLReplyWebViewController.h"

#include <QApplication>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTimer>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::FakeWebView;

namespace {

class RecordingTracker : public QObject, public PelnixEventTrackerDelegate {
public:
    void eventTracked(const QString& name, const QVariantMap& properties) override {
        events << qMakePair(name, properties);
    }
    QList<QPair<QString, QVariantMap>> events;
};

// A poll as the composer writes it, with its action links.
QString pollJSON(const QString& formId, const QString& type = QStringLiteral("primary")) {
    QVariantMap form = PLPostChatletViewController::storedForm(QStringLiteral("poll"));
    QString json = PLChatletMessageBuilder::newChatletJSON(
        QStringLiteral("poll"), form,
        {{"title", "Lunch"}, {"question", "Where?"}, {"options", QStringList{"Café", "Dock"}}}, formId);
    if (type != QLatin1String("primary"))
        json.replace(QStringLiteral("\"primary\""), QStringLiteral("\"%1\"").arg(type));
    return json;
}

} // namespace

class TestReplyWebView : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        world = std::make_unique<SmartScreensWorld>();
        world->downloadSmartFixtures();
        world->seedRoom(QStringLiteral("r1"));
        room = world->importRoom(QStringLiteral("r1"));
        host = world->showHost(room);
        PelnixEventTracker::sharedEventTrackerInstance()->setEventTrackerDelegate(&tracker);
    }
    void cleanupTestCase() {
        PelnixEventTracker::sharedEventTrackerInstance()->setEventTrackerDelegate(nullptr);
        world.reset();
    }
    void cleanup() {
        world->dismissAlerts();
        if (host->presentedViewController())
            host->dismissViewController(false);
        world->navigation->popToRootViewController(false);
        world->fixture.setOnline(true);
        tracker.events.clear();
        world->settle();
    }

    void theExpiryButtonIsForTheSendersLivePrimaryChatlet_data();
    void theExpiryButtonIsForTheSendersLivePrimaryChatlet();
    void expiringAsksTwiceAndIsTrackedEitherWay();
    void theCommentsPageOpensAtItsEnd_data();
    void theCommentsPageOpensAtItsEnd();
    void updatesReloadThePageByKind_data();
    void updatesReloadThePageByKind();
    void withoutHTMLNoPageAndNoBusyOverlayStays();
    void thePageOpensWhileItsStylesheetDownloadIsHeld();
    void aScreenClosedWhileItsPageIsBuiltTakesNothingLate();
    void anUpdateWhileThePageIsBuiltShowsTheNewText();
    void pageLinks();
    void repliesPostFromThePageUnlessExpired();
    void theRealEngineRendersThePollPageAndMeasuresIt();

private:
    // A poll of `sender` in the local store, as the stream would bring it.
    Message::Ptr poll(const QString& formId, qint32 sender, const QString& type = QStringLiteral("primary"),
                      const QString& latestAction = {});
    // A poll posted by Ann on the stand-in and imported from the answer.
    Message::Ptr postedPoll(const QString& formId);
    // Pushed; its page may still be being built.
    PLReplyWebViewController* push(const Message::Ptr& message, int linkType);
    // Pushed, with its page in the web view.
    PLReplyWebViewController* open(const Message::Ptr& message, int linkType);
    // The poll's details stylesheet as if never downloaded, and its next download held by the service.
    void holdTheDetailsSheetDownload();
    // Lets the download go and waits until every page built from it has been answered.
    void releaseTheDetailsSheet();
    FakeWebView* page(PLReplyWebViewController* details) {
        return qobject_cast<FakeWebView*>(details->webview());
    }

    std::unique_ptr<SmartScreensWorld> world;
    ChatRoom::Ptr room;
    ChatletHost* host = nullptr;
    RecordingTracker tracker;
    qint64 date = 1000;
};

Message::Ptr TestReplyWebView::poll(const QString& formId, qint32 sender, const QString& type,
                                    const QString& latestAction) {
    QString json = pollJSON(formId, type);
    if (!latestAction.isEmpty())
        json.replace(QStringLiteral("\"init\""), QStringLiteral("\"%1\"").arg(latestAction));
    return world->importMessage(room, QStringLiteral("m-") + formId, date += 1000, json, sender,
                                QStringLiteral("smartmessage"));
}

Message::Ptr TestReplyWebView::postedPoll(const QString& formId) {
    bool done = false;
    room->postPrivateMessage(pollJSON(formId), true,
                             [&done](bool ok, const PLOptionalError&, const QString&) { done = ok; });
    if (!QTest::qWaitFor([&done] { return done; }, 5000))
        return {};
    return Message::messageWithFormID(formId);
}

PLReplyWebViewController* TestReplyWebView::push(const Message::Ptr& message, int linkType) {
    auto* details = new PLReplyWebViewController;
    details->setMessage(message);
    details->setLinkType(linkType);
    details->setLinkInfo(
        linkInfoOf(message, linkType == 8 ? QStringLiteral("comments") : QStringLiteral("details")));
    world->navigation->pushViewController(details, false);
    world->settle();
    return details;
}

PLReplyWebViewController* TestReplyWebView::open(const Message::Ptr& message, int linkType) {
    PLReplyWebViewController* details = push(message, linkType);
    if (!QTest::qWaitFor([details] { return details->loadedHTMLContent(); }))
        QTest::qFail("the page was not built", __FILE__, __LINE__);
    return details;
}

void TestReplyWebView::holdTheDetailsSheetDownload() {
    const QString category = QString::fromLatin1(StyleSheetXSLTManagement::kDetailFormCategory);
    while (const auto sheet = StyleSheetXSLTManagement::styleSheetWithName(QStringLiteral("poll"), category))
        sheet->PS_deleteEntity();
    room->save();
    QVERIFY(world->fixture.server().addFault({"^/xslt/poll$", "GET", 1, standin::FaultInjector::Mode::Hold}));
}

void TestReplyWebView::releaseTheDetailsSheet() {
    world->fixture.server().releaseHeld();
    const QString category = QString::fromLatin1(StyleSheetXSLTManagement::kDetailFormCategory);
    QTRY_VERIFY(StyleSheetXSLTManagement::styleSheetWithName(QStringLiteral("poll"), category));
    QTRY_COMPARE(SmartRenderQueue::shared()->pendingCount(), 0);
    world->settle();
}

void TestReplyWebView::theExpiryButtonIsForTheSendersLivePrimaryChatlet_data() {
    QTest::addColumn<bool>("mine");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("latestAction");
    QTest::addColumn<bool>("offered");
    QTest::newRow("own primary") << true << "primary"
                                 << "" << true;
    QTest::newRow("own primary with replies") << true << "primary"
                                              << "reply" << true;
    QTest::newRow("someone else's") << false << "primary"
                                    << "" << false;
    QTest::newRow("own of another type") << true << "secondary"
                                         << "" << false;
    QTest::newRow("own, expired") << true << "primary"
                                  << "expired" << false;
}

void TestReplyWebView::theExpiryButtonIsForTheSendersLivePrimaryChatlet() {
    QFETCH(bool, mine);
    QFETCH(QString, type);
    QFETCH(QString, latestAction);
    QFETCH(bool, offered);
    const auto message = poll(QStringLiteral("B-%1").arg(QTest::currentDataTag()), mine ? world->me() : kBob,
                              type, latestAction);
    PLReplyWebViewController* details = open(message, 7);
    QCOMPARE(details->expiryButtonItem() != nullptr, offered);
    QCOMPARE(details->title(), QStringLiteral("Poll"));
}

// The sheet's cancel does nothing; the confirmation's cancel still counts the event; confirming posts
// the expiry, says so and takes the button away.
void TestReplyWebView::expiringAsksTwiceAndIsTrackedEitherWay() {
    const auto message = postedPoll(QStringLiteral("EXP-1"));
    QVERIFY(message);
    PLReplyWebViewController* details = open(message, 7);
    QVERIFY(details->expiryButtonItem());

    details->expiresNowButtonClicked();
    auto* sheet = qobject_cast<platform::ui::ActionSheet*>(world->topAlert());
    QVERIFY(sheet);
    QCOMPARE(sheet->buttonTitleAtIndex(0), QStringLiteral("Expire now"));
    sheet->tapButtonAtIndex(sheet->cancelButtonIndex());
    QVERIFY(!world->topAlert());
    QVERIFY(tracker.events.isEmpty());

    details->expiresNowButtonClicked();
    world->topAlert()->tapButtonAtIndex(0);
    platform::ui::AlertView* confirm = world->topAlert();
    QCOMPARE(confirm->title(), QStringLiteral("Expire Chatlet now?"));
    QCOMPARE(confirm->message(),
             QStringLiteral("On expiring this chatlet, participants will not be able to reply to it."));
    QCOMPARE(confirm->buttonTitleAtIndex(confirm->cancelButtonIndex()), QStringLiteral("Cancel"));
    confirm->tapButtonAtIndex(confirm->cancelButtonIndex());
    const QVariantMap expected{{"Adminonly", false}, {"Formid", "EXP-1"}, {"IsAdmin", true}};
    QCOMPARE(tracker.events.size(), 1);
    QCOMPARE(tracker.events.first().first, QStringLiteral("Expire chatlet"));
    QCOMPARE(tracker.events.first().second, expected);
    QCOMPARE(world->fixture.requestsTo("rooms/r1/messages", "expiry"), 0);

    details->expiresNowButtonClicked();
    world->topAlert()->tapButtonAtIndex(0);
    confirm = world->topAlert();
    confirm->tapButtonAtIndex(confirm->cancelButtonIndex() == 0 ? 1 : 0);
    QCOMPARE(tracker.events.size(), 2);
    QVERIFY(PLActivityIndicatorView::isVisible());
    QTRY_COMPARE(world->alertTexts(), QStringList{"Success / This Chatlet is Expired now."});
    QVERIFY(!details->expiryButtonItem());
    QCOMPARE(world->fixture.requestsTo("rooms/r1/messages", "expiry"), 1);
    world->settle();
    QVERIFY(!PLActivityIndicatorView::isVisible());
}

void TestReplyWebView::theCommentsPageOpensAtItsEnd_data() {
    QTest::addColumn<int>("linkType");
    QTest::addColumn<QStringList>("scripts");
    const QString noCallout = QStringLiteral("document.body.style.webkitTouchCallout='none'; "
                                             "document.documentElement.style.webkitUserSelect='none';");
    QTest::newRow("details") << 7 << QStringList{noCallout};
    QTest::newRow("comments") << 8
                              << QStringList{noCallout, "document.body.offsetHeight;",
                                             "window.scrollBy(0, 777);"};
}

void TestReplyWebView::theCommentsPageOpensAtItsEnd() {
    QFETCH(int, linkType);
    QFETCH(QStringList, scripts);
    PLReplyWebViewController* details = open(poll(QStringLiteral("SC-%1").arg(linkType), kBob), linkType);
    FakeWebView* web = page(details);
    QVERIFY(web->loadedHTML.contains(QLatin1String("poll-details")));
    QCOMPARE(web->loadedBaseURL, QUrl(PLAppConfigurations::currentConfiguration()->baseURL()));
    QVERIFY(PLActivityIndicatorView::isVisible());
    web->scriptResult = 777.0;
    web->finishLoad();
    QCOMPARE(web->scripts, scripts);
    world->settle();
    QVERIFY(!PLActivityIndicatorView::isVisible());
}

void TestReplyWebView::updatesReloadThePageByKind_data() {
    QTest::addColumn<int>("linkType");
    QTest::addColumn<QString>("latestAction");
    QTest::addColumn<bool>("reloads");
    QTest::newRow("details, reply") << 7 << "reply" << true;
    QTest::newRow("details, comment") << 7 << "comment" << false;
    QTest::newRow("details, expiry") << 7 << "expired" << true;
    QTest::newRow("details, other") << 7 << "init" << false;
    QTest::newRow("comments, reply") << 8 << "reply" << false;
    QTest::newRow("comments, comment") << 8 << "comment" << true;
    QTest::newRow("comments, expiry") << 8 << "expired" << true;
}

void TestReplyWebView::updatesReloadThePageByKind() {
    QFETCH(int, linkType);
    QFETCH(QString, latestAction);
    QFETCH(bool, reloads);
    const auto message = poll(QStringLiteral("UP-%1").arg(QTest::currentDataTag()), kBob);
    PLReplyWebViewController* details = open(message, linkType);
    QSignalSpy loads(page(details), &platform::ui::WebView::didStartLoad);
    page(details)->finishLoad();
    QVERIFY(!details->isRenderingPage());
    // Another message's update changes nothing.
    auto other = poll(QStringLiteral("UP-other-%1").arg(QTest::currentDataTag()), kBob);
    other->setLatestAction(latestAction);
    other->save();
    platform::NotificationCenter::defaultCenter()->post(QLatin1String(ChatRoomMessageUpdatedNotification), {},
                                                        {{kMessageIDKey, other->messageId()}});
    QCOMPARE(loads.count(), 0);
    message->setLatestAction(latestAction);
    message->save();
    platform::NotificationCenter::defaultCenter()->post(QLatin1String(ChatRoomMessageUpdatedNotification), {},
                                                        {{kMessageIDKey, message->messageId()}});
    QCOMPARE(details->isRenderingPage(), reloads);
    QTRY_COMPARE(loads.count(), reloads ? 1 : 0);
    QVERIFY(!details->isRenderingPage());
}

// A page that cannot be built loads nothing, leaves no busy overlay, and an offline device hears why.
void TestReplyWebView::withoutHTMLNoPageAndNoBusyOverlayStays() {
    const auto message = poll(QStringLiteral("NOHTML"), kBob);
    world->fixture.setOnline(false);
    auto* details = new PLReplyWebViewController;
    details->setMessage(message);
    details->setLinkType(7);
    details->setLinkInfo({{"SmartType", "unknown-sheet"}});
    world->navigation->pushViewController(details, false);
    QTRY_VERIFY(details->loadedHTMLContent());
    QVERIFY(page(details)->loadedHTML.isEmpty());
    world->settle();
    QVERIFY(!PLActivityIndicatorView::isVisible());
    QCOMPARE(world->alertTexts(), QStringList{"Failed / Please check your network connectivity."});
}

// A slow service holds the stylesheet's download: the main thread goes on meanwhile, under the busy
// overlay, and the page shows once the sheet comes.
void TestReplyWebView::thePageOpensWhileItsStylesheetDownloadIsHeld() {
    const auto message = poll(QStringLiteral("HELD"), kBob);
    holdTheDetailsSheetDownload();
    standin::StandinServer& server = world->fixture.server();
    const auto letGo = qScopeGuard([&server] { server.releaseHeld(); });
    // Fires at the main thread's next turn of its event loop: while the page waits for its sheet.
    bool turnedWhileWaiting = false;
    QTimer::singleShot(0, [this, &turnedWhileWaiting] {
        auto* top = qobject_cast<PLReplyWebViewController*>(world->navigation->topViewController());
        turnedWhileWaiting = top && !top->loadedHTMLContent();
    });
    PLReplyWebViewController* details = push(message, 7);
    QTRY_COMPARE(server.heldCount(), 1);
    QVERIFY2(turnedWhileWaiting, "the main thread waited for the stylesheet's download");
    QVERIFY(details->isRenderingPage());
    QVERIFY(!details->loadedHTMLContent());
    QVERIFY(page(details)->loadedHTML.isEmpty());
    QVERIFY(PLActivityIndicatorView::isVisible());

    server.releaseHeld();
    QTRY_VERIFY(page(details)->loadedHTML.contains(QLatin1String("poll-details")));
    QVERIFY(details->loadedHTMLContent());
    QVERIFY(!details->isRenderingPage());
    QVERIFY(PLActivityIndicatorView::isVisible());
    page(details)->finishLoad();
    world->settle();
    QVERIFY(!PLActivityIndicatorView::isVisible());
}

// Covered by another screen while its page is built, the screen drops its busy overlay and the late
// page, and builds the page again when it shows again; popped, it takes its overlay with it (also
// while the web view loads the page) and the late page finds nobody.
void TestReplyWebView::aScreenClosedWhileItsPageIsBuiltTakesNothingLate() {
    const auto message = poll(QStringLiteral("CLOSED"), kBob);
    standin::StandinServer& server = world->fixture.server();
    const auto letGo = qScopeGuard([&server] { server.releaseHeld(); });

    holdTheDetailsSheetDownload();
    PLReplyWebViewController* covered = push(message, 7);
    QTRY_COMPARE(server.heldCount(), 1);
    QVERIFY(PLActivityIndicatorView::isVisible());
    world->navigation->pushViewController(new platform::ui::ViewController, false);
    world->settle();
    QVERIFY(!PLActivityIndicatorView::isVisible());
    QVERIFY(!covered->isRenderingPage());
    releaseTheDetailsSheet();
    QVERIFY(page(covered)->loadedHTML.isEmpty());
    QVERIFY(!covered->loadedHTMLContent());
    QVERIFY(!PLActivityIndicatorView::isVisible());
    world->navigation->popViewController(false);
    QTRY_VERIFY(page(covered)->loadedHTML.contains(QLatin1String("poll-details")));
    page(covered)->finishLoad();
    world->navigation->popToRootViewController(false);
    world->settle();

    holdTheDetailsSheetDownload();
    QPointer<PLReplyWebViewController> popped = push(message, 7);
    QTRY_COMPARE(server.heldCount(), 1);
    QVERIFY(PLActivityIndicatorView::isVisible());
    world->navigation->popToRootViewController(false);
    world->settle();
    QVERIFY(!PLActivityIndicatorView::isVisible());
    QTRY_VERIFY(!popped);
    releaseTheDetailsSheet();
    QVERIFY(!PLActivityIndicatorView::isVisible());
    QVERIFY(world->alertTexts().isEmpty());

    // Popped while the web view still loads the page: the overlay goes with the screen.
    popped = open(message, 7);
    QVERIFY(page(popped)->isLoading());
    QVERIFY(PLActivityIndicatorView::isVisible());
    world->navigation->popToRootViewController(false);
    QTRY_VERIFY(!popped);
    world->settle();
    QVERIFY(!PLActivityIndicatorView::isVisible());
}

// A reply arriving while the page is built: the page shows the message as it is now, loaded once.
void TestReplyWebView::anUpdateWhileThePageIsBuiltShowsTheNewText() {
    const auto message = poll(QStringLiteral("MOVING"), kBob);
    standin::StandinServer& server = world->fixture.server();
    const auto letGo = qScopeGuard([&server] { server.releaseHeld(); });
    holdTheDetailsSheetDownload();
    PLReplyWebViewController* details = push(message, 7);
    QSignalSpy loads(page(details), &platform::ui::WebView::didStartLoad);
    QTRY_COMPARE(server.heldCount(), 1);

    QString text = message->text();
    text.replace(QStringLiteral("Lunch"), QStringLiteral("Dinner"));
    message->setText(text);
    message->setLatestAction(QStringLiteral("reply"));
    message->save();
    platform::NotificationCenter::defaultCenter()->post(QLatin1String(ChatRoomMessageUpdatedNotification), {},
                                                        {{kMessageIDKey, message->messageId()}});
    QVERIFY(details->isRenderingPage());
    // Both pages wait for the one download.
    QCOMPARE(server.heldCount(), 1);
    releaseTheDetailsSheet();
    QCOMPARE(loads.count(), 1);
    QVERIFY2(page(details)->loadedHTML.contains(QLatin1String("Dinner")),
             qPrintable(page(details)->loadedHTML));
    QVERIFY(!page(details)->loadedHTML.contains(QLatin1String("Lunch")));
    page(details)->finishLoad();
}

// The page itself loads in place; a link to the details URL does nothing; the vote link opens the
// reply form with the poll's choices; a web link goes to the system.
void TestReplyWebView::pageLinks() {
    const auto message = poll(QStringLiteral("LINKS"), kBob);
    PLReplyWebViewController* details = open(message, 7);
    const QString base = PLAppConfigurations::currentConfiguration()->baseURL();
    QVERIFY(details->shouldStartLoad(QUrl(base)));
    const QString detailsURL = PLAppConfigurations::currentConfiguration()->detailsURL();
    if (!detailsURL.isEmpty())
        QVERIFY(!details->shouldStartLoad(QUrl(detailsURL + QStringLiteral("poll/1"))));
    QVERIFY(!details->shouldStartLoad(QUrl(QStringLiteral("https://example.test/x"))));
    // Without the user's click only the page itself loads; nothing is opened.
    using Navigation = platform::ui::WebView::NavigationType;
    QVERIFY(details->shouldStartLoad(QUrl(base), Navigation::Other));
    QVERIFY(!details->shouldStartLoad(QUrl(QStringLiteral("https://example.test/y")), Navigation::Other));
    QVERIFY(!details->shouldStartLoad(QUrl(QStringLiteral("sms:5550100")), Navigation::FormSubmitted));
    world->settle();
    QCOMPARE(world->services->opened, QList<QUrl>{QUrl(QStringLiteral("https://example.test/x"))});

    const QString vote = QJsonDocument::fromJson(message->text().toUtf8())
                             .object()
                             .value("links")
                             .toArray()
                             .at(0)
                             .toObject()
                             .value("href")
                             .toString();
    QVERIFY(!details->shouldStartLoad(QUrl(base).resolved(QUrl(vote))));
    QVERIFY(!details->presentedViewController());
    world->settle();
    auto* navigation = qobject_cast<platform::ui::NavigationController*>(details->presentedViewController());
    QVERIFY(navigation);
    auto* form = qobject_cast<PLPostChatletViewController*>(navigation->topViewController());
    QVERIFY(form);
    QCOMPARE(form->postChatletType(), int(PLPostChatletViewController::Reply));
    QCOMPARE(form->postChatletDelegate(), static_cast<PLPostChatletDelegate*>(details));
}

// A reply to an expired chatlet is refused here; a live one goes to the service and the page follows
// the answer.
void TestReplyWebView::repliesPostFromThePageUnlessExpired() {
    const auto expired =
        poll(QStringLiteral("EXPIRED"), kBob, QStringLiteral("primary"), QStringLiteral("expired"));
    PLReplyWebViewController* details = open(expired, 7);
    details->postChatletToChatWindow(PLChatletMessageBuilder::replyJSON("poll", "EXPIRED", {{"option", "1"}}),
                                     expired, {});
    QCOMPARE(world->alertTexts(), QStringList{"Post Failed / Chatlet is expired."});
    world->dismissAlerts();
    world->navigation->popToRootViewController(false);

    const auto live = postedPoll(QStringLiteral("LIVE"));
    details = open(live, 7);
    details->postChatletToChatWindow(PLChatletMessageBuilder::replyJSON("poll", "LIVE", {{"option", "2"}}),
                                     live, {});
    QVERIFY(PLActivityIndicatorView::isVisible());
    QTRY_VERIFY([&] {
        world->settle();
        return !PLActivityIndicatorView::isVisible();
    }());
    QVERIFY(world->alertTexts().isEmpty());
    live->refreshObject();
    QCOMPARE(live->latestAction(), QStringLiteral("reply"));
    QCOMPARE(live->replyCount(), qint16(1));
    QVERIFY(live->text().contains(QLatin1String("\"votes\":1")));

    // Expired on the service before the device heard of it: the service refuses with its reason, and
    // the page shows that reason whole.
    bool expiredThere = false;
    live->expireNowWithCompletionHandler(
        [&](bool ok, const PLOptionalError&, const QString&) { expiredThere = ok; });
    QTRY_VERIFY(expiredThere);
    live->setLatestAction(QStringLiteral("reply"));
    live->save();
    details->postChatletToChatWindow(PLChatletMessageBuilder::replyJSON("poll", "LIVE", {{"option", "1"}}),
                                     live, {});
    QTRY_COMPARE(world->alertTexts().size(), 1);
    QCOMPARE(world->alertTexts(), QStringList{"Post Failed / Chatlet is expired."});
}

// The stand-in's poll details page in the browser engine: it loads, and the page has a height.
void TestReplyWebView::theRealEngineRendersThePollPageAndMeasuresIt() {
    platform::ui::WebView::setMaker(
        [](QWidget* parent) { return new platform::ui::WebEngineWebView(parent); });
    const auto message = poll(QStringLiteral("REAL"), kBob);
    auto* details = new PLReplyWebViewController;
    details->setMessage(message);
    details->setLinkType(7);
    details->setLinkInfo(linkInfoOf(message, QStringLiteral("details")));
    QSignalSpy loaded(details, &platform::ui::ViewController::titleChanged);
    world->navigation->pushViewController(details, false);
    platform::ui::WebView* web = details->webview();
    QVERIFY(qobject_cast<platform::ui::WebEngineWebView*>(web));
    QSignalSpy finished(web, &platform::ui::WebView::didFinishLoad);
    QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty(), 20000);
    QCOMPARE(finished.first().first().toBool(), true);
    qreal height = -1;
    web->measureContentHeight([&height](qreal h) { height = h; });
    QTRY_VERIFY_WITH_TIMEOUT(height >= 0, 10000);
    QVERIFY2(height > 40, qPrintable(QString::number(height)));
    QVariant text;
    web->evaluateJavaScript(QStringLiteral("document.body.innerText"),
                            [&text](const QVariant& v) { text = v; });
    QTRY_VERIFY_WITH_TIMEOUT(text.isValid(), 10000);
    QVERIFY2(text.toString().contains(QLatin1String("Lunch")), qPrintable(text.toString()));
    QVERIFY(text.toString().contains(QLatin1String("Vote")));
    world->navigation->popToRootViewController(false);
    world->settle();
    platform::ui::WebView::setMaker([](QWidget* parent) { return new FakeWebView(parent); });
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestReplyWebView t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_replywebview.moc"
