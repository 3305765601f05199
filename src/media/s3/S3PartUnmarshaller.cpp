#include "media/s3/S3PartUnmarshaller.h"

#include "media/s3/S3XMLValues.h"

namespace pelnix {

void S3PartUnmarshaller::didEndElement(S3XMLParser& parser, const QString& elementName) {
    S3ResultUnmarshaller::didEndElement(parser, elementName);
    if (elementName == QLatin1String("ETag"))
        part()->setEtag(currentText());
    else if (elementName == QLatin1String("LastModified"))
        part()->setLastModified(S3XMLValues::isoDate(currentText()));
    else if (elementName == QLatin1String("PartNumber"))
        part()->setPartNumber(S3XMLValues::lowInt32(currentText()));
    else if (elementName == QLatin1String("Size"))
        part()->setSize(S3XMLValues::decimalInteger(currentText()));
    else if (closes(elementName))
        handOver(parser);
}

} // namespace pelnix
