#pragma once

#include "media/s3/S3ObjectSummary.h"

namespace pelnix {

// One version (or delete marker) of a version listing.
class S3VersionSummary : public S3ObjectSummary {
public:
    QString versionId() const { return m_versionId; }
    void setVersionId(const QString& value) { m_versionId = value; }
    QString displayName() const { return m_displayName; }
    void setDisplayName(const QString& value) { m_displayName = value; }
    bool isLatest() const { return m_isLatest; }
    void setIsLatest(bool value) { m_isLatest = value; }
    bool isDeleteMarker() const { return m_isDeleteMarker; }
    void setIsDeleteMarker(bool value) { m_isDeleteMarker = value; }

    QString description() const override;

private:
    QString m_versionId;
    QString m_displayName;
    bool m_isLatest = false;
    bool m_isDeleteMarker = false;
};

} // namespace pelnix
