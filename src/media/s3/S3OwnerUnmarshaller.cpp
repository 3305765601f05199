#include "media/s3/S3OwnerUnmarshaller.h"

namespace pelnix {

void S3OwnerUnmarshaller::didEndElement(S3XMLParser& parser, const QString& elementName) {
    S3ResultUnmarshaller::didEndElement(parser, elementName);
    if (elementName == QLatin1String("ID"))
        owner()->setID(currentText());
    else if (elementName == QLatin1String("DisplayName"))
        owner()->setDisplayName(currentText());
    else if (closes(elementName))
        handOver(parser);
}

} // namespace pelnix
