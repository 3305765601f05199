#include "StandinTestClient.h"
#include "TestSandbox.h"
#include "standin/SqliteDatabase.h"
#include "standin/StandinServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include <memory>

using namespace pelnix;
using namespace pelnix::test;
using standin::StandinServer;
using Form = QList<QPair<QString, QString>>;

namespace {

// The JSON objects of the "data: " lines received so far.
QList<QJsonObject> events(const QByteArray& stream) {
    QList<QJsonObject> list;
    for (const QByteArray& line : stream.split('\n')) {
        if (line.startsWith("data: "))
            list << QJsonDocument::fromJson(line.mid(6)).object();
    }
    return list;
}

QStringList idsOf(const QList<QJsonObject>& list) {
    QStringList ids;
    for (const auto& event : list) {
        if (event.contains("_id"))
            ids << event.value("_id").toString();
    }
    return ids;
}

const QJsonObject kSeed{
    {"org", "acme"},
    {"users",
     QJsonArray{QJsonObject{{"id", 5}, {"email", "ann@acme.test"}, {"name", "Ann"}, {"token", "tok5"}},
                QJsonObject{{"id", 6}, {"email", "bob@acme.test"}, {"name", "Bob"}, {"token", "tok6"}},
                QJsonObject{{"id", 7}, {"email", "cy@acme.test"}, {"name", "Cy"}, {"token", "tok7"}}}},
    {"rooms",
     QJsonArray{QJsonObject{{"_id", "r1"}, {"name", "Team"}, {"members", QJsonArray{5, 6}}, {"admin", 5}}}}};

constexpr QFile::Permissions kOwnerFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
constexpr QFile::Permissions kOwnerFile = QFile::ReadOwner | QFile::WriteOwner;

// Permission bits of the owner, group and others only (Qt also reports the user's own as ReadUser...).
QFile::Permissions modeOf(const QString& path) {
    return QFileInfo(path).permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
}

Form post(const QString& text, const QString& seqId) {
    return {{"text", text}, {"type", "message"}, {"reqId", "0"}, {"seqId", seqId}};
}

} // namespace

class TestStandin : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void registrationIssuesTokenThatAuthorisesPrivateCalls();
    void aNamedUserHasAValidProfile_data();
    void aNamedUserHasAValidProfile();
    void tooManyWrongCodesLockTheAddress();
    void theControlApiFindsAnAddressHoweverItIsWritten_data();
    void theControlApiFindsAnAddressHoweverItIsWritten();
    void postIsEchoedToEveryMemberAndStoredOncePerSeqId();
    void sharesGetAFormIdAndLocationAnswersCountOnTheirForm();
    void reconnectWithAfterReplaysExactlyTheMissedEvents();
    void membershipChangesBroadcastSystemEvents();
    void faultModesDoWhatTheySay();
    void streamsCloseCleanlyAndStopIsPrompt();
    void restartWithSameDataFolderKeepsState();
    void sequenceIdsAreEachSendersOwn();
    void olderDataFoldersAreCarriedForward();
    void controlApiRefusesMalformedJson_data();
    void controlApiRefusesMalformedJson();
    void stateIsPrivateToItsOwner();
    void invitationsAreStoredWithoutTheSendersToken();
    void eventsWithoutValidCredentialsAnswerNotAuthenticated();
    void aProfileUpdateCarriesTheNumberAndKeepsWhatItLeavesOut();

private:
    // (Re)starts the service on `dataDir` with a client of it; the old ones end first.
    bool startOn(const QString& dataDir);
    // The "response" of a public account call for `email`, with `code` when it is not null.
    QJsonValue account(const char* method, const QString& email, const QString& code = {});

    std::unique_ptr<TestSandbox> m_sandbox;
    std::unique_ptr<StandinServer> m_server;
    std::unique_ptr<StandinTestClient> m_client;
};

bool TestStandin::startOn(const QString& dataDir) {
    m_client.reset();
    m_server.reset();
    StandinServer::Options options;
    options.dataDir = dataDir.toStdString();
    m_server = std::make_unique<StandinServer>(options);
    if (!m_server->start())
        return false;
    m_client = std::make_unique<StandinTestClient>(m_server->baseUrl());
    return true;
}

QJsonValue TestStandin::account(const char* method, const QString& email, const QString& code) {
    Form form{{"v", "1.1"}, {"method", QString::fromLatin1(method)}, {"email", email}};
    if (!code.isNull())
        form.append({"code", code});
    return m_client->post("api/public?", form).json()["response"];
}

void TestStandin::init() {
    m_sandbox = std::make_unique<TestSandbox>();
    QVERIFY(startOn(m_sandbox->path("standin")));
    QVERIFY(!m_server->seed(kSeed).contains("error"));
}

void TestStandin::cleanup() {
    m_client.reset();
    m_server.reset();
    m_sandbox.reset();
}

