#include "TestSandbox.h"
#include "media/s3/DataCRC32.h"
#include "media/s3/DataWithBase64.h"
#include "media/s3/DateS3SDKUtil.h"
#include "media/s3/S3Client.h"
#include "media/s3/S3DictionaryUnmarshaller.h"
#include "media/s3/S3Endpoints.h"
#include "media/s3/S3ErrorHandler.h"
#include "media/s3/S3ErrorResponseHandler.h"
#include "media/s3/S3Logger.h"
#include "media/s3/S3MD5Util.h"
#include "media/s3/S3Permission.h"
#include "media/s3/S3PutObjectRequest.h"
#include "media/s3/S3Region.h"
#include "media/s3/S3SDKUtil.h"
#include "media/s3/S3ServiceException.h"
#include "media/s3/S3ServiceResponse.h"
#include "media/s3/S3ServiceResponseUnmarshaller.h"
#include "media/s3/S3StaticCredentialsProvider.h"
#include "media/s3/S3XMLParser.h"
#include "media/s3/StringS3SDKUtil.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QLoggingCategory>
#include <QTest>

using namespace pelnix;

namespace {

QStringList g_lines;
void captureLines(QtMsgType, const QMessageLogContext& context, const QString& text) {
    if (QLatin1String(context.category) == QLatin1String("pelnix.s3"))
        g_lines << text;
}

// Collects the text of every element it sees end, to observe the text rules directly.
struct TextRecorder : S3UnmarshallerXMLParserDelegate {
    QStringList ends;
    void didEndElement(S3XMLParser& parser, const QString& name) override {
        S3UnmarshallerXMLParserDelegate::didEndElement(parser, name);
        ends << name + QLatin1Char('=') + currentText();
    }
};

// A top-level reader whose response takes the request id.
struct IdReader : S3ServiceResponseUnmarshaller {
    std::shared_ptr<S3ServiceResponse> r = std::make_shared<S3ServiceResponse>();
    std::shared_ptr<S3ServiceResponse> response() override { return r; }
};

QVariantMap readTags(const QByteArray& xml, const QString& entryEnd) {
    QVariantMap tags;
    TextRecorder root;
    S3DictionaryUnmarshaller reader(&root, [&](const QVariantMap& d) { tags.insert(d); });
    reader.setKeyXpathElement(QStringLiteral("Key"));
    reader.setValueXpathElement(QStringLiteral("Value"));
    reader.setDictionaryEndElement(QStringLiteral("TagSet"));
    reader.setEntryEndElement(entryEnd);
    S3XMLParser parser(xml);
    parser.setDelegate(&reader);
    parser.parse();
    return tags;
}

} // namespace

class TestS3Runtime : public QObject {
    Q_OBJECT
private slots:
    void init() { S3SDKUtil::setRuntimeClockSkew(0); }
    void cleanup() { S3ErrorHandler::shouldThrowExceptions(); }
    void encodingHexAndDigests();
    void base64IsLenientButRejectsAHalfGroup();
    void datesCarryTheClockSkewBothWays();
    void mimeTypesUserAgentAndProtocolForcing();
    void regionsAndPermissions();
    void endpointsStaySecureWhenAsked();
    void providerDomainComesFromTheBundleAndCanBeOverridden();
    void credentialsCopiesAndStaticProvider();
    void exceptionsBecomeErrors();
    void refusalTextNamesTheServicesMessageAndCode_data();
    void refusalTextNamesTheServicesMessageAndCode();
    void addressingStyleFollowsBucketAndEndpoint_data();
    void addressingStyleFollowsBucketAndEndpoint();
    void keysKeepTheirSlashesUnlessADotSegmentWouldBeResolved_data();
    void keysKeepTheirSlashesUnlessADotSegmentWouldBeResolved();
    void xmlTextRulesAndHandOver();
    void dictionaryEntriesDoNotInheritValues();
    void errorDocumentIncludingMalformed();
    void putRequestHeadersAndValidation();
    void archivedPutRequestAlwaysSendsExpires();
    void regionAndServiceFromHostNames();
};

