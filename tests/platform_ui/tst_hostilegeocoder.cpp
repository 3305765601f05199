// The geocoder against a geocoding server gone bad: answers past their bound however they are framed,
// and answers that trickle in a byte at a time, which end by the geocoder's deadline on the
// scheduler's virtual clock and are heard once.
#include "HostileHttpPeer.h"
#include "TestSandbox.h"
#include "platform/ui/HttpGeocoder.h"
#include "platform/ui/Scheduler.h"

#include <QApplication>
#include <QTest>

using namespace pelnix;
using namespace pelnix::platform::ui;
using pelnix::test::HostileHttpPeer;
using Framing = HostileHttpPeer::Framing;

namespace {

constexpr qint64 kMB = 1024 * 1024;

const QByteArray kPlace =
    R"({"lat":"12.9763","lon":"77.5929","name":"Cubbon Park","display_name":"Cubbon Park, )"
    R"(Bengaluru","address":{"city":"Bengaluru","country_code":"in"}})";

// An array of places `length` bytes long (spaces before the closing bracket make up the rest).
HostileHttpPeer::Answer places(qint64 length, Framing framing) {
    HostileHttpPeer::Answer answer;
    answer.contentType = "application/json";
    answer.head = "[" + kPlace;
    answer.unit = "," + kPlace;
    answer.repeat = (length - answer.head.size() - 1) / answer.unit.size();
    answer.tail = QByteArray(length - answer.head.size() - answer.unit.size() * answer.repeat - 1, ' ') + "]";
    answer.framing = framing;
    return answer;
}

struct Answered {
    int count = 0;
    QList<Placemark> places;
    std::optional<PLError> error;
    Geocoder::Completion completion() {
        return [this](const QList<Placemark>& found, const std::optional<PLError>& e) {
            ++count;
            places = found;
            error = e;
        };
    }
};

} // namespace

class TestHostileGeocoder : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Scheduler::shared()->setVirtualClock(true); }
    void init() { peer = std::make_unique<HostileHttpPeer>(); }
    void cleanup() { peer.reset(); }

    void answersAreBoundedAsTheyArrive_data();
    void answersAreBoundedAsTheyArrive();
    void aTricklingAnswerFailsAtTheDeadline();

private:
    std::unique_ptr<HostileHttpPeer> peer;
};

void TestHostileGeocoder::answersAreBoundedAsTheyArrive_data() {
    QTest::addColumn<HostileHttpPeer::Answer>("answer");
    QTest::addColumn<int>("found"); // places found; 0: an error
    const qint64 bound = HttpGeocoder::kMaximumAnswerBytes;
    HostileHttpPeer::Answer announced = HostileHttpPeer::Answer::of("[" + kPlace, "application/json");
    announced.announced = 100 * kMB;
    QTest::newRow("an ordinary answer")
        << HostileHttpPeer::Answer::of("[" + kPlace + "]", "application/json") << 1;
    const HostileHttpPeer::Answer atBound = places(bound, Framing::Close);
    QTest::newRow("the bound without a length") << atBound << int(atBound.repeat + 1);
    QTest::newRow("a byte more without a length") << places(bound + 1, Framing::Close) << 0;
    QTest::newRow("1.5 MB with its length") << places(bound * 3 / 2, Framing::Length) << 0;
    QTest::newRow("100 MB announced, one place sent") << announced << 0;
    QTest::newRow("100 MB in chunks") << places(100 * kMB, Framing::Chunked) << 0;
}

void TestHostileGeocoder::answersAreBoundedAsTheyArrive() {
    QFETCH(HostileHttpPeer::Answer, answer);
    QFETCH(int, found);
    peer->answer(QStringLiteral("/geo/search"), answer);
    HttpGeocoder geocoder(QUrl(peer->url(QStringLiteral("/geo/"))));
    Answered answered;
    geocoder.geocodeAddress(QStringLiteral("park"), answered.completion());
    QTRY_COMPARE(answered.count, 1);
    QCOMPARE(answered.places.size(), found);
    QCOMPARE(answered.error.has_value(), found == 0);
    if (answered.error)
        QCOMPARE(answered.error->code, qint64(Geocoder::NetworkError));
    QVERIFY2(peer->bytesSent() < 8 * kMB, qPrintable(QString::number(peer->bytesSent())));
}

void TestHostileGeocoder::aTricklingAnswerFailsAtTheDeadline() {
    HostileHttpPeer::Answer drip = HostileHttpPeer::Answer::of("[" + kPlace + "]", "application/json");
    drip.drip = true;
    peer->answer(QStringLiteral("/geo/reverse"), drip);
    HttpGeocoder geocoder(QUrl(peer->url(QStringLiteral("/geo/"))));
    Answered answered;
    geocoder.reverseGeocode({12.9763, 77.5929}, answered.completion());
    QTRY_COMPARE(peer->dripping(), 1);
    peer->drip();
    Scheduler::shared()->advance(HttpGeocoder::kTimeoutMs - 1);
    QCoreApplication::processEvents();
    QCOMPARE(answered.count, 0);
    Scheduler::shared()->advance(1);
    QTRY_COMPARE(answered.count, 1);
    QVERIFY(answered.places.isEmpty());
    QVERIFY(answered.error);
    QCOMPARE(answered.error->code, qint64(Geocoder::NetworkError));
    // The request is ended, and what it might still bring is not heard.
    QTRY_COMPARE(peer->dripping(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(answered.count, 1);
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestHostileGeocoder t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_hostilegeocoder.moc"
