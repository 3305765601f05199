#include "smart/PLXSLTStylesheet.h"

#include "smart/XSLTBoundedFunctions.h"
#include "smart/XSLTErrorCapture.h"
#include "smart/XSLTMessageSink.h"
#include "smart/XSLTStylesheetPreparer.h"
#include "smart/XSLTTransformBounds.h"

#include <libxml/tree.h>
#include <libxslt/security.h>
#include <libxslt/transform.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

#include <QMutex>

namespace pelnix {

namespace {

struct SharedLimits {
    QMutex mutex;
    PLXSLTStylesheet::Limits limits;
};

SharedLimits& sharedLimits() {
    static SharedLimits shared;
    return shared;
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
            *error = QStringLiteral("stylesheet is not well-formed\n") + parseError;
        return {};
    }
    XSLTMessageSink messages;
    XSLTErrorCapture capture(&messages);
    QString refused;
    if (!XSLTStylesheetPreparer(document.doc(), &messages).run(&refused)) {
        if (error)
            *error = QStringLiteral("stylesheet refused\n") + refused;
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
                *error += QLatin1Char('\n') + messages.summary();
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
    XSLTMessageSink messages;
    messages.keepsQuotingMessages = false;
    xsltTransformContextPtr context = xsltNewTransformContext(m_style, input.doc());
    if (!context) {
        if (error)
            *error = QStringLiteral("out of memory");
        return std::nullopt;
    }
    xsltSetCtxtSecurityPrefs(security.prefs, context);
    xsltSetTransformErrorFunc(context, &messages, XSLTMessageSink::collectFormatted);
    context->xpathCtxt->error = XSLTMessageSink::collectStructured;
    context->xpathCtxt->userData = &messages;
    XSLTTransformBounds bounds(limits, context);
    context->_private = &bounds;
    bounds.install();
    XSLTBoundedFunctions functions(context);
    xmlDocPtr result = nullptr;
    {
        XSLTErrorCapture capture(&messages);
        result = xsltApplyStylesheetUser(m_style, input.doc(), nullptr, nullptr, nullptr, context);
    }
    const bool failed = !result || context->state == XSLT_STATE_ERROR ||
                        context->state == XSLT_STATE_STOPPED || !bounds.stopReason().isEmpty();
    QString failure = bounds.stopReason();
    if (failure == QLatin1String("stopped after an error"))
        failure.clear(); // the messages say what the error was
    // libxml2 ends an XPath evaluation past the operation limit, and libxslt then stops quietly.
    if (failure.isEmpty() && limits.maxXPathOperations &&
        context->xpathCtxt->opCount >= limits.maxXPathOperations)
        failure =
            QStringLiteral("stopped after the bound of %1 XPath operations").arg(limits.maxXPathOperations);
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
            failure = QStringLiteral("transform failed");
        const QString details = messages.summary();
        *error = details.isEmpty() ? failure : failure + QLatin1Char('\n') + details;
    }
    return html;
}

} // namespace pelnix
