#include "media/s3/S3VersionSummary.h"

namespace pelnix {

QString S3VersionSummary::description() const {
    QString text;
    text.reserve(256);
    text += QLatin1Char('{');
    text += QStringLiteral("Key: %1,").arg(m_key);
    text += QStringLiteral("ETag: %1,").arg(m_etag);
    text += QStringLiteral("Size: %1,").arg(m_size);
    text += QStringLiteral("Last Modified: %1,").arg(m_lastModified);
    text += QStringLiteral("Storage Class: %1,").arg(m_storageClass);
    text += QStringLiteral("Owner: %1,").arg(m_owner ? m_owner->ID() : QString());
    text += QStringLiteral("Display Name: %1,").arg(m_displayName);
    text += QStringLiteral("Is Latest: %1,").arg(m_isLatest ? 1 : 0);
    text += QStringLiteral("Is DeleteMarker: %1,").arg(m_isDeleteMarker ? 1 : 0);
    text += QStringLiteral("Version Id: %1,").arg(m_versionId);
    text += S3ObjectSummary::description();
    text += QLatin1Char('}');
    return text;
}

} // namespace pelnix
