// The request classes against the stand-in service: what goes on the wire, read back from the
// service's request log.
#include "CoreFixture.h"
#include "core/api/AccountAPIServices.h"
#include "core/api/PLAppConfigurations.h"
#include "core/api/PLDeleteGeneralAPIService.h"
#include "core/api/RoomAPIServices.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

using namespace pelnix;
using Form = QList<QPair<QString, QString>>;

namespace {

struct Sent {
    std::string method;
    std::string path;
    Form query;
    Form body;
    std::string accept;
    std::string authorization;
    std::string contentType;
    std::string rawBody;
};

// Starts the request, waits for its completion and returns what the service received.
Sent run(test::CoreFixture& world, PLAPIService& request, const std::string& pathPart) {
    world.server().clearRequestLog();
    bool done = false;
    PLOptionalError failure;
    if (!request.startServiceWithCompletionHandler([&](const QByteArray&, const PLOptionalError& error) {
            failure = error;
            done = true;
        }))
        qFatal("request did not start");
    if (!QTest::qWaitFor([&] { return done; }, 10000))
        qFatal("no completion");
    const auto logged = world.lastRequest(pathPart);
    // A request the service never saw says how it ended, so that the comparisons that fail say why.
    if (logged.method.empty())
        qWarning("no request to \"%s\" reached the service; it ended with %s", pathPart.c_str(),
                 failure ? qPrintable(failure->debugText()) : "no error");
    return Sent{logged.method,
                logged.path,
                test::decodeForm(logged.query),
                test::decodeForm(logged.body),
                logged.header("Accept"),
                logged.header("Authorization"),
                logged.header("Content-Type"),
                logged.body};
}

QStringList keys(const Form& form) {
    QStringList out;
    for (const auto& [k, v] : form)
        out << k;
    return out;
}

QString valueOf(const Form& form, const QString& key) {
    for (const auto& [k, v] : form) {
        if (k == key)
            return v;
    }
    return QStringLiteral("<missing>");
}

const std::string kForm = "application/x-www-form-urlencoded; charset=utf-8";
const std::string kAccept = "application/vnd.tavrix.privatechat-v1+json";

} // namespace

class TestApiRequests : public QObject {
    Q_OBJECT
private slots:
    void publicAccountCallsCarryNoCredentials();
    void updateProfileSendsOnlyWhatWasSet();
    void privateCallsCarryAcceptAndAuthorization();
    void roomCreationAndUpdateParameters();
    void messagePagesAndPosts();
    void generalAndDeleteCallsUseTheCallersAddress();
    void escapingOfEveryReservedCharacter();
    void invitationJsonIsCompact();
};

void TestApiRequests::publicAccountCallsCarryNoCredentials() {
    test::CoreFixture world;
    PLRegistrationAPIService registration;
    registration.setEmail(QStringLiteral("new+user@acme.test"));
    Sent sent = run(world, registration, "api/public");
    QCOMPARE(sent.method, std::string("POST"));
    QCOMPARE(sent.path, std::string("/api/public"));
    QVERIFY(sent.query.isEmpty());
    QCOMPARE(keys(sent.body), (QStringList{"method", "v", "email"}));
    QCOMPARE(valueOf(sent.body, "method"), QStringLiteral("echat.registerWithOTP"));
    QCOMPARE(valueOf(sent.body, "v"), QStringLiteral("1.1"));
    QCOMPARE(valueOf(sent.body, "email"), QStringLiteral("new+user@acme.test"));
    QVERIFY(sent.rawBody.find("new%2Buser%40acme.test") != std::string::npos);
    QVERIFY(sent.accept.empty());
    QVERIFY(sent.authorization.empty());
    QCOMPARE(sent.contentType, kForm);

    PLVerifyEmailWithOTPAPIService verify; // the e-mail is the account's, the code empty when unset
    sent = run(world, verify, "api/public");
    QCOMPARE(valueOf(sent.body, "email"), world.email());
    QCOMPARE(valueOf(sent.body, "code"), QString());
    QVERIFY(sent.rawBody.find("code=") != std::string::npos);

    PLGetChallengeAPIService challenge;
    sent = run(world, challenge, "api/public");
    QCOMPARE(keys(sent.body), (QStringList{"v", "method"}));

    PLPhoneVerificationAPIService phone;
    phone.setPhoneNumber(QStringLiteral("555 0100"));
    sent = run(world, phone, "api/public");
    QCOMPARE(keys(sent.body), (QStringList{"method", "v", "token", "email", "phone", "code", "countryCode"}));
    QCOMPARE(valueOf(sent.body, "phone"), QStringLiteral("555 0100"));
}