void TestS3Runtime::encodingHexAndDigests() {
    QCOMPARE(StringS3SDKUtil::stringWithURLEncoding(QStringLiteral("a b/c+d~\u00e9")),
             QStringLiteral("a%20b%2Fc%2Bd~%C3%A9"));
    QCOMPARE(S3SDKUtil::urlEncode(QStringLiteral("!*'();:@&=+$,/?%#[]\" -._~")),
             QStringLiteral("%21%2A%27%28%29%3B%3A%40%26%3D%2B%24%2C%2F%3F%25%23%5B%5D%22%20-._~"));
    QCOMPARE(StringS3SDKUtil::stringByNormalizingPathComponent(QStringLiteral("a+b+")),
             QStringLiteral("a%2Bb%2B"));
    QCOMPARE(S3SDKUtil::hexDecode(QStringLiteral("0aFf1")), QByteArray("\x0a\xff", 2));
    QCOMPARE(S3SDKUtil::hexDecode(QStringLiteral("4g")), QByteArray("\x04", 1)); // valid prefix of the pair
    QCOMPARE(S3SDKUtil::hexEncode(QStringLiteral("A\n\u20ac")), QStringLiteral("410a20ac"));
    QCOMPARE(S3SDKUtil::hexEncodeData(QByteArray("\x00\xab", 2)), QStringLiteral("00ab"));
    QCOMPARE(DataCRC32::crc32("123456789"), 0xCBF43926u);
    QCOMPARE(DataCRC32::crc32({}), 0u);
    QCOMPARE(S3MD5Util::base64md5FromData({}), QStringLiteral("1B2M2Y8AsgTpgAmY7PhCfg=="));
    QCOMPARE(S3MD5Util::hexEncodeMD5("abc"), QStringLiteral("900150983cd24fb0d6963f7d28e17f72"));
    QByteArray big(10000, 'q');
    QBuffer open(&big);
    QVERIFY(!S3MD5Util::base64md5FromStream(&open)); // not open
    open.open(QIODevice::ReadOnly);
    QCOMPARE(S3MD5Util::base64md5FromStream(&open), S3MD5Util::base64md5FromData(big));
    QVERIFY(open.isOpen());
}

void TestS3Runtime::base64IsLenientButRejectsAHalfGroup() {
    using namespace DataWithBase64;
    QCOMPARE(base64EncodedString({}), QString());
    QCOMPARE(base64EncodedString("any carnal pleas"), QStringLiteral("YW55IGNhcm5hbCBwbGVhcw=="));
    QCOMPARE(dataWithBase64EncodedString(QStringLiteral("YW55\nIGNh cm5h*bCBw\r\nbGVhcw==")),
             QByteArray("any carnal pleas"));
    QCOMPARE(dataWithBase64EncodedString(QStringLiteral("YW55=IGNh")),
             QByteArray("any")); // "=" ends the data
    QVERIFY(!dataWithBase64EncodedString(QStringLiteral("YW55I=")));
    QVERIFY(!dataWithBase64EncodedString(QStringLiteral("YW55I")));
    QCOMPARE(dataWithBase64EncodedString(QString()), QByteArray());
}

void TestS3Runtime::datesCarryTheClockSkewBothWays() {
    const QDateTime now(QDate(2024, 3, 5), QTime(10, 11, 12, 345), Qt::UTC);
    QCOMPARE(DateS3SDKUtil::stringWithRFC822Format(now), QStringLiteral("Tue, 05 Mar 2024 10:11:12 GMT"));
    QCOMPARE(DateS3SDKUtil::stringWithISO8061Format(now), QStringLiteral("2024-03-05T10:11:12.345Z"));
    QCOMPARE(DateS3SDKUtil::stringWithISO8601Format(now), QStringLiteral("2024-03-05T10:11:12Z"));
    QCOMPARE(DateS3SDKUtil::dateStamp(now), QStringLiteral("20240305"));
    QCOMPARE(DateS3SDKUtil::dateTime(now), QStringLiteral("20240305T101112Z"));

    S3SDKUtil::setRuntimeClockSkew(120); // device two minutes ahead
    const QString shown = DateS3SDKUtil::stringWithRFC822Format(now);
    QCOMPARE(shown, QStringLiteral("Tue, 05 Mar 2024 10:09:12 GMT"));
    QCOMPARE(DateS3SDKUtil::dateWithRFC822Format(shown), now.addMSecs(-345));
    QCOMPARE(DateS3SDKUtil::dateWithISO8061Format(QStringLiteral("2024-03-05T10:09:12.345Z")), now);
    QCOMPARE(S3SDKUtil::secondsSinceEpochToDate(1000), QDateTime::fromSecsSinceEpoch(880, Qt::UTC));
    S3SDKUtil::setRuntimeClockSkew(0);

    // Service Date headers in other zone spellings still parse; garbage does not.
    QCOMPARE(DateS3SDKUtil::dateWithRFC822Format(QStringLiteral("Tue, 05 Mar 2024 11:11:12 +0100")),
             now.addMSecs(-345));
    QCOMPARE(S3SDKUtil::convertStringToDate(QStringLiteral("2024-03-05T10:11:12Z")), now.addMSecs(-345));
    QVERIFY(!DateS3SDKUtil::dateWithRFC822Format(QStringLiteral("yesterday")).isValid());
    QVERIFY(!S3SDKUtil::convertStringToNumber(QStringLiteral("12x")));
    QCOMPARE(S3SDKUtil::convertStringToNumber(QStringLiteral("1,234.5")), 1234.5);
}

