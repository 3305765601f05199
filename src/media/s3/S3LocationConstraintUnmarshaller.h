#pragma once

#include "media/s3/S3UnmarshallerXMLParserDelegate.h"

namespace pelnix {

// The bucket-location answer; "" stands for the US Standard region.
class S3LocationConstraintUnmarshaller : public S3UnmarshallerXMLParserDelegate {
public:
    QString location() const { return m_location; }
    void didEndElement(S3XMLParser& parser, const QString& elementName) override {
        S3UnmarshallerXMLParserDelegate::didEndElement(parser, elementName);
        if (elementName == QLatin1String("LocationConstraint"))
            m_location = currentText();
    }

private:
    QString m_location;
};

} // namespace pelnix
