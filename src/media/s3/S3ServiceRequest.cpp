#include "media/s3/S3ServiceRequest.h"

#include "media/s3/S3AuthUtils.h"
#include "media/s3/S3Connection.h"
#include "media/s3/S3Endpoints.h"
#include "media/s3/S3SDKUtil.h"
#include "media/s3/S3ServiceRequestDelegate.h"
#include "media/s3/S3ServiceResponse.h"

namespace pelnix {

S3ServiceRequest::S3ServiceRequest() = default;

S3ServiceRequest::~S3ServiceRequest() {
    m_delegate = nullptr;
}

void S3ServiceRequest::setParameterValue(const QString& value, const QString& key) {
    if (value.isNull())
        m_parameters.remove(key);
    else
        m_parameters.insert(key, value);
}

QString S3ServiceRequest::queryString() const {
    QStringList pairs;
    for (auto it = m_parameters.cbegin(); it != m_parameters.cend(); ++it)
        pairs << S3SDKUtil::urlEncode(it.key()) + QLatin1Char('=') + S3SDKUtil::urlEncode(it.value());
    return pairs.join(QLatin1Char('&'));
}

void S3ServiceRequest::setUrlConnection(S3Connection* connection) {
    m_urlConnection = connection;
}

QString S3ServiceRequest::hostName() const {
    if (!m_hostName.isNull())
        return m_hostName;
    const qsizetype marker = m_endpoint.indexOf(QLatin1String("://"));
    // An endpoint without a scheme is taken whole as the host.
    const QString rest = marker < 0 ? m_endpoint : m_endpoint.mid(marker + 3);
    const qsizetype slash = rest.indexOf(QLatin1Char('/'));
    return slash < 0 ? rest : rest.left(slash);
}

QString S3ServiceRequest::regionName() const {
    if (!m_regionName.isNull())
        return m_regionName;
    const QString host = hostName();
    const QString domain = S3Endpoints::domainSuffix();
    const QString queueDomain = S3Endpoints::queueDomainSuffix();
    if (host.endsWith(QLatin1Char('.') + queueDomain))
        return host.left(host.size() - queueDomain.size() - 1);
    if (host.endsWith(QLatin1Char('.') + domain)) {
        const QString head = host.left(host.size() - domain.size() - 1);
        const QChar separator = head.startsWith(QLatin1String("s3")) ? QLatin1Char('-') : QLatin1Char('.');
        const qsizetype at = head.indexOf(separator);
        if (at < 0)
            return QStringLiteral("us-east-1");
        const QString region = head.mid(at + 1);
        return region == QLatin1String("us-gov") ? QStringLiteral("us-gov-west-1") : region;
    }
    return QStringLiteral("us-east-1");
}

QString S3ServiceRequest::serviceName() const {
    if (!m_serviceName.isNull())
        return m_serviceName;
    const QString host = hostName();
    const QString domain = S3Endpoints::domainSuffix();
    if (host.endsWith(S3Endpoints::queueDomainSuffix()))
        return QStringLiteral("sqs");
    if (host.endsWith(QLatin1Char('.') + domain)) {
        const QString head = host.left(host.size() - domain.size() - 1);
        if (head.startsWith(QLatin1String("s3")))
            return QStringLiteral("s3");
        const qsizetype dot = head.indexOf(QLatin1Char('.'));
        return dot < 0 ? head : head.left(dot);
    }
    return {};
}

S3ServiceRequestDelegate* S3ServiceRequest::delegate() const {
    if (m_delegateIsObject && !m_delegateObject)
        return nullptr;
    return m_delegate;
}

void S3ServiceRequest::setDelegate(S3ServiceRequestDelegate* delegate) {
    m_delegate = delegate;
    auto* object = dynamic_cast<QObject*>(delegate);
    m_delegateObject = object;
    m_delegateIsObject = object != nullptr;
}

S3URLRequest& S3ServiceRequest::configureURLRequest() {
    if (m_credentials && !m_credentials->securityToken().isEmpty())
        setParameterValue(m_credentials->securityToken(), QStringLiteral("SecurityToken"));
    m_urlRequest.setHTTPMethod(QStringLiteral("POST"));
    m_urlRequest.setHTTPBody(queryString().toUtf8());
    m_urlRequest.setValueForHTTPHeaderField(m_userAgent, QStringLiteral("User-Agent"));
    const QUrl endpointUrl(m_endpoint);
    m_urlRequest.setURL(endpointUrl);
    m_urlRequest.setValueForHTTPHeaderField(endpointUrl.host(), QStringLiteral("Host"));
    return m_urlRequest;
}

void S3ServiceRequest::sign() {
    S3HeaderList headers{{QStringLiteral("Host"), hostName()}};
    S3AuthUtils::signRequestV4(*this, headers, queryString(), m_credentials.value_or(S3Credentials()));
}

std::shared_ptr<S3ServiceResponse> S3ServiceRequest::constructResponse() const {
    return std::make_shared<S3ServiceResponse>();
}

void S3ServiceRequest::cancel() {
    if (m_urlConnection)
        m_urlConnection->cancel();
}

QVariantMap S3ServiceRequest::archive() const {
    QVariantMap parameters;
    for (auto it = m_parameters.cbegin(); it != m_parameters.cend(); ++it)
        parameters.insert(it.key(), it.value());
    return {{QStringLiteral("HttpMethod"), m_httpMethod}, {QStringLiteral("Parameters"), parameters},
            {QStringLiteral("Endpoint"), m_endpoint},     {QStringLiteral("UserAgent"), m_userAgent},
            {QStringLiteral("RequestTag"), m_requestTag}, {QStringLiteral("ServiceName"), m_serviceName},
            {QStringLiteral("RegionName"), m_regionName}, {QStringLiteral("HostName"), m_hostName}};
}

void S3ServiceRequest::unarchive(const QVariantMap& archive) {
    auto text = [&](const char* key) { return archive.value(QLatin1String(key)).toString(); };
    m_httpMethod = text("HttpMethod");
    m_parameters.clear();
    const QVariantMap parameters = archive.value(QStringLiteral("Parameters")).toMap();
    for (auto it = parameters.cbegin(); it != parameters.cend(); ++it)
        m_parameters.insert(it.key(), it.value().toString());
    m_endpoint = text("Endpoint");
    m_userAgent = text("UserAgent");
    m_requestTag = text("RequestTag");
    m_serviceName = archive.contains(QStringLiteral("ServiceName")) && !text("ServiceName").isEmpty()
                        ? text("ServiceName")
                        : QString();
    m_regionName = archive.contains(QStringLiteral("RegionName")) && !text("RegionName").isEmpty()
                       ? text("RegionName")
                       : QString();
    m_hostName = archive.contains(QStringLiteral("HostName")) && !text("HostName").isEmpty()
                     ? text("HostName")
                     : QString();
}

} // namespace pelnix
