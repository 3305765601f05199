#include "media/s3/S3URLRequest.h"

namespace pelnix {

QString S3URLRequest::valueForHTTPHeaderField(const QString& name) const {
    for (const auto& header : m_headers) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0)
            return header.second;
    }
    return {};
}

void S3URLRequest::setValueForHTTPHeaderField(const QString& value, const QString& name) {
    for (qsizetype i = 0; i < m_headers.size(); ++i) {
        if (m_headers[i].first.compare(name, Qt::CaseInsensitive) == 0) {
            if (value.isNull())
                m_headers.removeAt(i);
            else
                m_headers[i].second = value;
            return;
        }
    }
    if (!value.isNull())
        m_headers.append({name, value});
}

void S3URLRequest::setHTTPBody(const QByteArray& body) {
    m_body = body;
    m_bodyStream.reset();
}

void S3URLRequest::setHTTPBodyStream(const std::shared_ptr<QIODevice>& stream) {
    m_bodyStream = stream;
    m_body = QByteArray();
}

} // namespace pelnix