void TestStandin::registrationIssuesTokenThatAuthorisesPrivateCalls() {
    const QString email = QStringLiteral("new.person+x@acme.test");
    // The control API tells a pending code; an address with none is refused, never answered "".
    const auto pendingCode = [this, &email] {
        return m_client->get("_ctl/otp?email=" + QUrl::toPercentEncoding(email));
    };
    QCOMPARE(pendingCode().status, 404);
    QVERIFY(pendingCode().json()["error"].toString().contains(QStringLiteral("no code is pending")));
    auto registered =
        m_client->post("api/public?", {{"v", "1.1"}, {"method", "echat.registerWithOTP"}, {"email", email}});
    QCOMPARE(registered.json()["response"]["success"]["email"].toString(), email);
    const QString code = QString::fromStdString(m_server->otp(email.toStdString()));
    QCOMPARE(code.size(), 6);
    QCOMPARE(pendingCode().status, 200);
    QCOMPARE(pendingCode().json()["otp"].toString(), code);

    auto wrong = m_client->post(
        "api/public?", {{"v", "1.1"}, {"method", "echat.verifyOTP"}, {"email", email}, {"code", "x"}});
    QCOMPARE(wrong.json()["response"]["error"]["msg"].toString(), QStringLiteral("invalidOTP"));

    auto verified = m_client->post(
        "api/public?", {{"v", "1.1"}, {"method", "echat.verifyOTP"}, {"email", email}, {"code", code}});
    const QJsonValue success = verified.json()["response"]["success"];
    const QString token = success["token"]["token"].toString();
    QVERIFY(!token.isEmpty());
    QVERIFY(!success["password"]["password"].toString().isEmpty());
    const qint64 id = success["user"]["id"].toInteger();
    QVERIFY(id > 0);

    // The code is spent once used.
    auto again = m_client->post(
        "api/public?", {{"v", "1.1"}, {"method", "echat.verifyOTP"}, {"email", email}, {"code", code}});
    QVERIFY(again.json()["response"]["error"].isObject());
    QCOMPARE(pendingCode().status, 404);

    m_client->signIn(id, token);
    auto rooms = m_client->get("rooms/lite");
    QCOMPARE(rooms.status, 200);
    QVERIFY(rooms.json().isArray());
    auto config = m_client->get("api/public?token=" + token + "&method=echat.getUserConfig&v=1.1");
    QCOMPARE(config.json()["response"]["success"]["userConfig"]["env"].toString(), QStringLiteral("http"));

    m_client->signIn(id, "not-the-token");
    auto refused = m_client->get("rooms/lite");
    QCOMPARE(refused.json()["error"].toString(), QStringLiteral("NotAuthenticated"));
    QCOMPARE(refused.json()["statusCode"].toInt(), 401);
    QByteArray stream;
    auto* reply = m_client->openStream(0, &stream);
    StandinTestClient::wait(reply);
    QVERIFY(stream.startsWith(R"({"name":"NotAuthenticated")"));
}

void TestStandin::aNamedUserHasAValidProfile_data() {
    QTest::addColumn<QString>("email");
    QTest::addColumn<bool>("olderFolder");
    QTest::addColumn<QString>("name");
    QTest::newRow("signed up here") << "dana.k@acme.test" << false << "dana.k";
    QTest::newRow("named by an older stand-in") << "dana.k@acme.test" << true << "dana.k";
    QTest::newRow("seeded with no name") << "nameless@acme.test" << false << "";
}

// The verification answers as a real service would: a user with a name has a valid profile.
void TestStandin::aNamedUserHasAValidProfile() {
    QFETCH(QString, email);
    QFETCH(bool, olderFolder);
    QFETCH(QString, name);
    QVERIFY(!m_server
                 ->seed(QJsonObject{
                     {"users", QJsonArray{QJsonObject{{"email", "nameless@acme.test"}, {"name", ""}}}}})
                 .contains("error"));
    QVERIFY(
        m_client->post("api/public?", {{"v", "1.1"}, {"method", "echat.registerWithOTP"}, {"email", email}})
            .json()["response"]["success"]
            .isObject());
    if (olderFolder) {
        // Stand-ins before this one named new users but left their profiles invalid.
        m_client.reset();
        m_server.reset();
        standin::SqliteDatabase db;
        QVERIFY(db.open((m_sandbox->path("standin") + "/standin.sqlite").toStdString()));
        QVERIFY(db.run("UPDATE users SET valid_profile = 0 WHERE email = ?", {email}));
        db.close();
        QVERIFY(startOn(m_sandbox->path("standin")));
    }
    const QString code = QString::fromStdString(m_server->otp(email.toStdString()));
    auto verified = m_client->post(
        "api/public?", {{"v", "1.1"}, {"method", "echat.verifyOTP"}, {"email", email}, {"code", code}});
    const QJsonValue user = verified.json()["response"]["success"]["user"];
    QCOMPARE(user["profile"]["profileName"].toString(), name);
    QVERIFY(user["isValidProfile"].isBool());
    QCOMPARE(user["isValidProfile"].toBool(), !name.isEmpty());
}