void TestApiRequests::updateProfileSendsOnlyWhatWasSet() {
    test::CoreFixture world;
    PLUpdateProfileAPIService update;
    update.setTavrixToken(world.token());
    update.setProfileName(QStringLiteral("Ann Smith"));
    const Sent sent = run(world, update, "api/public");
    QCOMPARE(keys(sent.body), (QStringList{"v", "method", "token", "profileName"}));
    QCOMPARE(valueOf(sent.body, "profileName"), QStringLiteral("Ann Smith"));
}

void TestApiRequests::privateCallsCarryAcceptAndAuthorization() {
    test::CoreFixture world;
    const std::string auth =
        QStringLiteral("Tavrix %1:%2:echat").arg(world.userID()).arg(world.token()).toStdString();

    PLGetUserConfigAPIService config;
    config.setTavrixToken(world.token());
    Sent sent = run(world, config, "api/public");
    QCOMPARE(sent.method, std::string("GET"));
    QCOMPARE(keys(sent.query), (QStringList{"token", "method", "v"}));
    QVERIFY(sent.rawBody.empty());
    QCOMPARE(sent.accept, kAccept);
    QCOMPARE(sent.authorization, auth);
    QCOMPARE(sent.contentType, kForm); // also on a GET

    PLSendDeviceTokenAPIService device;
    device.setUserID(QString::number(world.userID()));
    device.setTavrixToken(world.token());
    device.setDeviceToken(QStringLiteral("abc123"));
    sent = run(world, device, "push/");
    QCOMPARE(sent.method, std::string("POST"));
    QCOMPARE(sent.path, "/push/" + std::to_string(world.userID())); // no separator added
    QCOMPARE(keys(sent.body), (QStringList{"userId", "token", "regId", "useCert", "os"}));
    QCOMPARE(valueOf(sent.body, "useCert"), QString()); // no certificate configured: sent empty
    QCOMPARE(valueOf(sent.body, "os"), QStringLiteral("IOS"));
    QCOMPARE(sent.authorization, auth);

    PLContactsAPIService contacts;
    contacts.setOrgName(QString());
    contacts.setAfterTime(1'700'000'000'123LL);
    sent = run(world, contacts, "contacts");
    QCOMPARE(sent.method, std::string("GET"));
    QCOMPARE(sent.query, (Form{{"org", ""}, {"after", "1700000000123"}}));
    QCOMPARE(sent.authorization, auth);
}

