#include "smart/XSLTStylesheetPreparer.h"

#include "smart/XSLTBoundsNames.h"

#include <libxml/xpath.h>

namespace pelnix {

using namespace xsltbounds;

namespace {

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

QString qualifiedName(const xmlNode* node) {
    const QString local = QString::fromUtf8(reinterpret_cast<const char*>(node->name)).left(80);
    if (!node->ns || !node->ns->prefix)
        return local;
    return QString::fromUtf8(reinterpret_cast<const char*>(node->ns->prefix)).left(80) + QLatin1Char(':') +
           local;
}

QByteArray text(const xmlChar* value) {
    return QByteArray(reinterpret_cast<const char*>(value));
}

} // namespace

XSLTStylesheetPreparer::XSLTStylesheetPreparer(xmlDocPtr doc, XSLTMessageSink* sink)
    : m_doc(doc), m_sink(sink) {}

XSLTStylesheetPreparer::~XSLTStylesheetPreparer() {
    if (m_xpath)
        xmlXPathFreeContext(m_xpath);
}

bool XSLTStylesheetPreparer::run(QString* error) {
    xmlNodePtr root = xmlDocGetRootElement(m_doc);
    if (!root)
        return fail(error, QStringLiteral("document is not a stylesheet"));
    if (!collectPrefixes(root))
        return fail(error, QStringLiteral("stylesheet names a reserved namespace"));
    collectExtensionNamespaces(root);
    if (!isXSLT(root, "stylesheet") && !isXSLT(root, "transform")) {
        root = wrapSimplifiedStylesheet(root);
        if (!root)
            return fail(error, QStringLiteral("document is not a stylesheet"));
    }
    m_xpath = xmlXPathNewContext(m_doc);
    if (!m_xpath)
        return fail(error, QStringLiteral("out of memory"));
    m_xpath->error = XSLTMessageSink::collectStructured;
    m_xpath->userData = m_sink;
    m_prefix = "plbounds";
    for (int n = 1; m_prefixes.contains(m_prefix); ++n)
        m_prefix = "plbounds" + QByteArray::number(n);
    m_ns = xmlNewNs(root, X(kNamespace), X(m_prefix.constData()));
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

bool XSLTStylesheetPreparer::fail(QString* error, const QString& text) {
    if (error)
        *error = text;
    return false;
}

void XSLTStylesheetPreparer::refuse(const QString& text) {
    if (m_error.isEmpty())
        m_error = text;
}

// Every prefix in use, so ours is new; false when the document declares our namespace.
bool XSLTStylesheetPreparer::collectPrefixes(const xmlNode* node) {
    for (; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE)
            continue;
        for (const xmlNs* ns = node->nsDef; ns; ns = ns->next) {
            if (ns->href && xmlStrEqual(ns->href, X(kNamespace)))
                return false;
            if (ns->prefix)
                m_prefixes.insert(QByteArray(reinterpret_cast<const char*>(ns->prefix)));
        }
        if (!collectPrefixes(node->children))
            return false;
    }
    return true;
}

// The namespaces that extension-element-prefixes (on the stylesheet element) and
// xsl:extension-element-prefixes (on literal result elements) declare, anywhere in the document:
// libxslt keeps them for the whole stylesheet.
void XSLTStylesheetPreparer::collectExtensionNamespaces(xmlNodePtr node) {
    for (; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE)
            continue;
        xmlChar* declared = isXSLT(node)
                                ? xmlGetNoNsProp(node, X("extension-element-prefixes"))
                                : xmlGetNsProp(node, X("extension-element-prefixes"), X(kXSLTNamespace));
        if (declared) {
            for (const QByteArray& prefix : text(declared).simplified().split(' ')) {
                if (prefix.isEmpty())
                    continue;
                m_extensionPrefixes.insert(prefix);
                const bool isDefault = prefix == "#default";
                if (const xmlNs* ns = xmlSearchNs(m_doc, node, isDefault ? nullptr : X(prefix.constData())))
                    m_extensionURIs.insert(text(ns->href));
            }
            xmlFree(declared);
        }
        collectExtensionNamespaces(node->children);
    }
}