void TestStandin::tooManyWrongCodesLockTheAddress() {
    const QString email = QStringLiteral("locked@acme.test");
    const auto call = [&](const char* method, const QString& code = {}) {
        return account(method, email, code)["error"]["msg"].toString();
    };
    QCOMPARE(call("echat.registerWithOTP"), QString());
    for (int attempt = 1; attempt < 5; ++attempt)
        QCOMPARE(call("echat.verifyOTP", QStringLiteral("x")), QStringLiteral("invalidOTP"));
    QCOMPARE(call("echat.verifyOTP", QStringLiteral("x")), QStringLiteral("actionLockedErr"));
    // Locked: even the right code and a new code are refused.
    const QString code = QString::fromStdString(m_server->otp(email.toStdString()));
    QCOMPARE(call("echat.verifyOTP", code), QStringLiteral("actionLockedErr"));
    QCOMPARE(call("echat.registerWithOTP"), QStringLiteral("actionLockedErr"));
    // Other addresses are not affected; the control API lifts the lock.
    QCOMPARE(m_client
                 ->post("api/public?",
                        {{"v", "1.1"}, {"method", "echat.registerWithOTP"}, {"email", "other@acme.test"}})
                 .json()["response"]["error"]["msg"]
                 .toString(),
             QString());
    QCOMPARE(m_client->del("_ctl/otp?email=" + QUrl::toPercentEncoding(email)).status, 200);
    QCOMPARE(call("echat.verifyOTP", code), QString());
}

void TestStandin::theControlApiFindsAnAddressHoweverItIsWritten_data() {
    QTest::addColumn<QString>("signedUp");
    QTest::addColumn<QString>("queried");
    QTest::newRow("a plus, as the README's line types it") << "erin+tag@demo.test"
                                                           << "erin+tag@demo.test";
    QTest::newRow("a plus escaped") << "erin+tag@demo.test"
                                    << "erin%2Btag%40demo.test";
    QTest::newRow("padded at sign-up") << "  erin@demo.test "
                                       << "erin@demo.test";
    QTest::newRow("padded at sign-up, with a plus") << "erin+tag@demo.test  "
                                                    << "erin%2Btag@demo.test";
    QTest::newRow("padded in the query") << "erin@demo.test"
                                         << "%20erin@demo.test%20%20";
    // Addresses are found without regard to case elsewhere in the service too.
    QTest::newRow("upper case in the query") << "erin@demo.test"
                                             << "ERIN@Demo.TEST";
    QTest::newRow("upper case at sign-up") << " Erin+Tag@Demo.test"
                                           << "erin+tag@demo.test";
}

// `queried` is the query's text as pasted into a URL: "+" is a plus there, escapes decode.
void TestStandin::theControlApiFindsAnAddressHoweverItIsWritten() {
    QFETCH(QString, signedUp);
    QFETCH(QString, queried);
    QCOMPARE(account("echat.registerWithOTP", signedUp)["success"]["email"].toString(), signedUp.trimmed());
    const auto pending = m_client->get("_ctl/otp?email=" + queried);
    QCOMPARE(pending.status, 200);
    const QString code = pending.json()["otp"].toString();
    QCOMPARE(code, QString::fromStdString(m_server->otp(signedUp.trimmed().toStdString())));
    QCOMPARE(code.size(), 6);
    // The lock that wrong codes set is lifted by the same query.
    for (int attempt = 0; attempt < 5; ++attempt)
        account("echat.verifyOTP", signedUp, QStringLiteral("x"));
    QCOMPARE(account("echat.verifyOTP", signedUp, code)["error"]["msg"].toString(),
             QStringLiteral("actionLockedErr"));
    QCOMPARE(m_client->del("_ctl/otp?email=" + queried).status, 200);
    const QJsonValue verified = account("echat.verifyOTP", signedUp, code)["success"];
    QVERIFY(!verified["token"]["token"].toString().isEmpty());
    QCOMPARE(verified["user"]["email"].toString(), signedUp.trimmed());
    QCOMPARE(m_client->get("_ctl/otp?email=" + queried).status, 404);
}

// A check-in or contact made from the library's own form carries an empty form ID: the service gives it
// one. A location answer ("locresp") counts on the form it names, as a reply does.
void TestStandin::sharesGetAFormIdAndLocationAnswersCountOnTheirForm() {
    m_client->signIn(5, "tok5");
    const auto smart = [](const QJsonObject& text, const QString& seqId) {
        return Form{{"text", QString::fromUtf8(QJsonDocument(text).toJson(QJsonDocument::Compact))},
                    {"type", "smartmessage"},
                    {"reqId", "0"},
                    {"seqId", seqId}};
    };
    const QJsonObject checkIn{
        {"type", "location"}, {"formid", ""}, {"content", QJsonObject{{"media", QJsonArray{}}}}};
    const QJsonObject stored = m_client->post("rooms/r1/messages", smart(checkIn, "c1")).json().object();
    const QJsonObject form = QJsonDocument::fromJson(stored.value("text").toString().toUtf8()).object();
    const QString formId = form.value("formid").toString();
    QVERIFY(!formId.isEmpty());
    QCOMPARE(form.value("type").toString(), QStringLiteral("location"));
    QCOMPARE(m_client->post("rooms/r1/messages", smart(QJsonObject{{"type", "reply"}}, "c2")).status, 400);

    const QJsonObject answer{{"formid", formId}, {"type", "locresp"}, {"locname", "Cubbon Park"}};
    const QJsonObject counted = m_client->post("rooms/r1/messages", smart(answer, "c3")).json().object();
    const QJsonObject updated = QJsonDocument::fromJson(counted.value("text").toString().toUtf8()).object();
    QCOMPARE(updated.value("formid").toString(), formId);
    QCOMPARE(updated.value("summary").toObject().value("numresp").toInt(), 1);
    const QJsonObject response = updated.value("details")
                                     .toObject()
                                     .value("detitem")
                                     .toObject()
                                     .value("resps")
                                     .toArray()
                                     .at(0)
                                     .toObject();
    QCOMPARE(response.value("reply").toObject(), (QJsonObject{{"locname", "Cubbon Park"}}));
}

