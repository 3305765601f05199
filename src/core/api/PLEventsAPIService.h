#pragma once

#include "core/api/PLPrivateAPIService.h"

namespace pelnix {

// The event stream: one long GET whose body chunks are handed on as they arrive.
//
// The service is reused: every startService() replaces the previous connection. stopService() never
// calls the completion; a server that ends the body calls completion(empty, none); a failure calls
// completion(empty, error).
class PLEventsAPIService : public PLPrivateAPIService {
    Q_OBJECT
public:
    using ChunkHandler = std::function<void(const QByteArray& chunk, const PLOptionalError& error)>;

    using PLPrivateAPIService::PLPrivateAPIService;
    ~PLEventsAPIService() override;

    QString targetURLString() const override;
    PLParameters parameters() const override;
    double timeoutInterval() const override { return 60.0; }

    qint64 afterTimeLine() const { return m_afterTimeLine; }
    void setAfterTimeLine(qint64 ms) { m_afterTimeLine = ms; }
    QString currentTime() const { return m_currentTime; }
    void setCurrentTime(const QString& text) { m_currentTime = text; }
    void setProgressHandler(ChunkHandler handler) { m_chunkHandler = std::move(handler); }
    void setCompletionHandler(PLServiceCompletionHandler handler) {
        m_completionHandler = std::move(handler);
    }

    // Always true: the connection is opened at once on the calling thread.
    bool startService();
    void stopService() { cancelPreviousConnectionRequest(); }
    void cancelPreviousConnectionRequest();
    // The one-shot start makes no sense for a stream.
    bool startServiceWithCompleHandler(const PLServiceCompletionHandler&) { return false; }
    bool isConnected() const { return m_connection != nullptr; }
    // Connections go through `network` from the next start on (same thread; tests); by default a
    // manager of the service's own.
    void setNetworkAccessManager(QNetworkAccessManager* network) { m_manager = network; }

private:
    qint64 m_afterTimeLine = 0;
    QString m_currentTime;
    ChunkHandler m_chunkHandler;
    PLServiceCompletionHandler m_completionHandler;
    QPointer<QNetworkReply> m_connection;
    QPointer<QNetworkAccessManager> m_manager;
    // Body bytes of the current connection handed on so far.
    qint64 m_received = 0;
};

} // namespace pelnix
