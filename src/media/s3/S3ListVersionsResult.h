#pragma once

#include "media/s3/S3VersionSummary.h"

#include <QList>
#include <QStringList>

namespace pelnix {

// A version listing: versions and delete markers share one list in document order.
class S3ListVersionsResult {
public:
    QString name, prefix, keyMarker, nextKeyMarker, versionIdMarker, nextVersionIdMarker, delimiter;
    qint64 maxKeys = 0;
    bool isTruncated = false;
    QList<std::shared_ptr<S3VersionSummary>> versionSummaries;
    QStringList commonPrefixes;

    void addDeleteMarker(const std::shared_ptr<S3VersionSummary>& marker) {
        if (!marker)
            return;
        marker->setIsDeleteMarker(true);
        versionSummaries.append(marker);
    }
};

} // namespace pelnix
