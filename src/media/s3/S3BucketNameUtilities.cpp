#include "media/s3/S3BucketNameUtilities.h"

namespace pelnix {

bool S3BucketNameUtilities::isDNSBucketName(const QString& name) {
    if (name.isNull() || name.size() < 3 || name.size() > 63)
        return false;
    if (name.endsWith(QLatin1Char('-')) || name.contains(QLatin1Char('_')) ||
        name.contains(QLatin1Char('.')) || name.contains(QLatin1String("-.")) ||
        name.contains(QLatin1String(".-")))
        return false;
    return name == name.toLower();
}

} // namespace pelnix