void TestApiRequests::roomCreationAndUpdateParameters() {
    test::CoreFixture world;
    PLCreateNewRoomAPIService bare;
    bare.setRoomName(QStringLiteral("Team"));
    Sent sent = run(world, bare, "rooms");
    QCOMPARE(sent.path, std::string("/rooms/"));
    QCOMPARE(keys(sent.body), (QStringList{"name", "isoCountry", "adminOnly", "hideMemberProfile"}));
    QCOMPARE(valueOf(sent.body, "adminOnly"), QStringLiteral("false"));

    PLCreateNewRoomAPIService withContacts;
    withContacts.setEmails({QStringLiteral("a@x.test"), QStringLiteral("b@x.test")});
    withContacts.setAdminOnly(true);
    sent = run(world, withContacts, "rooms");
    QCOMPARE(valueOf(sent.body, "emails"), QStringLiteral("a@x.test,b@x.test"));
    QVERIFY(sent.rawBody.find("emails=a%40x.test%2Cb%40x.test") != std::string::npos);
    QVERIFY(!keys(sent.body).contains("phones"));
    QVERIFY(!keys(sent.body).contains("members"));
    QCOMPARE(valueOf(sent.body, "adminOnly"), QStringLiteral("true"));
    QCOMPARE(valueOf(sent.body, "hideMemberProfile"), QStringLiteral("false"));

    PLUpdateRoomInfoAPIService update;
    update.setRoomID(QStringLiteral("R1"));
    sent = run(world, update, "update");
    QCOMPARE(sent.path, std::string("/rooms/R1/update")); // exactly one slash at the join
    QCOMPARE(keys(sent.body), (QStringList{"adminOnly", "hideMemberProfile"}));

    PLChangeRoomAdminAPIService admin;
    admin.setRoomID(QStringLiteral("R1"));
    admin.setMemberID(-7);
    sent = run(world, admin, "changeadmin");
    QCOMPARE(sent.method, std::string("POST"));
    QCOMPARE(sent.path, std::string("/rooms/R1/changeadmin"));
    QVERIFY(sent.query.isEmpty()); // the "?" target still sends the member in the body
    QCOMPARE(sent.body, (Form{{"member", "-7"}}));
}

void TestApiRequests::messagePagesAndPosts() {
    test::CoreFixture world;
    PLGetPrivateRoomMessagesAPIService older;
    older.setRoomMessagesURL(QStringLiteral("R1"));
    older.setTimeLine(1'700'000'000'000LL);
    older.setMessagesPerPage(30);
    Sent sent = run(world, older, "messages");
    QCOMPARE(sent.method, std::string("GET"));
    QCOMPARE(sent.path, std::string("/rooms/R1/messages"));
    QCOMPARE(sent.query, (Form{{"before", "1700000000000"},
                               {"limit", "30"},
                               {"order", "desc"},
                               {"version", "v1"},
                               {"appType", "echat"},
                               {"mode", "dev"}}));

    PLGetPrivateRoomMessagesAPIService newer;
    newer.setRoomMessagesURL(QStringLiteral("R1"));
    newer.setIsAfterTimeLine(true);
    newer.setIsAscending(true);
    sent = run(world, newer, "messages");
    QCOMPARE(valueOf(sent.query, "after"), QStringLiteral("0"));
    QCOMPARE(valueOf(sent.query, "order"), QStringLiteral("asce"));

    PLPostPrivateMessageAPIService smart;
    smart.setCustomURL(world.baseUrl() + QStringLiteral("rooms/R1/messages"));
    smart.setMessage(QStringLiteral("{\"formid\":\"F1\"}"));
    smart.setPostMessageTextType(0);
    smart.setReqId(QStringLiteral("1"));
    smart.setSeqId(QStringLiteral("S-1"));
    sent = run(world, smart, "messages");
    QCOMPARE(sent.method, std::string("POST"));
    QCOMPARE(
        sent.body,
        (Form{{"text", "{\"formid\":\"F1\"}"}, {"type", "smartmessage"}, {"reqId", "1"}, {"seqId", "S-1"}}));

    PLPostPrivateMessageAPIService text;
    text.setCustomURL(world.baseUrl() + QStringLiteral("rooms/R1/messages"));
    text.setPostMessageTextType(1);
    sent = run(world, text, "messages");
    QCOMPARE(valueOf(sent.body, "type"), QStringLiteral("message"));
    QCOMPARE(valueOf(sent.body, "text"), QString());
}

