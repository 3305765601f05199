#pragma once

#include "media/s3/S3Credentials.h"

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <memory>
#include <optional>

namespace pelnix {

using S3HeaderList = QList<QPair<QString, QString>>;

// The HTTP request exactly as it will be sent: the signer and the tests see what goes on the wire.
// Header names are unique without regard to case and keep their first-set order.
class S3URLRequest {
public:
    QString httpMethod() const { return m_httpMethod; }
    void setHTTPMethod(const QString& method) { m_httpMethod = method; }
    QUrl url() const { return m_url; }
    void setURL(const QUrl& url) { m_url = url; }

    // Null when the header is absent.
    QString valueForHTTPHeaderField(const QString& name) const;
    // Replaces any value under that name (any case); a null value removes the header.
    void setValueForHTTPHeaderField(const QString& value, const QString& name);
    const S3HeaderList& allHTTPHeaderFields() const { return m_headers; }
    // Drops the spaces and tabs around every value, as an HTTP peer does when it reads a header, so
    // that the value signed is the value the peer sees.
    void trimHeaderValues();
    // A description of the first header that would not reach the peer as one header line: a name
    // that is not an HTTP token, or a value holding CR, LF or NUL. Null when every header is sound.
    QString malformedHeader() const;

    QByteArray httpBody() const { return m_body; }
    void setHTTPBody(const QByteArray& body);
    std::shared_ptr<QIODevice> httpBodyStream() const { return m_bodyStream; }
    void setHTTPBodyStream(const std::shared_ptr<QIODevice>& stream);

    // Idle time-out of the transfer, seconds.
    double timeoutInterval() const { return m_timeoutInterval; }
    void setTimeoutInterval(double seconds) { m_timeoutInterval = seconds; }

    QString endpointHost() const { return m_endpointHost; }
    void setEndpointHost(const QString& host) { m_endpointHost = host; }
    std::optional<S3Credentials> credentials() const { return m_credentials; }
    void setCredentials(const std::optional<S3Credentials>& credentials) { m_credentials = credentials; }
    // Authorization values the request went out with before it was signed again (for a retry or a
    // redirect): a peer may still echo them.
    const QStringList& earlierAuthorizations() const { return m_earlierAuthorizations; }
    void addEarlierAuthorization(const QString& value) {
        if (!value.isEmpty() && !m_earlierAuthorizations.contains(value))
            m_earlierAuthorizations << value;
    }

private:
    QString m_httpMethod = QStringLiteral("GET");
    QUrl m_url;
    S3HeaderList m_headers;
    QByteArray m_body;
    std::shared_ptr<QIODevice> m_bodyStream;
    double m_timeoutInterval = 60.0;
    QString m_endpointHost;
    std::optional<S3Credentials> m_credentials;
    QStringList m_earlierAuthorizations;
};

} // namespace pelnix
