#pragma once

// A stand-in service with its S3 endpoint, the store, and helpers to make pending posts with their
// media files, as the outbox would.

#include "CoreFixture.h"
#include "core/model/PelnixDataModel.h"
#include "core/model/PendingMessageInfo.h"
#include "core/model/RichMediaInfo.h"
#include "foundation/DocumentSaver.h"
#include "foundation/persistence/PLPersistence.h"
#include "media/PLMultiMediaHandler.h"
#include "media/PLPendingRichMediaUploadsManager.h"
#include "media/PLS3MediaUploader.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTest>
#include <memory>

namespace pelnix::test {

class MediaTestWorld {
public:
    MediaTestWorld() {
        PelnixDataModel::registerDeclaration();
        PLManagedObject::initializeDatabase();
        manager()->reset();
        manager()->setHooks({});
        manager()->setUploadTimeout(40);
        PLS3MediaUploader::instance()->reset();
        PLS3MediaUploader::instance()->setUploadTimeout(40);
    }
    ~MediaTestWorld() {
        manager()->reset();
        manager()->setHooks({});
        PLS3MediaUploader::instance()->reset();
        fixture.server().releaseHeld();
        PLPersistence::cleanUp();
    }

    static PLPendingRichMediaUploadsManager* manager() {
        return PLPendingRichMediaUploadsManager::sharedInstance();
    }

    // A post of `type` with one picture prepared by the media handler, its bytes in the pending
    // uploads folder, the entry new.
    RichMediaInfo::Ptr picturePost(qint64 mediaId, const QImage& image, qint16 type = 3) {
        PLMultiMediaHandler handler;
        PLMediaSelection selection;
        selection.originalImage = image;
        selection.referenceURL = QStringLiteral("library://asset/%1").arg(mediaId);
        const QByteArray data = handler.processMultiMediaWithInfo(selection);
        const PLMultiMediaInfo info = handler.currentMediaInfo();
        DocumentSaver::writeDataToDirectorySelectedFile(
            data, QLatin1String(DocumentSaver::kPendingRichMediaUploadsFolder), info.fileName);
        auto post = PendingMessageInfo::PS_createEntity();
        post->setType(type);
        post->setState(1);
        post->setSeqId(QStringLiteral("seq-%1").arg(mediaId));
        post->setText(QStringLiteral("PLS3URLPlaceHolder_") + info.fileID);
        auto entry = RichMediaInfo::PS_createEntity();
        entry->setMediaId(mediaId);
        entry->setFileName(info.fileName);
        entry->setAssetURL(info.assetURL);
        entry->setUploadedMediaInfo(info.representMediaInfoAsString());
        entry->setState(0);
        post->addRichMediaInfoObject(entry);
        entry->setPendingmessage(post);
        post->save();
        entry->save();
        uploadedBytes[mediaId] = data;
        return entry;
    }

    static QString pendingFile(const RichMediaInfo::Ptr& entry) {
        return DocumentSaver::filePathTillFolderName(
            QLatin1String(DocumentSaver::kPendingRichMediaUploadsFolder), entry->fileName());
    }

    int requestCount(const std::string& server, const std::string& method, const std::string& pathPart) {
        int count = 0;
        for (const auto& r : fixture.server().requestLog())
            count += r.server == server && r.method == method && r.path.find(pathPart) != std::string::npos;
        return count;
    }

    static QByteArray download(const QString& url) {
        QNetworkAccessManager network;
        std::unique_ptr<QNetworkReply> reply(network.get(QNetworkRequest(QUrl(url))));
        QEventLoop loop;
        QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
        return reply->readAll();
    }

    void armFault(const std::string& path, const std::string& method, standin::FaultInjector::Mode mode,
                  int count = -1, int status = 500) {
        standin::StandinServer::Fault fault;
        fault.pathPattern = path;
        fault.method = method;
        fault.mode = mode;
        fault.count = count;
        fault.statusCode = status;
        QVERIFY(fixture.server().addFault(fault));
    }

    CoreFixture fixture;
    QHash<qint64, QByteArray> uploadedBytes;
};

inline QImage testPicture(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(30, 120, 200));
    return image;
}

} // namespace pelnix::test
