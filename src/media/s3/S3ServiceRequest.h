#pragma once

#include "media/s3/S3ClientException.h"
#include "media/s3/S3Connection.h"
#include "media/s3/S3Credentials.h"
#include "media/s3/S3URLRequest.h"

#include <QMap>
#include <QObject>
#include <QPointer>
#include <QVariantMap>
#include <memory>

namespace pelnix {

class S3ServiceRequestDelegate;
class S3ServiceResponse;

// Everything one call to a storage service needs: target, headers, body, credentials, delegate.
class S3ServiceRequest {
public:
    S3ServiceRequest();
    virtual ~S3ServiceRequest();
    S3ServiceRequest(const S3ServiceRequest&) = delete;
    S3ServiceRequest& operator=(const S3ServiceRequest&) = delete;

    virtual QString className() const { return QStringLiteral("S3ServiceRequest"); }

    QString httpMethod() const { return m_httpMethod; }
    void setHttpMethod(const QString& method) { m_httpMethod = method; }
    const QMap<QString, QString>& parameters() const { return m_parameters; }
    // A null value removes the key.
    void setParameterValue(const QString& value, const QString& key);
    // Parameters sorted by key, "urlEncode(key)=urlEncode(value)" joined by "&"; no leading "?".
    QString queryString() const;

    QString endpoint() const { return m_endpoint; }
    void setEndpoint(const QString& endpoint) { m_endpoint = endpoint; }
    QString userAgent() const { return m_userAgent; }
    void setUserAgent(const QString& userAgent) { m_userAgent = userAgent; }
    std::optional<S3Credentials> credentials() const { return m_credentials; }
    void setCredentials(const std::optional<S3Credentials>& credentials) { m_credentials = credentials; }
    S3URLRequest& urlRequest() { return m_urlRequest; }
    const S3URLRequest& urlRequest() const { return m_urlRequest; }
    S3Connection* urlConnection() const { return m_urlConnection.data(); }
    void setUrlConnection(S3Connection* connection);
    QString requestTag() const { return m_requestTag; }
    void setRequestTag(const QString& tag) { m_requestTag = tag; }

    // Explicit values win; otherwise derived from the endpoint.
    QString hostName() const;
    void setHostName(const QString& hostName) { m_hostName = hostName; }
    QString regionName() const;
    void setRegionName(const QString& regionName) { m_regionName = regionName; }
    QString serviceName() const;
    void setServiceName(const QString& serviceName) { m_serviceName = serviceName; }

    // Not owned. A QObject delegate is watched and treated as gone once destroyed.
    S3ServiceRequestDelegate* delegate() const;
    void setDelegate(S3ServiceRequestDelegate* delegate);

    // Query-style services: the body is the query string, POSTed to the endpoint.
    virtual S3URLRequest& configureURLRequest();
    // Version-4 signature over {"Host": hostName} with the query string as payload.
    void sign();
    virtual QUrl url() const { return {}; }
    virtual S3ExceptionPtr validate() { return nullptr; }
    virtual std::shared_ptr<S3ServiceResponse> constructResponse() const;
    // Stops a running transfer; the delegate hears nothing further of it.
    void cancel();

    virtual QVariantMap archive() const;
    virtual void unarchive(const QVariantMap& archive);

protected:
    QString m_httpMethod;
    QMap<QString, QString> m_parameters;
    QString m_endpoint;
    QString m_userAgent;
    std::optional<S3Credentials> m_credentials;
    S3URLRequest m_urlRequest;
    QPointer<S3Connection> m_urlConnection;
    QString m_requestTag;
    QString m_serviceName;
    QString m_regionName;
    QString m_hostName;
    S3ServiceRequestDelegate* m_delegate = nullptr;
    QPointer<QObject> m_delegateObject;
    bool m_delegateIsObject = false;
};

} // namespace pelnix