void TestS3Runtime::mimeTypesUserAgentAndProtocolForcing() {
    QCOMPARE(S3SDKUtil::MIMETypeForExtension(QStringLiteral("JPG")), QStringLiteral("image/jpeg"));
    QCOMPARE(S3SDKUtil::MIMETypeForExtension(QStringLiteral("heic")),
             QStringLiteral("application/octet-stream"));
    QCOMPARE(S3SDKUtil::MIMETypeForExtension(QStringLiteral("stl")), QStringLiteral("application/SLA"));
    QCOMPARE(S3SDKUtil::userAgentString(QStringLiteral("iPhone OS"), QStringLiteral("17.2"),
                                        QStringLiteral("en_US")),
             QStringLiteral("s3-client-iOS/1.7.1 iPhone-OS/17.2 en_US"));
    QCOMPARE(S3SDKUtil::URLWithURL(QStringLiteral("http://h/p"), QStringLiteral("https")),
             QUrl(QStringLiteral("https://h/p")));
    QCOMPARE(S3SDKUtil::URLWithURL(QStringLiteral("https://h/p"), QStringLiteral("http")),
             QUrl(QStringLiteral("http://h/p")));
    QCOMPARE(S3SDKUtil::URLWithURL(QStringLiteral("https://h"), QStringLiteral("https")),
             QUrl(QStringLiteral("https://h")));
    QVERIFY_THROWS_EXCEPTION(S3ClientException,
                             S3SDKUtil::URLWithURL(QStringLiteral("h"), QStringLiteral("ftp")));
}

void TestS3Runtime::regionsAndPermissions() {
    g_lines.clear();
    // The client's lines are below warnings: quiet unless turned up.
    QLoggingCategory::setFilterRules(QStringLiteral("pelnix.s3.info=true"));
    auto previous = qInstallMessageHandler(captureLines);
    QCOMPARE(S3Region::regionWithString(QString()), S3Region::USStandard());
    QCOMPARE(S3Region::regionWithString(QStringLiteral("ap-southeast-2")), S3Region::APSydney());
    const auto unknown = S3Region::regionWithString(QStringLiteral("mars-north-1"));
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    QCOMPARE(unknown->stringValue(), QStringLiteral("mars-north-1"));
    QCOMPARE(g_lines.size(), 1);
    QVERIFY(g_lines[0].endsWith(QStringLiteral("|Unknown S3 region name: 'mars-north-1'.")));
    QVERIFY(g_lines[0].startsWith(QStringLiteral("S3Region.cpp|S3Region::regionWithString|")));

    QVERIFY(S3Region::EUIreland() != S3Region::EUWest1());
    QVERIFY(*S3Region::EUIreland() == *S3Region::EUWest1());
    QVERIFY(*S3Region::EUWest1() == *S3Region::EUIreland());
    QVERIFY(!(*S3Region::USWest() == *S3Region::USWest2()));

    QVERIFY(!S3Permission::permissionWithString(QStringLiteral("read")));
    QCOMPARE(S3Permission::permissionWithString(QStringLiteral("FULL_CONTROL")),
             S3Permission::fullControlPermission());
    QCOMPARE(S3Permission::fullControlPermission(), S3Permission::fullControlPermission());
}

