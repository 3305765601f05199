#pragma once

#include "media/s3/S3UnmarshallerXMLParserDelegate.h"

#include <functional>
#include <memory>

namespace pelnix {

class S3ServiceResponse;

// Top-level reader of a response document: sets the request id ("requestid" in any case) and, when it
// was given a closing element, hands its response to the parent.
class S3ServiceResponseUnmarshaller : public S3UnmarshallerXMLParserDelegate {
public:
    using ResponseSetter = std::function<void(const std::shared_ptr<S3ServiceResponse>&)>;

    S3ServiceResponseUnmarshaller() = default;
    S3ServiceResponseUnmarshaller(S3UnmarshallerXMLParserDelegate* caller, ResponseSetter parentSetter,
                                  const QString& alias = {})
        : S3UnmarshallerXMLParserDelegate(caller, alias), m_parentSetter(std::move(parentSetter)) {}

    // The object being filled; none in the base.
    virtual std::shared_ptr<S3ServiceResponse> response() { return nullptr; }

    void didEndElement(S3XMLParser& parser, const QString& elementName) override;

protected:
    ResponseSetter m_parentSetter;
};

} // namespace pelnix
