#pragma once

#include <QString>

namespace pelnix {

class S3BucketNameUtilities {
public:
    // 3 to 63 characters, lower case, no "_" or ".", not ending in "-": usable as a virtual host.
    static bool isDNSBucketName(const QString& name);
};

} // namespace pelnix