void TestS3Runtime::endpointsStaySecureWhenAsked() {
    QVERIFY(S3Endpoints::setDomainSuffix(QStringLiteral("example.test")));
    QCOMPARE(S3Endpoints::s3Endpoint(0), QStringLiteral("https://s3.example.test"));
    QCOMPARE(S3Endpoints::s3Endpoint(0, false), QStringLiteral("http://s3.example.test"));
    QCOMPARE(S3Endpoints::s3Endpoint(3, false), QStringLiteral("http://s3-ap-southeast-1.example.test"));
    QCOMPARE(S3Endpoints::s3Endpoint(5), QStringLiteral("https://s3-us-west-2.example.test"));
    // Out of range falls back to the general endpoint, but never to plain http when https was asked.
    QCOMPARE(S3Endpoints::s3Endpoint(8), QStringLiteral("https://s3.example.test"));
    QCOMPARE(S3Endpoints::s3Endpoint(-1), QStringLiteral("https://s3.example.test"));
    QCOMPARE(S3Endpoints::s3Endpoint(8, false), QStringLiteral("http://s3.example.test"));
    QCOMPARE(S3Endpoints::sesEndpoint(5, false), QStringLiteral("https://email.us-west-2.example.test"));
    QCOMPARE(S3Endpoints::sesEndpoint(7), QStringLiteral("https://email.us-east-1.example.test"));
    QCOMPARE(S3Endpoints::snsEndpoint(0), QStringLiteral("https://sns.us-east-1.example.test"));
    QCOMPARE(S3Endpoints::sdbEndpoint(0), QStringLiteral("https://sdb.example.test"));
    QCOMPARE(S3Endpoints::sqsEndpoint(2), QStringLiteral("https://eu-west-1.queue.example.test"));
    QCOMPARE(S3Endpoints::stsEndpoint(), QStringLiteral("https://sts.example.test"));

    // An explicit http:// endpoint stays plain; anything else is https.
    S3PutObjectRequest request(QStringLiteral("k"), QStringLiteral("photos-1"));
    request.setEndpoint(QStringLiteral("http://127.0.0.1:9000"));
    QCOMPARE(request.url().scheme(), QStringLiteral("http"));
    request.setEndpoint(QStringLiteral("https://s3.example.test"));
    QCOMPARE(request.url().scheme(), QStringLiteral("https"));
    request.setEndpoint(QStringLiteral("s3.example.org"));
    QCOMPARE(request.url().toString(), QStringLiteral("https://photos-1.s3.example.org/k"));
    S3Endpoints::setDomainSuffix({});
}

void TestS3Runtime::providerDomainComesFromTheBundleAndCanBeOverridden() {
    // The bundle's placeholder, a name that never resolves.
    QCOMPARE(S3Endpoints::domainSuffix(), QStringLiteral("storage.invalid"));
    QCOMPARE(S3Endpoints::s3Endpoint(0), QStringLiteral("https://s3.storage.invalid"));
    QCOMPARE(S3Endpoints::queueDomainSuffix(), QStringLiteral("queue.storage.invalid"));

    QVERIFY(S3Endpoints::setDomainSuffix(QStringLiteral("objects.example.test")));
    QCOMPARE(S3Endpoints::s3Endpoint(1), QStringLiteral("https://s3-us-west-1.objects.example.test"));
    for (const char* refused : {"https://example.test", "example.test:443", "example.test/x", "a..b", ".a",
                                "sp ace.test", "b\u00e4d.test"}) {
        QVERIFY2(!S3Endpoints::setDomainSuffix(QString::fromUtf8(refused)), refused);
        QCOMPARE(S3Endpoints::domainSuffix(), QStringLiteral("objects.example.test"));
    }
    QVERIFY(S3Endpoints::setDomainSuffix({}));
    QCOMPARE(S3Endpoints::domainSuffix(), QStringLiteral("storage.invalid"));
}

void TestS3Runtime::credentialsCopiesAndStaticProvider() {
    const S3Credentials original("ak", "sk", "st");
    S3Credentials copy = original;
    copy.setSecretKey(QStringLiteral("changed"));
    QCOMPARE(original.secretKey(), QStringLiteral("sk"));
    S3StaticCredentialsProvider provider(original);
    provider.refresh();
    QCOMPARE(provider.credentials(), original);
    QCOMPARE(S3StaticCredentialsProvider("a", "b").credentials().securityToken(), QString());
}

