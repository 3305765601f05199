#include "smart/XSLTTransformBounds.h"

#include "smart/XSLTBoundsNames.h"

#include <libxml/hash.h>
#include <libxml/xpathInternals.h>
#include <libxslt/extensions.h>

#include <chrono>

namespace pelnix {

using namespace xsltbounds;

namespace {

constexpr qint64 kNodeBytes = 136;      // an xmlNode and its allocation
constexpr qint64 kAttributeBytes = 112; // an xmlAttr and its allocation
constexpr qint64 kMinWalkIntervalNs = 1'000'000;

qint64 nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

qint64 nodeBytes(const xmlNode* node) {
    qint64 bytes = kNodeBytes;
    switch (node->type) {
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
        bytes += XSLTTransformBounds::contentBytes(node->content);
        break;
    case XML_ELEMENT_NODE:
        for (const xmlAttr* attribute = node->properties; attribute; attribute = attribute->next) {
            bytes += kAttributeBytes;
            for (const xmlNode* text = attribute->children; text; text = text->next)
                bytes += kNodeBytes + XSLTTransformBounds::contentBytes(text->content);
        }
        break;
    default:
        break;
    }
    return bytes;
}

bool descends(const xmlNode* node) {
    return node->children && node->type != XML_ENTITY_REF_NODE && node->type != XML_DTD_NODE &&
           node->type != XML_ATTRIBUTE_NODE && node->type != XML_ENTITY_DECL;
}

// The bytes of `root` and everything under it; stops counting past `budget`.
qint64 treeBytes(const xmlNode* root, qint64 budget) {
    qint64 total = 0;
    const xmlNode* node = root;
    while (node) {
        total += nodeBytes(node);
        if (total > budget)
            return total;
        if (descends(node)) {
            node = node->children;
            continue;
        }
        while (node != root && !node->next)
            node = node->parent;
        if (node == root)
            break;
        node = node->next;
    }
    return total;
}

// The length of a node's string value (its text, or all text under it).
qint64 stringValueBytes(const xmlNode* root, qint64 budget) {
    switch (root->type) {
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
        return XSLTTransformBounds::contentBytes(root->content);
    case XML_ATTRIBUTE_NODE: {
        qint64 total = 0;
        for (const xmlNode* text = root->children; text; text = text->next)
            total += XSLTTransformBounds::contentBytes(text->content);
        return total;
    }
    case XML_NAMESPACE_DECL:
        return 64;
    default:
        break;
    }
    qint64 total = 0;
    const xmlNode* node = root;
    while (node) {
        if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE)
            total += XSLTTransformBounds::contentBytes(node->content);
        if (total > budget)
            return total;
        if (descends(node) && node->type != XML_ATTRIBUTE_NODE) {
            node = node->children;
            continue;
        }
        while (node != root && !node->next)
            node = node->parent;
        if (node == root)
            break;
        node = node->next;
    }
    return total;
}

xmlNodePtr rootOf(xmlNodePtr node) {
    while (node && node->parent)
        node = node->parent;
    return node;
}

// The check points.
void checkPointInstruction(xsltTransformContextPtr context, xmlNodePtr, xmlNodePtr, xsltElemPreCompPtr) {
    if (auto* bounds = XSLTTransformBounds::of(context))
        bounds->checkPoint();
}
void enterInstruction(xsltTransformContextPtr context, xmlNodePtr, xmlNodePtr, xsltElemPreCompPtr) {
    if (auto* bounds = XSLTTransformBounds::of(context))
        bounds->enter();
}
void leaveInstruction(xsltTransformContextPtr context, xmlNodePtr, xmlNodePtr, xsltElemPreCompPtr) {
    if (auto* bounds = XSLTTransformBounds::of(context))
        bounds->leave();
}

} // namespace

XSLTTransformBounds::XSLTTransformBounds(const PLXSLTStylesheet::Limits& limits,
                                         xsltTransformContextPtr context)
    : m_limits(limits), m_context(context) {
    const qint64 now = nowNs();
    m_deadline = now + qint64(qMax(0, limits.timeMs)) * 1'000'000;
    m_nextWalk = now + kMinWalkIntervalNs;
    m_levels.push_back({nullptr, 0});
}

