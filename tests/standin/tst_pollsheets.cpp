#include "TestSandbox.h"
#include "smart/SmartMessageRenderer.h"
#include "standin/SmartFixtures.h"

#include <QRegularExpression>
#include <QTest>

using namespace pelnix;

namespace {

// The poll stylesheets the service hands out, applied as the library applies them.
QString render(const char* sheet, const QByteArray& options, const QVariantMap& headers = {}) {
    const QString json = QStringLiteral(R"({"type":"poll","content":{"title":"Lunch","options":%1}})")
                             .arg(QString::fromUtf8(options));
    return SmartMessageRenderer::transform(SmartMessageRenderer::messageDocument(json, headers),
                                           QString::fromLatin1(sheet),
                                           QString::fromUtf8(standin::SmartFixtures::fixture(sheet)));
}

// "option share" per table row of the details page, joined by "|".
QString shares(const QString& html) {
    static const QRegularExpression row(QStringLiteral("<tr><td>([^<]*)</td><td>([^<]*)</td></tr>"));
    QStringList found;
    for (auto it = row.globalMatch(html); it.hasNext();) {
        const auto match = it.next();
        found << match.captured(1) + QLatin1Char(' ') + match.captured(2);
    }
    return found.join(QLatin1Char('|'));
}

} // namespace

class TestPollSheets : public QObject {
    Q_OBJECT
private slots:
    void sharesReadAsNumbersWhateverTheCounts_data();
    void sharesReadAsNumbersWhateverTheCounts();
    void aPageWithoutAReplyCountReadsNone();
};

void TestPollSheets::sharesReadAsNumbersWhateverTheCounts_data() {
    QTest::addColumn<QByteArray>("options");
    QTest::addColumn<QString>("details");
    QTest::addColumn<QString>("total");
    QTest::newRow("ordinary counts") << QByteArray(R"([{"text":"A","votes":3},{"text":"B","votes":1}])")
                                     << "A 75%|B 25%"
                                     << "4 votes";
    QTest::newRow("counts given as text")
        << QByteArray(R"([{"text":"A","votes":"1"},{"text":"B","votes":"2"}])") << "A 33%|B 67%"
        << "3 votes";
    QTest::newRow("an option without a count")
        << QByteArray(R"([{"text":"A","votes":2},{"text":"B"},{"text":"C","votes":2}])") << "A 50%|B 0%|C 50%"
        << "4 votes";
    QTest::newRow("a count of null") << QByteArray(R"([{"text":"A","votes":null},{"text":"B","votes":1}])")
                                     << "A 0%|B 100%"
                                     << "1 vote";
    QTest::newRow("an empty count") << QByteArray(R"([{"text":"A","votes":""},{"text":"B","votes":1}])")
                                    << "A 0%|B 100%"
                                    << "1 vote";
    QTest::newRow("a new poll, no counts at all")
        << QByteArray(R"([{"text":"A"},{"text":"B"}])") << "A 0%|B 0%"
        << "0 votes";
    QTest::newRow("no votes yet, counts of zero")
        << QByteArray(R"([{"text":"A","votes":0},{"text":"B","votes":0}])") << "A 0%|B 0%"
        << "0 votes";
}

// The results page gives every option a share of the votes counted, and the poll its total; an
// option with no count has none of them, and a poll with none divides nothing.
void TestPollSheets::sharesReadAsNumbersWhateverTheCounts() {
    QFETCH(QByteArray, options);
    QFETCH(QString, details);
    QFETCH(QString, total);
    const QString page = render("poll-details.xsl", options, {{"replyCount", 2}});
    QVERIFY2(!page.contains(QLatin1String("NaN")), qPrintable(page));
    QCOMPARE(shares(page), details);
    const QString poll = render("poll.xsl", options, {{"roomName", "Team"}});
    QVERIFY2(!poll.contains(QLatin1String("NaN")), qPrintable(poll));
    QVERIFY2(poll.contains(QStringLiteral("<p class=\"total\">%1</p>").arg(total)), qPrintable(poll));
}

void TestPollSheets::aPageWithoutAReplyCountReadsNone() {
    const QString page = render("poll-details.xsl", R"([{"text":"A","votes":1}])");
    QVERIFY2(page.contains(QLatin1String("<p class=\"replies\">0 replies</p>")), qPrintable(page));
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestPollSheets test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_pollsheets.moc"