void TestStandin::postIsEchoedToEveryMemberAndStoredOncePerSeqId() {
    StandinTestClient bob(m_server->baseUrl());
    bob.signIn(6, "tok6");
    m_client->signIn(5, "tok5");
    QByteArray annStream, bobStream;
    m_client->openStream(0, &annStream);
    bob.openStream(0, &bobStream);
    QTRY_VERIFY(annStream.contains("welcome") && bobStream.contains("welcome"));

    auto first = m_client->post("rooms/r1/messages", post("hello & welcome", "seq-1"));
    const QJsonObject message = first.json().object();
    const QString id = message.value("_id").toString();
    QVERIFY(!id.isEmpty());
    QCOMPARE(message.value("seqId").toString(), QStringLiteral("seq-1"));
    QCOMPARE(message.value("sender").toString(), QStringLiteral("5"));
    QCOMPARE(message.value("text").toString(), QStringLiteral("hello & welcome"));
    QTRY_VERIFY(annStream.contains(id.toUtf8()) && bobStream.contains(id.toUtf8()));

    // The retry of an unanswered post returns the stored message and broadcasts nothing new.
    auto retry = m_client->post("rooms/r1/messages", post("hello & welcome", "seq-1"));
    QCOMPARE(retry.json()["_id"].toString(), id);
    QCOMPARE(m_server->storedMessages("r1").size(), 1);
    const QString marker =
        m_client->post("rooms/r1/messages", post("marker", "seq-2")).json()["_id"].toString();
    QTRY_VERIFY(annStream.contains(marker.toUtf8()) && bobStream.contains(marker.toUtf8()));
    QCOMPARE(idsOf(events(bobStream)), (QStringList{id, marker}));
    QCOMPARE(idsOf(events(annStream)), (QStringList{id, marker}));

    StandinTestClient outsider(m_server->baseUrl());
    outsider.signIn(7, "tok7");
    auto refused = outsider.post("rooms/r1/messages", post("let me in", "seq-9"));
    QCOMPARE(refused.json()["statusCode"].toInt(), 403);
    QCOMPARE(m_server->storedMessages("r1").size(), 2);
}

void TestStandin::reconnectWithAfterReplaysExactlyTheMissedEvents() {
    m_client->signIn(5, "tok5");
    QList<QJsonObject> posted;
    for (int i = 0; i < 3; ++i)
        posted << m_client->post("rooms/r1/messages", post(QString("m%1").arg(i), QString("s%1").arg(i)))
                      .json()
                      .object();
    const QJsonObject injected = m_server->injectEvent(
        6, QJsonObject{{"type", "echatcontact"}, {"message", QJsonObject{{"id", 7}, {"name", "Cy"}}}});

    StandinTestClient bob(m_server->baseUrl());
    bob.signIn(6, "tok6");
    QByteArray stream;
    bob.openStream(qint64(posted[0].value("date").toDouble()), &stream);
    QTRY_VERIFY(stream.contains("echatcontact"));
    // Then a live event after the replay arrives once, in order.
    const QString live = m_client->post("rooms/r1/messages", post("live", "s3")).json()["_id"].toString();
    QTRY_VERIFY(stream.contains(live.toUtf8()));

    const QList<QJsonObject> received = events(stream);
    QCOMPARE(received.first().value("type").toString(), QStringLiteral("welcome"));
    QCOMPARE(idsOf(received),
             (QStringList{posted[1].value("_id").toString(), posted[2].value("_id").toString(), live}));
    QCOMPARE(received.at(3).value("date").toDouble(), injected.value("date").toDouble());
    qint64 previous = 0;
    for (const auto& event : received.mid(1)) {
        QVERIFY(qint64(event.value("date").toDouble()) > previous);
        previous = qint64(event.value("date").toDouble());
    }
}