void XSLTTransformBounds::install() {
    xsltRegisterExtElement(m_context, X(kCheckPoint), X(kNamespace), checkPointInstruction);
    xsltRegisterExtElement(m_context, X(kEnter), X(kNamespace), enterInstruction);
    xsltRegisterExtElement(m_context, X(kLeave), X(kNamespace), leaveInstruction);
    m_context->xpathCtxt->opLimit = m_limits.maxXPathOperations;
    m_context->xpathCtxt->opCount = 0;
    wrapVariableLookup();
}

void XSLTTransformBounds::stop(const QString& reason) {
    if (m_reason.isEmpty())
        m_reason = reason;
    m_context->state = XSLT_STATE_STOPPED;
}

// "g": the construction on top has moved to its next instruction; what its finished parts and
// XPath functions built is now in the trees and variables the measure sees, or gone.
void XSLTTransformBounds::checkPoint() {
    noteResultDocument();
    m_levels.back().pending = 0;
    check();
}

// "s": a new tree or string is being built, in a tree of its own.
void XSLTTransformBounds::enter() {
    noteResultDocument();
    m_levels.push_back({rootOf(m_context->insert), 0});
    check();
}

// "e": it is complete; its size stays counted until the construction that holds it moves on.
void XSLTTransformBounds::leave() {
    if (m_levels.size() > 1) {
        xmlNodePtr root = rootOf(m_context->insert);
        m_levels.pop_back();
        if (root)
            charge(treeBytes(root, m_limits.maxBuiltBytes + 1), false);
    }
    check();
}

bool XSLTTransformBounds::charge(qint64 bytes, bool forTheWholeTransform) {
    if (forTheWholeTransform)
        m_permanent += bytes;
    else
        m_levels.back().pending += bytes;
    m_chargedSinceWalk += bytes;
    if (m_levels.back().pending + m_permanent > m_limits.maxBuiltBytes) {
        stopForSize(m_levels.back().pending + m_permanent);
        return false;
    }
    if (m_chargedSinceWalk > m_limits.maxBuiltBytes / 4)
        walk();
    return !stopped();
}

// libxslt's variable lookup of this transform's XPath context, wrapped: once stopped, a
// variable gives nothing, so that the instruction under way (say, a copy-of of a large tree)
// does not finish its work while libxslt unwinds.
void XSLTTransformBounds::wrapVariableLookup() {
    xmlXPathContextPtr xpath = m_context->xpathCtxt;
    // libxslt's lookup takes the transform context as its data (and other parts of libxslt
    // may read it there): the data stays, only the function changes.
    if (!xpath->varLookupFunc || xpath->varLookupData != m_context)
        return;
    m_lookup = xpath->varLookupFunc;
    xpath->varLookupFunc = &XSLTTransformBounds::lookUpVariable;
}

void XSLTTransformBounds::walk() {
    if (m_context->state != XSLT_STATE_OK)
        return;
    const qint64 started = nowNs();
    const qint64 budget = m_limits.maxBuiltBytes;
    m_total = m_permanent;
    m_seen.clear();
    addTree(reinterpret_cast<xmlNodePtr>(m_result));
    addTree(reinterpret_cast<xmlNodePtr>(m_context->output));
    for (const Level& level : m_levels) {
        m_total += level.pending;
        addTree(level.root);
    }
    for (xmlDocPtr list : {m_context->tmpRVT, m_context->persistRVT, m_context->localRVT}) {
        for (xmlDocPtr doc = list; doc && m_total <= budget; doc = reinterpret_cast<xmlDocPtr>(doc->next))
            addTree(reinterpret_cast<xmlNodePtr>(doc));
    }
    for (int i = 0; i < m_context->varsNr && m_total <= budget; ++i) {
        for (xsltStackElemPtr elem = m_context->varsTab[i]; elem && m_total <= budget; elem = elem->next)
            addVariable(elem);
    }
    if (m_context->globalVars && m_total <= budget)
        xmlHashScan(m_context->globalVars, &XSLTTransformBounds::addGlobal, this);
    m_peak = qMax(m_peak, m_total);

    m_chargedSinceWalk = 0;
    const qint64 finished = nowNs();
    // Measuring takes at most about a fifth of the time.
    m_nextWalk = finished + qMax(kMinWalkIntervalNs, 4 * (finished - started));
    if (m_total > budget)
        stopForSize(m_total);
}

void XSLTTransformBounds::noteResultDocument() {
    if (!m_result && m_context->output && !XSLT_IS_RES_TREE_FRAG(m_context->output))
        m_result = m_context->output;
}

