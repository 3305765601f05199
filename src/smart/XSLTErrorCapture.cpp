#include "smart/XSLTErrorCapture.h"

namespace pelnix {

XSLTErrorCapture::XSLTErrorCapture(XSLTMessageSink* sink)
    : m_generic(xmlGenericError), m_genericContext(xmlGenericErrorContext), m_structured(xmlStructuredError),
      m_structuredContext(xmlStructuredErrorContext) {
    xmlSetGenericErrorFunc(sink, XSLTMessageSink::collectFormatted);
    xmlSetStructuredErrorFunc(sink, XSLTMessageSink::collectStructured);
}

XSLTErrorCapture::~XSLTErrorCapture() {
    xmlSetGenericErrorFunc(m_genericContext, m_generic);
    xmlSetStructuredErrorFunc(m_structuredContext, m_structured);
}

} // namespace pelnix
