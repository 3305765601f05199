#pragma once

#include <QString>

#include <libxml/xmlerror.h>

namespace pelnix {

// The messages of one compile or transform, kept for the caller's log line (bounded: a stylesheet
// can send xsl:message in a loop).
//
// A compile's messages quote the stylesheet only. A transform's may quote what it evaluated, the
// message's own text: xsl:message says whatever the stylesheet makes of the message, and libxslt's
// run-time errors name the values they refused. Of a transform only libxml2's XPath errors, texts
// of its own, are kept; the others are counted.
struct XSLTMessageSink {
    static constexpr int kMaxChars = 4096;
    QString text;
    int dropped = 0;
    // Whether messages that may quote evaluated values are kept (a compile) or only counted.
    bool keepsQuotingMessages = true;
    int withheld = 0;

    void append(const QString& part);
    QString summary() const;

    // libxml2's and libxslt's error functions, with a sink as their context: the transform's error
    // function (xsltSetTransformErrorFunc) and libxml2's generic one, and libxml2's structured one.
    static void collectFormatted(void* sink, const char* format, ...);
    static void collectStructured(void* sink, xmlErrorPtr error);
};

} // namespace pelnix
