#include "media/s3/S3ObjectSummaryUnmarshaller.h"

#include "media/s3/S3OwnerUnmarshaller.h"
#include "media/s3/S3XMLValues.h"

namespace pelnix {

void S3ObjectSummaryUnmarshaller::didStartElement(S3XMLParser& parser, const QString& elementName) {
    S3ResultUnmarshaller::didStartElement(parser, elementName);
    if (elementName == QLatin1String("Owner")) {
        auto target = summary();
        parser.adoptDelegate(std::make_unique<S3OwnerUnmarshaller>(
            this, [target](const std::shared_ptr<S3Owner>& owner) { target->setOwner(owner); }));
    }
}

void S3ObjectSummaryUnmarshaller::didEndElement(S3XMLParser& parser, const QString& elementName) {
    S3ResultUnmarshaller::didEndElement(parser, elementName);
    if (elementName == QLatin1String("Key"))
        summary()->setKey(currentText());
    else if (elementName == QLatin1String("ETag"))
        summary()->setEtag(currentText());
    else if (elementName == QLatin1String("Size"))
        summary()->setSize(S3XMLValues::decimalInteger(currentText()));
    else if (elementName == QLatin1String("LastModified"))
        summary()->setLastModified(currentText());
    else if (elementName == QLatin1String("StorageClass"))
        summary()->setStorageClass(currentText());
    else if (closes(elementName))
        handOver(parser);
}

} // namespace pelnix
