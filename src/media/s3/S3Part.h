#pragma once

#include <QDateTime>
#include <QString>

namespace pelnix {

// One part of a multipart upload.
class S3Part {
public:
    QString etag() const { return m_etag; }
    void setEtag(const QString& value) { m_etag = value; }
    QDateTime lastModified() const { return m_lastModified; }
    void setLastModified(const QDateTime& value) { m_lastModified = value; }
    qint32 partNumber() const { return m_partNumber; }
    void setPartNumber(qint32 value) { m_partNumber = value; }
    qint64 size() const { return m_size; }
    void setSize(qint64 value) { m_size = value; }

private:
    QString m_etag;
    QDateTime m_lastModified;
    qint32 m_partNumber = 0;
    qint64 m_size = 0;
};

} // namespace pelnix
