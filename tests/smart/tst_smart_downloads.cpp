#include "CoreFixture.h"
#include "core/model/PelnixDataModel.h"
#include "foundation/JsonHelpers.h"
#include "smart/FormJSONManagement.h"
#include "smart/PLChatletCategoryItems.h"
#include "smart/SmartBringUpDownloads.h"
#include "smart/SmartMessageRenderer.h"
#include "smart/SmartModel.h"
#include "smart/SmartRenderQueue.h"
#include "smart/StyleSheetXSLTManagement.h"

#include <QCoreApplication>
#include <QFile>
#include <QScopeGuard>
#include <QTest>
#include <QThread>
#include <QTimer>

using namespace pelnix;
using namespace pelnix::test;

// The downloads of the bring-up and of missing stylesheets, against the stand-in's fixtures.
class TestSmartDownloads : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void bringUpStoresFixturesAndSetsFetchedFlags();
    void failedDownloadsLeaveFlagsAndCacheAlone_data();
    void failedDownloadsLeaveFlagsAndCacheAlone();
    void chatletCatalogueIsCachedPerVersion();
    void missingStylesheetIsDownloaded();
    void theDetailsPageIsBuiltWithoutWaiting();

private:
    struct Outcome {
        bool called = false;
        bool success = false;
        PLOptionalError error;
        QString message;
    };
    PLSmartDownloadCompletion recorder(Outcome& outcome) {
        return [&outcome](bool success, const PLOptionalError& error, const QString& message) {
            outcome = {true, success, error, message};
        };
    }
    Message::Ptr smartMessage(const QString& xslt, const QString& text);

    std::unique_ptr<CoreFixture> m_fixture;
    CurrentUserInfo::Ptr m_account;
};

void TestSmartDownloads::init() {
    m_fixture = std::make_unique<CoreFixture>();
    PelnixDataModel::registerDeclaration();
    PLManagedObject::initializeDatabase();
    m_account = CurrentUserInfo::PS_createEntity();
    auto me = User::PS_createEntity();
    me->setUserID(qint32(m_fixture->userID()));
    m_account->setUser(me);
    m_account->save();
}

void TestSmartDownloads::cleanup() {
    m_account.reset();
    PLPersistence::cleanUp();
    m_fixture.reset();
}

Message::Ptr TestSmartDownloads::smartMessage(const QString& xslt, const QString& text) {
    auto room = ChatRoom::PS_createEntity();
    room->setRoomId("r1");
    room->setName("Lunch club");
    auto message = Message::PS_createEntity();
    message->setType(1);
    message->setXsltName(xslt);
    message->setText(text);
    message->setReplyCount(2);
    room->addMessagesObject(message);
    message->save();
    return message;
}

void TestSmartDownloads::bringUpStoresFixturesAndSetsFetchedFlags() {
    Outcome sheets;
    QList<double> progress;
    QVERIFY(
        SmartBringUpDownloads::startFetchingXSLT(recorder(sheets), [&](double p) { progress.append(p); }));
    QTRY_VERIFY(sheets.called);
    QVERIFY2(sheets.success, qPrintable(sheets.message));
    QVERIFY(!sheets.error);
    QVERIFY(!progress.isEmpty());
    QCOMPARE(progress.last(), 1.0);
    QCOMPARE(StyleSheetXSLT::PS_countOfEntities(), 6);
    QVERIFY(StyleSheetXSLTManagement::styleSheetWithName("poll")->data().contains("class=\"poll\""));
    QVERIFY(
        StyleSheetXSLTManagement::styleSheetWithName("poll", "detailform")->data().contains("poll-details"));

    Outcome forms;
    QVERIFY(SmartBringUpDownloads::updateFormJSONs(recorder(forms)));
    QTRY_VERIFY(forms.called);
    QVERIFY2(forms.success, qPrintable(forms.message));
    QCOMPARE(FormJSON::PS_countOfEntities(), 5);
    const auto poll = FormJSONManagement::formJSONWithName("poll", "form");
    QVERIFY(poll);
    QCOMPARE(JSONSerialization::convertStringToDictionary(poll->data())->value("displayname").toString(),
             "Poll");
    QVERIFY(!FormJSONManagement::formJSONWithName("poll", "detailform"));

    // Both flags are in the store, not only in memory.
    PLPersistence::PS_resetDefaultContext();
    const auto stored = CurrentUserInfo::PS_findFirst();
    QVERIFY(stored->styleSheetsUpdated());
    QVERIFY(stored->formJSONsUpdated());

    // Forms already fetched are not asked for again; a second stylesheet list replaces, not adds.
    m_fixture->server().clearRequestLog();
    QVERIFY(!SmartBringUpDownloads::updateFormJSONs(recorder(forms)));
    Outcome again;
    QVERIFY(SmartBringUpDownloads::startFetchingXSLT(recorder(again)));
    QTRY_VERIFY(again.called);
    QCOMPARE(StyleSheetXSLT::PS_countOfEntities(), 6);
    QCOMPARE(m_fixture->lastRequest("/forms").path, std::string());
}

