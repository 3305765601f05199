// The media handler's reduction, file identity and limit check, video previews as the library starts
// it, saving into albums, and the media info JSON.
#include "TestSandbox.h"
#include "core/api/PLAppConfigurations.h"
#include "interface/PelnixSetUp.h"
#include "media/PLMultiMediaHandler.h"
#include "media/PLVideoThumbnailer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

#include <thread>

using namespace pelnix;
using namespace pelnix::test;

namespace {
QByteArray processElsewhere(PLMultiMediaHandler& handler, const PLMediaSelection& selection) {
    QByteArray data;
    std::thread([&] { data = handler.processMultiMediaWithInfo(selection); }).join();
    return data;
}
} // namespace

class TestMediaHandler : public QObject {
    Q_OBJECT
private slots:
    void init() { PLAppConfigurations::reloadCurrentConfiguration(); }
    void picturesAreReducedByAPowerOfTwo_data();
    void picturesAreReducedByAPowerOfTwo();
    void prefixGivesTheFileIdentity();
    void mediaInfoJSONRoundTrip();
    void uploadLimitAlwaysAnswers_data();
    void uploadLimitAlwaysAnswers();
    void videosAreKeptAsGiven();
    void picturesAndVideosAreSavedIntoAlbums();
    void videoThumbnailsComeFromTheMediaStack();

private:
    TestSandbox m_sandbox;
};

void TestMediaHandler::picturesAreReducedByAPowerOfTwo_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSizeF>("customSize");
    QTest::addColumn<qint64>("factor");
    QTest::addColumn<QSize>("uploaded");
    QTest::newRow("landscape") << QSize(4000, 3000) << QSizeF(0, 0) << qint64(8) << QSize(500, 375);
    QTest::newRow("portrait") << QSize(3000, 4000) << QSizeF(0, 0) << qint64(8) << QSize(375, 500);
    QTest::newRow("small") << QSize(400, 300) << QSizeF(0, 0) << qint64(1) << QSize(400, 300);
    QTest::newRow("thumbnail size") << QSize(1000, 1000) << QSizeF(250, 250) << qint64(4) << QSize(250, 250);
    // Only the height was given: 640 high, the width stays at the default 500.
    QTest::newRow("zero width") << QSize(2000, 1600) << QSizeF(0, 640) << qint64(4) << QSize(500, 400);
    // The width fits first; the height may stay larger than asked.
    QTest::newRow("tall strip") << QSize(600, 5000) << QSizeF(0, 0) << qint64(2) << QSize(300, 2500);
}

