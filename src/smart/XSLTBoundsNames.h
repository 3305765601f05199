#pragma once

#include <libxml/xmlstring.h>

// Names that the stylesheet preparer writes into a stylesheet and that the transform's check points
// and bounded functions answer to.
namespace pelnix::xsltbounds {

inline constexpr char kXSLTNamespace[] = "http://www.w3.org/1999/XSL/Transform";
// The namespace of our check points. A stylesheet that names it itself is refused, so only the
// check points we put in run.
inline constexpr char kNamespace[] = "urn:x-pelnix:xslt-bounds";

// Extension instructions: the construction on top moves on; a tree or string of its own starts;
// it ends.
inline constexpr char kCheckPoint[] = "g";
inline constexpr char kEnter[] = "s";
inline constexpr char kLeave[] = "e";
// XPath functions around sort keys and key values, which count what those hold.
inline constexpr char kCountSortKey[] = "c";
inline constexpr char kCountKeyValue[] = "k";

inline const xmlChar* X(const char* text) {
    return reinterpret_cast<const xmlChar*>(text);
}

} // namespace pelnix::xsltbounds
