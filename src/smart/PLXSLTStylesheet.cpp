#include "smart/PLXSLTStylesheet.h"

#include <libxml/hash.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>
#include <libxslt/extensions.h>
#include <libxslt/security.h>
#include <libxslt/transform.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

#include <QMutex>
#include <QSet>

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <unordered_set>
#include <vector>

namespace pelnix {

namespace {

constexpr char kXSLTNamespace[] = "http://www.w3.org/1999/XSL/Transform";
// The namespace of our check points. A stylesheet that names it itself is refused, so only the
// check points we put in run.
constexpr char kBoundsNamespace[] = "urn:x-pelnix:xslt-bounds";

const xmlChar* X(const char* text) {
    return reinterpret_cast<const xmlChar*>(text);
}

// ---- Messages ------------------------------------------------------------------------------

// The messages of one compile or transform, kept for the caller's log line (bounded: a stylesheet
// can send xsl:message in a loop).
struct MessageSink {
    static constexpr int kMaxChars = 4096;
    QString text;
    int dropped = 0;
    void append(const QString& part) {
        if (text.size() >= kMaxChars) {
            ++dropped;
            return;
        }
        text.append(part.left(kMaxChars - text.size()));
    }
    QString summary() const {
        QString out = text.trimmed();
        if (dropped)
            out += QStringLiteral(" (%1 more messages)").arg(dropped);
        return out;
    }
};

void appendFormatted(void* context, const char* format, va_list args) {
    char buffer[512];
    std::vsnprintf(buffer, sizeof buffer, format, args);
    static_cast<MessageSink*>(context)->append(QString::fromUtf8(buffer));
}

// The transform's error function (xsltSetTransformErrorFunc) and libxml2's generic one.
void collectFormatted(void* context, const char* format, ...) {
    va_list args;
    va_start(args, format);
    appendFormatted(context, format, args);
    va_end(args);
}

void collectStructured(void* context, xmlErrorPtr error) {
    if (error && error->message)
        static_cast<MessageSink*>(context)->append(QString::fromUtf8(error->message));
}

// libxml2's error handlers of the calling thread (they are per thread in a threaded libxml2) point
// at `sink` for the lifetime of this object, then back at what they were. libxslt's own
// compile-time messages (and a few of its run-time ones) bypass them: they go to libxslt's
// process-wide xsltGenericError, which only xsltSetGenericErrorFunc (process-wide) could redirect.
class ThreadErrorCapture {
public:
    explicit ThreadErrorCapture(MessageSink* sink)
        : m_generic(xmlGenericError), m_genericContext(xmlGenericErrorContext),
          m_structured(xmlStructuredError), m_structuredContext(xmlStructuredErrorContext) {
        xmlSetGenericErrorFunc(sink, collectFormatted);
        xmlSetStructuredErrorFunc(sink, collectStructured);
    }
    ~ThreadErrorCapture() {
        xmlSetGenericErrorFunc(m_genericContext, m_generic);
        xmlSetStructuredErrorFunc(m_structuredContext, m_structured);
    }
    ThreadErrorCapture(const ThreadErrorCapture&) = delete;
    ThreadErrorCapture& operator=(const ThreadErrorCapture&) = delete;

private:
    xmlGenericErrorFunc m_generic;
    void* m_genericContext;
    xmlStructuredErrorFunc m_structured;
    void* m_structuredContext;
};

// ---- Limits --------------------------------------------------------------------------------

struct SharedLimits {
    QMutex mutex;
    PLXSLTStylesheet::Limits limits;
};

SharedLimits& sharedLimits() {
    static SharedLimits shared;
    return shared;
}

qint64 nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// ---- Preparing a stylesheet ----------------------------------------------------------------
//
// Before libxslt compiles the stylesheet, our check points go in as extension instructions of
// kBoundsNamespace: "g" before every instruction and literal element of every sequence
// constructor and at the start of every template and xsl:for-each body; "s" and "e" at the start
// and end of every content that builds a tree or string of its own (xsl:variable, xsl:param and
// xsl:with-param with content, xsl:attribute, xsl:comment, xsl:processing-instruction,
// xsl:message). The sort keys (xsl:sort select) and key values (xsl:key use) are wrapped in
// functions "c" and "k" that count what they hold. The same walk refuses what libxslt would only
// complain about on standard error: unknown or misplaced XSLT elements, XPath expressions that do
// not compile, documents that are no stylesheet.

bool isXSLT(const xmlNode* node) {
    return node && node->type == XML_ELEMENT_NODE && node->ns &&
           xmlStrEqual(node->ns->href, X(kXSLTNamespace));
}

bool isXSLT(const xmlNode* node, const char* name) {
    return isXSLT(node) && xmlStrEqual(node->name, X(name));
}

bool isBlank(const xmlNode* node) {
    return node->type == XML_COMMENT_NODE || node->type == XML_PI_NODE ||
           ((node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) && xmlIsBlankNode(node));
}

// Non-blank text or an element: the content would build something.
bool hasContent(const xmlNode* node) {
    for (const xmlNode* child = node->children; child; child = child->next) {
        if (child->type == XML_ELEMENT_NODE)
            return true;
        if ((child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) && !xmlIsBlankNode(child))
            return true;
    }
    return false;
}

QString nameOf(const xmlNode* node) {
    return QStringLiteral("xsl:") + QString::fromUtf8(reinterpret_cast<const char*>(node->name));
}

class Preparer {
public:
    Preparer(xmlDocPtr doc, MessageSink* sink) : m_doc(doc), m_sink(sink) {}
    ~Preparer() {
        if (m_xpath)
            xmlXPathFreeContext(m_xpath);
    }