void TestSmartDownloads::failedDownloadsLeaveFlagsAndCacheAlone_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("message");
    QTest::newRow("error reply") << int(standin::StandinServer::FaultMode::ErrorEnvelope)
                                 << "Maintenance window";
    QTest::newRow("server error page") << int(standin::StandinServer::FaultMode::ServerError) << QString();
    QTest::newRow("dropped connection") << int(standin::StandinServer::FaultMode::Drop) << QString();
}

void TestSmartDownloads::failedDownloadsLeaveFlagsAndCacheAlone() {
    QFETCH(int, mode);
    QFETCH(QString, message);
    for (const char* path : {"^/xslt$", "^/forms$", "^/chatlets$"})
        QVERIFY(m_fixture->server().addFault(
            {path, "GET", 1, standin::StandinServer::FaultMode(mode), 0, 503, "Maintenance window"}));

    Outcome sheets, forms;
    QVERIFY(SmartBringUpDownloads::startFetchingXSLT(recorder(sheets)));
    QVERIFY(SmartBringUpDownloads::updateFormJSONs(recorder(forms)));
    bool chatletsDone = false, chatletsOk = true;
    PLChatletCategoryItems::updateChaletsWithCompletionHandler([&](bool ok) {
        chatletsDone = true;
        chatletsOk = ok;
    });
    QTRY_VERIFY(sheets.called && forms.called && chatletsDone);
    QVERIFY(!sheets.success && !forms.success && !chatletsOk);
    QVERIFY(sheets.error && forms.error);
    QVERIFY(!sheets.message.isEmpty() && !forms.message.isEmpty());
    if (!message.isEmpty()) {
        QCOMPARE(sheets.message, message);
        QCOMPARE(sheets.error->code, 503);
    }
    QCOMPARE(StyleSheetXSLT::PS_countOfEntities(), 0);
    QCOMPARE(FormJSON::PS_countOfEntities(), 0);
    QVERIFY(!m_account->styleSheetsUpdated());
    QVERIFY(!m_account->formJSONsUpdated());
    QCOMPARE(PLChatletCategoryItems::totalChatletsCount(), 0);
}

void TestSmartDownloads::chatletCatalogueIsCachedPerVersion() {
    QCOMPARE(PLChatletCategoryItems::totalChatletsCount(), 0);
    bool done = false, ok = false;
    PLChatletCategoryItems::updateChaletsWithCompletionHandler([&](bool success) {
        done = true;
        ok = success;
    });
    QTRY_VERIFY(done);
    QVERIFY(ok);
    QCOMPARE(m_fixture->lastRequest("/chatlets").query.find("version=1") != std::string::npos, true);
    QVERIFY(QFile::exists(PLChatletCategoryItems::catalogueFilePath(1)));
    QVERIFY(PLChatletCategoryItems::catalogueFilePath(1).endsWith("/chatlet_1.plist"));
    QCOMPARE(PLChatletCategoryItems::totalChatletsCount(), 5);
    QCOMPARE(PLChatletCategoryItems::cachedCatalogue().value("Share").toList().size(), 4);

    // A later failure keeps the catalogue that was cached.
    QVERIFY(m_fixture->server().addFault(
        {"^/chatlets$", "GET", 1, standin::StandinServer::FaultMode::ErrorEnvelope}));
    done = false;
    PLChatletCategoryItems::updateChaletsWithCompletionHandler([&](bool success) {
        done = true;
        ok = success;
    });
    QTRY_VERIFY(done);
    QVERIFY(!ok);
    QCOMPARE(PLChatletCategoryItems::totalChatletsCount(), 5);
    // An empty completion is allowed.
    PLChatletCategoryItems::updateChaletsWithCompletionHandler();

    QVERIFY(PLChatletCategoryItems::recordUseOfChatlet("poll"));
    QVERIFY(PLChatletCategoryItems::recordUseOfChatlet("poll"));
    QVERIFY(!PLChatletCategoryItems::recordUseOfChatlet(QString()));
    QCOMPARE(PLChatletCategoryItems::mostUsedChatlets(), (QVariantMap{{"poll", 2}}));
    QVERIFY(PLChatletCategoryItems::mostUsedFilePath().endsWith("/PLMostUsedChatlet.plist"));
}

