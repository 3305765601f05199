#include "media/s3/S3ServiceResponseUnmarshaller.h"

#include "media/s3/S3ServiceResponse.h"

namespace pelnix {

void S3ServiceResponseUnmarshaller::didEndElement(S3XMLParser& parser, const QString& elementName) {
    S3UnmarshallerXMLParserDelegate::didEndElement(parser, elementName);
    if (elementName.toLower() == QLatin1String("requestid")) {
        if (auto r = response())
            r->setRequestId(currentText());
        return;
    }
    if (!m_endElementTagName.isNull() && m_endElementTagName == elementName) {
        returnToCaller(parser);
        if (m_parentSetter)
            m_parentSetter(response());
    }
}

} // namespace pelnix