    bool run(QString* error) {
        xmlNodePtr root = xmlDocGetRootElement(m_doc);
        if (!root)
            return fail(error, QStringLiteral("document is not a stylesheet"));
        if (!collectPrefixes(root))
            return fail(error, QStringLiteral("stylesheet names a reserved namespace"));
        if (!isXSLT(root, "stylesheet") && !isXSLT(root, "transform")) {
            root = wrapSimplifiedStylesheet(root);
            if (!root)
                return fail(error, QStringLiteral("document is not a stylesheet"));
        }
        m_xpath = xmlXPathNewContext(m_doc);
        if (!m_xpath)
            return fail(error, QStringLiteral("out of memory"));
        m_xpath->error = collectStructured;
        m_xpath->userData = m_sink;
        m_prefix = "plbounds";
        for (int n = 1; m_prefixes.contains(m_prefix); ++n)
            m_prefix = "plbounds" + QByteArray::number(n);
        m_ns = xmlNewNs(root, X(kBoundsNamespace), X(m_prefix.constData()));
        QByteArray prefixes = m_prefix;
        if (xmlChar* existing = xmlGetNoNsProp(root, X("extension-element-prefixes"))) {
            prefixes = QByteArray(reinterpret_cast<const char*>(existing)) + ' ' + m_prefix;
            xmlFree(existing);
        }
        xmlSetProp(root, X("extension-element-prefixes"), X(prefixes.constData()));
        topLevel(root);
        if (!m_error.isEmpty())
            return fail(error, m_error);
        return true;
    }

private:
    bool fail(QString* error, const QString& text) {
        if (error)
            *error = text;
        return false;
    }
    void refuse(const QString& text) {
        if (m_error.isEmpty())
            m_error = text;
    }

    // Every prefix in use, so ours is new; false when the document declares our namespace.
    bool collectPrefixes(const xmlNode* node) {
        for (; node; node = node->next) {
            if (node->type != XML_ELEMENT_NODE)
                continue;
            for (const xmlNs* ns = node->nsDef; ns; ns = ns->next) {
                if (ns->href && xmlStrEqual(ns->href, X(kBoundsNamespace)))
                    return false;
                if (ns->prefix)
                    m_prefixes.insert(QByteArray(reinterpret_cast<const char*>(ns->prefix)));
            }
            if (!collectPrefixes(node->children))
                return false;
        }
        return true;
    }

    // A literal result element with xsl:version is the body of a template for "/" (XSLT 1.0,
    // 2.3); it becomes that, so one walk serves both forms.
    xmlNodePtr wrapSimplifiedStylesheet(xmlNodePtr literal) {
        xmlChar* version = xmlGetNsProp(literal, X("version"), X(kXSLTNamespace));
        if (!version)
            return nullptr;
        xmlNodePtr sheet = xmlNewDocNode(m_doc, nullptr, X("stylesheet"), nullptr);
        xmlNsPtr xsl = xmlNewNs(sheet, X(kXSLTNamespace), X("xsl"));
        xmlSetNs(sheet, xsl);
        xmlSetProp(sheet, X("version"), version);
        xmlFree(version);
        xmlNodePtr templ = xmlNewDocNode(m_doc, xsl, X("template"), nullptr);
        xmlSetProp(templ, X("match"), X("/"));
        xmlAddChild(sheet, templ);
        xmlUnlinkNode(literal);
        xmlDocSetRootElement(m_doc, sheet);
        xmlAddChild(templ, literal);
        return sheet;
    }

    void checkExpression(xmlNodePtr node, const char* attribute) {
        xmlChar* value = xmlGetNoNsProp(node, X(attribute));
        if (!value)
            return;
        xmlXPathCompExprPtr compiled = xmlXPathCtxtCompile(m_xpath, value);
        if (!compiled)
            refuse(QStringLiteral("%1 %2=\"%3\" does not compile")
                       .arg(nameOf(node), QString::fromLatin1(attribute),
                            QString::fromUtf8(reinterpret_cast<const char*>(value)).left(80)));
        xmlXPathFreeCompExpr(compiled);
        xmlFree(value);
    }