void TestStandin::membershipChangesBroadcastSystemEvents() {
    StandinTestClient bob(m_server->baseUrl());
    bob.signIn(6, "tok6");
    QByteArray bobStream;
    bob.openStream(0, &bobStream);
    QTRY_VERIFY(bobStream.contains("welcome"));
    m_client->signIn(5, "tok5");

    auto created = m_client->post("rooms/", {{"name", "Launch"},
                                             {"members", "6,7"},
                                             {"emails", "outside@else.test"},
                                             {"isoCountry", "de"},
                                             {"adminOnly", "false"},
                                             {"hideMemberProfile", "false"}});
    const QJsonObject room = created.json().object();
    const QString roomId = room.value("_id").toString();
    QCOMPARE(room.value("members").toArray().size(), 3);
    QCOMPARE(room.value("members").toArray().first()["userId"].toString(), QStringLiteral("5"));
    QCOMPARE(room.value("members").toArray().first()["isCreator"].toInt(), 1);
    QCOMPARE(m_client->get("rooms/" + roomId + "/invitees").json().array().first()["name"].toString(),
             QStringLiteral("outside@else.test"));

    QVERIFY(m_client
                ->post("rooms/" + roomId + "/update",
                       {{"newName", "Launch 2"}, {"adminOnly", "true"}, {"hideMemberProfile", "false"}})
                .json()["name"] == QStringLiteral("Launch 2"));
    // Only the admin may post in an admin-only room.
    QCOMPARE(bob.post("rooms/" + roomId + "/messages", post("me too", "b1")).json()["statusCode"].toInt(),
             403);
    QCOMPARE(m_client->del("rooms/" + roomId + "/members/6").json()["successful"].toInt(), 1);
    QCOMPARE(m_client->del("rooms/" + roomId).json()["successful"].toInt(), 1);
    // Already gone: the 404 envelope, which the client counts as success.
    QCOMPARE(m_client->del("rooms/" + roomId).json()["statusCode"].toInt(), 404);

    QTRY_VERIFY(bobStream.contains("kicked"));
    QStringList types;
    for (const auto& event : events(bobStream)) {
        if (event.value("roomId").toString() != roomId)
            continue;
        types << event.value("type").toString();
        if (event.value("type") == "joined")
            QCOMPARE(event["info"]["users"].toArray().size(), 2);
        if (event.value("type") == "kicked") {
            QCOMPARE(event["replacements"]["target"].toString(), QStringLiteral("6"));
            QCOMPARE(event["sender"].toString(), QStringLiteral("5"));
        }
    }
    // Bob hears the changes up to his removal, and nothing after it.
    QCOMPARE(types, (QStringList{"joined", "roomNameUpdate", "roomAdminOnlyUpdate", "kicked"}));
    const auto closing = m_server->storedMessages(roomId.toStdString()).last().toObject();
    QCOMPARE(closing.value("type").toString(), QStringLiteral("roomDeleted"));
    QCOMPARE(closing["replacements"]["target"].toString(), QStringLiteral("5"));
}

void TestStandin::faultModesDoWhatTheySay() {
    m_client->signIn(5, "tok5");
    using Mode = StandinServer::FaultMode;
    QVERIFY(m_server->addFault({"^/rooms/lite$", "", 1, Mode::ServerError}));
    auto failed = m_client->get("rooms/lite");
    QCOMPARE(failed.status, 500);
    QVERIFY(failed.body.contains("<html>"));
    QCOMPARE(m_client->get("rooms/lite").status, 200); // the count is honoured

    QVERIFY(m_server->addFault({"/messages", "POST", 1, Mode::ErrorEnvelope, 0, 409, "try later"}));
    QCOMPARE(m_client->get("rooms/r1/messages?after=0&limit=0&order=asce").status, 200); // GET does not match
    auto refused = m_client->post("rooms/r1/messages", post("x", "f1"));
    QCOMPARE(refused.json()["statusCode"].toInt(), 409);
    QCOMPARE(refused.json()["reason"].toString(), QStringLiteral("try later"));
    QCOMPARE(m_server->storedMessages("r1").size(), 0);

    QVERIFY(m_server->addFault({"rooms/lite", "", 1, Mode::Drop}));
    QVERIFY(m_client->get("rooms/lite").error != QNetworkReply::NoError);

    QVERIFY(m_server->addFault({"rooms/lite", "", 1, Mode::Delay, 300}));
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(m_client->get("rooms/lite").status, 200);
    QVERIFY(clock.elapsed() >= 300);

    QVERIFY(m_server->addFault({"/messages", "POST", 1, Mode::Hold}));
    QNetworkReply* held =
        m_client->start("POST", "rooms/r1/messages", StandinTestClient::formEncode(post("held", "h1")));
    QTRY_COMPARE(m_server->heldCount(), 1);
    QVERIFY(!held->isFinished());
    // A request the log shows (here while it is held) shows with its body.
    const auto log = m_server->requestLog();
    QVERIFY(!log.empty());
    QCOMPARE(QByteArray::fromStdString(log.back().body), StandinTestClient::formEncode(post("held", "h1")));
    m_server->releaseHeld();
    auto released = StandinTestClient::wait(held);
    QCOMPARE(released.json()["seqId"].toString(), QStringLiteral("h1"));
    QCOMPARE(m_server->heldCount(), 0);

    // A whole answer as given: any status, any body.
    StandinServer::Fault answer{"rooms/lite", "GET", 1, Mode::Answer, 0, 401};
    answer.body = R"({"name":"NotAuthenticated","message":"x"})";
    QVERIFY(m_server->addFault(answer));
    auto given = m_client->get("rooms/lite");
    QCOMPARE(given.status, 401);
    QCOMPARE(given.body, QByteArray(R"({"name":"NotAuthenticated","message":"x"})"));
    QCOMPARE(m_client->get("rooms/lite").status, 200);

    QVERIFY(!m_server->addFault({"(", "", 1, Mode::Drop}));
}