bool XSLTStylesheetPreparer::isExtensionElement(const xmlNode* node) const {
    if (isXSLT(node) || node->type != XML_ELEMENT_NODE)
        return false;
    const QByteArray prefix = node->ns && node->ns->prefix ? text(node->ns->prefix) : QByteArray("#default");
    return m_extensionPrefixes.contains(prefix) ||
           (node->ns && m_extensionURIs.contains(text(node->ns->href)));
}

// A literal result element with xsl:version is the body of a template for "/" (XSLT 1.0,
// 2.3); it becomes that, so one walk serves both forms.
xmlNodePtr XSLTStylesheetPreparer::wrapSimplifiedStylesheet(xmlNodePtr literal) {
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

void XSLTStylesheetPreparer::checkExpression(xmlNodePtr node, const char* attribute) {
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
void XSLTStylesheetPreparer::wrapExpression(xmlNodePtr node, const char* attribute, const char* function) {
    checkExpression(node, attribute);
    xmlChar* value = xmlGetNoNsProp(node, X(attribute));
    if (!value)
        return;
    const QByteArray wrapped = m_prefix + ':' + function + '(' + reinterpret_cast<const char*>(value) + ')';
    xmlFree(value);
    xmlSetProp(node, X(attribute), X(wrapped.constData()));
}

// A sort key without select sorts by the string of "." (XSLT 1.0, 10).
void XSLTStylesheetPreparer::wrapSortKey(xmlNodePtr sort) {
    if (!xmlHasProp(sort, X("select")))
        xmlSetProp(sort, X("select"), X("."));
    wrapExpression(sort, "select", kCountSortKey);
}

xmlNodePtr XSLTStylesheetPreparer::checkPoint(const char* name) {
    return xmlNewDocNode(m_doc, m_ns, X(name), nullptr);
}

void XSLTStylesheetPreparer::topLevel(xmlNodePtr sheet) {
    for (xmlNodePtr node = sheet->children; node; node = node->next) {
        if (isExtensionElement(node))
            refuse(QStringLiteral("stylesheet uses the extension element %1, which is not offered")
                       .arg(qualifiedName(node)));
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
            wrapExpression(node, "use", kCountKeyValue);
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
void XSLTStylesheetPreparer::output(xmlNodePtr node) {
    checkExpression(node, "select");
    if (!xmlHasProp(node, X("select")) && hasContent(node))
        constructor(node, nullptr, Kind::Output);
}

// A sequence constructor: a check point before each element in it (after the leading
// xsl:param or xsl:sort elements, which must come first), one at the start of a template or
// xsl:for-each body, and the "s"/"e" pair around an Output content.
void XSLTStylesheetPreparer::constructor(xmlNodePtr parent, const char* leading, Kind kind) {
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
        xmlAddPrevSibling(first, checkPoint(kind == Kind::Output ? kEnter : kCheckPoint));
        guarded = true;
    }
    for (xmlNodePtr node = first; node;) {
        xmlNodePtr next = node->next;
        if (node->type == XML_ELEMENT_NODE) {
            if (!guarded && needsCheckPoint(node))
                xmlAddPrevSibling(node, checkPoint(kCheckPoint));
            instruction(node);
            guarded = false;
        } else if (!isBlank(node)) {
            guarded = false;
        }
        node = next;
    }
    if (kind == Kind::Output)
        xmlAddChild(parent, checkPoint(kLeave));
}

// Whether the element may do work in proportion to data, or start a loop or a call: every
// such instruction gets a check point before it. The others (literal elements without
// attribute value templates, xsl:text, xsl:if and xsl:choose, whose tests only read) do a
// bounded amount of work of their own, and their content has its own check points.
bool XSLTStylesheetPreparer::needsCheckPoint(const xmlNode* node) {
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

void XSLTStylesheetPreparer::instruction(xmlNodePtr node) {
    if (!isXSLT(node)) {
        if (isExtensionElement(node))
            refuse(QStringLiteral("stylesheet uses the extension element %1, which is not offered")
                       .arg(qualifiedName(node)));
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

} // namespace pelnix