void TestS3Runtime::exceptionsBecomeErrors() {
    auto service = std::make_shared<S3ServiceException>(
        S3ServiceException::exceptionWithMessage("denied", "AccessDenied", 403, "RID"));
    auto error = S3ErrorHandler::errorFromException(service);
    QCOMPARE(error->domain, QString::fromLatin1(S3ServiceErrorDomain));
    QCOMPARE(error->code, 403);
    QCOMPARE(error->userInfo.value("errorCode").toString(), QStringLiteral("AccessDenied"));
    QCOMPARE(error->userInfo.value("requestId").toString(), QStringLiteral("RID"));
    QCOMPARE(error->userInfo.value("exception").value<S3ExceptionPtr>(), S3ExceptionPtr(service));
    QVERIFY(service->message().isNull());
    QCOMPARE(service->description(),
             QStringLiteral("S3ServiceException { RequestId:RID, ErrorCode:AccessDenied, Message: }"));

    auto client = std::make_shared<S3ClientException>(QStringLiteral("Request timed out."));
    error = S3ErrorHandler::errorFromException(client);
    QCOMPARE(error->domain, QString::fromLatin1(S3ClientErrorDomain));
    QCOMPARE(error->code, -1);
    QCOMPARE(error->userInfo.value("message").toString(), QStringLiteral("Request timed out."));
    QVERIFY(!S3ErrorHandler::errorFromException(nullptr));

    const PLError underlying(QStringLiteral("NSURLErrorDomain"), -1005, QStringLiteral("lost"));
    auto network =
        std::make_shared<S3ServiceException>(S3ServiceException::exceptionWithMessage("lost", underlying));
    QCOMPARE(network->name(), QStringLiteral("S3ClientException"));
    QCOMPARE(*S3ErrorHandler::errorFromException(network), underlying);

    // Exceptions on: converting raises the exception with its own type.
    QVERIFY_THROWS_EXCEPTION(S3ServiceException,
                             S3ErrorHandler::errorFromExceptionWithThrowsExceptionOption(service));
    S3ErrorHandler::shouldNotThrowExceptions();
    QCOMPARE(S3ErrorHandler::errorFromExceptionWithThrowsExceptionOption(service)->code, 403);
}

void TestS3Runtime::refusalTextNamesTheServicesMessageAndCode_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text");
    QTest::newRow("message and code") << "Access Denied"
                                      << "AccessDenied" << 403 << "Access Denied (AccessDenied)";
    QTest::newRow("message only") << "Access Denied" << QString() << 403 << "Access Denied";
    QTest::newRow("code only") << QString() << "NoSuchBucket" << 404 << "NoSuchBucket";
    QTest::newRow("status only") << QString() << QString() << 500 << "The storage service answered HTTP 500.";
}

void TestS3Runtime::refusalTextNamesTheServicesMessageAndCode() {
    QFETCH(QString, message);
    QFETCH(QString, code);
    QFETCH(int, status);
    QFETCH(QString, text);
    // As the error document's reader fills it.
    auto refusal = std::make_shared<S3ServiceException>(S3ServiceException::exceptionWithStatusCode(status));
    refusal->setMessage(message);
    refusal->setErrorCode(code);
    QCOMPARE(refusal->failureText(), text);
    QCOMPARE(QString::fromUtf8(refusal->what()), text);
    const auto error = S3ErrorHandler::errorFromException(refusal);
    QCOMPARE(error->localizedDescription, text);
    QCOMPARE(error->code, status);
}

