// The map's tile client and the geocoder against the stand-in's tile server and gazetteer: tiles are
// fetched and stored off the main thread and come from the disk the next time; the geocoder's search
// and reverse search, its errors, and answers that always arrive on the main thread.
#include "TestSandbox.h"
#include "platform/ui/HttpGeocoder.h"
#include "platform/ui/MapTileLoader.h"
#include "platform/ui/MapView.h"
#include "standin/MapTileRenderer.h"
#include "standin/StandinServer.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDirIterator>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <thread>

using namespace pelnix;
using namespace pelnix::platform::ui;
using standin::MapTileRenderer;
using standin::StandinServer;

namespace {

QStringList tilePaths(const QString& folder) {
    QStringList paths;
    for (QDirIterator it(folder, {"*.png"}, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        paths << it.next();
    return paths;
}

int tileFiles(const QString& folder) {
    return int(tilePaths(folder).size());
}

// The tiles the view covers at its tile zoom, by the scheme's own formulas.
int visibleTileCount(const MapView& map) {
    const int z = int(std::lround(map.zoomLevel()));
    const double n = std::exp2(z);
    const auto column = [n](double lon) { return int(std::floor((lon + 180.0) / 360.0 * n)); };
    const auto row = [n](double lat) {
        const double r = lat * M_PI / 180.0;
        return int(std::floor((1.0 - std::asinh(std::tan(r)) / M_PI) / 2.0 * n));
    };
    const Coordinate nw = map.coordinateForPoint(QPointF(0, 0));
    const Coordinate se = map.coordinateForPoint(QPointF(map.width(), map.height()));
    return (column(se.longitude) - column(nw.longitude) + 1) * (row(se.latitude) - row(nw.latitude) + 1);
}

int share(const QImage& image, QRgb colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
    return 100 * count / (image.width() * image.height());
}

struct Answer {
    bool answered = false;
    bool onMainThread = false;
    QList<Placemark> places;
    std::optional<PLError> error;
    Geocoder::Completion completion() {
        return [this](const QList<Placemark>& found, const std::optional<PLError>& e) {
            answered = true;
            onMainThread = QThread::currentThread() == qApp->thread();
            places = found;
            error = e;
        };
    }
};

} // namespace

class TestMapServices : public QObject {
    Q_OBJECT
private slots:
    void init() {
        sandbox = std::make_unique<test::TestSandbox>();
        server = std::make_unique<StandinServer>(StandinServer::Options{dataDir.path().toStdString()});
        QVERIFY(server->start());
        base = QString::fromStdString(server->baseUrl());
    }
    void cleanup() {
        MapTileLoader::releaseAll();
        server.reset();
        sandbox.reset();
    }

    void tilesComeOffTheMainThreadAndFromTheDiskNextTime() {
        const QString tiles = base + QStringLiteral("tiles/{z}/{x}/{y}.png");
        MapView map;
        map.resize(320, 480);
        map.setTileURLTemplate(tiles);
        map.setRegion({12.9716, 77.5946}, 0.02, 0.02);
        QSignalSpy loaded(&map, &MapView::tilesLoaded);
        map.grab(); // painting asks for the visible tiles
        MapTileLoader* loader = map.tileLoader();
        QVERIFY(loader);
        QVERIFY(loader->cacheFolder().startsWith(sandbox->root()));
        const int expected = visibleTileCount(map);
        QVERIFY(expected >= 2);
        // The main thread turns no event here: the loader's own thread fetches and stores every tile.
        QDeadlineTimer deadline(20000);
        while (tileFiles(loader->cacheFolder()) < expected && !deadline.hasExpired())
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        QCOMPARE(tileFiles(loader->cacheFolder()), expected);
        QVERIFY(!map.areVisibleTilesLoaded()); // handed over only on the main thread
        QTRY_COMPARE(loaded.size(), 1);
        QCOMPARE(loader->networkFetches(), expected);
        QCOMPARE(tileRequests(), expected);
        // The server's land, streets and labels are what the view shows.
        const QImage shown = map.grab().toImage();
        QVERIFY(share(shown, MapTileRenderer::kLand) > 30);
        QVERIFY(share(shown, MapTileRenderer::kLabel) > 0);
        map.grab();
        QCOMPARE(tileRequests(), expected); // drawn again from memory
        QCOMPARE(loaded.size(), 1);
        // A view whose tiles are all in memory says so after its first paint.
        MapView twin;
        twin.resize(320, 480);
        twin.setTileURLTemplate(tiles);
        twin.setRegion({12.9716, 77.5946}, 0.02, 0.02);
        QSignalSpy twinLoaded(&twin, &MapView::tilesLoaded);
        twin.grab();
        QTRY_COMPARE(twinLoaded.size(), 1);
        QCOMPARE(tileRequests(), expected);

        // A new view after the memory is gone: every tile from the disk, none from the server, and
        // each counts as seen again, so that the disk's bound keeps it over older ones.
        const QString folder = loader->cacheFolder();
        const QDateTime longAgo = QDateTime::currentDateTimeUtc().addDays(-3);
        for (const QString& path : tilePaths(folder)) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(longAgo, QFileDevice::FileModificationTime));
        }
        MapTileLoader::releaseAll();
        server->clearRequestLog();
        MapView again;
        again.resize(320, 480);
        again.setTileURLTemplate(tiles);
        again.setRegion({12.9716, 77.5946}, 0.02, 0.02);
        QSignalSpy loadedAgain(&again, &MapView::tilesLoaded);
        again.grab();
        QTRY_COMPARE(loadedAgain.size(), 1);
        QCOMPARE(again.tileLoader()->diskReads(), expected);
        QCOMPARE(again.tileLoader()->networkFetches(), 0);
        QCOMPARE(tileRequests(), 0);
        QCOMPARE(again.grab().toImage(), shown);
        for (const QString& path : tilePaths(folder))
            QVERIFY2(QFileInfo(path).lastModified().daysTo(QDateTime::currentDateTimeUtc()) < 1,
                     qPrintable(path));
    }

