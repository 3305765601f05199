#pragma once

#include "media/s3/S3ResultUnmarshaller.h"

#include <QStringList>

namespace pelnix {

// Collects the "Prefix" texts of one "CommonPrefixes" element.
class S3CommonPrefixesUnmarshaller : public S3ResultUnmarshaller<QStringList> {
public:
    S3CommonPrefixesUnmarshaller(S3UnmarshallerXMLParserDelegate* caller, Setter setter)
        : S3ResultUnmarshaller(caller, std::move(setter), QStringLiteral("CommonPrefixes")) {}
    void didEndElement(S3XMLParser& parser, const QString& elementName) override;
};

} // namespace pelnix
