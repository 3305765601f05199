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
//
// Each transform is bounded (see Limits): past its time or its size bounds it is stopped and
// fails. The bounds are kept per transform, on the calling thread: the stylesheet is compiled with
// check points of our own (extension instructions in a private namespace, before every
// instruction and at the start and end of every content that builds a tree or a string), and the
// transform's own XPath context gets an operation limit and bounded versions of the functions that
// build strings. libxml2's and libxslt's messages of a transform go to the transform's own error
// functions and, for libxml2, to handlers set on the calling thread for the call only; nothing
// process-wide is changed. See docs/smart-messages.md ("Bounds of a transform") for what the
// bounds cover and what they do not.
//
// An error's first line says in words of ours what failed; lines after it, when there are any, are
// what libxml2 and libxslt said: of a compile, quoting the stylesheet; of a transform, only libxml2's
// XPath errors, the rest counted (they may quote the message).
class PLXSLTStylesheet {
public:
    struct Limits {
        // Wall-clock time of one transform.
        int timeMs = 2000;
        // The serialised result, and the longest string an XPath function may build.
        qint64 maxOutputBytes = 2 * 1024 * 1024;
        // Everything the transform holds built at once (result tree, tree fragments of variables
        // and parameters, strings in variables), counted as the memory its nodes and text take.
        qint64 maxBuiltBytes = 32 * 1024 * 1024;
        // XPath steps of the whole transform (libxml2's per-context operation limit).
        unsigned long maxXPathOperations = 5'000'000;
    };
    // The bounds of every transform that names none (thread-safe).
    static Limits limits();
    static void setLimits(const Limits& limits);

    // Null, with `error` set, when the text is not a well-formed, compilable stylesheet.
    static std::shared_ptr<const PLXSLTStylesheet> compile(const QByteArray& xslt, QString* error = nullptr);
    ~PLXSLTStylesheet();
    PLXSLTStylesheet(const PLXSLTStylesheet&) = delete;
    PLXSLTStylesheet& operator=(const PLXSLTStylesheet&) = delete;

    // The transform's output as the stylesheet's xsl:output describes it; none, with `error` set,
    // when the transform fails or passes a bound (the error then says which).
    std::optional<QString> transform(const PLXMLDocument& input, QString* error = nullptr) const;
    std::optional<QString> transform(const PLXMLDocument& input, const Limits& limits,
                                     QString* error = nullptr) const;

private:
    explicit PLXSLTStylesheet(_xsltStylesheet* style) : m_style(style) {}
    _xsltStylesheet* m_style;
};

} // namespace pelnix
