#pragma once

#include "media/s3/S3Owner.h"
#include "media/s3/S3ResultUnmarshaller.h"

namespace pelnix {

// Reads "ID" and "DisplayName"; closes at "Owner" or the alias given.
class S3OwnerUnmarshaller : public S3ResultUnmarshaller<S3Owner> {
public:
    S3OwnerUnmarshaller(S3UnmarshallerXMLParserDelegate* caller, Setter setter, const QString& alias = {})
        : S3ResultUnmarshaller(caller, std::move(setter), QStringLiteral("Owner"), alias) {}
    std::shared_ptr<S3Owner> owner() { return result(); }
    void didEndElement(S3XMLParser& parser, const QString& elementName) override;
};

} // namespace pelnix
