#pragma once

#include "core/model/RichMediaInfo.h"
#include "media/PLMultiMediaInfo.h"
#include "media/PLS3UploadCredentials.h"

#include "core/api/PLAPIService.h"

#include <QObject>
#include <QPointer>
#include <memory>

namespace pelnix {

class PLPendingRichMediaUploadsManager;
class PLS3ObjectPut;

// One file of a pending post on its way to a short URL: credentials, put, short URL. Every state
// change is stored at once; failures go through the retry step, which gives up after a few tries.
class PLPendingRichMediaUploadHelper : public QObject {
    Q_OBJECT
public:
    // Upload states of the entry.
    enum State : qint16 {
        New = 0,
        CredentialsFailed = 1,
        Uploading = 2,
        UploadProgress = 3,
        PutFailed = 4,
        Stored = 5,
        ShortURLRequested = 6,
        ShortURLFailed = 7,
        ShortURLReceived = 8,
        Completed = 9,
        Failed = 10,
    };
    static constexpr int kMaxTries = 3;

    PLPendingRichMediaUploadHelper(PLPendingRichMediaUploadsManager* manager, RichMediaInfo::Ptr entry);
    ~PLPendingRichMediaUploadHelper() override;

    RichMediaInfo::Ptr richMediaInfo() const { return m_entry; }
    // Starts by the entry's stored state.
    void startByState();
    void startUploadingToS3ForRichMediaInfo();
    void startFetchingTinyURLForUploadedRichMedia();
    void cancelUploading();

    // Progress in percent from a put's byte counts: 98 once everything is sent.
    static qint16 progressPercent(qint64 written, qint64 expected);

private:
    void changeToState(qint16 state);
    void fetchCredentials();
    void putWithCredentials(const PLS3UploadCredentials& credentials);
    void getS3FileURL();
    void retryUploading();
    void giveUp();
    void completedUploadingRichMedia();
    void failedUploadingRichMedia();
    bool loadMediaInfo();

    PLPendingRichMediaUploadsManager* m_manager;
    RichMediaInfo::Ptr m_entry;
    PLMultiMediaInfo m_mediaInfo;
    QByteArray m_uploadData;
    QPointer<PLS3ObjectPut> m_put;
    QPointer<PLAPIService> m_service;
};

} // namespace pelnix