    // The attribute's expression, wrapped in our counting function `function`.
    void wrapExpression(xmlNodePtr node, const char* attribute, const char* function) {
        checkExpression(node, attribute);
        xmlChar* value = xmlGetNoNsProp(node, X(attribute));
        if (!value)
            return;
        const QByteArray wrapped = m_prefix + ':' + function + '(' + reinterpret_cast<const char*>(value) + ')';
        xmlFree(value);
        xmlSetProp(node, X(attribute), X(wrapped.constData()));
    }

    // A sort key without select sorts by the string of "." (XSLT 1.0, 10).
    void wrapSortKey(xmlNodePtr sort) {
        if (!xmlHasProp(sort, X("select")))
            xmlSetProp(sort, X("select"), X("."));
        wrapExpression(sort, "select", "c");
    }

    xmlNodePtr checkPoint(const char* name) {
        return xmlNewDocNode(m_doc, m_ns, X(name), nullptr);
    }

    void topLevel(xmlNodePtr sheet) {
        for (xmlNodePtr node = sheet->children; node; node = node->next) {
            if (!isXSLT(node))
                continue; // data elements of other namespaces are ignored by XSLT
            if (isXSLT(node, "template")) {
                checkExpression(node, "match");
                constructor(node, "param", Kind::Body);
            } else if (isXSLT(node, "variable") || isXSLT(node, "param")) {
                output(node);
            } else if (isXSLT(node, "attribute-set")) {
                for (xmlNodePtr child = node->children; child; child = child->next) {
                    if (isXSLT(child, "attribute"))
                        output(child);
                }
            } else if (isXSLT(node, "key")) {
                checkExpression(node, "match");
                wrapExpression(node, "use", "k");
            } else if (isXSLT(node, "import") || isXSLT(node, "include")) {
                refuse(QStringLiteral("stylesheet imports or includes another file"));
            } else if (!isXSLT(node, "output") && !isXSLT(node, "strip-space") &&
                       !isXSLT(node, "preserve-space") && !isXSLT(node, "decimal-format") &&
                       !isXSLT(node, "namespace-alias")) {
                refuse(QStringLiteral("%1 is not allowed at the top level").arg(nameOf(node)));
            }
        }
    }

    // Content that builds a tree or a string of its own: "s" first, "e" last. Nothing is added to
    // an empty one, whose value stays the empty string.
    void output(xmlNodePtr node) {
        checkExpression(node, "select");
        if (!xmlHasProp(node, X("select")) && hasContent(node))
            constructor(node, nullptr, Kind::Output);
    }

    enum class Kind { Plain, Body, Output };

    // A sequence constructor: a check point before each element in it (after the leading
    // xsl:param or xsl:sort elements, which must come first), one at the start of a template or
    // xsl:for-each body, and the "s"/"e" pair around an Output content.
    void constructor(xmlNodePtr parent, const char* leading, Kind kind) {
        xmlNodePtr first = parent->children;
        for (; first; first = first->next) {
            if (isBlank(first))
                continue;
            if (leading && isXSLT(first, leading)) {
                if (xmlStrEqual(first->name, X("sort")))
                    wrapSortKey(first);
                else
                    output(first);
                continue;
            }
            break;
        }
        bool guarded = false;
        if (kind != Kind::Plain && first) {
            xmlAddPrevSibling(first, checkPoint(kind == Kind::Output ? "s" : "g"));
            guarded = true;
        }
        for (xmlNodePtr node = first; node;) {
            xmlNodePtr next = node->next;
            if (node->type == XML_ELEMENT_NODE) {
                if (!guarded && needsCheckPoint(node))
                    xmlAddPrevSibling(node, checkPoint("g"));
                instruction(node);
                guarded = false;
            } else if (!isBlank(node)) {
                guarded = false;
            }
            node = next;
        }
        if (kind == Kind::Output)
            xmlAddChild(parent, checkPoint("e"));
    }

    // Whether the element may do work in proportion to data, or start a loop or a call: every
    // such instruction gets a check point before it. The others (literal elements without
    // attribute value templates, xsl:text, xsl:if and xsl:choose, whose tests only read) do a
    // bounded amount of work of their own, and their content has its own check points.
    static bool needsCheckPoint(const xmlNode* node) {
        if (!isXSLT(node)) {
            for (const xmlAttr* attribute = node->properties; attribute; attribute = attribute->next) {
                for (const xmlNode* text = attribute->children; text; text = text->next) {
                    if (text->content && xmlStrchr(text->content, '{'))
                        return true;
                }
            }
            return false;
        }
        return !xmlStrEqual(node->name, X("text")) && !xmlStrEqual(node->name, X("if")) &&
               !xmlStrEqual(node->name, X("choose"));
    }

