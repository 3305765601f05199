#pragma once

#include "media/s3/S3ObjectSummary.h"
#include "media/s3/S3ResultUnmarshaller.h"

namespace pelnix {

// Reads one "Contents" entry of a bucket listing.
class S3ObjectSummaryUnmarshaller : public S3ResultUnmarshaller<S3ObjectSummary> {
public:
    S3ObjectSummaryUnmarshaller(S3UnmarshallerXMLParserDelegate* caller, Setter setter)
        : S3ResultUnmarshaller(caller, std::move(setter), QStringLiteral("Contents")) {}
    std::shared_ptr<S3ObjectSummary> summary() { return result(); }
    void didStartElement(S3XMLParser& parser, const QString& elementName) override;
    void didEndElement(S3XMLParser& parser, const QString& elementName) override;
};

} // namespace pelnix