void TestS3Runtime::addressingStyleFollowsBucketAndEndpoint_data() {
    QTest::addColumn<QString>("endpoint");
    QTest::addColumn<QString>("bucket");
    QTest::addColumn<QString>("url");
    QTest::newRow("domain") << "https://s3.example.test"
                            << "photos"
                            << "https://photos.s3.example.test/k";
    QTest::newRow("domain with a port") << "http://s3.example.test:9000"
                                        << "photos"
                                        << "http://photos.s3.example.test:9000/k";
    QTest::newRow("IPv4 address") << "http://127.0.0.1:9000"
                                  << "photos"
                                  << "http://127.0.0.1:9000/photos/k";
    QTest::newRow("IPv4 address without a port") << "https://192.0.2.7"
                                                 << "photos"
                                                 << "https://192.0.2.7/photos/k";
    QTest::newRow("IPv6 address") << "http://[::1]:9000"
                                  << "photos"
                                  << "http://[::1]:9000/photos/k";
    QTest::newRow("localhost") << "http://localhost:9000"
                               << "photos"
                               << "http://localhost:9000/photos/k";
    QTest::newRow("single-label host") << "https://storage"
                                       << "photos"
                                       << "https://storage/photos/k";
    QTest::newRow("bucket with a dot") << "https://s3.example.test"
                                       << "pelnix.media"
                                       << "https://s3.example.test/pelnix.media/k";
    QTest::newRow("bucket in upper case") << "https://s3.example.test"
                                          << "Photos"
                                          << "https://s3.example.test/Photos/k";
    QTest::newRow("bucket too short") << "https://s3.example.test"
                                      << "ph"
                                      << "https://s3.example.test/ph/k";
}

void TestS3Runtime::addressingStyleFollowsBucketAndEndpoint() {
    QFETCH(QString, endpoint);
    QFETCH(QString, bucket);
    QFETCH(QString, url);
    S3PutObjectRequest request(QStringLiteral("k"), bucket);
    request.setEndpoint(endpoint);
    QCOMPARE(QString::fromUtf8(request.url().toEncoded()), url);
    QCOMPARE(request.host(), QUrl(url).authority());
}

void TestS3Runtime::keysKeepTheirSlashesUnlessADotSegmentWouldBeResolved_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("path"); // virtual-host style
    QTest::newRow("folders") << "a b/c.jpg"
                             << "/a%20b/c.jpg";
    QTest::newRow("plus and equals") << "x/+=/y"
                                     << "/x/%2B%3D/y";
    QTest::newRow("outside ASCII") << QStringLiteral("caf\u00e9/\u65e5") << "/caf%C3%A9/%E6%97%A5";
    QTest::newRow("trailing slash") << "folder/"
                                    << "/folder/";
    QTest::newRow("dots inside names") << ".hidden/a..b/..."
                                       << "/.hidden/a..b/...";
    QTest::newRow("dot segment") << "a/./b"
                                 << "/a%2F.%2Fb";
    QTest::newRow("dot-dot segment") << "x/.."
                                     << "/x%2F..";
    QTest::newRow("leading slash") << "/lead"
                                   << "/%2Flead";
    QTest::newRow("empty segment") << "a//b"
                                   << "/a//b";
}

void TestS3Runtime::keysKeepTheirSlashesUnlessADotSegmentWouldBeResolved() {
    QFETCH(QString, key);
    QFETCH(QString, path);
    S3PutObjectRequest request(key, QStringLiteral("photos-1"));
    request.setEndpoint(QStringLiteral("https://s3.example.test"));
    QCOMPARE(request.encodedPath(), path);
    QCOMPARE(QString::fromUtf8(request.url().toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority)), path);
    request.setBucket(QStringLiteral("My_Bucket"));
    QCOMPARE(request.encodedPath(), QStringLiteral("/My_Bucket") + path);
    // The signed resource names the key exactly as the path does.
    S3Client client(S3Credentials(QStringLiteral("AKID"), QStringLiteral("SECRET")));
    request.configureURLRequest();
    QVERIFY(client.stringToSign(request).endsWith(QStringLiteral("\n/My_Bucket") + path));
}