void TestStandin::streamsCloseCleanlyAndStopIsPrompt() {
    m_client->signIn(6, "tok6");
    QByteArray stream;
    QNetworkReply* first = m_client->openStream(0, &stream);
    QTRY_VERIFY(stream.contains("welcome"));

    // Raw bytes arrive exactly, even when written in pieces.
    const QByteArray raw = "data: {\"type\":\"message\",\"roomId\":\"r1\",\"_id\":\"raw-1\",\"date\":5}\n";
    m_server->injectRaw(6, raw.toStdString(), 3, 20);
    QTRY_VERIFY(stream.endsWith(raw));

    m_server->closeStreams();
    QTRY_VERIFY(first->isFinished());
    QCOMPARE(first->error(), QNetworkReply::NoError);
    QCOMPARE(m_server->openStreams(6), 0);

    m_client->openStream(0, &stream);
    QTRY_COMPARE(m_server->openStreams(6), 1);
    // Connections a client opened and left unused, as a pool's spare or a request cancelled while it
    // connected: one used later is answered, one never used does not hold stop().
    QTcpSocket late, unused;
    QByteArray lateAnswer;
    QObject::connect(&late, &QTcpSocket::readyRead, &late, [&] { lateAnswer += late.readAll(); });
    for (QTcpSocket* socket : {&late, &unused}) {
        socket->connectToHost(QHostAddress::LocalHost, m_server->port());
        QVERIFY(socket->waitForConnected(5000));
    }
    QCOMPARE(m_client->get("rooms/lite").status, 200);
    late.write("GET /rooms/lite HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Tavrix 6:tok6:echat\r\n\r\n");
    QTRY_VERIFY2(lateAnswer.startsWith("HTTP/1.1 200 "), lateAnswer.left(40).constData());
    QVERIFY(m_server->addFault({"rooms/lite", "", 1, StandinServer::FaultMode::Hold}));
    QNetworkReply* held = m_client->start("GET", "rooms/lite");
    QTRY_COMPARE(m_server->heldCount(), 1);
    QElapsedTimer clock;
    clock.start();
    m_server->stop();
    QVERIFY2(clock.elapsed() < 3000, "stop() waited on an open stream, a held reply or an unused connection");
    QTRY_VERIFY(held->isFinished());
}

void TestStandin::restartWithSameDataFolderKeepsState() {
    const QString dataDir = m_sandbox->path("program");
    auto launch = [&](QProcess& process) -> QString {
        process.start(PELNIX_STANDIN_EXE, {"--port", "0", "--data-dir", dataDir});
        QString port;
        while (process.waitForReadyRead(10000) || process.canReadLine()) {
            while (process.canReadLine()) {
                const QString line = QString::fromUtf8(process.readLine()).trimmed();
                if (line.startsWith("PORT "))
                    port = line.mid(5);
                if (line.startsWith("S3PORT "))
                    return "http://127.0.0.1:" + port + "/";
            }
        }
        return {};
    };
    QProcess first;
    const QString base = launch(first);
    QVERIFY(!base.isEmpty());
    StandinTestClient control(base.toStdString());
    auto seeded = StandinTestClient::wait(control.start("POST", "_ctl/users", QJsonDocument(kSeed).toJson()));
    QCOMPARE(seeded.status, 200);
    StandinTestClient ann(base.toStdString());
    ann.signIn(5, "tok5");
    const QString id = ann.post("rooms/r1/messages", post("kept", "keep-1")).json()["_id"].toString();
    QVERIFY(!id.isEmpty());
    first.terminate();
    QVERIFY(first.waitForFinished(10000));
    QCOMPARE(first.exitCode(), 0);

    QProcess second;
    const QString again = launch(second);
    QVERIFY(!again.isEmpty());
    StandinTestClient annAgain(again.toStdString());
    annAgain.signIn(5, "tok5");
    QCOMPARE(annAgain.get("rooms/lite").json().array().first()["_id"].toString(), QStringLiteral("r1"));
    QCOMPARE(annAgain.post("rooms/r1/messages", post("kept", "keep-1")).json()["_id"].toString(), id);
    StandinTestClient controlAgain(again.toStdString());
    QCOMPARE(controlAgain.get("_ctl/messages?room=r1").json().array().size(), 1);
    second.terminate();
    QVERIFY(second.waitForFinished(10000));
}

