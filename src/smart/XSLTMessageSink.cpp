#include "smart/XSLTMessageSink.h"

#include <cstdarg>
#include <cstdio>
#include <iterator>

namespace pelnix {

void XSLTMessageSink::append(const QString& part) {
    if (text.size() >= kMaxChars) {
        ++dropped;
        return;
    }
    text.append(part.left(kMaxChars - text.size()));
}

QString XSLTMessageSink::summary() const {
    QString out = text.trimmed();
    if (dropped)
        out += QStringLiteral(" (%1 more messages)").arg(dropped);
    if (withheld)
        out += QStringLiteral(" (%1 messages of the transform not shown: they may quote the message)")
                   .arg(withheld);
    return out.trimmed();
}

void XSLTMessageSink::collectFormatted(void* sink, const char* format, ...) {
    auto* messages = static_cast<XSLTMessageSink*>(sink);
    if (!messages->keepsQuotingMessages) {
        // Not even formatted: xsl:message hands over its whole text, however long.
        ++messages->withheld;
        return;
    }
    va_list args;
    va_start(args, format);
    char buffer[512];
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    messages->append(QString::fromUtf8(buffer));
}

namespace {

// What libxml2 says of each XPath error (xmlXPathError). It hands an XPath context's own error
// function the code alone.
const char* xpathErrorText(int code) {
    static const char* const kTexts[] = {"Ok",
                                         "Number encoding",
                                         "Unfinished literal",
                                         "Start of literal",
                                         "Expected $ for variable reference",
                                         "Undefined variable",
                                         "Invalid predicate",
                                         "Invalid expression",
                                         "Missing closing curly brace",
                                         "Unregistered function",
                                         "Invalid operand",
                                         "Invalid type",
                                         "Invalid number of arguments",
                                         "Invalid context size",
                                         "Invalid context position",
                                         "Memory allocation error",
                                         "Syntax error",
                                         "Resource error",
                                         "Sub resource error",
                                         "Undefined namespace prefix",
                                         "Encoding error",
                                         "Char out of XML range",
                                         "Invalid or incomplete context",
                                         "Stack usage error",
                                         "Forbidden variable",
                                         "Operation limit exceeded",
                                         "Recursion limit exceeded"};
    const int index = code - XML_XPATH_EXPRESSION_OK;
    return index >= 0 && index < int(std::size(kTexts)) ? kTexts[index] : "XPath error";
}

} // namespace

void XSLTMessageSink::collectStructured(void* sink, xmlErrorPtr error) {
    if (!error)
        return;
    auto* messages = static_cast<XSLTMessageSink*>(sink);
    // An XPath error is one of libxml2's own texts, known by its code; the expression goes in
    // another field. Any other error may quote what the transform evaluated.
    if (error->domain == XML_FROM_XPATH) {
        messages->append(QString::fromUtf8(error->message ? error->message : xpathErrorText(error->code)) +
                         QLatin1Char('\n'));
        return;
    }
    if (!messages->keepsQuotingMessages) {
        ++messages->withheld;
        return;
    }
    if (error->message)
        messages->append(QString::fromUtf8(error->message));
}

} // namespace pelnix
