#pragma once

#include "smart/XSLTMessageSink.h"

#include <libxml/globals.h>

namespace pelnix {

// libxml2's error handlers of the calling thread (they are per thread in a threaded libxml2) point
// at `sink` for the lifetime of this object, then back at what they were. libxslt's own
// compile-time messages (and a few of its run-time ones) bypass them: they go to libxslt's
// process-wide xsltGenericError, which only xsltSetGenericErrorFunc (process-wide) could redirect.
class XSLTErrorCapture {
public:
    explicit XSLTErrorCapture(XSLTMessageSink* sink);
    ~XSLTErrorCapture();
    XSLTErrorCapture(const XSLTErrorCapture&) = delete;
    XSLTErrorCapture& operator=(const XSLTErrorCapture&) = delete;

private:
    xmlGenericErrorFunc m_generic;
    void* m_genericContext;
    xmlStructuredErrorFunc m_structured;
    void* m_structuredContext;
};

} // namespace pelnix
