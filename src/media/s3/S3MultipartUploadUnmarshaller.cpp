#include "media/s3/S3MultipartUploadUnmarshaller.h"

#include "media/s3/S3OwnerUnmarshaller.h"
#include "media/s3/S3XMLValues.h"

namespace pelnix {

void S3MultipartUploadUnmarshaller::didStartElement(S3XMLParser& parser, const QString& elementName) {
    S3ResultUnmarshaller::didStartElement(parser, elementName);
    auto target = multipartUpload();
    if (elementName == QLatin1String("Owner"))
        parser.adoptDelegate(std::make_unique<S3OwnerUnmarshaller>(
            this, [target](const std::shared_ptr<S3Owner>& owner) { target->setOwner(owner); }));
    else if (elementName == QLatin1String("Initiator"))
        parser.adoptDelegate(std::make_unique<S3OwnerUnmarshaller>(
            this, [target](const std::shared_ptr<S3Owner>& owner) { target->setInitiator(owner); },
            QStringLiteral("Initiator")));
}

void S3MultipartUploadUnmarshaller::didEndElement(S3XMLParser& parser, const QString& elementName) {
    S3ResultUnmarshaller::didEndElement(parser, elementName);
    if (elementName == QLatin1String("Key"))
        multipartUpload()->setKey(currentText());
    else if (elementName == QLatin1String("Bucket"))
        multipartUpload()->setBucket(currentText());
    else if (elementName == QLatin1String("UploadId"))
        multipartUpload()->setUploadId(currentText());
    else if (elementName == QLatin1String("StorageClass"))
        multipartUpload()->setStorageClass(currentText());
    else if (elementName == QLatin1String("Initiated"))
        multipartUpload()->setInitiated(S3XMLValues::isoDate(currentText()));
    else if (closes(elementName))
        handOver(parser);
}

} // namespace pelnix
