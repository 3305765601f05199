#include "media/s3/S3URLRequest.h"

#include <QByteArrayView>
#include <algorithm>

namespace pelnix {

namespace {

bool isTokenCharacter(QChar c) {
    const char16_t u = c.unicode();
    if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9'))
        return true;
    return u < 0x80 && QByteArrayView("!#$%&'*+-.^_`|~").contains(char(u));
}

// Control characters written out, so that a refused header can be named in a message or a log.
QString visible(const QString& text) {
    QString out;
    for (QChar c : text) {
        if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            out += QStringLiteral("\\x%1").arg(int(c.unicode()), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

} // namespace

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

void S3URLRequest::trimHeaderValues() {
    for (auto& header : m_headers) {
        QString& value = header.second;
        qsizetype start = 0;
        qsizetype end = value.size();
        while (start < end && isBlank(value.at(start)))
            ++start;
        while (end > start && isBlank(value.at(end - 1)))
            --end;
        if (start > 0 || end < value.size())
            value = value.mid(start, end - start);
    }
}

QString S3URLRequest::malformedHeader() const {
    for (const auto& header : m_headers) {
        if (header.first.isEmpty() ||
            !std::all_of(header.first.cbegin(), header.first.cend(), isTokenCharacter))
            return QStringLiteral("header name \"%1\" is not an HTTP token").arg(visible(header.first));
        for (QChar c : header.second) {
            if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c.isNull())
                return QStringLiteral("the value of header \"%1\" holds a line break or NUL character")
                    .arg(header.first);
        }
    }
    return {};
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
