#pragma once

#include <QString>

#include <libxml/xmlerror.h>

namespace pelnix {

// The messages of one compile or transform, kept for the caller's log line (bounded: a stylesheet
// can send xsl:message in a loop).
struct XSLTMessageSink {
    static constexpr int kMaxChars = 4096;
    QString text;
    int dropped = 0;

    void append(const QString& part);
    QString summary() const;

    // libxml2's and libxslt's error functions, with a sink as their context: the transform's error
    // function (xsltSetTransformErrorFunc) and libxml2's generic one, and libxml2's structured one.
    static void collectFormatted(void* sink, const char* format, ...);
    static void collectStructured(void* sink, xmlErrorPtr error);
};

} // namespace pelnix
