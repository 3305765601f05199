#pragma once

#include <QElapsedTimer>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>

class QNetworkAccessManager;

namespace pelnix {

class S3ServiceRequest;
class S3ServiceResponse;

// One attempt on the wire: sends the request's URL request over HTTP/1.1 on this thread's network
// manager, feeds the response, and runs the overall time-out. Deletes itself once it has ended.
class S3Connection : public QObject {
    Q_OBJECT
public:
    S3Connection(std::shared_ptr<S3ServiceRequest> request, std::shared_ptr<S3ServiceResponse> response,
                 double timeoutSeconds, const QString& connectionHost = {});
    ~S3Connection() override;

    // Signs the request again for the address a redirect named (its user information taken off):
    // whether it may go there (the request's URL request is then ready to go). Without one, a
    // redirect is followed on the request's own server only, with the request as it was.
    using RedirectSigner = std::function<bool(const QUrl& target)>;
    void setRedirectSigner(RedirectSigner signer) { m_redirectSigner = std::move(signer); }

    void start();
    // Ends the transfer quietly: the response hears nothing further.
    void cancel();
    void stopTimer();
    // Drops the transfer without ending the connection (used by the time-out).
    void abortTransfer();
    bool hasEnded() const { return m_ended; }

    // The port a URL reaches, its scheme's default when it names none.
    static int portOf(const QUrl& url);
    // Same scheme, host and port.
    static bool isSameServer(const QUrl& a, const QUrl& b);

    // The network manager of the calling thread, made on first use and kept for the thread's life.
    static QNetworkAccessManager* networkAccessManager();
    // The calling thread's connections go through `manager` from now on, while it lives (tests).
    static void setNetworkAccessManager(QNetworkAccessManager* manager);

signals:
    // After the response's last callback of this attempt.
    void ended();

private:
    void send(const QUrl& url);
    void onMetaDataChanged();
    void onReadyRead();
    // Hands the reply's body to the response, as much as it keeps; once it keeps no more, ends the
    // attempt with what it has (true).
    bool deliverBody();
    void onUploadProgress(qint64 sent, qint64 total);
    void onFinished();
    void onTimeout();
    void end();
    bool isFollowableRedirect() const;
    // Sends the request on to where a redirect points, or ends the attempt when it may not go there.
    void followRedirect(const QUrl& location);

    std::shared_ptr<S3ServiceRequest> m_request;
    std::shared_ptr<S3ServiceResponse> m_response;
    QString m_connectionHost;
    RedirectSigner m_redirectSigner;
    QTimer m_timer;
    QPointer<QNetworkReply> m_reply;
    qint64 m_lastSent = 0;
    // Body bytes of the current attempt read from its reply.
    qint64 m_received = 0;
    int m_redirects = 0;
    bool m_responseDelivered = false;
    bool m_ended = false;
};

} // namespace pelnix
