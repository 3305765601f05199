#pragma once

#include <QString>

namespace pelnix {

// Service URLs ("scheme://host") by region number 0-7 (0 = US East 1).
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
};

} // namespace pelnix
