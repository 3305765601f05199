#pragma once

#include "media/s3/S3Client.h"
#include "media/s3/S3ServiceRequestDelegate.h"

#include <QObject>
#include <memory>

namespace pelnix {

class S3PutObjectRequest;

// One asynchronous put of bytes into the picture bucket, reported as signals on the thread that
// started it. S3 refusals and time-outs arrive as failures like lost connections do.
class PLS3ObjectPut : public QObject, public S3ServiceRequestDelegate {
    Q_OBJECT
public:
    PLS3ObjectPut(std::unique_ptr<S3Client> client, QObject* parent = nullptr);
    ~PLS3ObjectPut() override;

    void start(const QString& key, const QString& contentType, const QByteArray& data);
    // A failure of a put as a log line shows it: for a refusal the HTTP status, the service's error
    // code and request id (each only when it has their shape), else the error's domain and code.
    // Never the service's message or a transport's description: those may quote anything, the
    // address with its signature included.
    static QString loggable(const PLError& error);
    // Stops the transfer; no signal follows.
    void cancel();

    void requestDidSendData(S3ServiceRequest* request, qint64 bytesWritten, qint64 totalBytesWritten,
                            qint64 totalBytesExpectedToWrite) override;
    void requestDidCompleteWithResponse(S3ServiceRequest* request, S3ServiceResponse* response) override;
    void requestDidFailWithError(S3ServiceRequest* request, const PLError& error) override;

signals:
    void progressed(qint64 totalBytesWritten, qint64 totalBytesExpectedToWrite);
    void completed();
    void failed(const pelnix::PLError& error);

private:
    std::unique_ptr<S3Client> m_client;
    std::shared_ptr<S3PutObjectRequest> m_request;
};

} // namespace pelnix