void TestStandin::sequenceIdsAreEachSendersOwn() {
    StandinTestClient bob(m_server->baseUrl());
    bob.signIn(6, "tok6");
    m_client->signIn(5, "tok5");
    const QJsonObject ann = m_client->post("rooms/r1/messages", post("from Ann", "seq-1")).json().object();
    const QJsonObject bobs = bob.post("rooms/r1/messages", post("from Bob", "seq-1")).json().object();
    QVERIFY(bobs.value("_id").toString() != ann.value("_id").toString());
    QCOMPARE(bobs.value("text").toString(), QStringLiteral("from Bob"));
    QCOMPARE(bobs.value("sender").toString(), QStringLiteral("6"));
    // Each sender's retry still finds their own message.
    QCOMPARE(m_client->post("rooms/r1/messages", post("from Ann", "seq-1")).json()["_id"], ann.value("_id"));
    QCOMPARE(bob.post("rooms/r1/messages", post("from Bob", "seq-1")).json()["_id"], bobs.value("_id"));
    QCOMPARE(m_server->storedMessages("r1").size(), 2);
}

void TestStandin::olderDataFoldersAreCarriedForward() {
    // A data folder written before messages kept their sender and before object bodies were files.
    const QString dataDir = m_sandbox->path("older");
    QVERIFY(QDir().mkpath(dataDir));
    {
        standin::SqliteDatabase db;
        QVERIFY(db.open((dataDir + "/standin.sqlite").toStdString()));
        QVERIFY(db.exec(
            "CREATE TABLE messages(id TEXT PRIMARY KEY, room_id TEXT, seq_id TEXT, date INT, json TEXT);"
            "CREATE UNIQUE INDEX messages_seq ON messages(room_id, seq_id) WHERE seq_id <> '';"
            "CREATE TABLE objects(bucket TEXT, key TEXT, content_type TEXT, data BLOB, etag TEXT, "
            "PRIMARY KEY(bucket, key));"));
        QVERIFY(db.run(
            "INSERT INTO messages VALUES('m-old', 'r1', 'old-1', 5, ?)",
            {QStringLiteral(R"({"_id":"m-old","roomId":"r1","sender":"5","text":"kept","seqId":"old-1"})")}));
        QVERIFY(db.run("INSERT INTO objects VALUES('pelnix.media', 'F1', 'image/png', ?, 'e1')",
                       {QByteArray("stored picture")}));
    }
    QVERIFY(startOn(dataDir));
    QVERIFY(!m_server->seed(kSeed).contains("error"));

    m_client->signIn(5, "tok5");
    QCOMPARE(m_client->post("rooms/r1/messages", post("kept", "old-1")).json()["_id"].toString(),
             QStringLiteral("m-old"));
    StandinTestClient bob(m_server->baseUrl());
    bob.signIn(6, "tok6");
    QCOMPARE(bob.post("rooms/r1/messages", post("new", "old-1")).json()["text"].toString(),
             QStringLiteral("new"));

    const QString url =
        m_client->get("s3/file?fileId=F1&bucket=pelnix.media&fileMime=image/png&shortened=true")
            .json()["url"]
            .toString();
    QVERIFY(!url.isEmpty());
    QCOMPARE(m_client->get(url.mid(int(m_server->baseUrl().size()))).body, QByteArray("stored picture"));
}

void TestStandin::controlApiRefusesMalformedJson_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("body");
    for (const char* path :
         {"_ctl/users", "_ctl/fault", "_ctl/userconfig", "_ctl/s3key", "_ctl/event?user=5"}) {
        QTest::addRow("%s cut off", path) << path << QByteArray(R"({"users": [)");
        QTest::addRow("%s not an object", path) << path << QByteArray("[1, 2]");
        QTest::addRow("%s empty", path) << path << QByteArray();
    }
}

void TestStandin::controlApiRefusesMalformedJson() {
    QFETCH(QString, path);
    QFETCH(QByteArray, body);
    const auto reply = StandinTestClient::wait(m_client->start("POST", path, body));
    QCOMPARE(reply.status, 400);
    QVERIFY(!reply.json()["error"].toString().isEmpty());
}

void TestStandin::stateIsPrivateToItsOwner() {
    const QString dataDir = m_sandbox->path("standin");
    QCOMPARE(modeOf(dataDir), kOwnerFolder);
    QCOMPARE(modeOf(dataDir + "/objects"), kOwnerFolder);
    for (const QString& name : QDir(dataDir).entryList(QDir::Files))
        QVERIFY2(modeOf(dataDir + "/" + name) == kOwnerFile, qPrintable(name));

    // A folder from an earlier, laxer run is tightened; a shared folder that holds other things is not.
    m_client.reset();
    m_server.reset();
    const QFile::Permissions lax = kOwnerFolder | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther;
    QVERIFY(QFile::setPermissions(dataDir, lax));
    QVERIFY(
        QFile::setPermissions(dataDir + "/standin.sqlite", kOwnerFile | QFile::ReadGroup | QFile::ReadOther));
    const QString shared = m_sandbox->path("shared");
    QVERIFY(QDir().mkpath(shared));
    QVERIFY(QFile::setPermissions(shared, lax));
    QFile other(shared + "/someone-else.txt");
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.close();
    for (const QString& folder : {dataDir, shared}) {
        StandinServer::Options options;
        options.dataDir = folder.toStdString();
        StandinServer server(options);
        QVERIFY(server.start());
        QCOMPARE(modeOf(folder + "/standin.sqlite"), kOwnerFile);
        QCOMPARE(modeOf(folder + "/objects"), kOwnerFolder);
        QCOMPARE(modeOf(folder), folder == shared ? lax : kOwnerFolder);
    }
}

