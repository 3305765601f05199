#include "media/s3/S3Endpoints.h"

#include "media/s3/S3Logger.h"
#include "platform/PlistCodec.h"

#include <QGlobalStatic>
#include <QMutex>
#include <QRegularExpression>
#include <functional>

namespace pelnix {

namespace {

const char* const kRegionCodes[] = {"us-east-1",      "us-west-1", "eu-west-1", "ap-southeast-1",
                                    "ap-northeast-1", "us-west-2", "sa-east-1", "ap-southeast-2"};

const QString kConfigurationResource = QStringLiteral(":/pelnix/PLAppConfigurations.plist");
const QString kSuffixKey = QStringLiteral("storageDomainSuffix");
// Used when the bundle names no suffix: a reserved name that never resolves.
const QString kPlaceholderSuffix = QStringLiteral("storage.invalid");

bool isHostSuffix(const QString& text) {
    static const QRegularExpression host(QStringLiteral(
        "^[A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?(\\.[A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?)*$"));
    return text.size() <= 253 && host.match(text).hasMatch();
}

struct DomainSuffix {
    QMutex mutex;
    QString configured; // read from the bundle on first use
    QString override;
};
Q_GLOBAL_STATIC(DomainSuffix, g_domainSuffix)

QString configuredSuffix() {
    const auto plist = platform::PlistCodec::readFile(kConfigurationResource);
    const QString value = plist ? plist->toMap().value(kSuffixKey).toString() : QString();
    if (isHostSuffix(value))
        return value;
    if (!value.isEmpty())
        S3Logger::logInfo(
            QStringLiteral("Ignoring the configured storage domain suffix \"%1\": not a host name")
                .arg(value));
    return kPlaceholderSuffix;
}

bool inRange(int region) {
    return region >= 0 && region <= 7;
}

// `host(region)` gives the host of a region number (0-7).
QString choose(int region, bool secure, const std::function<QString(int)>& host) {
    if (inRange(region))
        return (secure ? QStringLiteral("https://") : QStringLiteral("http://")) + host(region);
    // Outside the table: the US East 1 endpoint. A secure endpoint stays secure: a temporary
    // security token must never travel in clear because a region number was unknown.
    return (secure ? QStringLiteral("https://") : QStringLiteral("http://")) + host(0);
}

QString regionalHost(const QString& service, int region) {
    return QStringLiteral("%1.%2.%3")
        .arg(service, QLatin1String(kRegionCodes[region]), S3Endpoints::domainSuffix());
}

QString generalHost(const QString& service) {
    return service + QLatin1Char('.') + S3Endpoints::domainSuffix();
}

} // namespace

QString S3Endpoints::domainSuffix() {
    DomainSuffix* state = g_domainSuffix();
    QMutexLocker lock(&state->mutex);
    if (!state->override.isEmpty())
        return state->override;
    if (state->configured.isEmpty())
        state->configured = configuredSuffix();
    return state->configured;
}

QString S3Endpoints::queueDomainSuffix() {
    return QStringLiteral("queue.") + domainSuffix();
}

bool S3Endpoints::setDomainSuffix(const QString& suffix) {
    if (!suffix.isEmpty() && !isHostSuffix(suffix))
        return false;
    DomainSuffix* state = g_domainSuffix();
    QMutexLocker lock(&state->mutex);
    state->override = suffix;
    return true;
}

QString S3Endpoints::regionCode(int region) {
    return inRange(region) ? QString::fromLatin1(kRegionCodes[region]) : QString();
}

QString S3Endpoints::s3Endpoint(int region, bool secure) {
    return choose(region, secure, [](int r) {
        return r == 0 ? generalHost(QStringLiteral("s3"))
                      : QStringLiteral("s3-%1.%2").arg(QLatin1String(kRegionCodes[r]), domainSuffix());
    });
}

QString S3Endpoints::sdbEndpoint(int region, bool secure) {
    return choose(region, secure, [](int r) {
        return r == 0 ? generalHost(QStringLiteral("sdb")) : regionalHost(QStringLiteral("sdb"), r);
    });
}

QString S3Endpoints::snsEndpoint(int region, bool secure) {
    return choose(region, secure, [](int r) { return regionalHost(QStringLiteral("sns"), r); });
}

QString S3Endpoints::sqsEndpoint(int region, bool secure) {
    return choose(region, secure, [](int r) {
        return QStringLiteral("%1.%2").arg(QLatin1String(kRegionCodes[r]), queueDomainSuffix());
    });
}

QString S3Endpoints::sesEndpoint(int region, bool /*secure*/) {
    const int r = region == 5 ? 5 : region == 2 ? 2 : 0;
    return QStringLiteral("https://") + regionalHost(QStringLiteral("email"), r);
}

QString S3Endpoints::ec2Endpoint(int region, bool secure) {
    return choose(region, secure, [](int r) { return regionalHost(QStringLiteral("ec2"), r); });
}

QString S3Endpoints::cwEndpoint(int region, bool secure) {
    return choose(region, secure, [](int r) { return regionalHost(QStringLiteral("monitoring"), r); });
}

QString S3Endpoints::autoscalingEndpoint(int region, bool secure) {
    return choose(region, secure, [](int r) { return regionalHost(QStringLiteral("autoscaling"), r); });
}

QString S3Endpoints::elbEndpoint(int region, bool secure) {
    return choose(region, secure,
                  [](int r) { return regionalHost(QStringLiteral("elasticloadbalancing"), r); });
}

QString S3Endpoints::ddbEndpoint(int region, bool secure) {
    return choose(region, secure, [](int r) { return regionalHost(QStringLiteral("dynamodb"), r); });
}

QString S3Endpoints::stsEndpoint() {
    return QStringLiteral("https://") + generalHost(QStringLiteral("sts"));
}

} // namespace pelnix
