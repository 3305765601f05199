#pragma once

#include "platform/HttpResponseReader.h"

#include <QAbstractSocket>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <atomic>
#include <memory>

class QSaveFile;
class QTimer;

namespace pelnix {

// One HTTP GET streamed into a file, on the thread the object lives on (a thread of its own, so that
// neither the network nor the disk ever holds the main thread). Whatever the peer sends, it is bounded
// in memory (one read buffer), on disk (a size cap, refused from the declared length before any body
// is read and enforced while reading), and in time (silence, and a minimum rate over each window).
// Redirects are followed to any origin, since storage services hand out their objects that way, but
// each hop must name a host over http(s), never step down from https to http, and only use plain http
// where the limits allow it; a relative place to go is taken from the address that answered. The final
// answer is held to every other bound. The body goes to a temporary file beside the target that
// replaces the target only once the whole answer is in and on disk; a failure or an abort removes it.
// Interim (1xx) answers and redirects are passed over, up to the redirect limit: only the final
// answer's head decides. Neither costs more than a small bound: interim heads count against one of
// their own, and a redirect is followed at its head, its body never read.
//
// The answer is read off the connection here rather than through QNetworkAccessManager, which takes
// any interim answer but a 100 as the final one and passes over 100s without a bound or a sign.
class PLMediaTransfer : public QObject {
    Q_OBJECT
public:
    struct Limits {
        // The most bytes one download may bring; a larger declared length is refused at once.
        qint64 maxBytes = qint64(512) * 1024 * 1024;
        // Silence longer than this fails the transfer.
        int silenceMs = 60000;
        // Each window must bring at least minBytesPerSecond on average (or the rest of the body), so
        // that a peer dripping bytes cannot keep a download open for ever.
        int rateWindowMs = 60000;
        qint64 minBytesPerSecond = 16 * 1024;
        int maxRedirects = 5;
        bool allowPlainHttp = true;
        // All interim heads of one answer together; a server sends one or two of a few hundred bytes.
        qint64 maxInterimBytes = 256 * 1024;
    };
    // Whether a transfer may ask `url`, as a first address or as the hop after `from`.
    static bool isAllowedAddress(const QUrl& url, const Limits& limits, const QUrl& from = {});

    PLMediaTransfer(const QUrl& url, const QString& path, const Limits& limits,
                    std::shared_ptr<std::atomic_bool> cancelled);
    // Drops the connection and the temporary file when the transfer has not ended.
    ~PLMediaTransfer() override;

    // Starts the request; call on the object's thread.
    void start();

signals:
    // Only while the final answer has declared its length, at most a few hundred times per body.
    void progressed(qint64 received, qint64 expected);
    // Once: true when the whole body is in place at the path.
    void ended(bool finished);

private:
    void ask(const QUrl& url);
    void sendRequest();
    void readAnswer();
    void connectionClosed();
    void connectionFailed(QAbstractSocket::SocketError error);
    void followRedirect();
    void finalHead();
    void finish();
    void dropConnection();
    void checkRate();
    void fail(const char* why);
    bool write(const QByteArray& chunk);
    void reportProgress();
    bool isCancelled() const { return m_cancelled && m_cancelled->load(); }

    QUrl m_url;
    QString m_path;
    Limits m_limits;
    std::shared_ptr<std::atomic_bool> m_cancelled;
    QPointer<QAbstractSocket> m_socket;
    platform::HttpResponseReader m_reader;
    std::unique_ptr<QSaveFile> m_file;
    QTimer* m_rateTimer = nullptr;
    QTimer* m_silenceTimer = nullptr;
    QUrl m_lastHop;
    int m_redirects = 0;
    qint64 m_expected = -1;
    qint64 m_received = 0;
    qint64 m_receivedAtWindowStart = 0;
    qint64 m_lastReported = 0;
    bool m_ended = false;
};

} // namespace pelnix
