#pragma once

#include "media/s3/S3MultipartUpload.h"
#include "media/s3/S3ResultUnmarshaller.h"

namespace pelnix {

// Reads one "Upload" (or the alias given): owner and initiator each from their own element.
class S3MultipartUploadUnmarshaller : public S3ResultUnmarshaller<S3MultipartUpload> {
public:
    S3MultipartUploadUnmarshaller(S3UnmarshallerXMLParserDelegate* caller, Setter setter,
                                  const QString& alias = {})
        : S3ResultUnmarshaller(caller, std::move(setter), QStringLiteral("Upload"), alias) {}
    std::shared_ptr<S3MultipartUpload> multipartUpload() { return result(); }
    void didStartElement(S3XMLParser& parser, const QString& elementName) override;
    void didEndElement(S3XMLParser& parser, const QString& elementName) override;
};

} // namespace pelnix