void TestMediaHandler::picturesAreReducedByAPowerOfTwo() {
    QFETCH(QSize, picture);
    QFETCH(QSizeF, customSize);
    QFETCH(qint64, factor);
    QFETCH(QSize, uploaded);
    const qint64 required = customSize.height() > 0 ? qint64(customSize.height()) : 500;
    const qint64 requiredWidth = customSize.width() > 0 ? qint64(customSize.width()) : 500;
    QCOMPARE(
        PLMultiMediaHandler::getImageInSampleSize(picture.height(), picture.width(), requiredWidth, required),
        factor);

    QImage image(picture, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    PLMultiMediaHandler handler;
    handler.customSize = customSize;
    PLMediaSelection selection;
    selection.originalImage = image;
    selection.referenceURL = QStringLiteral("library://asset/7");
    const QByteArray data = handler.processMultiMediaWithInfo(selection);
    const QImage decoded = QImage::fromData(data, "JPEG");
    QCOMPARE(decoded.size(), uploaded);
    const PLMultiMediaInfo& info = handler.currentMediaInfo();
    QCOMPARE(info.bigImgSize, QSizeF(uploaded));
    QCOMPARE(info.fileMime, QStringLiteral("image/jpeg"));
    QCOMPARE(info.fileName, info.fileID + QStringLiteral(".jpg"));
    QCOMPARE(info.assetURL, QStringLiteral("library://asset/7"));
    // One data URI: the JPEG preview's own media type and a single comma before its Base64 text.
    QVERIFY(info.preview.startsWith(QStringLiteral("data:image/jpeg;base64,")));
    QCOMPARE(info.preview.count(QLatin1Char(',')), 1);
    const QByteArray previewBytes =
        QByteArray::fromBase64(info.preview.section(QLatin1Char(','), 1).toLatin1());
    const QImage preview = QImage::fromData(previewBytes, "JPEG");
    QVERIFY(!preview.isNull());
    QVERIFY(preview.width() <= 200 || preview.height() <= 200);
}

void TestMediaHandler::prefixGivesTheFileIdentity() {
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(Qt::red);
    PLMediaSelection selection;
    selection.originalImage = image;
    PLMultiMediaHandler prefixed;
    prefixed.uniqueIDPrefixForProfileImage = QStringLiteral("live_acme_41_thumbnailImage");
    prefixed.processMultiMediaWithInfo(selection);
    QCOMPARE(prefixed.currentMediaInfo().fileID, QStringLiteral("live_acme_41_thumbnailImage"));
    QCOMPARE(prefixed.currentMediaInfo().fileName, QStringLiteral("live_acme_41_thumbnailImage.jpg"));

    PLMultiMediaHandler first, second;
    const QString id = first.multiMediaInfoForSelection(selection).fileID;
    QVERIFY(QUuid::fromString(id) != QUuid());
    QCOMPARE(id, id.toUpper());
    QVERIFY(second.multiMediaInfoForSelection(selection).fileID != id);
}

void TestMediaHandler::mediaInfoJSONRoundTrip() {
    PLMultiMediaInfo info;
    info.fileID = QStringLiteral("F1");
    info.fileMime = QStringLiteral("image/jpeg");
    info.bigImgSize = QSizeF(500, 375);
    const QJsonObject written = QJsonDocument::fromJson(info.representMediaInfoAsString().toUtf8()).object();
    QCOMPARE(written.value("fileUrl").toString(QStringLiteral("absent")), QString());
    QCOMPARE(written.value("src").toString(QStringLiteral("absent")), QString());
    QCOMPARE(written.value("caption").toString(QStringLiteral("absent")), QString());
    QCOMPARE(written.value("width").toDouble(), 500.0);
    QCOMPARE(PLMultiMediaInfo::multiMediaInfoFromJSONstring(info.representMediaInfoAsString()), info);

    const auto older = PLMultiMediaInfo::multiMediaInfoFromJSONstring(
        QStringLiteral("{\"fileId\":\"F2\",\"thumbnailBase64\":\"data:,AAAA\"}"));
    QVERIFY(older);
    QCOMPARE(older->preview, QStringLiteral("data:,AAAA"));
    QCOMPARE(older->bigImgSize, QSizeF(0, 0));
    QVERIFY(PLMultiMediaInfo::multiMediaInfoFromJSONstring(QStringLiteral("{\"fileId\":\"F3\"}"))
                ->preview.isNull());
    QVERIFY(!PLMultiMediaInfo::multiMediaInfoFromJSONstring(QStringLiteral("[1, 2]")));
    QVERIFY(!PLMultiMediaInfo::multiMediaInfoFromJSONstring(QStringLiteral("not json")));
}

void TestMediaHandler::uploadLimitAlwaysAnswers_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<qint64>("fileSize"); // -1: no file
    QTest::addColumn<bool>("existing");
    QTest::addColumn<bool>("withinLimit");
    QTest::newRow("video over the limit")
        << int(PLMediaSelection::Movie) << qint64(20000000) << false << false;
    QTest::newRow("video at the limit") << int(PLMediaSelection::Movie) << qint64(15728640) << false << true;
    QTest::newRow("new picture") << int(PLMediaSelection::Image) << qint64(-1) << false << true;
    QTest::newRow("existing item within") << int(PLMediaSelection::Image) << qint64(1000) << true << true;
    QTest::newRow("existing item over") << int(PLMediaSelection::Image) << qint64(15728641) << true << false;
    QTest::newRow("existing item unreadable") << int(PLMediaSelection::Image) << qint64(-1) << true << false;
}

