#include "media/s3/S3CommonPrefixesUnmarshaller.h"

namespace pelnix {

void S3CommonPrefixesUnmarshaller::didEndElement(S3XMLParser& parser, const QString& elementName) {
    S3ResultUnmarshaller::didEndElement(parser, elementName);
    if (elementName == QLatin1String("Prefix"))
        result()->append(currentText());
    else if (closes(elementName))
        handOver(parser);
}

} // namespace pelnix
