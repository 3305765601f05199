#include "media/s3/S3VersionSummaryUnmarshaller.h"

#include "media/s3/S3OwnerUnmarshaller.h"
#include "media/s3/S3XMLValues.h"

namespace pelnix {

void S3VersionSummaryUnmarshaller::didStartElement(S3XMLParser& parser, const QString& elementName) {
    S3ResultUnmarshaller::didStartElement(parser, elementName);
    if (elementName == QLatin1String("Owner")) {
        auto target = summary();
        parser.adoptDelegate(std::make_unique<S3OwnerUnmarshaller>(
            this, [target](const std::shared_ptr<S3Owner>& owner) { target->setOwner(owner); }));
    }
}

void S3VersionSummaryUnmarshaller::didEndElement(S3XMLParser& parser, const QString& elementName) {
    S3ResultUnmarshaller::didEndElement(parser, elementName);
    const QString text = currentText();
    if (elementName == QLatin1String("Key"))
        summary()->setKey(text);
    else if (elementName == QLatin1String("ETag"))
        summary()->setEtag(text);
    else if (elementName == QLatin1String("Size"))
        summary()->setSize(S3XMLValues::decimalInteger(text));
    else if (elementName == QLatin1String("LastModified"))
        summary()->setLastModified(text);
    else if (elementName == QLatin1String("StorageClass"))
        summary()->setStorageClass(text);
    else if (elementName == QLatin1String("VersionId"))
        summary()->setVersionId(text);
    else if (elementName == QLatin1String("DisplayName"))
        summary()->setDisplayName(text);
    else if (elementName == QLatin1String("IsLatest"))
        summary()->setIsLatest(S3XMLValues::boolean(text));
    else if (elementName == QLatin1String("Version") || elementName == QLatin1String("DeleteMarker"))
        handOver(parser);
}

} // namespace pelnix