void TestMediaHandler::uploadLimitAlwaysAnswers() {
    QFETCH(int, kind);
    QFETCH(qint64, fileSize);
    QFETCH(bool, existing);
    QFETCH(bool, withinLimit);
    PLAppConfigurations::currentConfiguration()->setProperty("uploadSizeLimit", quint64(15728640));
    const QString path = m_sandbox.path(QStringLiteral("picked.bin"));
    QFile::remove(path);
    if (fileSize >= 0) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(fileSize));
    }
    PLMediaSelection selection;
    selection.mediaType = PLMediaSelection::Kind(kind);
    selection.mediaPath = path;
    selection.referenceURL = path;
    selection.isExistingMedia = existing;
    QList<bool> answers;
    PLMultiMediaHandler::checkUploadLimitForSelectedMediaWithInfo(selection, [&](bool ok) { answers << ok; });
    QCOMPARE(answers, QList<bool>{withinLimit});
}

void TestMediaHandler::videosAreKeptAsGiven() {
    // As the library starts: the handler's previews come from the media stack.
    PelnixSetUp::ensureLibraryIsSetUp();
    PLMediaSelection selection;
    selection.mediaType = PLMediaSelection::Movie;
    selection.mediaPath = QStringLiteral(PELNIX_MEDIA_FIXTURES "/clip.webm");
    PLMultiMediaHandler handler;
    QFile clip(selection.mediaPath);
    QVERIFY(clip.open(QIODevice::ReadOnly));
    const QByteArray bytes = clip.readAll();
    // The thumbnail is waited for on any thread but the main one.
    QCOMPARE(processElsewhere(handler, selection), bytes);
    const PLMultiMediaInfo& info = handler.currentMediaInfo();
    QCOMPARE(info.fileMime, QStringLiteral("video/mp4"));
    QVERIFY(info.fileName.endsWith(QStringLiteral(".mov")));
    QCOMPARE(info.bigImgSize, QSizeF(64, 48));
    QVERIFY(info.preview.startsWith(QStringLiteral("data:image/jpeg;base64,")));
    // On the main thread it is not: the same bytes, no thumbnail, at once.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("main thread"));
    QCOMPARE(handler.processMultiMediaWithInfo(selection), bytes);
    QVERIFY(handler.currentMediaInfo().preview.isEmpty());
    QCOMPARE(handler.currentMediaInfo().bigImgSize, QSizeF(0, 0));

    // Bytes that are no video are kept as given, with no picture to show.
    const QString path = m_sandbox.path(QStringLiteral("clip.mov"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(3000, 'v'));
    file.close();
    selection.mediaPath = path;
    QCOMPARE(processElsewhere(handler, selection), QByteArray(3000, 'v'));
    QVERIFY(handler.currentMediaInfo().preview.isEmpty());
    QCOMPARE(handler.currentMediaInfo().bigImgSize, QSizeF(0, 0));

    selection.mediaPath = m_sandbox.path(QStringLiteral("gone.mov"));
    QVERIFY(processElsewhere(handler, selection).isEmpty());
    QVERIFY(handler.currentMediaInfo().fileSize.startsWith(QLatin1Char('0')));
}

void TestMediaHandler::picturesAndVideosAreSavedIntoAlbums() {
    struct Saved {
        int calls = 0;
        QUrl url;
        PLOptionalError error;
    };
    // The saves run side by side: each answer is recorded under its own name.
    QHash<QString, Saved> saved;
    const auto recordAs = [&saved](const QString& name) {
        return [&saved, name](const QUrl& url, const PLOptionalError& error) {
            Saved& answer = saved[name];
            ++answer.calls;
            answer.url = url;
            answer.error = error;
        };
    };
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    const QString clip = QStringLiteral(PELNIX_MEDIA_FIXTURES "/clip.webm");

    PLMultiMediaHandler::writeImage(picture, QStringLiteral("Pelnix_Images"), recordAs("picture"));
    PLMultiMediaHandler::writeVideoWithURL(QUrl::fromLocalFile(clip), QStringLiteral("Pelnix_Videos"),
                                           recordAs("video"));
    // Failures come back as errors: nothing to write (no URL), an album name that is no folder name
    // (the item saved, not filed).
    PLMultiMediaHandler::writeVideoWithURL(QUrl::fromLocalFile(m_sandbox.path(QStringLiteral("gone.webm"))),
                                           QStringLiteral("Pelnix_Videos"), recordAs("missing video"));
    PLMultiMediaHandler::writeImage(QImage(), QStringLiteral("Pelnix_Images"), recordAs("no picture"));
    PLMultiMediaHandler::writeImage(picture, QStringLiteral("../Elsewhere"), recordAs("bad album"));
    QTRY_COMPARE(saved.size(), 5);
    for (const Saved& answer : std::as_const(saved))
        QCOMPARE(answer.calls, 1);

    // Saved below the sandbox root and filed into the albums, which were created on demand.
    QVERIFY(!saved["picture"].error && !saved["video"].error);
    const QString pictures = m_sandbox.path(QStringLiteral("Pictures/"));
    const QString movies = m_sandbox.path(QStringLiteral("Movies/"));
    QVERIFY(saved["picture"].url.toLocalFile().startsWith(pictures));
    QVERIFY(saved["video"].url.toLocalFile().startsWith(movies));
    const QString filedPicture =
        pictures + QStringLiteral("Pelnix_Images/") + saved["picture"].url.fileName();
    QCOMPARE(QImage(filedPicture).size(), QSize(40, 30));
    QFile filedVideo(movies + QStringLiteral("Pelnix_Videos/") + saved["video"].url.fileName());
    QVERIFY(filedVideo.open(QIODevice::ReadOnly));
    QFile original(clip);
    QVERIFY(original.open(QIODevice::ReadOnly));
    QCOMPARE(filedVideo.readAll(), original.readAll());

    QVERIFY(saved["missing video"].error && saved["missing video"].url.isEmpty());
    QVERIFY(saved["no picture"].error && saved["no picture"].url.isEmpty());
    QVERIFY(saved["bad album"].error);
    QVERIFY(QFileInfo::exists(saved["bad album"].url.toLocalFile()));
    QVERIFY(!QFileInfo::exists(m_sandbox.path(QStringLiteral("Elsewhere"))));

    // Without a completion the save still happens.
    PLMultiMediaHandler::writeImage(picture, QStringLiteral("Pelnix_Images"), {});
    QTRY_COMPARE(QDir(pictures + QStringLiteral("Pelnix_Images")).entryList(QDir::Files).size(), 2);
}

void TestMediaHandler::videoThumbnailsComeFromTheMediaStack() {
    // 20 frames of 64 x 48 at 10 per second.
    const QString clip = QStringLiteral(PELNIX_MEDIA_FIXTURES "/clip.webm");
    PLMediaSelection selection;
    selection.mediaType = PLMediaSelection::Movie;
    selection.mediaPath = clip;
    PLMultiMediaHandler handler;
    QList<QByteArray> done;
    handler.processMultiMediaWithInfo(selection, [&](const QByteArray& data) { done << data; });
    QTRY_COMPARE_WITH_TIMEOUT(done.size(), 1, 10000);
    QFile file(clip);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(done.first(), file.readAll());
    QCOMPARE(handler.currentMediaInfo().bigImgSize, QSizeF(64, 48));
    QVERIFY(handler.currentMediaInfo().preview.startsWith(QStringLiteral("data:image/jpeg;base64,")));

    struct Answer {
        int calls = 0;
        QImage thumbnail;
        qint64 duration = -1;
    } readable, unreadable;
    PLVideoThumbnailer::thumbnailAndDuration(clip, [&](const QImage& image, qint64 duration) {
        ++readable.calls;
        readable.thumbnail = image;
        readable.duration = duration;
    });
    const QString garbage = m_sandbox.path(QStringLiteral("garbage.webm"));
    QFile bad(garbage);
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray(512, 'x'));
    bad.close();
    PLVideoThumbnailer::thumbnailAndDuration(garbage, [&](const QImage& image, qint64 duration) {
        ++unreadable.calls;
        unreadable.thumbnail = image;
        unreadable.duration = duration;
    });
    QTRY_COMPARE_WITH_TIMEOUT(readable.calls, 1, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(unreadable.calls, 1, 10000);
    QCOMPARE(readable.thumbnail.size(), QSize(64, 48));
    QVERIFY(readable.duration >= 1900 && readable.duration <= 2100);
    QVERIFY(unreadable.thumbnail.isNull());
    QCOMPARE(unreadable.duration, qint64(0));
}

QTEST_MAIN(TestMediaHandler)
#include "tst_mediahandler.moc"
