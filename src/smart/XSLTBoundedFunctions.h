#pragma once

#include <libxml/xpath.h>
#include <libxslt/xsltInternals.h>

namespace pelnix {

// The XPath functions of one transform that build strings (concat, translate, string, substring,
// normalize-space), bounded by the transform's XSLTTransformBounds, and the substring searches
// (contains, substring-before, substring-after) in linear time instead of libxml2's |s| x |t|;
// with them "c" and "k" of the bounds namespace, which count what sort keys and key values hold.
//
// The transform's own XPath context finds these first; every other name goes to the lookup it had
// (libxslt's). libxml2 keeps the function an expression resolved to in the compiled expression;
// every transform of a stylesheet resolves the same names to the same functions, so that is safe.
class XSLTBoundedFunctions {
public:
    // Must outlive the transform: the context's lookup points at this object.
    explicit XSLTBoundedFunctions(xsltTransformContextPtr context);
    XSLTBoundedFunctions(const XSLTBoundedFunctions&) = delete;
    XSLTBoundedFunctions& operator=(const XSLTBoundedFunctions&) = delete;

private:
    static xmlXPathFunction lookUp(void* data, const xmlChar* name, const xmlChar* uri);

    xmlXPathFuncLookupFunc m_original;
    void* m_data;
};

} // namespace pelnix
