#include "media/s3/S3XMLParser.h"

#include "media/s3/S3UnmarshallerXMLParserDelegate.h"

#include <QXmlStreamReader>

namespace pelnix {

S3XMLParser::S3XMLParser(const QByteArray& data) : m_data(data) {}

S3XMLParser::~S3XMLParser() = default;

S3UnmarshallerXMLParserDelegate*
S3XMLParser::adoptDelegate(std::unique_ptr<S3UnmarshallerXMLParserDelegate> child) {
    m_delegate = child.get();
    m_owned.push_back(std::move(child));
    return m_delegate;
}

bool S3XMLParser::parse() {
    QXmlStreamReader reader(m_data);
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            if (m_delegate)
                m_delegate->didStartElement(*this, reader.qualifiedName().toString());
            break;
        case QXmlStreamReader::EndElement:
            if (m_delegate)
                m_delegate->didEndElement(*this, reader.qualifiedName().toString());
            break;
        case QXmlStreamReader::Characters:
            if (m_delegate)
                m_delegate->foundCharacters(*this, reader.text().toString());
            break;
        default:
            break;
        }
    }
    if (reader.hasError()) {
        m_errorString = reader.errorString();
        if (m_delegate)
            m_delegate->parseErrorOccurred(*this, m_errorString);
        return false;
    }
    return true;
}

} // namespace pelnix
