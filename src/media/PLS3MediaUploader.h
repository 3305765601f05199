#pragma once

#include "media/PLMultiMediaInfo.h"
#include "media/PLS3UploadCredentials.h"

#include "core/api/PLAPIService.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <optional>

namespace pelnix {

class PLS3ObjectPut;

// Notifications of the shared uploader, posted on the main thread.
inline constexpr char PLS3MediaUploaderDidUploadNotification[] = "PLS3MediaUploaderDidUpload";
inline constexpr char PLS3MediaUploaderDidFinishUploadingNotification[] =
    "PLS3MediaUploaderDidFinishUploading";
inline constexpr char PLS3MediaUploaderDidFailWithErrorNotification[] = "PLS3MediaUploaderDidFailWithError";
// Posted by anyone to stop the running upload.
inline constexpr char PLS3MediaUploaderCancelUploadNotification[] = "PLS3MediaUploaderCancelUpload";

// The shared uploader of single files (profile pictures): credentials, put, short URL. Progress
// (a fraction as object, up to 0.99 while sending, 1.0 at the end), the finished media info or the
// failure are posted as notifications. Main thread only.
class PLS3MediaUploader : public QObject {
    Q_OBJECT
public:
    static PLS3MediaUploader* instance();

    // Always answers on the main thread: true once usable credentials are in, false on any failure,
    // also when the request cannot be sent.
    void fetchS3Credentials(std::function<void(bool ok)> completion);
    void uploadData(const QByteArray& data, const PLMultiMediaInfo& info);
    void cancelUpload();

    double uploadTimeout() const { return m_uploadTimeout; }
    void setUploadTimeout(double seconds) { m_uploadTimeout = seconds; }
    // Forgets credentials and any running upload (sign-out, tests).
    void reset();

private:
    void fail(const std::optional<PLError>& error);
    void fetchShortURL();
    void finishListening();

    std::optional<PLS3UploadCredentials> m_credentials;
    PLMultiMediaInfo m_info;
    QPointer<PLS3ObjectPut> m_put;
    QPointer<PLAPIService> m_service;
    quint64 m_cancelToken = 0;
    double m_uploadTimeout = 40;
};

} // namespace pelnix
