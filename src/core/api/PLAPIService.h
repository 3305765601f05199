#pragma once

#include "platform/PLError.h"

#include <QByteArray>
#include <QList>
#include <QNetworkRequest>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <functional>

#include <QNetworkReply>

class QNetworkAccessManager;

namespace pelnix {

// The body and the transport error of one server call.
using PLServiceCompletionHandler = std::function<void(const QByteArray& data, const PLOptionalError& error)>;
// Download progress, 0.0 to 1.0.
using PLProgressHandler = std::function<void(double fraction)>;
// Form parameters in the order they are sent.
using PLParameters = QList<QPair<QString, QString>>;

// What the Authorization header is built from: the signed-in account's user ID and token.
struct PLAccountCredentials {
    qint32 userID = 0;
    QString tavrixToken;
    QString email;       // the account user's e-mail (e-mail verification, invitations)
    QString profileName; // the account user's name (invitations)
};

// One server call: a subclass names the target URL, the parameters and the method, and the object
// is started once.
//
// Completions run on the thread that started the request (the main thread for every caller but the
// event queue's synchronous fetches), never before the start call has returned, and at most once.
// A start that returns false (offline) never calls back. A request whose address cannot be formed
// (no URL) is started and fails with a transport error, as one the network refused.
//
// Every reply whose status line and body arrived is an HTTP answer: its body reaches the caller
// untouched, whatever the status. Only a failure of the transport (no connection, a connection
// dropped before the body was complete, a time-out, a malformed reply) comes as an error of domain
// "PLNetworkErrorDomain". One rule is added for answers: a status of 400 or more whose body is not
// one of the service's refusals (see isServiceRefusal) comes with an error of domain
// "PLHTTPErrorDomain" and the status as code, so that an error page or a bare 5xx is never read as
// success. The service's refusals are left to the callers, who read their texts.
class PLAPIService : public QObject {
    Q_OBJECT
public:
    enum ServiceType { Post = 0, Get = 1, Delete = 2 };

    explicit PLAPIService(QObject* parent = nullptr);
    ~PLAPIService() override;

    virtual QString targetURLString() const { return {}; }
    virtual PLParameters parameters() const { return {}; }
    virtual int serviceType() const { return Get; }
    virtual bool isPublicAPI() const { return false; }
    // Seconds without data before the request fails.
    virtual double timeoutInterval() const { return 40.0; }
    // Headers a request class adds to the envelope, after the common ones.
    virtual QList<QPair<QByteArray, QByteArray>> additionalHeaders() const { return {}; }

    // The request envelope: URL (with the GET query), method, headers; the POST body goes to `body`.
    // Answers an invalid request (empty URL) when none can be built.
    QNetworkRequest urlRequest(QByteArray* body = nullptr) const;
    QString parametersString() const;
    static QString authValue();

    bool startServiceWithCompletionHandler(PLServiceCompletionHandler completion,
                                           PLProgressHandler progress = {});
    // Sends on a helper thread and blocks the calling thread until the reply (or the time-out) is
    // in; the completion runs on the calling thread before this returns true.
    bool startSynchrousServiceWithCompletionHandler(const PLServiceCompletionHandler& completion);
    // Cancels the running request; its completion is then never called.
    void cancel();
    bool isRunning() const { return m_reply != nullptr; }

    // The account code installs the source of the Authorization values.
    static void setAccountCredentialsSource(std::function<PLAccountCredentials()> source);
    static PLAccountCredentials accountCredentials();
    // The Accept media type of the private API.
    static QString acceptMediaType();
    static QString formContentType();
    // The service refuses in one of two envelopes, both JSON objects and both to be read by the
    // callers whatever the status:
    // - the private API: "error" at the top level, its text at "reason";
    // - the account API: "error" inside the "response" object, its text at "response.error.msg"
    //   (the device-token call alone puts texts at "response.error" and "response.reason").
    static bool isServiceRefusal(const QByteArray& body);
    // The refusal's text ("reason", or "response.error.msg"); empty when the body is no refusal or
    // the text is missing.
    static QString serviceRefusalMessage(const QByteArray& body);
    // The error rule described above, shared by both starts.
    static PLOptionalError errorForReply(QNetworkReply* reply, const QByteArray& body);
    static bool isTransportFailure(QNetworkReply::NetworkError error, int httpStatus);
    // The failure of an answer whose connection closed before its announced body had arrived, which
    // Qt may report as whole: a dropped connection.
    static PLError cutShortError();

protected:
    static bool isNetworkReachable();

private:
    // The failure of a request whose address is no URL, logged.
    PLError unformedAddressError() const;

    QPointer<QNetworkReply> m_reply;
    PLProgressHandler m_progress;
    // Counts cancellations, so that a failure queued before one is never delivered.
    quint64 m_cancellations = 0;
};

} // namespace pelnix

// A plain input property of a request class: `name()` and `setter(value)`.
#define PL_REQUEST_PROPERTY(Type, name, setter)                                                              \
public:                                                                                                      \
    Type name() const {                                                                                      \
        return m_##name;                                                                                     \
    }                                                                                                        \
    void setter(const Type& value) {                                                                         \
        m_##name = value;                                                                                    \
    }                                                                                                        \
                                                                                                             \
private:                                                                                                     \
    Type m_##name{};