void TestS3Runtime::xmlTextRulesAndHandOver() {
    TextRecorder recorder;
    S3XMLParser parser("<A>lead<B>child</B>tail<E/></A>");
    parser.setDelegate(&recorder);
    QVERIFY(parser.parse());
    QCOMPARE(recorder.ends, (QStringList{"B=child", "E=", "A="}));

    TextRecorder afterChild;
    S3XMLParser second("<A>lead<B>child</B> tail</A>");
    second.setDelegate(&afterChild);
    second.parse();
    QCOMPARE(afterChild.ends.last(), QStringLiteral("A=child tail"));

    for (const char* name : {"RequestId", "requestId", "REQUESTID"}) {
        IdReader reader;
        S3XMLParser p(QByteArray("<R><") + name + ">id-1</" + name + "></R>");
        p.setDelegate(&reader);
        p.parse();
        QCOMPARE(reader.r->requestId(), QStringLiteral("id-1"));
    }

    // A child reader with an alias closes at that element and gives the parser back to its caller.
    struct Starter : TextRecorder {
        std::function<void(S3XMLParser&, const QString&)> onStart;
        void didStartElement(S3XMLParser& p, const QString& n) override {
            TextRecorder::didStartElement(p, n);
            onStart(p, n);
        }
    } starter;
    IdReader* made = nullptr;
    starter.onStart = [&](S3XMLParser& p, const QString& n) {
        if (n == QLatin1String("Inner")) {
            auto c = std::make_unique<IdReader>();
            made = c.get();
            c->setCaller(&starter);
            c->setEndElementTagName(QStringLiteral("Inner"));
            p.adoptDelegate(std::move(c));
        }
    };
    S3XMLParser handOver("<Root><Inner><RequestId>x</RequestId></Inner><After>y</After></Root>");
    handOver.setDelegate(&starter);
    handOver.parse();
    QVERIFY(made);
    QCOMPARE(made->r->requestId(), QStringLiteral("x"));
    QCOMPARE(starter.ends, (QStringList{"After=y", "Root=y"})); // "Inner"'s end went to the child

    // Malformed XML stops silently and keeps what was read.
    TextRecorder partial;
    S3XMLParser broken("<A><B>kept</B><C>lost</A>");
    broken.setDelegate(&partial);
    QVERIFY(!broken.parse());
    QCOMPARE(partial.ends, QStringList{"B=kept"});
}

void TestS3Runtime::dictionaryEntriesDoNotInheritValues() {
    const QByteArray xml = "<TagSet><Tag><Key>a</Key><Value>1</Value></Tag><Tag><Key>b</Key></Tag>"
                           "<Tag><Key>c</Key><Value>3</Value></Tag></TagSet>";
    const QVariantMap perEntry = readTags(xml, QStringLiteral("Tag"));
    QCOMPARE(perEntry, (QVariantMap{{"a", "1"}, {"c", "3"}})); // "b" has no value and gets none
    const QVariantMap atEnd = readTags(xml, QString());
    QCOMPARE(atEnd, (QVariantMap{{"c", "3"}})); // without entry ends only the last pair is stored
}

void TestS3Runtime::errorDocumentIncludingMalformed() {
    S3ErrorResponseHandler handler(403);
    S3XMLParser parser("<Error><Code>AccessDenied</Code><Message>Access Denied</Message>"
                       "<RequestId>R1</RequestId><HostId>h</HostId></Error>");
    parser.setDelegate(&handler);
    parser.parse();
    QCOMPARE(handler.exception()->errorCode(), QStringLiteral("AccessDenied"));
    QCOMPARE(handler.exception()->message(), QStringLiteral("Access Denied"));
    QCOMPARE(handler.exception()->requestId(), QStringLiteral("R1"));
    QCOMPARE(handler.exception()->statusCode(), 403);

    for (const QByteArray& body :
         {QByteArray(), QByteArray("Service Unavailable"), QByteArray("<Error><Code>X")}) {
        S3ErrorResponseHandler h(503);
        S3XMLParser p(body);
        p.setDelegate(&h);
        p.parse();
        QCOMPARE(h.exception()->statusCode(), 503);
        QCOMPARE(h.exception()->errorCode(), QString());
    }
}