void TestApiRequests::generalAndDeleteCallsUseTheCallersAddress() {
    test::CoreFixture world;
    PLGeneralAPIService get;
    get.setCustomURL(world.baseUrl() + QStringLiteral("rooms/R9/members"));
    Sent sent = run(world, get, "members");
    QCOMPARE(sent.method, std::string("GET"));
    QCOMPARE(sent.path, std::string("/rooms/R9/members"));
    QVERIFY(sent.query.isEmpty());

    PLGetPrivateRoomAPIService room;
    room.setRoomID(QStringLiteral("R9"));
    sent = run(world, room, "rooms");
    QCOMPARE(sent.method, std::string("GET"));
    QCOMPARE(sent.path, std::string("/rooms/R9"));

    PLInviteMembersToRoomAPIService invite;
    invite.setCustomURL(world.baseUrl() + QStringLiteral("rooms/R9/invitees"));
    invite.setMemberIDs({QStringLiteral("7"), QStringLiteral("8")});
    sent = run(world, invite, "invitees");
    QCOMPARE(sent.method, std::string("POST"));
    QCOMPARE(keys(sent.body), (QStringList{"members", "isoCountry"}));
    QCOMPARE(valueOf(sent.body, "members"), QStringLiteral("7,8"));

    PLLoadMoreDetailsAPIService details;
    details.setUserID(5'000'000'000LL);
    details.setPageNumber(2);
    details.setCountPerPage(20);
    sent = run(world, details, "details");
    QCOMPARE(sent.method, std::string("GET"));
    QCOMPARE(sent.query, (Form{{"getJson", "true"},
                               {"action", "primarydetails"},
                               {"msgid", ""},
                               {"sid", ""},
                               {"userid", "5000000000"},
                               {"params", "2"},
                               {"count", "20"},
                               {"msgDetType", "primarydet"}}));

    PLDeleteGeneralAPIService remove;
    remove.setCustomURL(world.baseUrl() + QStringLiteral("rooms/R9/members/5"));
    sent = run(world, remove, "members");
    QCOMPARE(sent.method, std::string("DELETE"));
    QVERIFY(sent.rawBody.empty());
    QCOMPARE(sent.contentType, kForm);
    QCOMPARE(sent.accept, kAccept);
}

void TestApiRequests::escapingOfEveryReservedCharacter() {
    test::CoreFixture world;
    PLRegistrationAPIService registration;
    const QString tricky = QStringLiteral("a&b=c+d/e?f%g h\u00e9~._-");
    registration.setEmail(tricky);
    const Sent sent = run(world, registration, "api/public");
    QVERIFY2(sent.rawBody.find("email=a%26b%3Dc%2Bd%2Fe%3Ff%25g%20h%C3%A9~._-") != std::string::npos,
             sent.rawBody.c_str());
    QCOMPARE(valueOf(sent.body, "email"), tricky);
}

void TestApiRequests::invitationJsonIsCompact() {
    test::CoreFixture world;
    PLInviteViaEmailAPIService invite;
    invite.setSelectedContacts({QVariantMap{{"email", "c@x.test"}, {"name", "C"}}});
    const QString json = invite.createJSONString();
    QVERIFY(!json.contains(QLatin1Char('\n')));
    QVERIFY(!json.contains(QStringLiteral("\": ")));
    const QJsonObject root = QJsonDocument::fromJson(json.toUtf8()).object();
    QCOMPARE(root.value("subject").toString(), QStringLiteral("Hi, I am on Pelnix!"));
    QCOMPARE(root.value("template").toString(), QStringLiteral("invite_template"));
    QCOMPARE(root.value("useTemplate").toString(), QStringLiteral("true"));
    QCOMPARE(root.value("message").toString(), QString());
    QCOMPARE(root.value("from").toObject().value("userid").toString(), QString::number(world.userID()));
    QCOMPARE(root.value("from").toObject().value("token").toString(), world.token());
    QCOMPARE(root.value("to").toArray().at(0).toObject().value("email").toString(),
             QStringLiteral("c@x.test"));

    const Sent sent = run(world, invite, "invite");
    QCOMPARE(keys(sent.body), QStringList{"emailjson"});
    QCOMPARE(valueOf(sent.body, "emailjson"), json);
    QVERIFY(sent.authorization.empty());
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestApiRequests t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_api_requests.moc"