    void instruction(xmlNodePtr node) {
        if (!isXSLT(node)) {
            // A literal result element (or an extension element of another namespace, which
            // libxslt does not know and falls back from).
            constructor(node, nullptr, Kind::Plain);
            return;
        }
        const auto is = [&](const char* name) { return xmlStrEqual(node->name, X(name)); };
        if (is("for-each")) {
            checkExpression(node, "select");
            constructor(node, "sort", Kind::Body);
        } else if (is("if")) {
            checkExpression(node, "test");
            constructor(node, nullptr, Kind::Plain);
        } else if (is("choose")) {
            for (xmlNodePtr branch = node->children; branch; branch = branch->next) {
                if (isXSLT(branch, "when")) {
                    checkExpression(branch, "test");
                    constructor(branch, nullptr, Kind::Plain);
                } else if (isXSLT(branch, "otherwise")) {
                    constructor(branch, nullptr, Kind::Plain);
                } else if (branch->type == XML_ELEMENT_NODE) {
                    refuse(QStringLiteral("xsl:choose holds an element other than xsl:when or xsl:otherwise"));
                }
            }
        } else if (is("element") || is("copy") || is("fallback")) {
            constructor(node, nullptr, Kind::Plain);
        } else if (is("variable") || is("param") || is("message") || is("attribute") || is("comment") ||
                   is("processing-instruction")) {
            output(node);
        } else if (is("call-template") || is("apply-templates")) {
            checkExpression(node, "select");
            for (xmlNodePtr child = node->children; child; child = child->next) {
                if (isXSLT(child, "with-param"))
                    output(child);
                else if (isXSLT(child, "sort"))
                    wrapSortKey(child);
                else if (child->type == XML_ELEMENT_NODE)
                    refuse(QStringLiteral("%1 holds an element other than xsl:with-param or xsl:sort")
                               .arg(nameOf(node)));
            }
        } else if (is("value-of") || is("copy-of")) {
            checkExpression(node, "select");
        } else if (is("number")) {
            checkExpression(node, "value");
            checkExpression(node, "count");
            checkExpression(node, "from");
        } else if (is("text") || is("apply-imports")) {
        } else if (is("sort")) {
            refuse(QStringLiteral("xsl:sort is out of place"));
        } else if (is("document")) {
            refuse(QStringLiteral("stylesheet writes documents"));
        } else if (is("import") || is("include")) {
            refuse(QStringLiteral("stylesheet imports or includes another file"));
        } else {
            refuse(QStringLiteral("%1 is not an instruction here").arg(nameOf(node)));
        }
    }

