#pragma once

#include <QByteArray>
#include <QHash>
#include <QNetworkRequest>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

namespace pelnix::platform {

// GETs whose answers a server cannot stretch past a byte bound: a declared length over the bound is
// refused before any of the body is read, and the body is taken as it arrives with a running count,
// so neither Qt nor this object ever holds more than the bound and one chunk, and no body over the
// bound is handed on, however fast it came. Redirects are followed only within the server asked
// (same scheme, host and port, or the same host moving up to https), at most kMaximumRedirects
// times; every bound holds for the final answer as for the first. Lives on one thread, whose event
// loop runs its requests; answers come there, once each, never inside get().
class BoundedFetcher : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaximumRedirects = 3;

    struct Answer {
        enum class Outcome {
            Received,  // the server's whole answer, of any status
            Failed,    // no answer: the network or the server failed
            Refused,   // over a bound, or redirected elsewhere
            Cancelled, // abort() or the fetcher's end
        };
        Outcome outcome = Outcome::Failed;
        int status = 0;
        QByteArray body;
        // Why it failed or was refused, for the logs: words of ours, never an address.
        QString reason;
        bool isOk() const { return outcome == Outcome::Received && status == 200; }
    };
    using Done = std::function<void(const Answer& answer)>;

    explicit BoundedFetcher(QObject* parent = nullptr);
    // Requests still open are answered as cancelled, so no caller waits for good.
    ~BoundedFetcher() override;

    // Asks for `request`'s URL under the caller's `id` (unique among the open ones).
    void get(quint64 id, QNetworkRequest request, qint64 maxBytes, Done done);
    // Ends the request: its answer comes at once, as cancelled. Unknown ids are ignored.
    void abort(quint64 id);
    int openCount() const { return int(m_open.size()); }
    // Requests go through `network` from now on (same thread; tests); by default a manager of the
    // fetcher's own.
    void setNetworkAccessManager(QNetworkAccessManager* network);

    // Whether a redirect from `from` to `to` stays with the server asked.
    static bool isAllowedRedirect(const QUrl& from, const QUrl& to);

private:
    struct Open {
        QNetworkReply* reply = nullptr;
        Done done;
        QByteArray body;
        qint64 maxBytes = 0;
        QString refusal;
        bool cancelled = false;
    };
    void take(quint64 id);
    void refuse(quint64 id, const QString& why);
    void stop(quint64 id);
    void finish(quint64 id);

    QPointer<QNetworkAccessManager> m_network;
    QHash<quint64, Open> m_open;
};

} // namespace pelnix::platform
