#pragma once

#include "smart/PLXSLTStylesheet.h"

#include <QString>

#include <libxml/xpath.h>
#include <libxslt/extensions.h>
#include <libxslt/xsltInternals.h>

#include <unordered_set>
#include <vector>

namespace pelnix {

// The bounds of one transform, kept in its context's _private while it runs.
//
// The check points run on the transforming thread, between instructions, where every tree is
// whole. Each one checks the deadline; now and then (after a time of at least 1 ms, longer when
// measuring is slow, or when the bounded XPath functions have built much since) it measures all
// that the transform holds built: the result tree, the trees under construction ("s" pushes one,
// "e" pops it and remembers its size until the next check point of the construction that holds
// it), the tree fragments and strings of every variable and parameter, libxslt's lists of tree
// fragments, and what the counting functions charged. Past a bound the transform is moved to
// XSLT_STATE_STOPPED, which libxslt honours at its next instruction.
class XSLTTransformBounds {
public:
    XSLTTransformBounds(const PLXSLTStylesheet::Limits& limits, xsltTransformContextPtr context);
    XSLTTransformBounds(const XSLTTransformBounds&) = delete;
    XSLTTransformBounds& operator=(const XSLTTransformBounds&) = delete;

    // On this transform's context only: registers the check points, sets the XPath operation limit
    // and wraps the variable lookup.
    void install();

    static XSLTTransformBounds* of(xsltTransformContextPtr context) {
        return context ? static_cast<XSLTTransformBounds*>(context->_private) : nullptr;
    }
    static XSLTTransformBounds* of(xmlXPathParserContextPtr parser) {
        return parser ? of(xsltXPathGetTransformContext(parser)) : nullptr;
    }

    const PLXSLTStylesheet::Limits& limits() const { return m_limits; }
    const QString& stopReason() const { return m_reason; }
    bool stopped() const { return !m_reason.isEmpty() || m_context->state == XSLT_STATE_STOPPED; }

    void stop(const QString& reason);

    // The check points "g", "s" and "e".
    void checkPoint();
    void enter();
    void leave();

    // What an XPath function built or a sort key or key value holds; false when that stopped the
    // transform.
    bool charge(qint64 bytes, bool forTheWholeTransform);

    qint64 peakBuiltBytes() const { return m_peak; }

    // Everything built that is alive now.
    void walk();

    static qint64 contentBytes(const xmlChar* content) { return content ? xmlStrlen(content) : 0; }
    // The length of the string an XPath value converts to (all nodes' strings when `everyNode`).
    static qint64 stringBytes(xmlXPathObjectPtr value, qint64 budget, bool everyNode);

private:
    struct Level {
        xmlNodePtr root;
        qint64 pending;
    };

    void wrapVariableLookup();
    void noteResultDocument();
    void check();
    void stopForSize(qint64 bytes);
    void addTree(xmlNodePtr root);
    void addValue(xmlXPathObjectPtr value);
    void addVariable(xsltStackElemPtr elem);
    static xmlXPathObjectPtr lookUpVariable(void* data, const xmlChar* name, const xmlChar* uri);
    static void addGlobal(void* payload, void* data, const xmlChar*);

    PLXSLTStylesheet::Limits m_limits;
    xsltTransformContextPtr m_context;
    qint64 m_deadline;
    qint64 m_nextWalk;
    QString m_reason;
    xmlDocPtr m_result = nullptr;
    std::vector<Level> m_levels;
    qint64 m_permanent = 0;
    qint64 m_chargedSinceWalk = 0;
    qint64 m_total = 0;
    qint64 m_peak = 0;
    std::unordered_set<const void*> m_seen;
    xmlXPathVariableLookupFunc m_lookup = nullptr;
};

} // namespace pelnix
