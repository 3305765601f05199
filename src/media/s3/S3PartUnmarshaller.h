#pragma once

#include "media/s3/S3Part.h"
#include "media/s3/S3ResultUnmarshaller.h"

namespace pelnix {

// Reads one "Part" (or the alias given) of a part listing.
class S3PartUnmarshaller : public S3ResultUnmarshaller<S3Part> {
public:
    S3PartUnmarshaller(S3UnmarshallerXMLParserDelegate* caller, Setter setter, const QString& alias = {})
        : S3ResultUnmarshaller(caller, std::move(setter), QStringLiteral("Part"), alias) {}
    std::shared_ptr<S3Part> part() { return result(); }
    void didEndElement(S3XMLParser& parser, const QString& elementName) override;
};

} // namespace pelnix
