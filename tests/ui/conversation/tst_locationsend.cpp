// A location sent from the chat window end to end: the position replayed from an NMEA log, the map's
// tiles and the place's name from the stand-in, the message posted to the stand-in and shown in the
// room; and a location answer going out as a reply to the message that asked for it.
#include "SmartScreensTestWorld.h"

#include "NmeaSentence.h"

#include "core/api/PLAppConfigurations.h"
#include "core/model/PendingMessageInfo.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/MapView.h"
#include "platform/ui/PositioningLocationProvider.h"
#include "platform/ui/ScreenRegistry.h"
#include "ui/conversation/LocationScreens.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLChatWindowViewController.h"
#include "ui/conversation/PLChatletMessageBuilder.h"
#include "ui/conversation/PLLocationViewController.h"
#include "ui/conversation/PLPostChatletViewController.h"
#include "ui/conversation/PLSmartMessageCell.h"
#include "ui/conversation/SmartScreenSupport.h"

#include <QApplication>
#include <QFile>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::FakeWebView;
using platform::ui::IndexPath;
using platform::ui::LocationProvider;
using platform::ui::PositioningLocationProvider;

namespace {

const QString kPlace = QStringLiteral("Cubbon Park, Sampangi Rama Nagar, Bengaluru");

} // namespace

class TestLocationSend : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        world = std::make_unique<SmartScreensWorld>();
        world->downloadSmartFixtures();
        world->seedRoom(QStringLiteral("r1"));
        room = world->importRoom(QStringLiteral("r1"));
        LocationScreens::registerScreens();
        // Standing in Cubbon Park: 12 deg 58.578 min north, 77 deg 35.574 min east.
        nmea = folder.filePath(QStringLiteral("park.nmea"));
        QFile log(nmea);
        QVERIFY(log.open(QIODevice::WriteOnly));
        log.write(test::nmeaSentence("GPRMC,101500.00,A,1258.5780,N,07735.5740,E,0.0,0.0,060326,,,A"));
        log.close();
        LocationProvider::setMaker(
            [this](QObject* parent) { return PositioningLocationProvider::fromNmeaFile(nmea, parent); });
    }
    void cleanupTestCase() {
        LocationProvider::setMaker({});
        world.reset();
    }
    void init() {
        world->fixture.server().clearRequestLog();
        world->showHost(room);
        world->window->makeKeyAndVisible();
        chat = new PLChatWindowViewController;
        chat->setChatRoom(room);
        world->navigation->pushViewController(chat, false);
        world->settle();
    }
    void cleanup() {
        world->dismissAlerts();
        world->window.reset();
        world->settle();
    }

    void aLocationAnswerRepliesToTheMessageThatAsked();
    void aCheckInReachesTheServiceAndShowsInTheRoom();

private:
    // The location screen presented over the window, once its position and tiles are in.
    void waitForLocationScreen(PLLocationViewController*& screen) {
        auto* presented = chat->rootAncestor()->presentedViewController();
        screen = qobject_cast<PLLocationViewController*>(SmartScreenSupport::topOf(presented));
        QVERIFY(screen);
        QTRY_VERIFY_WITH_TIMEOUT(screen->userLocation().has_value(), 10000);
        QTRY_VERIFY(screen->isSendEnabled());
        screen->mapView()->grab(); // painting asks for the tiles
        QTRY_VERIFY_WITH_TIMEOUT(screen->mapView()->areVisibleTilesLoaded(), 10000);
        // The configured tile server is the stand-in's.
        QVERIFY(screen->mapView()->tileURLTemplate().startsWith(world->fixture.baseUrl()));
        QVERIFY(screen->mapView()->tileLoader()->networkFetches() > 0);
    }

    std::unique_ptr<SmartScreensWorld> world;
    ChatRoom::Ptr room;
    PLChatWindowViewController* chat = nullptr;
    QTemporaryDir folder;
    QString nmea;
};

