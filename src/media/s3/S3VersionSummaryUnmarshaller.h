#pragma once

#include "media/s3/S3ResultUnmarshaller.h"
#include "media/s3/S3VersionSummary.h"

namespace pelnix {

// Reads one "Version" or "DeleteMarker" entry of a version listing.
class S3VersionSummaryUnmarshaller : public S3ResultUnmarshaller<S3VersionSummary> {
public:
    S3VersionSummaryUnmarshaller(S3UnmarshallerXMLParserDelegate* caller, Setter setter)
        : S3ResultUnmarshaller(caller, std::move(setter), QStringLiteral("Version")) {}
    std::shared_ptr<S3VersionSummary> summary() { return result(); }
    void didStartElement(S3XMLParser& parser, const QString& elementName) override;
    void didEndElement(S3XMLParser& parser, const QString& elementName) override;
};

} // namespace pelnix
