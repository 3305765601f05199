#pragma once

#include "media/s3/S3UnmarshallerXMLParserDelegate.h"
#include "media/s3/S3XMLParser.h"

#include <functional>
#include <memory>

namespace pelnix {

// A reader of one element into one result object, made on first use. When its closing element ends it
// gives the parser back to its caller and hands the result to its parent.
template <class Result> class S3ResultUnmarshaller : public S3UnmarshallerXMLParserDelegate {
public:
    using Setter = std::function<void(const std::shared_ptr<Result>&)>;

    S3ResultUnmarshaller(S3UnmarshallerXMLParserDelegate* caller, Setter parentSetter, const QString& closing,
                         const QString& alias = {})
        : S3UnmarshallerXMLParserDelegate(caller, alias), m_parentSetter(std::move(parentSetter)),
          m_closing(closing) {}

    std::shared_ptr<Result> result() {
        if (!m_result)
            m_result = std::make_shared<Result>();
        return m_result;
    }

protected:
    bool closes(const QString& elementName) const {
        return elementName == (m_endElementTagName.isEmpty() ? m_closing : m_endElementTagName);
    }
    void handOver(S3XMLParser& parser) {
        returnToCaller(parser);
        if (m_parentSetter)
            m_parentSetter(result());
    }

    Setter m_parentSetter;
    QString m_closing;
    std::shared_ptr<Result> m_result;
};

} // namespace pelnix