void TestLocationSend::aLocationAnswerRepliesToTheMessageThatAsked() {
    // A chatlet in the room, on the service, whose link asks for the reader's location.
    const auto ask = room->postChatlet(PLChatletMessageBuilder::newChatletJSON(
        QStringLiteral("poll"), PLPostChatletViewController::storedForm(QStringLiteral("poll")),
        {{"title", "Where are you?"}, {"question", "Check in"}, {"options", QStringList{"Here", "There"}}},
        QStringLiteral("F-ASK")));
    const auto storedForm = [this](int answers) {
        for (const QJsonValue& message : world->fixture.server().storedMessages("r1")) {
            const QJsonObject form =
                QJsonDocument::fromJson(message.toObject().value("text").toString().toUtf8()).object();
            if (form.value("formid").toString() == QLatin1String("F-ASK") &&
                form.value("summary").toObject().value("numresp").toInt() == answers)
                return form;
        }
        return QJsonObject();
    };
    QTRY_VERIFY_WITH_TIMEOUT(!storedForm(0).isEmpty(), 10000);
    world->settle();
    const QVariantMap payload{{"SmartType", "location"},
                              {"ParamInfoDict", QVariantMap{{"displayname", "Location"}}},
                              {"ActionInfoDict", QVariantMap{{"formid", "F-ASK"}}}};
    const QString link =
        PLAppConfigurations::currentConfiguration()->baseURL() + QStringLiteral("download/") +
        QString::fromLatin1(
            QJsonDocument(QJsonObject::fromVariantMap(payload)).toJson(QJsonDocument::Compact).toBase64());
    chat->processLinkURLString(link, ask);
    world->settle();
    PLLocationViewController* screen = nullptr;
    waitForLocationScreen(screen);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(screen->locationInfo().value("formid").toString(), QStringLiteral("F-ASK"));
    world->fixture.setOnline(false); // the reply waits in the outbox, where it can be read
    screen->sendButton()->trigger();
    QTRY_VERIFY(!chat->rootAncestor()->presentedViewController());
    const auto entry = ask->latestPendingMessage();
    QVERIFY(entry);
    QCOMPARE(entry->type(), qint16(2)); // a reply to the asking message, not a new chatlet
    const QVariantMap reply = QJsonDocument::fromJson(entry->text().toUtf8()).object().toVariantMap();
    QCOMPARE(reply.value("formid").toString(), QStringLiteral("F-ASK"));
    QCOMPARE(reply.value("type").toString(), QStringLiteral("locresp"));
    QCOMPARE(reply.value("locname").toString(), kPlace);
    QCOMPARE(reply.value("location").toString(), QStringLiteral("12.976, 77.593"));

    // Back online it reaches the service, which counts the place on the asking form.
    world->fixture.setOnline(true);
    PLModelManager::sharedModelManager()->postPendingMessages();
    QTRY_VERIFY_WITH_TIMEOUT(!storedForm(1).isEmpty(), 10000);
    const QJsonObject answer = storedForm(1)
                                   .value("details")
                                   .toObject()
                                   .value("detitem")
                                   .toObject()
                                   .value("resps")
                                   .toArray()
                                   .at(0)
                                   .toObject();
    QCOMPARE(answer.value("reply").toObject().value("locname").toString(), kPlace);
}

void TestLocationSend::aCheckInReachesTheServiceAndShowsInTheRoom() {
    // As the attachment sheet opens it: the storyboard's first screen, its message posted by the window.
    auto* initial = platform::ui::ScreenRegistry::shared()->instantiateInitial(QStringLiteral("Location"));
    auto* opened = qobject_cast<PLLocationViewController*>(SmartScreenSupport::topOf(initial));
    QVERIFY(opened);
    QPointer<PLChatWindowViewController> window(chat);
    opened->setPostLocationCompletionHandler([window](const QString& message) {
        if (window)
            window->postChatletToChatWindow(message, nullptr, {});
    });
    chat->presentViewController(initial, false);
    world->settle();
    PLLocationViewController* screen = nullptr;
    waitForLocationScreen(screen);
    if (QTest::currentTestFailed())
        return;
    screen->sendButton()->trigger();
    QTRY_VERIFY(!chat->rootAncestor()->presentedViewController());
    QCOMPARE(world->fixture.requestsTo("/geocoder/reverse", "lat=12.9763000&lon=77.5929000"), 1);

    // The service has it ...
    const auto stored = [this] {
        for (const QJsonValue& message : world->fixture.server().storedMessages("r1"))
            if (const QString text = message.toObject().value("text").toString();
                text.contains(kPlace) &&
                QJsonDocument::fromJson(text.toUtf8()).object().value("type").toString() ==
                    QLatin1String("location"))
                return message.toObject();
        return QJsonObject();
    };
    QTRY_VERIFY_WITH_TIMEOUT(!stored().isEmpty(), 10000);
    const QJsonObject media = QJsonDocument::fromJson(stored().value("text").toString().toUtf8())
                                  .object()
                                  .value("content")
                                  .toObject()
                                  .value("media")
                                  .toArray()
                                  .at(0)
                                  .toObject();
    QCOMPARE(media.value("location").toString(), QStringLiteral("12.976, 77.593"));
    QCOMPARE(media.value("username").toString(), QStringLiteral("Ann"));

    // ... and the room shows it, drawn from its form.
    const auto rendered = [this] {
        const int last = chat->rowList().count() - 1;
        auto* cell = qobject_cast<PLSmartMessageCell*>(
            chat->collectionView()->cellForItemAtIndexPath(IndexPath::forItem(last)));
        auto* page = cell ? qobject_cast<FakeWebView*>(cell->webView()) : nullptr;
        return page ? page->loadedHTML : QString();
    };
    QTRY_VERIFY_WITH_TIMEOUT(rendered().contains(kPlace), 10000);
    QVERIFY(rendered().contains(QStringLiteral("12.976, 77.593")));
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestLocationSend t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_locationsend.moc"
