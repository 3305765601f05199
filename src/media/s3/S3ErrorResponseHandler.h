#pragma once

#include "media/s3/S3ServiceException.h"
#include "media/s3/S3UnmarshallerXMLParserDelegate.h"

#include <memory>

namespace pelnix {

// Reads an S3 error document ("Code", "Message", "RequestId") into a service exception with the status.
class S3ErrorResponseHandler : public S3UnmarshallerXMLParserDelegate {
public:
    explicit S3ErrorResponseHandler(int statusCode) : m_statusCode(statusCode) {}

    std::shared_ptr<S3ServiceException> exception();
    void didEndElement(S3XMLParser& parser, const QString& elementName) override;

private:
    int m_statusCode;
    std::shared_ptr<S3ServiceException> m_exception;
};

} // namespace pelnix
