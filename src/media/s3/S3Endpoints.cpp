#include "media/s3/S3Endpoints.h"

#include <functional>

namespace pelnix {

namespace {

const char* const kRegionCodes[] = {"us-east-1",      "us-west-1", "eu-west-1", "ap-southeast-1",
                                    "ap-northeast-1", "us-west-2", "sa-east-1", "ap-southeast-2"};

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
    return QStringLiteral("%1.%2.amazonaws.com").arg(service, QLatin1String(kRegionCodes[region]));
}

} // namespace

QString S3Endpoints::regionCode(int region) {
    return inRange(region) ? QString::fromLatin1(kRegionCodes[region]) : QString();
}

QString S3Endpoints::s3Endpoint(int region, bool secure) {
    return choose(region, secure, [](int r) {
        return r == 0 ? QStringLiteral("s3.amazonaws.com")
                      : QStringLiteral("s3-%1.amazonaws.com").arg(QLatin1String(kRegionCodes[r]));
    });
}

QString S3Endpoints::sdbEndpoint(int region, bool secure) {
    return choose(region, secure, [](int r) {
        return r == 0 ? QStringLiteral("sdb.amazonaws.com") : regionalHost(QStringLiteral("sdb"), r);
    });
}

QString S3Endpoints::snsEndpoint(int region, bool secure) {
    return choose(region, secure, [](int r) { return regionalHost(QStringLiteral("sns"), r); });
}

QString S3Endpoints::sqsEndpoint(int region, bool secure) {
    return choose(region, secure, [](int r) {
        return QStringLiteral("%1.queue.amazonaws.com").arg(QLatin1String(kRegionCodes[r]));
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
    return QStringLiteral("https://sts.amazonaws.com");
}

} // namespace pelnix