void TestSmartDownloads::missingStylesheetIsDownloaded() {
    const QString contact =
        R"({"xslt":"contact","content":{"media":[{"name":"Zoë <Z>","phone":[{"label":"work","phone":"+1 555"}]}]}})";
    // Synchronously: the first call already renders.
    auto card = smartMessage("contact", contact);
    const QString html = SmartMessageRenderer::generateHTMLString(card, true);
    QVERIFY2(html.contains("<h3>Zoë &lt;Z&gt;</h3>"), qPrintable(html));
    QVERIFY(html.contains("<a href=\"tel:+1%20555\">+1 555</a>"));
    QCOMPARE(card->htmlText(), html);

    // In the background: empty now, rendered once the sheet is stored; one download however often asked.
    auto poll =
        smartMessage("poll", R"({"content":{"title":"T","options":[{"id":"1","text":"a","votes":1}]}})");
    m_fixture->server().clearRequestLog();
    QCOMPARE(SmartMessageRenderer::htmlString(poll), QString());
    QCOMPARE(SmartMessageRenderer::htmlString(poll), QString());
    QTRY_VERIFY(StyleSheetXSLTManagement::styleSheetWithName("poll"));
    QVERIFY(SmartMessageRenderer::htmlString(poll).contains("<p class=\"room\">in Lunch club</p>"));
    int downloads = 0;
    for (const auto& request : m_fixture->server().requestLog())
        downloads += request.path == "/xslt/poll";
    QCOMPARE(downloads, 1);

    // The details page takes its own sheet, by SmartType.
    const QString details = SmartMessageRenderer::htmlStringForDetailsPage(poll, {{"SmartType", "poll"}});
    QVERIFY2(details.contains("<p class=\"replies\">2 replies</p>"), qPrintable(details));
    QCOMPARE(SmartMessageRenderer::htmlStringForDetailsPage(poll, {}), QString());

    // A sheet the service does not have gives no HTML, and nothing is stored.
    auto unknown = smartMessage("nosuchsheet", R"({"a":1})");
    QCOMPARE(SmartMessageRenderer::generateHTMLString(unknown, true), QString());
    QVERIFY(!StyleSheetXSLTManagement::styleSheetWithName("nosuchsheet"));
}

// The details page for screens: a held stylesheet download does not hold the main thread, pages asked
// meanwhile share the one download, and each answer comes on the main thread unless its context is gone.
void TestSmartDownloads::theDetailsPageIsBuiltWithoutWaiting() {
    auto poll =
        smartMessage("poll", R"({"content":{"title":"T","options":[{"id":"1","text":"a","votes":1}]}})");
    SmartRenderQueue* queue = SmartRenderQueue::shared();
    const QVariantMap link{{"SmartType", "poll"}};
    QObject context;
    const auto notLater = [](const QString&) { QFAIL("answered later what was answered at once"); };
    QCOMPARE(queue->detailsPageHTML(poll, {}, &context, notLater), std::optional<QString>(QString()));
    QCOMPARE(queue->detailsPageHTML(nullptr, link, &context, notLater), std::optional<QString>(QString()));

    standin::StandinServer& server = m_fixture->server();
    QVERIFY(server.addFault({"^/xslt/poll$", "GET", 1, standin::FaultInjector::Mode::Hold}));
    const auto letGo = qScopeGuard([&server] { server.releaseHeld(); });
    server.clearRequestLog();
    QStringList pages;
    const auto answer = [&pages](const QString& html) {
        QVERIFY(QThread::currentThread() == qApp->thread());
        pages << html;
    };
    QVERIFY(!queue->detailsPageHTML(poll, link, &context, answer));
    {
        QObject gone;
        QVERIFY(!queue->detailsPageHTML(poll, link, &gone,
                                        [](const QString&) { QFAIL("answered a context that is gone"); }));
    }
    // Fires only while the main thread turns its event loop.
    bool turned = false;
    QTimer::singleShot(0, [&turned] { turned = true; });
    QTRY_COMPARE(server.heldCount(), 1);
    QVERIFY(turned);

    server.releaseHeld();
    QTRY_COMPARE(pages.size(), 1);
    QVERIFY2(pages.last().contains("<p class=\"replies\">2 replies</p>"), qPrintable(pages.last()));
    QTRY_COMPARE(queue->pendingCount(), 0);
    QCOMPARE(pages.size(), 1);
    int downloads = 0;
    for (const auto& request : server.requestLog())
        downloads += request.path == "/xslt/poll";
    QCOMPARE(downloads, 1);
}

QTEST_GUILESS_MAIN(TestSmartDownloads)
#include "tst_smart_downloads.moc"
