#pragma once

// Smart-message content that costs libxml2 unbounded work inside one XPath evaluation, shared by the
// rendering tests and the benchmark, and the bounds such a test runs under.

#include "smart/PLXSLTStylesheet.h"

#include <QByteArray>
#include <QString>

namespace pelnix::test {

// A message of arrays nested `depth` deep, each holding the one below and `width` - 1 short texts.
inline QString nestedMessage(int depth, int width) {
    QString value = QStringLiteral("\"x\"");
    for (int d = 0; d < depth; ++d) {
        QString row = QLatin1Char('[') + value;
        for (int w = 1; w < width; ++w)
            row += QStringLiteral(",\"t%1\"").arg(d);
        value = row + QLatin1Char(']');
    }
    return QStringLiteral("{\"a\":") + value + QLatin1Char('}');
}

// A stylesheet that writes one XPath expression's value.
inline QByteArray xpathValueSheet(const QByteArray& expression) {
    return R"~(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">)~"
           R"~(<xsl:output method="html" encoding="UTF-8"/><xsl:template match="/"><p><xsl:value-of select=")~" +
           expression + R"~("/></p></xsl:template></xsl:stylesheet>)~";
}

// Node-sets compared for every element: 5 s of a 6 KB message in one evaluation.
inline QByteArray comparingSheet() {
    return xpathValueSheet("count(//*[//* &lt; //*])");
}
inline QString comparingMessage() {
    return nestedMessage(700, 2);
}
// 128 s of a 140 KB message in one evaluation.
inline QByteArray countingSheet() {
    return xpathValueSheet("count(//*//*//*//*//*)");
}
inline QString countingMessage() {
    return nestedMessage(700, 100);
}

// Sets the bounds of every transform for one test and puts the previous ones back.
struct ScopedLimits {
    explicit ScopedLimits(const PLXSLTStylesheet::Limits& limits) : previous(PLXSLTStylesheet::limits()) {
        PLXSLTStylesheet::setLimits(limits);
    }
    ~ScopedLimits() { PLXSLTStylesheet::setLimits(previous); }
    ScopedLimits(const ScopedLimits&) = delete;
    ScopedLimits& operator=(const ScopedLimits&) = delete;
    PLXSLTStylesheet::Limits previous;
};

} // namespace pelnix::test
