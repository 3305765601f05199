#include "media/s3/S3ListVersionsResultUnmarshaller.h"

#include "media/s3/S3CommonPrefixesUnmarshaller.h"
#include "media/s3/S3VersionSummaryUnmarshaller.h"
#include "media/s3/S3XMLValues.h"

namespace pelnix {

void S3ListVersionsResultUnmarshaller::didStartElement(S3XMLParser& parser, const QString& elementName) {
    S3ResultUnmarshaller::didStartElement(parser, elementName);
    auto target = listVersionsResult();
    if (elementName == QLatin1String("Version"))
        parser.adoptDelegate(std::make_unique<S3VersionSummaryUnmarshaller>(
            this,
            [target](const std::shared_ptr<S3VersionSummary>& v) { target->versionSummaries.append(v); }));
    else if (elementName == QLatin1String("DeleteMarker"))
        parser.adoptDelegate(std::make_unique<S3VersionSummaryUnmarshaller>(
            this, [target](const std::shared_ptr<S3VersionSummary>& v) { target->addDeleteMarker(v); }));
    else if (elementName == QLatin1String("CommonPrefixes"))
        parser.adoptDelegate(std::make_unique<S3CommonPrefixesUnmarshaller>(
            this, [target](const std::shared_ptr<QStringList>& p) { target->commonPrefixes.append(*p); }));
}

void S3ListVersionsResultUnmarshaller::didEndElement(S3XMLParser& parser, const QString& elementName) {
    S3ResultUnmarshaller::didEndElement(parser, elementName);
    auto r = listVersionsResult();
    const QString text = currentText();
    if (elementName == QLatin1String("Name"))
        r->name = text;
    else if (elementName == QLatin1String("Prefix"))
        r->prefix = text;
    else if (elementName == QLatin1String("KeyMarker"))
        r->keyMarker = text;
    else if (elementName == QLatin1String("NextKeyMarker"))
        r->nextKeyMarker = text;
    else if (elementName == QLatin1String("VersionIdMarker"))
        r->versionIdMarker = text;
    else if (elementName == QLatin1String("NextVersionIdMarker"))
        r->nextVersionIdMarker = text;
    else if (elementName == QLatin1String("Delimiter"))
        r->delimiter = text;
    else if (elementName == QLatin1String("IsTruncated"))
        r->isTruncated = S3XMLValues::boolean(text);
    else if (elementName == QLatin1String("MaxKeys"))
        r->maxKeys = S3XMLValues::decimalInteger(text);
    else if (closes(elementName))
        handOver(parser);
}

} // namespace pelnix
