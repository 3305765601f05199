#pragma once

#include <QString>

namespace pelnix {

// Service URLs ("scheme://host") by region number 0-7 (0 = US East 1).
//
// The hosts hang under the storage provider's common domain suffix, which is configuration: the
// bundle's "PLAppConfigurations.plist" names it under "storageDomainSuffix" (a placeholder that never
// resolves by default), and a host overrides it with setDomainSuffix before the first request.
class S3Endpoints {
public:
    static QString s3Endpoint(int region, bool secure = true);
    static QString sdbEndpoint(int region, bool secure = true);
    static QString snsEndpoint(int region, bool secure = true);
    static QString sqsEndpoint(int region, bool secure = true);
    static QString sesEndpoint(int region, bool secure = true);
    static QString ec2Endpoint(int region, bool secure = true);
    static QString cwEndpoint(int region, bool secure = true);
    static QString autoscalingEndpoint(int region, bool secure = true);
    static QString elbEndpoint(int region, bool secure = true);
    static QString ddbEndpoint(int region, bool secure = true);
    static QString stsEndpoint();

    // The region code of a region number, empty outside 0-7.
    static QString regionCode(int region);

    // The common domain suffix of the provider's hosts, such as "example.test".
    static QString domainSuffix();
    // The queue service's host suffix: "queue." followed by the domain suffix.
    static QString queueDomainSuffix();
    // Replaces the configured suffix for the whole process; an empty text goes back to the bundle's
    // value. A text that is not a host name (empty labels, a scheme, a port, a path, spaces) is
    // refused with false and changes nothing.
    static bool setDomainSuffix(const QString& suffix);
};

} // namespace pelnix
