#include "TestSandbox.h"
#include "media/s3/S3ListVersionsResultUnmarshaller.h"
#include "media/s3/S3LocationConstraintUnmarshaller.h"
#include "media/s3/S3MultipartUploadUnmarshaller.h"
#include "media/s3/S3ObjectSummaryUnmarshaller.h"
#include "media/s3/S3PartUnmarshaller.h"
#include "media/s3/S3XMLValues.h"

#include <QCoreApplication>
#include <QTest>

using namespace pelnix;

namespace {
template <class Reader> void parseWith(Reader& reader, const QByteArray& xml) {
    S3XMLParser parser(xml);
    parser.setDelegate(&reader);
    parser.parse();
}
} // namespace

class TestS3Results : public QObject {
    Q_OBJECT
private slots:
    void versionListingKeepsDocumentOrder();
    void uploadOwnerAndInitiatorFromTheirOwnElements();
    void sizesStayWholeAndDatesParseOnlyWhereTyped();
    void conversionsAndLocation();

private:
    test::TestSandbox m_sandbox;
};

void TestS3Results::versionListingKeepsDocumentOrder() {
    S3ListVersionsResultUnmarshaller reader;
    parseWith(reader,
              "<ListVersionsResult><Name>bucket</Name><Prefix>p/</Prefix><MaxKeys>1000</MaxKeys>"
              "<IsTruncated>false</IsTruncated>"
              "<Version><Key>a</Key><VersionId>1</VersionId><IsLatest>true</IsLatest>"
              "<Owner><ID>o1</ID><DisplayName>Olga</DisplayName></Owner><Size>3</Size></Version>"
              "<DeleteMarker><Key>a</Key><VersionId>2</VersionId><IsLatest>false</IsLatest></DeleteMarker>"
              "<CommonPrefixes><Prefix>p/x/</Prefix></CommonPrefixes>"
              "<Version><Key>b</Key><VersionId>3</VersionId></Version></ListVersionsResult>");
    const auto result = reader.listVersionsResult();
    QCOMPARE(result->name, QStringLiteral("bucket"));
    QCOMPARE(result->prefix, QStringLiteral("p/")); // the common prefix went to its own reader
    QCOMPARE(result->maxKeys, 1000);
    QVERIFY(!result->isTruncated);
    QCOMPARE(result->commonPrefixes, QStringList{"p/x/"});
    QCOMPARE(result->versionSummaries.size(), 3);
    QStringList order;
    for (const auto& v : result->versionSummaries)
        order << v->versionId() + (v->isDeleteMarker() ? "D" : "");
    QCOMPARE(order, (QStringList{"1", "2D", "3"}));
    const auto first = result->versionSummaries[0];
    QVERIFY(first->isLatest());
    QCOMPARE(first->owner()->ID(), QStringLiteral("o1"));
    QCOMPARE(first->owner()->displayName(), QStringLiteral("Olga"));
    QCOMPARE(first->displayName(), QString()); // the owner's name is not the version's
    QCOMPARE(first->size(), 3);
    QVERIFY(first->description().startsWith(QStringLiteral("{Key: a,ETag: ,Size: 3,")));
}

void TestS3Results::uploadOwnerAndInitiatorFromTheirOwnElements() {
    std::shared_ptr<S3MultipartUpload> delivered;
    S3MultipartUploadUnmarshaller reader(nullptr, [&](const auto& upload) { delivered = upload; });
    parseWith(reader, "<Upload><Key>k</Key><UploadId>u1</UploadId>"
                      "<Initiator><ID>i-id</ID><DisplayName>Ian</DisplayName></Initiator>"
                      "<Owner><ID>o-id</ID><DisplayName>Olga</DisplayName></Owner>"
                      "<Initiated>2024-03-05T10:11:12.000Z</Initiated></Upload>");
    QVERIFY(delivered);
    QCOMPARE(delivered->initiator()->ID(), QStringLiteral("i-id"));
    QCOMPARE(delivered->owner()->displayName(), QStringLiteral("Olga"));
    QCOMPARE(delivered->uploadId(), QStringLiteral("u1"));
    QCOMPARE(delivered->initiated(), QDateTime(QDate(2024, 3, 5), QTime(10, 11, 12), Qt::UTC));

    const auto owner = S3Owner::ownerWithID(QStringLiteral("id"), QStringLiteral("Name"));
    const auto back = S3Owner::unarchive(owner->archive());
    QCOMPARE(back->ID(), QStringLiteral("id"));
    QCOMPARE(back->displayName(), QStringLiteral("Name"));
}

void TestS3Results::sizesStayWholeAndDatesParseOnlyWhereTyped() {
    std::shared_ptr<S3ObjectSummary> summary;
    S3ObjectSummaryUnmarshaller contents(nullptr, [&](const auto& s) { summary = s; });
    parseWith(contents, "<Contents><Key>big</Key><Size>5000000000</Size>"
                        "<LastModified>2024-03-05T10:11:12.000Z</LastModified></Contents>");
    QCOMPARE(summary->size(), Q_INT64_C(5000000000));
    QCOMPARE(summary->lastModified(), QStringLiteral("2024-03-05T10:11:12.000Z"));

    std::shared_ptr<S3Part> part;
    S3PartUnmarshaller partReader(nullptr, [&](const auto& p) { part = p; });
    parseWith(partReader, "<Part><PartNumber>4294967297</PartNumber><Size>5000000000</Size>"
                          "<LastModified>2024-03-05T10:11:12.000Z</LastModified></Part>");
    QCOMPARE(part->size(), Q_INT64_C(5000000000));
    QCOMPARE(part->partNumber(), 1); // low 32 bits
    QCOMPARE(part->lastModified(), QDateTime(QDate(2024, 3, 5), QTime(10, 11, 12), Qt::UTC));
}

void TestS3Results::conversionsAndLocation() {
    QCOMPARE(S3XMLValues::decimalInteger(QStringLiteral("  -12abc")), -12);
    QCOMPARE(S3XMLValues::decimalInteger(QStringLiteral("x1")), 0);
    for (const char* yes : {"true", "Yes", " +0001", "9"})
        QVERIFY2(S3XMLValues::boolean(QString::fromLatin1(yes)), yes);
    for (const char* no : {"false", "0", "", "no"})
        QVERIFY2(!S3XMLValues::boolean(QString::fromLatin1(no)), no);

    S3LocationConstraintUnmarshaller empty;
    parseWith(empty, "<LocationConstraint/>");
    QCOMPARE(empty.location(), QStringLiteral(""));
    S3LocationConstraintUnmarshaller eu;
    parseWith(eu, "<LocationConstraint>EU</LocationConstraint>");
    QCOMPARE(eu.location(), QStringLiteral("EU"));
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestS3Results t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_s3results.moc"