void TestS3Runtime::putRequestHeadersAndValidation() {
    S3PutObjectRequest request(QStringLiteral("a b/c.jpg"), QStringLiteral("photos-1"));
    request.setEndpoint(QStringLiteral("https://s3.example.test"));
    request.setData("12345");
    S3URLRequest& url = request.configureURLRequest();
    QCOMPARE(url.url().toEncoded(), QByteArray("https://photos-1.s3.example.test/a%20b/c.jpg"));
    QCOMPARE(url.httpMethod(), QStringLiteral("PUT"));
    QCOMPARE(url.valueForHTTPHeaderField("content-length"), QStringLiteral("5"));
    QCOMPARE(url.valueForHTTPHeaderField("Content-MD5").size(), 24);
    QVERIFY(url.valueForHTTPHeaderField("Expires").isNull());
    QVERIFY(url.valueForHTTPHeaderField("Content-Type").isNull());

    request.setContentLength(99);
    request.setExpires(0);
    request.setBucket(QStringLiteral("My_Bucket"));
    request.configureURLRequest();
    QCOMPARE(url.url().toEncoded(), QByteArray("https://s3.example.test/My_Bucket/a%20b/c.jpg"));
    QCOMPARE(url.valueForHTTPHeaderField("Content-Length"), QStringLiteral("99"));
    QCOMPARE(url.valueForHTTPHeaderField("Expires"), QStringLiteral("0"));
    QCOMPARE(url.valueForHTTPHeaderField("Host"), QStringLiteral("s3.example.test"));

    S3PutObjectRequest empty(QStringLiteral("k"), QStringLiteral("photos-1"));
    empty.configureURLRequest();
    QVERIFY(empty.urlRequest().valueForHTTPHeaderField("Content-MD5").isNull());

    test::TestSandbox sandbox;
    S3PutObjectRequest missing(QStringLiteral("k"), QStringLiteral("photos-1"));
    missing.setFilename(sandbox.path(QStringLiteral("absent.png")));
    QCOMPARE(missing.validate()->message(), QStringLiteral("The specified file cannot be read."));

    QFile file(sandbox.path(QStringLiteral("photo.PNG")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(5000, 'p'));
    file.close();
    S3PutObjectRequest fromFile(QStringLiteral("k"), QStringLiteral("photos-1"));
    fromFile.setContentType(QStringLiteral("text/plain"));
    fromFile.setFilename(file.fileName());
    QVERIFY(!fromFile.validate());
    QCOMPARE(fromFile.contentLength(), 5000);
    QCOMPARE(fromFile.contentType(), QStringLiteral("image/png"));
    const S3URLRequest& streamed = fromFile.configureURLRequest();
    QVERIFY(streamed.httpBodyStream());
    QCOMPARE(streamed.valueForHTTPHeaderField("Content-Length"), QStringLiteral("5000"));
    QCOMPARE(streamed.valueForHTTPHeaderField("Content-MD5"),
             S3MD5Util::base64md5FromData(QByteArray(5000, 'p')));
}

void TestS3Runtime::archivedPutRequestAlwaysSendsExpires() {
    S3PutObjectRequest original(QStringLiteral("key"), QStringLiteral("bucket"));
    original.setContentType(QStringLiteral("image/gif"));
    original.setData("gif");
    original.setGenerateMD5(false);
    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << original.archive();
    }
    QVariantMap map;
    QDataStream in(bytes);
    in >> map;
    S3PutObjectRequest decoded;
    decoded.unarchive(map);
    QCOMPARE(decoded.key(), QStringLiteral("key"));
    QCOMPARE(decoded.data(), QByteArray("gif"));
    QVERIFY(!decoded.generateMD5());
    QVERIFY(decoded.expiresSet());
    QCOMPARE(decoded.configureURLRequest().valueForHTTPHeaderField("Expires"), QStringLiteral("0"));
    S3PutObjectRequest defaults;
    defaults.unarchive({});
    QVERIFY(defaults.generateMD5());
}

void TestS3Runtime::regionAndServiceFromHostNames() {
    struct Case {
        const char* endpoint;
        const char* region;
        const char* service;
    };
    const Case cases[] = {
        {"https://s3-us-west-2.example.test", "us-west-2", "s3"},
        {"https://s3.example.test", "us-east-1", "s3"},
        {"https://sns.eu-west-1.example.test/path", "eu-west-1", "sns"},
        {"https://eu-west-1.queue.example.test", "eu-west-1", "sqs"},
        {"https://s3-us-gov.example.test", "us-gov-west-1", "s3"},
        {"https://s3-us-west-2.elsewhere.test", "us-east-1", ""}, // not under the configured domain
        {"http://127.0.0.1:9000", "us-east-1", ""},
    };
    QVERIFY(S3Endpoints::setDomainSuffix(QStringLiteral("example.test")));
    for (const Case& c : cases) {
        S3PutObjectRequest request;
        request.setEndpoint(QString::fromLatin1(c.endpoint));
        QCOMPARE(request.regionName(), QString::fromLatin1(c.region));
        QCOMPARE(request.serviceName(), QString::fromLatin1(c.service));
    }
    S3Endpoints::setDomainSuffix({});
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestS3Runtime t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_s3runtime.moc"
