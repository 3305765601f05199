#pragma once

#include "smart/XSLTMessageSink.h"

#include <QByteArray>
#include <QSet>
#include <QString>

#include <libxml/tree.h>
#include <libxml/xpath.h>

namespace pelnix {

// Before libxslt compiles a stylesheet, our check points go in as extension instructions of the
// bounds namespace (XSLTBoundsNames.h): "g" before every instruction and literal element of every
// sequence constructor and at the start of every template and xsl:for-each body; "s" and "e" at
// the start and end of every content that builds a tree or string of its own (xsl:variable,
// xsl:param and xsl:with-param with content, xsl:attribute, xsl:comment,
// xsl:processing-instruction, xsl:message). The sort keys (xsl:sort select) and key values
// (xsl:key use) are wrapped in functions "c" and "k" that count what they hold. The same walk
// refuses what libxslt would only complain about on standard error: unknown or misplaced XSLT
// elements, XPath expressions that do not compile, documents that are no stylesheet. It also
// refuses every extension element: the library offers stylesheets none, and those libxslt knows
// itself (libxslt:debug, saxon:output, ...) write to standard error or to files.
class XSLTStylesheetPreparer {
public:
    // XPath compile errors go to `sink`.
    XSLTStylesheetPreparer(xmlDocPtr doc, XSLTMessageSink* sink);
    ~XSLTStylesheetPreparer();
    XSLTStylesheetPreparer(const XSLTStylesheetPreparer&) = delete;
    XSLTStylesheetPreparer& operator=(const XSLTStylesheetPreparer&) = delete;

    // Changes the document in place; false, with `error` set, when the stylesheet is refused.
    bool run(QString* error);

private:
    enum class Kind { Plain, Body, Output };

    bool fail(QString* error, const QString& text);
    void refuse(const QString& text);
    bool collectPrefixes(const xmlNode* node);
    void collectExtensionNamespaces(xmlNodePtr node);
    bool isExtensionElement(const xmlNode* node) const;
    xmlNodePtr wrapSimplifiedStylesheet(xmlNodePtr literal);
    void checkExpression(xmlNodePtr node, const char* attribute);
    void wrapExpression(xmlNodePtr node, const char* attribute, const char* function);
    void wrapSortKey(xmlNodePtr sort);
    xmlNodePtr checkPoint(const char* name);
    void topLevel(xmlNodePtr sheet);
    void output(xmlNodePtr node);
    void constructor(xmlNodePtr parent, const char* leading, Kind kind);
    static bool needsCheckPoint(const xmlNode* node);
    void instruction(xmlNodePtr node);

    xmlDocPtr m_doc;
    XSLTMessageSink* m_sink;
    xmlXPathContextPtr m_xpath = nullptr;
    xmlNsPtr m_ns = nullptr;
    QByteArray m_prefix;
    QSet<QByteArray> m_prefixes;
    // What the stylesheet declares as extension namespaces, by prefix ("#default" for none) and by
    // URI: libxslt matches by prefix, the standard by URI.
    QSet<QByteArray> m_extensionPrefixes;
    QSet<QByteArray> m_extensionURIs;
    QString m_error;
};

} // namespace pelnix
