#include "media/s3/S3UnmarshallerXMLParserDelegate.h"

#include "media/s3/S3XMLParser.h"

namespace pelnix {

void S3UnmarshallerXMLParserDelegate::didStartElement(S3XMLParser&, const QString& elementName) {
    m_currentText.reset();
    m_currentTag = elementName;
}

void S3UnmarshallerXMLParserDelegate::foundCharacters(S3XMLParser&, const QString& characters) {
    if (!m_currentText)
        m_currentText = QString();
    m_currentText->append(characters);
}

void S3UnmarshallerXMLParserDelegate::didEndElement(S3XMLParser&, const QString&) {}

void S3UnmarshallerXMLParserDelegate::parseErrorOccurred(S3XMLParser&, const QString&) {}

void S3UnmarshallerXMLParserDelegate::returnToCaller(S3XMLParser& parser) {
    if (m_caller)
        parser.setDelegate(m_caller);
}

} // namespace pelnix