    void aFailedTileLeavesTheGridAndIsNotAskedForAgainAtOnce() {
        StandinServer::Fault fault;
        fault.pathPattern = "/tiles/";
        fault.count = -1;
        QVERIFY(server->addFault(fault));
        MapView map;
        map.resize(200, 200);
        map.setTileURLTemplate(base + QStringLiteral("tiles/{z}/{x}/{y}.png"));
        map.setRegion({48.8584, 2.2945}, 0.01, 0.01);
        QSignalSpy failed(map.tileLoader(), &MapTileLoader::tileFailed);
        map.grab();
        const int expected = visibleTileCount(map);
        QTRY_COMPARE(failed.size(), expected);
        QCOMPARE(tileFiles(map.tileLoader()->cacheFolder()), 0); // an error page is never kept
        QVERIFY(!map.areVisibleTilesLoaded());
        const QImage shown = map.grab().toImage();
        QVERIFY(share(shown, qRgb(236, 232, 222)) > 50); // the plain map
        QCOMPARE(tileRequests(), expected);
        server->clearFaults();
    }

    void unusableTemplatesGiveNoTiles_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("usable");
        QTest::newRow("z/x/y over http") << "http://127.0.0.1:9/t/{z}/{x}/{y}.png" << true;
        QTest::newRow("https with a query") << "https://tiles.test/{z}/{x}/{y}?k=1" << true;
        QTest::newRow("no {y}") << "https://tiles.test/{z}/{x}.png" << false;
        QTest::newRow("file scheme") << "file:///tmp/{z}/{x}/{y}.png" << false;
        QTest::newRow("no host") << "http:///{z}/{x}/{y}.png" << false;
        QTest::newRow("empty") << "" << false;
    }
    void unusableTemplatesGiveNoTiles() {
        QFETCH(QString, url);
        QFETCH(bool, usable);
        QCOMPARE(MapTileLoader::isUsableTemplate(url), usable);
        MapView map;
        map.setTileURLTemplate(url);
        QCOMPARE(map.tileLoader() != nullptr, usable);
    }

    void searchAndReverseAnswerOnTheMainThread() {
        HttpGeocoder geocoder(QUrl(base + QStringLiteral("geocoder")));
        Answer search;
        geocoder.geocodeAddress(QStringLiteral("cubbon park"), search.completion());
        QVERIFY(!search.answered); // never inside the call
        QTRY_VERIFY(search.answered);
        QVERIFY(search.onMainThread);
        QVERIFY(!search.error);
        QCOMPARE(search.places.size(), 1);
        const Placemark park = search.places.first();
        QCOMPARE(park.name, QStringLiteral("Cubbon Park"));
        QCOMPARE(park.coordinate, (Coordinate{12.9763, 77.5929}));
        QCOMPARE(park.thoroughfare, QStringLiteral("Kasturba Road"));
        QCOMPARE(park.subLocality, QStringLiteral("Sampangi Rama Nagar"));
        QCOMPARE(park.locality, QStringLiteral("Bengaluru"));
        QCOMPARE(park.administrativeArea, QStringLiteral("Karnataka"));
        QCOMPARE(park.postalCode, QStringLiteral("560001"));
        QCOMPARE(park.isoCountryCode, QStringLiteral("IN"));
        QCOMPARE(park.addressLines.first(), QStringLiteral("Cubbon Park"));
        QCOMPARE(lastQuery("/geocoder/search"),
                 std::string("q=cubbon%20park&format=json&addressdetails=1&limit=10"));

        Answer reverse;
        geocoder.reverseGeocode({12.9764, 77.5930}, reverse.completion());
        QTRY_VERIFY(reverse.answered);
        QVERIFY(reverse.onMainThread);
        QCOMPARE(reverse.places.value(0).name, QStringLiteral("Cubbon Park"));
        QCOMPARE(lastQuery("/geocoder/reverse"),
                 std::string("lat=12.9764000&lon=77.5930000&format=json&addressdetails=1"));

        // Asked and answered by the service while the main thread turns no event: the geocoder's own
        // thread carries the request; the answer waits for the main thread.
        server->clearRequestLog();
        Answer waiting;
        geocoder.reverseGeocode({12.9764, 77.5930}, waiting.completion());
        QDeadlineTimer deadline(10000);
        while (lastStatus("/geocoder/reverse") != 200 && !deadline.hasExpired())
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        QCOMPARE(lastStatus("/geocoder/reverse"), 200);
        QVERIFY(!waiting.answered);
        QTRY_VERIFY(waiting.answered);
        QCOMPARE(waiting.places.value(0).name, QStringLiteral("Cubbon Park"));

        // Text with the query's own marks stays one search text.
        Answer marks;
        geocoder.geocodeAddress(QStringLiteral("Cubbon & Park #1+2"), marks.completion());
        QTRY_VERIFY(marks.answered);
        QCOMPARE(lastQuery("/geocoder/search").substr(0, 33),
                 std::string("q=Cubbon%20%26%20Park%20%231%2B2&"));
    }

    void failuresAreErrors_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("code");
        QTest::newRow("nothing near") << "reverse far" << int(Geocoder::NoResultError);
        QTest::newRow("nothing found") << "search Atlantis" << int(Geocoder::NoResultError);
        QTest::newRow("server error") << "server error" << int(Geocoder::NetworkError);
        QTest::newRow("no server") << "no server" << int(Geocoder::NetworkError);
        QTest::newRow("geocoder gone") << "gone" << int(Geocoder::CanceledError);
    }
    void failuresAreErrors() {
        QFETCH(QString, what);
        QFETCH(int, code);
        auto geocoder = std::make_unique<HttpGeocoder>(QUrl(what == QLatin1String("no server")
                                                                ? QStringLiteral("http://127.0.0.1:1/")
                                                                : base + QStringLiteral("geocoder/")));
        if (what == QLatin1String("server error")) {
            StandinServer::Fault fault;
            fault.pathPattern = "/geocoder/";
            QVERIFY(server->addFault(fault));
        }
        if (what == QLatin1String("gone")) {
            StandinServer::Fault fault;
            fault.pathPattern = "/geocoder/";
            fault.mode = StandinServer::FaultMode::Hold;
            QVERIFY(server->addFault(fault));
        }
        Answer answer;
        if (what.startsWith(QLatin1String("search")))
            geocoder->geocodeAddress(QStringLiteral("Atlantis"), answer.completion());
        else
            geocoder->reverseGeocode({0.0, 0.0}, answer.completion());
        if (what == QLatin1String("gone")) {
            QTRY_COMPARE(server->heldCount(), 1);
            geocoder.reset(); // the caller still hears back
            server->releaseHeld();
        }
        QTRY_VERIFY(answer.answered);
        QVERIFY(answer.onMainThread);
        QVERIFY(answer.places.isEmpty());
        QVERIFY(answer.error);
        QCOMPARE(answer.error->domain, QStringLiteral("kCLErrorDomain"));
        QCOMPARE(answer.error->code, qint64(code));
    }

    void placesReadFromAnswers_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("locality");
        QTest::addColumn<QString>("subLocality");
        QTest::newRow("named place in a city")
            << QByteArray(R"({"lat":"1","lon":"2","name":"Hall","display_name":"Hall, X",
                  "address":{"city":"Town A","suburb":"North"}})")
            << "Hall"
            << "Town A"
            << "North";
        QTest::newRow("a town, a street with its number")
            << QByteArray(R"({"lat":"1","lon":"2","display_name":"5, Main Street, Village",
                  "address":{"house_number":"5","road":"Main Street","town":"Village","neighbourhood":"Old"}})")
            << "5 Main Street"
            << "Village"
            << "Old";
        QTest::newRow("only a display name")
            << QByteArray(R"({"lat":1.5,"lon":2.5,"display_name":"Somewhere, Far"})") << "Somewhere"
            << ""
            << "";
    }
    void placesReadFromAnswers() {
        QFETCH(QByteArray, json);
        QFETCH(QString, name);
        QFETCH(QString, locality);
        QFETCH(QString, subLocality);
        const Placemark place = HttpGeocoder::placemarkFromJson(QJsonDocument::fromJson(json).object());
        QCOMPARE(place.name, name);
        QCOMPARE(place.locality, locality);
        QCOMPARE(place.subLocality, subLocality);
        QVERIFY(place.coordinate.latitude >= 1 && place.coordinate.longitude >= 2);
    }

private:
    int tileRequests() const {
        int count = 0;
        for (const auto& request : server->requestLog())
            count += request.path.rfind("/tiles/", 0) == 0;
        return count;
    }
    int lastStatus(const std::string& path) const {
        int status = 0;
        for (const auto& request : server->requestLog())
            if (request.path == path)
                status = request.status;
        return status;
    }
    std::string lastQuery(const std::string& path) const {
        std::string query;
        for (const auto& request : server->requestLog())
            if (request.path == path)
                query = request.query;
        return query;
    }

    QTemporaryDir dataDir;
    std::unique_ptr<test::TestSandbox> sandbox;
    std::unique_ptr<StandinServer> server;
    QString base;
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestMapServices t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_mapservices.moc"