    xmlDocPtr m_doc;
    MessageSink* m_sink;
    xmlXPathContextPtr m_xpath = nullptr;
    xmlNsPtr m_ns = nullptr;
    QByteArray m_prefix;
    QSet<QByteArray> m_prefixes;
    QString m_error;
};

// ---- Bounds of one transform ---------------------------------------------------------------
//
// The check points run on the transforming thread, between instructions, where every tree is
// whole. Each one checks the deadline; now and then (after a time of at least 1 ms, longer when
// measuring is slow, or when the XPath functions below have built much since) it measures all that
// the transform holds built: the result tree, the trees under construction ("s" pushes one, "e"
// pops it and remembers its size until the next check point of the construction that holds it),
// the tree fragments and strings of every variable and parameter, libxslt's lists of tree
// fragments, and what the counting functions charged. Past a bound the transform is moved to
// XSLT_STATE_STOPPED, which libxslt honours at its next instruction.

constexpr qint64 kNodeBytes = 136;      // an xmlNode and its allocation
constexpr qint64 kAttributeBytes = 112; // an xmlAttr and its allocation
constexpr qint64 kMinWalkIntervalNs = 1'000'000;
// translate() compares each character of its string with each of its map: more work than this
// (about a tenth of a second) stops the transform.
constexpr qint64 kMaxTranslateWork = 64ll * 1024 * 1024;

qint64 contentBytes(const xmlChar* content) {
    return content ? xmlStrlen(content) : 0;
}

qint64 nodeBytes(const xmlNode* node) {
    qint64 bytes = kNodeBytes;
    switch (node->type) {
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
        bytes += contentBytes(node->content);
        break;
    case XML_ELEMENT_NODE:
        for (const xmlAttr* attribute = node->properties; attribute; attribute = attribute->next) {
            bytes += kAttributeBytes;
            for (const xmlNode* text = attribute->children; text; text = text->next)
                bytes += kNodeBytes + contentBytes(text->content);
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
        return contentBytes(root->content);
    case XML_ATTRIBUTE_NODE: {
        qint64 total = 0;
        for (const xmlNode* text = root->children; text; text = text->next)
            total += contentBytes(text->content);
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
            total += contentBytes(node->content);
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

// The length of the string an XPath value converts to (all nodes' strings when `everyNode`).
qint64 stringBytes(xmlXPathObjectPtr value, qint64 budget, bool everyNode) {
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

xmlNodePtr rootOf(xmlNodePtr node) {
    while (node && node->parent)
        node = node->parent;
    return node;
}

class TransformBounds {
public:
    TransformBounds(const PLXSLTStylesheet::Limits& limits, xsltTransformContextPtr context)
        : m_limits(limits), m_context(context) {
        const qint64 now = nowNs();
        m_deadline = now + qint64(qMax(0, limits.timeMs)) * 1'000'000;
        m_nextWalk = now + kMinWalkIntervalNs;
        m_levels.push_back({nullptr, 0});
    }

    static TransformBounds* of(xsltTransformContextPtr context) {
        return context ? static_cast<TransformBounds*>(context->_private) : nullptr;
    }
    static TransformBounds* of(xmlXPathParserContextPtr parser) {
        return parser ? of(xsltXPathGetTransformContext(parser)) : nullptr;
    }

    const PLXSLTStylesheet::Limits& limits() const { return m_limits; }
    const QString& stopReason() const { return m_reason; }
    bool stopped() const { return !m_reason.isEmpty() || m_context->state == XSLT_STATE_STOPPED; }

    void stop(const QString& reason) {
        if (m_reason.isEmpty())
            m_reason = reason;
        m_context->state = XSLT_STATE_STOPPED;
    }

    // "g": the construction on top has moved to its next instruction; what its finished parts and
    // XPath functions built is now in the trees and variables the measure sees, or gone.
    void checkPoint() {
        noteResultDocument();
        m_levels.back().pending = 0;
        check();
    }
    // "s": a new tree or string is being built, in a tree of its own.
    void enter() {
        noteResultDocument();
        m_levels.push_back({rootOf(m_context->insert), 0});
        check();
    }
    // "e": it is complete; its size stays counted until the construction that holds it moves on.
    void leave() {

        if (m_levels.size() > 1) {
            xmlNodePtr root = rootOf(m_context->insert);
            m_levels.pop_back();
            if (root)
                charge(treeBytes(root, m_limits.maxBuiltBytes + 1), false);
        }
        check();
    }

    // What an XPath function built or a sort key or key value holds; false when that stopped the
    // transform.
    bool charge(qint64 bytes, bool forTheWholeTransform) {
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

    qint64 peakBuiltBytes() const { return m_peak; }

    // libxslt's variable lookup of this transform's XPath context, wrapped: once stopped, a
    // variable gives nothing, so that the instruction under way (say, a copy-of of a large tree)
    // does not finish its work while libxslt unwinds.
    void wrapVariableLookup() {
        xmlXPathContextPtr xpath = m_context->xpathCtxt;
        // libxslt's lookup takes the transform context as its data (and other parts of libxslt
        // may read it there): the data stays, only the function changes.
        if (!xpath->varLookupFunc || xpath->varLookupData != m_context)
            return;
        m_lookup = xpath->varLookupFunc;
        xpath->varLookupFunc = &TransformBounds::lookUpVariable;
    }

    // Everything built that is alive now.
    void walk() {
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
            xmlHashScan(m_context->globalVars, &TransformBounds::addGlobal, this);
        m_peak = qMax(m_peak, m_total);

        m_chargedSinceWalk = 0;
        const qint64 finished = nowNs();
        // Measuring takes at most about a fifth of the time.
        m_nextWalk = finished + qMax(kMinWalkIntervalNs, 4 * (finished - started));
        if (m_total > budget)
            stopForSize(m_total);
    }

private:
    struct Level {
        xmlNodePtr root;
        qint64 pending;
    };

    void noteResultDocument() {
        if (!m_result && m_context->output && !XSLT_IS_RES_TREE_FRAG(m_context->output))
            m_result = m_context->output;
    }

    void check() {
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

    void stopForSize(qint64 bytes) {
        stop(QStringLiteral("stopped: it built more than %1 bytes (%2 counted)")
                 .arg(m_limits.maxBuiltBytes)
                 .arg(bytes));
    }

    void addTree(xmlNodePtr root) {
        if (!root || !m_seen.insert(root).second)
            return;
        m_total += treeBytes(root, m_limits.maxBuiltBytes - m_total + 1);
    }

    void addValue(xmlXPathObjectPtr value) {
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

    void addVariable(xsltStackElemPtr elem) {
        for (xmlDocPtr doc = elem->fragment; doc; doc = reinterpret_cast<xmlDocPtr>(doc->next))
            addTree(reinterpret_cast<xmlNodePtr>(doc));
        addValue(elem->value);
    }

    static xmlXPathObjectPtr lookUpVariable(void* data, const xmlChar* name, const xmlChar* uri) {
        auto* context = static_cast<xsltTransformContextPtr>(data);
        TransformBounds* self = of(context);
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

    static void addGlobal(void* payload, void* data, const xmlChar*) {
        auto* self = static_cast<TransformBounds*>(data);
        if (payload && self->m_total <= self->m_limits.maxBuiltBytes)
            self->addVariable(static_cast<xsltStackElemPtr>(payload));
    }

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

// The check points.
void checkPointInstruction(xsltTransformContextPtr context, xmlNodePtr, xmlNodePtr, xsltElemPreCompPtr) {
    if (auto* bounds = TransformBounds::of(context))
        bounds->checkPoint();
}
void enterInstruction(xsltTransformContextPtr context, xmlNodePtr, xmlNodePtr, xsltElemPreCompPtr) {
    if (auto* bounds = TransformBounds::of(context))
        bounds->enter();
}
void leaveInstruction(xsltTransformContextPtr context, xmlNodePtr, xmlNodePtr, xsltElemPreCompPtr) {
    if (auto* bounds = TransformBounds::of(context))
        bounds->leave();
}

// ---- Bounded XPath functions ---------------------------------------------------------------
//
// Registered in the transform's own XPath context in place of the core functions that build
// strings (and of the substring searches, which libxml2 does in time |s| x |t|).

// Ends the XPath evaluation after a stop: libxslt then unwinds.
bool failWhenStopped(xmlXPathParserContextPtr parser, TransformBounds* bounds) {
    if (!bounds || !bounds->stopped())
        return false;
    xmlXPathErr(parser, XPATH_EXPR_ERROR);
    return true;
}

bool chargeResult(xmlXPathParserContextPtr parser, TransformBounds* bounds) {
    if (!bounds || parser->error != XPATH_EXPRESSION_OK || !parser->value ||
        parser->value->type != XPATH_STRING)
        return true;
    if (bounds->charge(contentBytes(parser->value->stringval), false))
        return true;
    xmlXPathErr(parser, XPATH_EXPR_ERROR);
    return false;
}

qint64 argumentBytes(xmlXPathParserContextPtr parser, int fromTop, qint64 budget) {
    if (parser->valueNr <= fromTop)
        return 0;
    return stringBytes(parser->valueTab[parser->valueNr - 1 - fromTop], budget, false);
}

void boundedConcat(xmlXPathParserContextPtr parser, int nargs) {
    auto* bounds = TransformBounds::of(parser);
    if (failWhenStopped(parser, bounds))
        return;
    if (bounds) {
        const qint64 cap = bounds->limits().maxOutputBytes;
        qint64 total = 0;
        for (int i = 0; i < nargs && total <= cap; ++i)
            total += argumentBytes(parser, i, cap - total);
        if (total > cap) {
            bounds->stop(QStringLiteral("stopped: concat() would build a string of more than %1 bytes").arg(cap));
            xmlXPathErr(parser, XPATH_EXPR_ERROR);
            return;
        }
    }
    xmlXPathConcatFunction(parser, nargs);
    chargeResult(parser, bounds);
}

void boundedTranslate(xmlXPathParserContextPtr parser, int nargs) {
    auto* bounds = TransformBounds::of(parser);
    if (failWhenStopped(parser, bounds))
        return;
    if (bounds && nargs == 3) {
        const qint64 cap = bounds->limits().maxOutputBytes;
        const qint64 text = argumentBytes(parser, 2, cap);
        const qint64 map = argumentBytes(parser, 1, cap);
        // A one-byte character may become a four-byte one.
        if (text * 4 > cap || text * map > kMaxTranslateWork) {
            bounds->stop(QStringLiteral("stopped: translate() of %1 bytes by a map of %2 bytes is past the bound")
                             .arg(text)
                             .arg(map));
            xmlXPathErr(parser, XPATH_EXPR_ERROR);
            return;
        }
    }
    xmlXPathTranslateFunction(parser, nargs);
    chargeResult(parser, bounds);
}

template <void (*Original)(xmlXPathParserContextPtr, int)>
void counted(xmlXPathParserContextPtr parser, int nargs) {
    auto* bounds = TransformBounds::of(parser);
    if (failWhenStopped(parser, bounds))
        return;
    Original(parser, nargs);
    chargeResult(parser, bounds);
}

bool hasArguments(xmlXPathParserContextPtr parser, int nargs, int expected) {
    if (nargs != expected) {
        xmlXPathErr(parser, XPATH_INVALID_ARITY);
        return false;
    }
    if (parser->valueNr < parser->valueFrame + expected) {
        xmlXPathErr(parser, XPATH_STACK_ERROR);
        return false;
    }
    return true;
}

enum class Search { Contains, Before, After };

// contains(), substring-before() and substring-after() in linear time.
template <Search kind>
void search(xmlXPathParserContextPtr parser, int nargs) {
    auto* bounds = TransformBounds::of(parser);
    if (failWhenStopped(parser, bounds))
        return;
    if (!hasArguments(parser, nargs, 2))
        return;
    xmlChar* needle = xmlXPathPopString(parser);
    xmlChar* haystack = xmlXPathPopString(parser);
    if (parser->error != XPATH_EXPRESSION_OK || !needle || !haystack) {
        xmlFree(needle);
        xmlFree(haystack);
        if (parser->error == XPATH_EXPRESSION_OK)
            xmlXPathErr(parser, XPATH_MEMORY_ERROR);
        return;
    }
    const size_t haystackLength = std::strlen(reinterpret_cast<const char*>(haystack));
    const size_t needleLength = std::strlen(reinterpret_cast<const char*>(needle));
    const auto* found = static_cast<const xmlChar*>(
        needleLength == 0 ? haystack : memmem(haystack, haystackLength, needle, needleLength));
    switch (kind) {
    case Search::Contains:
        valuePush(parser, xmlXPathNewBoolean(found != nullptr));
        break;
    case Search::Before:
        valuePush(parser, xmlXPathWrapString(found ? xmlStrndup(haystack, int(found - haystack))
                                                  : xmlStrdup(X(""))));
        break;
    case Search::After:
        valuePush(parser, xmlXPathWrapString(found ? xmlStrdup(found + needleLength) : xmlStrdup(X(""))));
        break;
    }
    xmlFree(needle);
    xmlFree(haystack);
    if (kind != Search::Contains)
        chargeResult(parser, bounds);
}

// "c" (sort keys) and "k" (key values, kept for the whole transform): the argument unchanged, its
// strings counted.
template <bool forTheWholeTransform>
void countValue(xmlXPathParserContextPtr parser, int nargs) {
    auto* bounds = TransformBounds::of(parser);
    if (failWhenStopped(parser, bounds))
        return;
    if (!hasArguments(parser, nargs, 1) || !bounds)
        return;
    const qint64 bytes = stringBytes(parser->value, bounds->limits().maxBuiltBytes, forTheWholeTransform);
    if (!bounds->charge(bytes, forTheWholeTransform))
        xmlXPathErr(parser, XPATH_EXPR_ERROR);
}

// The transform's XPath context finds our functions first: the core functions above in place of
// libxml2's, and "c" and "k" in our namespace; every other name goes to libxslt's lookup as
// before. (libxml2 keeps the function an expression resolved to in the compiled expression; every
// transform of a stylesheet resolves the same names to the same functions, so that is safe.)
xmlXPathFunction boundedFunction(const xmlChar* name, const xmlChar* uri) {
    if (uri) {
        if (!xmlStrEqual(uri, X(kBoundsNamespace)))
            return nullptr;
        if (xmlStrEqual(name, X("c")))
            return countValue<false>;
        if (xmlStrEqual(name, X("k")))
            return countValue<true>;
        return nullptr;
    }
    static const struct {
        const char* name;
        xmlXPathFunction function;
    } table[] = {
        {"concat", boundedConcat},
        {"translate", boundedTranslate},
        {"string", counted<xmlXPathStringFunction>},
        {"substring", counted<xmlXPathSubstringFunction>},
        {"normalize-space", counted<xmlXPathNormalizeFunction>},
        {"contains", search<Search::Contains>},
        {"substring-before", search<Search::Before>},
        {"substring-after", search<Search::After>},
    };
    for (const auto& entry : table) {
        if (xmlStrEqual(name, X(entry.name)))
            return entry.function;
    }
    return nullptr;
}

struct FunctionLookup {
    xmlXPathFuncLookupFunc original;
    void* data;
};

xmlXPathFunction lookUpFunction(void* data, const xmlChar* name, const xmlChar* uri) {
    if (xmlXPathFunction function = boundedFunction(name, uri))
        return function;
    auto* next = static_cast<FunctionLookup*>(data);
    return next->original ? next->original(next->data, name, uri) : nullptr;
}

void installBounds(xsltTransformContextPtr context, const PLXSLTStylesheet::Limits& limits,
                   FunctionLookup* lookup) {
    xsltRegisterExtElement(context, X("g"), X(kBoundsNamespace), checkPointInstruction);
    xsltRegisterExtElement(context, X("s"), X(kBoundsNamespace), enterInstruction);
    xsltRegisterExtElement(context, X("e"), X(kBoundsNamespace), leaveInstruction);
    xmlXPathContextPtr xpath = context->xpathCtxt;
    *lookup = {xpath->funcLookupFunc, xpath->funcLookupData};
    xmlXPathRegisterFuncLookup(xpath, lookUpFunction, lookup);
    xpath->opLimit = limits.maxXPathOperations;
    xpath->opCount = 0;
}

struct SecurityPrefs {
    xsltSecurityPrefsPtr prefs = xsltNewSecurityPrefs();
    SecurityPrefs() {
        for (xsltSecurityOption option :
             {XSLT_SECPREF_READ_FILE, XSLT_SECPREF_WRITE_FILE, XSLT_SECPREF_CREATE_DIRECTORY,
              XSLT_SECPREF_READ_NETWORK, XSLT_SECPREF_WRITE_NETWORK})
            xsltSetSecurityPrefs(prefs, option, xsltSecurityForbid);
    }
    ~SecurityPrefs() { xsltFreeSecurityPrefs(prefs); }
};

} // namespace

PLXSLTStylesheet::Limits PLXSLTStylesheet::limits() {
    SharedLimits& shared = sharedLimits();
    QMutexLocker lock(&shared.mutex);
    return shared.limits;
}

void PLXSLTStylesheet::setLimits(const Limits& limits) {
    SharedLimits& shared = sharedLimits();
    QMutexLocker lock(&shared.mutex);
    shared.limits = limits;
}

std::shared_ptr<const PLXSLTStylesheet> PLXSLTStylesheet::compile(const QByteArray& xslt, QString* error) {
    QString parseError;
    PLXMLDocument document = PLXMLDocument::documentWithXMLData(xslt, &parseError);
    if (document.isNull()) {
        if (error)
            *error = QStringLiteral("stylesheet is not well-formed: ") + parseError;
        return {};
    }
    MessageSink messages;
    ThreadErrorCapture capture(&messages);
    QString refused;
    if (!Preparer(document.doc(), &messages).run(&refused)) {
        if (error)
            *error = QStringLiteral("stylesheet refused: ") + refused;
        return {};
    }
    // On success the stylesheet owns the document; on failure it is still ours to free.
    xmlDocPtr doc = document.release();
    xsltStylesheetPtr style = xsltParseStylesheetDoc(doc);
    if (!style || style->errors > 0) {
        if (style)
            xsltFreeStylesheet(style);
        else
            xmlFreeDoc(doc);
        if (error) {
            *error = QStringLiteral("stylesheet does not compile");
            if (!messages.text.isEmpty())
                *error += QStringLiteral(": ") + messages.summary();
        }
        return {};
    }
    return std::shared_ptr<const PLXSLTStylesheet>(new PLXSLTStylesheet(style));
}

PLXSLTStylesheet::~PLXSLTStylesheet() {
    xsltFreeStylesheet(m_style);
}

std::optional<QString> PLXSLTStylesheet::transform(const PLXMLDocument& input, QString* error) const {
    return transform(input, limits(), error);
}

std::optional<QString> PLXSLTStylesheet::transform(const PLXMLDocument& input, const Limits& limits,
                                                   QString* error) const {
    if (input.isNull()) {
        if (error)
            *error = QStringLiteral("no input document");
        return std::nullopt;
    }
    static const SecurityPrefs security;
    MessageSink messages;
    xsltTransformContextPtr context = xsltNewTransformContext(m_style, input.doc());
    if (!context) {
        if (error)
            *error = QStringLiteral("out of memory");
        return std::nullopt;
    }
    xsltSetCtxtSecurityPrefs(security.prefs, context);
    xsltSetTransformErrorFunc(context, &messages, collectFormatted);
    context->xpathCtxt->error = collectStructured;
    context->xpathCtxt->userData = &messages;
    TransformBounds bounds(limits, context);
    context->_private = &bounds;
    FunctionLookup lookup;
    installBounds(context, limits, &lookup);
    bounds.wrapVariableLookup();
    xmlDocPtr result = nullptr;
    {
        ThreadErrorCapture capture(&messages);
        result = xsltApplyStylesheetUser(m_style, input.doc(), nullptr, nullptr, nullptr, context);
    }
    const bool failed = !result || context->state == XSLT_STATE_ERROR || context->state == XSLT_STATE_STOPPED ||
                  !bounds.stopReason().isEmpty();
    QString failure = bounds.stopReason();
    if (failure == QLatin1String("stopped after an error"))
        failure.clear(); // the messages say what the error was
    // libxml2 ends an XPath evaluation past the operation limit, and libxslt then stops quietly.
    if (failure.isEmpty() && limits.maxXPathOperations &&
        context->xpathCtxt->opCount >= limits.maxXPathOperations)
        failure = QStringLiteral("stopped after the bound of %1 XPath operations").arg(limits.maxXPathOperations);
    std::optional<QString> html;
    if (!failed) {
        xmlChar* buffer = nullptr;
        int size = 0;
        if (xsltSaveResultToString(&buffer, &size, result, m_style) == 0) {
            if (size > limits.maxOutputBytes)
                failure = QStringLiteral("output of %1 bytes passes the bound of %2 bytes")
                              .arg(size)
                              .arg(limits.maxOutputBytes);
            else
                html = QString::fromUtf8(reinterpret_cast<const char*>(buffer), size);
        }
        xmlFree(buffer);
    }
    xmlFreeDoc(result);
    context->_private = nullptr;
    xsltFreeTransformContext(context);
    if (!html && error) {
        if (failure.isEmpty())
            failure = messages.text.trimmed().isEmpty() ? QStringLiteral("transform failed") : messages.summary();
        else if (!messages.text.trimmed().isEmpty())
            failure += QStringLiteral(" (") + messages.summary() + QLatin1Char(')');
        *error = failure;
    }
    return html;
}

} // namespace pelnix
