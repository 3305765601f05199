#include "smart/PLXSLTStylesheet.h"

#include <libxml/tree.h>
#include <libxslt/security.h>
#include <libxslt/transform.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

#include <cstdarg>
#include <cstdio>

namespace pelnix {

namespace {

constexpr char kXSLTNamespace[] = "http://www.w3.org/1999/XSL/Transform";

// Imports and includes are read while compiling, before any transform context exists, so they are
// refused here rather than through process-wide security settings.
const xmlNode* findExternalReference(const xmlNode* node) {
    for (; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE)
            continue;
        if (node->ns && xmlStrEqual(node->ns->href, reinterpret_cast<const xmlChar*>(kXSLTNamespace)) &&
            (xmlStrEqual(node->name, reinterpret_cast<const xmlChar*>("import")) ||
             xmlStrEqual(node->name, reinterpret_cast<const xmlChar*>("include"))))
            return node;
        if (const xmlNode* found = findExternalReference(node->children))
            return found;
    }
    return nullptr;
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

// Collects the transform's messages for the caller instead of libxslt's standard error output.
void collectError(void* context, const char* format, ...) {
    auto* text = static_cast<QString*>(context);
    char buffer[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    text->append(QString::fromUtf8(buffer));
}

} // namespace

std::shared_ptr<const PLXSLTStylesheet> PLXSLTStylesheet::compile(const QByteArray& xslt, QString* error) {
    QString parseError;
    PLXMLDocument document = PLXMLDocument::documentWithXMLData(xslt, &parseError);
    if (document.isNull()) {
        if (error)
            *error = QStringLiteral("stylesheet is not well-formed: ") + parseError;
        return {};
    }
    if (findExternalReference(xmlDocGetRootElement(document.doc()))) {
        if (error)
            *error = QStringLiteral("stylesheet imports or includes another file");
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
        if (error)
            *error = QStringLiteral("stylesheet does not compile");
        return {};
    }
    return std::shared_ptr<const PLXSLTStylesheet>(new PLXSLTStylesheet(style));
}

PLXSLTStylesheet::~PLXSLTStylesheet() {
    xsltFreeStylesheet(m_style);
}

std::optional<QString> PLXSLTStylesheet::transform(const PLXMLDocument& input, QString* error) const {
    if (input.isNull()) {
        if (error)
            *error = QStringLiteral("no input document");
        return std::nullopt;
    }
    static const SecurityPrefs security;
    QString messages;
    xsltTransformContextPtr context = xsltNewTransformContext(m_style, input.doc());
    if (!context) {
        if (error)
            *error = QStringLiteral("out of memory");
        return std::nullopt;
    }
    xsltSetCtxtSecurityPrefs(security.prefs, context);
    xsltSetTransformErrorFunc(context, &messages, collectError);
    xmlDocPtr result = xsltApplyStylesheetUser(m_style, input.doc(), nullptr, nullptr, nullptr, context);
    const bool failed = !result || context->state == XSLT_STATE_ERROR || context->state == XSLT_STATE_STOPPED;
    std::optional<QString> html;
    if (!failed) {
        xmlChar* buffer = nullptr;
        int size = 0;
        if (xsltSaveResultToString(&buffer, &size, result, m_style) == 0)
            html = QString::fromUtf8(reinterpret_cast<const char*>(buffer), size);
        xmlFree(buffer);
    }
    xmlFreeDoc(result);
    xsltFreeTransformContext(context);
    if (!html && error)
        *error = messages.trimmed().isEmpty() ? QStringLiteral("transform failed") : messages.trimmed();
    return html;
}

} // namespace pelnix
