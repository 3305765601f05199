#pragma once

#include "smart/PLXMLDocument.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

struct _xsltStylesheet;

namespace pelnix {

// A compiled XSLT stylesheet, applied without parameters and without the EXSLT extensions.
//
// A stylesheet comes from the server and is not trusted: it may read no file and no network
// resource (document() answers nothing, xsl:import and xsl:include are refused) and may write
// nothing. A compiled stylesheet is not changed by a transform, so one instance may serve several
// threads at once.
class PLXSLTStylesheet {
public:
    // Null, with `error` set, when the text is not a well-formed, compilable stylesheet.
    static std::shared_ptr<const PLXSLTStylesheet> compile(const QByteArray& xslt, QString* error = nullptr);
    ~PLXSLTStylesheet();
    PLXSLTStylesheet(const PLXSLTStylesheet&) = delete;
    PLXSLTStylesheet& operator=(const PLXSLTStylesheet&) = delete;

    // The transform's output as the stylesheet's xsl:output describes it; none, with `error` set,
    // when the transform fails.
    std::optional<QString> transform(const PLXMLDocument& input, QString* error = nullptr) const;

private:
    explicit PLXSLTStylesheet(_xsltStylesheet* style) : m_style(style) {}
    _xsltStylesheet* m_style;
};

} // namespace pelnix
