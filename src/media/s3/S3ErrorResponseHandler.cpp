#include "media/s3/S3ErrorResponseHandler.h"

namespace pelnix {

std::shared_ptr<S3ServiceException> S3ErrorResponseHandler::exception() {
    if (!m_exception)
        m_exception =
            std::make_shared<S3ServiceException>(S3ServiceException::exceptionWithStatusCode(m_statusCode));
    return m_exception;
}

void S3ErrorResponseHandler::didEndElement(S3XMLParser& parser, const QString& elementName) {
    S3UnmarshallerXMLParserDelegate::didEndElement(parser, elementName);
    if (elementName == QLatin1String("Message"))
        exception()->setMessage(currentText());
    else if (elementName == QLatin1String("Code"))
        exception()->setErrorCode(currentText());
    else if (elementName.compare(QLatin1String("RequestId"), Qt::CaseInsensitive) == 0)
        exception()->setRequestId(currentText());
}

} // namespace pelnix