void TestStandin::invitationsAreStoredWithoutTheSendersToken() {
    const QJsonObject invitation{
        {"from",
         QJsonObject{{"token", "tok5"}, {"name", "Ann"}, {"userid", "5"}, {"email", "ann@acme.test"}}},
        {"to", QJsonArray{QJsonObject{{"email", "friend@else.test"}}}},
        {"subject", "Hi"}};
    m_client->signIn(5, "tok5");
    const auto sent = m_client->post(
        "invite",
        {{"emailjson", QString::fromUtf8(QJsonDocument(invitation).toJson(QJsonDocument::Compact))}});
    QCOMPARE(sent.json()["status"].toString(), QStringLiteral("Success"));
    const QJsonArray stored = m_server->invitations();
    QCOMPARE(stored.size(), 1);
    const QJsonObject from = stored.first()["from"].toObject();
    QVERIFY(!from.contains("token"));
    QCOMPARE(from["email"].toString(), QStringLiteral("ann@acme.test"));
    QCOMPARE(stored.first()["to"].toArray().first()["email"].toString(), QStringLiteral("friend@else.test"));
}

void TestStandin::eventsWithoutValidCredentialsAnswerNotAuthenticated() {
    // The client reads this body, with status 200, as the end of the session.
    for (const QString& token : {QString(), QStringLiteral("wrong")}) {
        StandinTestClient client(m_server->baseUrl());
        if (!token.isEmpty())
            client.signIn(5, token);
        QByteArray stream;
        QNetworkReply* reply = client.openStream(0, &stream);
        const auto answer = StandinTestClient::wait(reply);
        QCOMPARE(answer.status, 200);
        QVERIFY2(stream.startsWith(R"({"name":"NotAuthenticated")"), stream.constData());
    }
    QCOMPARE(m_server->openStreams(), 0);
}

void TestStandin::aProfileUpdateCarriesTheNumberAndKeepsWhatItLeavesOut() {
    m_client->signIn(5, "tok5");
    const auto update = [&](const Form& fields) {
        Form form{{"v", "1.1"}, {"method", "echat.updateProfile"}, {"token", "tok5"}};
        form << fields;
        // The profile of the login object the reply carries.
        return m_client->post("api/public?", form)
            .json()["response"]["success"]["user"]["profile"]
            .toObject();
    };
    const auto profile = [&] { return m_client->get("users/5").json().object(); };

    // A number and a picture: the reply lists the number, unverified, with its code waiting.
    QJsonObject sent = update({{"phone", "5550100"},
                               {"countryCode", "44"},
                               {"imgUrl", "http://pictures.test/a"},
                               {"bigImgUrl", "http://pictures.test/A"}});
    const QJsonArray phones = sent.value("phones").toArray();
    QCOMPARE(phones.size(), 1);
    QCOMPARE(phones.at(0)["phone"].toString(), QStringLiteral("5550100"));
    QCOMPARE(phones.at(0)["verificationStatus"].toString(), QStringLiteral("UNVERIFIED"));
    QCOMPARE(m_server->smsCode("ann@acme.test").size(), size_t(6));

    // A new name with the number as it stands: the number and the pictures stay.
    sent = update({{"profileName", "Ann B"}, {"phone", "5550100"}, {"countryCode", "44"}});
    QCOMPARE(sent.value("profileName").toString(), QStringLiteral("Ann B"));
    QCOMPARE(sent.value("phones").toArray().size(), 1);
    QCOMPARE(profile().value("phone").toString(), QStringLiteral("5550100"));
    QCOMPARE(profile().value("imageUrl").toString(), QStringLiteral("http://pictures.test/a"));

    // The number left out, as after its removal: gone from the reply and from the user's record,
    // with its country code and its pending code; the name and pictures left out stay.
    sent = update({});
    QVERIFY(sent.value("phones").toArray().isEmpty());
    const QJsonObject removed = profile();
    QCOMPARE(removed.value("phone").toString(), QString());
    QCOMPARE(removed.value("countryCode").toString(), QString());
    QCOMPARE(removed.value("isPhoneVerified").toBool(true), false);
    QCOMPARE(removed.value("name").toString(), QStringLiteral("Ann B"));
    QCOMPARE(removed.value("bigImgUrl").toString(), QStringLiteral("http://pictures.test/A"));
    QVERIFY(m_server->smsCode("ann@acme.test").empty());

    // Still gone after a restart on the same data folder.
    QVERIFY(startOn(m_sandbox->path("standin")));
    m_client->signIn(5, "tok5");
    QCOMPARE(profile().value("phone").toString(), QString());
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestStandin test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_standin.moc"
