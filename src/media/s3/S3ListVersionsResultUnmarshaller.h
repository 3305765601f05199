#pragma once

#include "media/s3/S3ListVersionsResult.h"
#include "media/s3/S3ResultUnmarshaller.h"

namespace pelnix {

// Reads a whole "ListVersionsResult" document.
class S3ListVersionsResultUnmarshaller : public S3ResultUnmarshaller<S3ListVersionsResult> {
public:
    S3ListVersionsResultUnmarshaller(S3UnmarshallerXMLParserDelegate* caller = nullptr, Setter setter = {})
        : S3ResultUnmarshaller(caller, std::move(setter), QStringLiteral("ListVersionsResult")) {}
    std::shared_ptr<S3ListVersionsResult> listVersionsResult() { return result(); }
    void didStartElement(S3XMLParser& parser, const QString& elementName) override;
    void didEndElement(S3XMLParser& parser, const QString& elementName) override;
};

} // namespace pelnix
