#pragma once

#include "platform/HttpGet.h"

#include <QElapsedTimer>
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
// neither the network nor the disk ever holds the main thread), through libcurl (platform::HttpGet).
// Whatever the peer sends, it is bounded in memory (curl's buffers), on disk (a size cap on the decoded
// file, refused from an uncoded body's declared length at once and enforced while writing), on the
// wire (framing beyond the body, see HttpGet), and in time (silence, a minimum rate over each window,
// and a total bound). Redirects are followed hop by hop here, to any origin, since storage services hand
// out their objects that way, but each hop must name a host over http(s), never step down from https to
// http, and only use plain http where the limits allow it; a relative place to go is taken from the
// address that answered. Each hop is a request of its own, on a connection of its own, and a redirect
// is followed at its head, its body never read. Interim (1xx) answers are passed over within a bound.
// The body goes to a temporary file beside the target that replaces the target only once the whole
// answer is in and on disk; a failure or an abort removes it. Requests go through the proxy the host
// set for the application (or the system's, when the host uses it) and trust the certificates the
// host's default TLS configuration trusts.
class PLMediaTransfer : public QObject {
    Q_OBJECT
public:
    struct Limits {
        // The most bytes the downloaded file may hold, decoded; a larger length declared for a body that
        // travels uncoded is refused at once.
        qint64 maxBytes = qint64(512) * 1024 * 1024;
        // Silence longer than this fails the transfer; 0 or less: no silence bound.
        int silenceMs = 60000;
        // Each window must bring at least minBytesPerSecond on average (or the rest of the body), so
        // that a peer dripping bytes cannot keep a download open for ever; a window of 0 or less: no
        // rate check (the total bound still holds).
        int rateWindowMs = 60000;
        qint64 minBytesPerSecond = 16 * 1024;
        int maxRedirects = 5;
        bool allowPlainHttp = true;
        // All interim heads of one answer together; a server sends one or two of a few hundred bytes.
        qint64 maxInterimBytes = 256 * 1024;
        // The whole download, every hop; 0: as long as the cap takes at the minimum rate, and two windows.
        qint64 maxTotalMs = 0;
        // maxTotalMs, or the bound it stands for, saturated at the longest a qint64 holds.
        qint64 totalMs() const;
    };
    // Whether a transfer may ask `url`, as a first address or as the hop after `from`.
    static bool isAllowedAddress(const QUrl& url, const Limits& limits, const QUrl& from = {});

    PLMediaTransfer(const QUrl& url, const QString& path, const Limits& limits,
                    std::shared_ptr<std::atomic_bool> cancelled);
    // Drops the request and the temporary file when the transfer has not ended.
    ~PLMediaTransfer() override;

    // Starts the request; call on the object's thread.
    void start();

signals:
    // Only while the final answer has declared its length, at most a few hundred times per body; in
    // bytes as they travel (before decoding).
    void progressed(qint64 received, qint64 expected);
    // Once: true when the whole body is in place at the path; else `error` says why, in words.
    void ended(bool finished, const QString& error);

private:
    void ask(const QUrl& url);
    bool takeHead(const platform::HttpGet::Head& head);
    bool takeBody(const char* data, qsizetype size);
    void writeBack();
    void requestEnded(bool complete, const QString& error);
    bool followRedirect(const platform::HttpGet::Head& head);
    void finish();
    void dropRequest();
    void checkRate();
    void silenceFromNow();
    void stopTimers();
    void fail(const QString& why);
    void reportProgress();
    bool isCancelled() const { return m_cancelled && m_cancelled->load(); }

    QUrl m_url;
    QString m_path;
    Limits m_limits;
    std::shared_ptr<std::atomic_bool> m_cancelled;
    QPointer<platform::HttpGet> m_request;
    // What every hop's request shares: the certificates trusted, the bounds.
    platform::HttpGet::Request m_common;
    std::unique_ptr<QSaveFile> m_file;
    QTimer* m_rateTimer = nullptr;
    QTimer* m_silenceTimer = nullptr;
    QElapsedTimer m_clock;
    QUrl m_lastHop;
    // Where the redirect being read leads, once its request has ended.
    QUrl m_nextHop;
    int m_redirects = 0;
    qint64 m_expected = -1;
    // Body bytes as they travel, and decoded in the file.
    qint64 m_received = 0;
    qint64 m_written = 0;
    // What of the file was handed to the disk already.
    qint64 m_writtenBack = 0;
    qint64 m_receivedAtWindowStart = 0;
    qint64 m_lastReported = 0;
    bool m_ended = false;
};

} // namespace pelnix