void XSLTTransformBounds::check() {
    if (stopped())
        return;
    // A transform in error fails anyway; stopping it at once also keeps the measure off trees
    // whose construction an error may have left without its "e".
    if (m_context->state != XSLT_STATE_OK) {
        stop(QStringLiteral("stopped after an error"));
        return;
    }
    // Stopped just before libxslt's own depth guard would trip, which also prints the template
    // stack on standard error.
    if (m_context->depth >= m_context->maxTemplateDepth - 2 ||
        m_context->varsNr >= m_context->maxTemplateVars - 2) {
        stop(QStringLiteral("stopped: templates or variables nested deeper than %1")
                 .arg(qMin(m_context->maxTemplateDepth, m_context->maxTemplateVars)));
        return;
    }
    const qint64 now = nowNs();
    if (now >= m_deadline) {
        stop(QStringLiteral("stopped after the time bound of %1 ms").arg(m_limits.timeMs));
        return;
    }
    if (now >= m_nextWalk)
        walk();
}

void XSLTTransformBounds::stopForSize(qint64 bytes) {
    stop(QStringLiteral("stopped: it built more than %1 bytes (%2 counted)")
             .arg(m_limits.maxBuiltBytes)
             .arg(bytes));
}

void XSLTTransformBounds::addTree(xmlNodePtr root) {
    if (!root || !m_seen.insert(root).second)
        return;
    m_total += treeBytes(root, m_limits.maxBuiltBytes - m_total + 1);
}

void XSLTTransformBounds::addValue(xmlXPathObjectPtr value) {
    if (!value)
        return;
    if (value->type == XPATH_STRING) {
        m_total += contentBytes(value->stringval) + 16;
    } else if ((value->type == XPATH_NODESET || value->type == XPATH_XSLT_TREE) && value->nodesetval) {
        const xmlNodeSetPtr set = value->nodesetval;
        m_total += qint64(set->nodeMax) * qint64(sizeof(xmlNodePtr));
        if (value->type == XPATH_XSLT_TREE) {
            for (int i = 0; i < set->nodeNr && m_total <= m_limits.maxBuiltBytes; ++i)
                addTree(rootOf(set->nodeTab[i]));
        }
    }
}

void XSLTTransformBounds::addVariable(xsltStackElemPtr elem) {
    for (xmlDocPtr doc = elem->fragment; doc; doc = reinterpret_cast<xmlDocPtr>(doc->next))
        addTree(reinterpret_cast<xmlNodePtr>(doc));
    addValue(elem->value);
}

xmlXPathObjectPtr XSLTTransformBounds::lookUpVariable(void* data, const xmlChar* name, const xmlChar* uri) {
    auto* context = static_cast<xsltTransformContextPtr>(data);
    XSLTTransformBounds* self = of(context);
    if (!self || self->stopped())
        return nullptr;
    xmlXPathObjectPtr value = self->m_lookup(data, name, uri);
    // Computing a global variable may have stopped the transform.
    if (value && self->stopped()) {
        xmlXPathFreeObject(value);
        return nullptr;
    }
    return value;
}

void XSLTTransformBounds::addGlobal(void* payload, void* data, const xmlChar*) {
    auto* self = static_cast<XSLTTransformBounds*>(data);
    if (payload && self->m_total <= self->m_limits.maxBuiltBytes)
        self->addVariable(static_cast<xsltStackElemPtr>(payload));
}

qint64 XSLTTransformBounds::stringBytes(xmlXPathObjectPtr value, qint64 budget, bool everyNode) {
    if (!value)
        return 0;
    switch (value->type) {
    case XPATH_STRING:
        return contentBytes(value->stringval);
    case XPATH_NODESET:
    case XPATH_XSLT_TREE: {
        xmlNodeSetPtr set = value->nodesetval;
        if (!set || set->nodeNr == 0 || !set->nodeTab)
            return 0;
        if (!everyNode) {
            // The string value of a node-set is that of its first node in document order.
            if (set->nodeNr > 1)
                xmlXPathNodeSetSort(set);
            return stringValueBytes(set->nodeTab[0], budget);
        }
        qint64 total = 0;
        for (int i = 0; i < set->nodeNr && total <= budget; ++i)
            total += stringValueBytes(set->nodeTab[i], budget - total) + 16;
        return total;
    }
    default:
        return 32;
    }
}

} // namespace pelnix
