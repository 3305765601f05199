#include "smart/XSLTBoundedFunctions.h"

#include "smart/XSLTBoundsNames.h"
#include "smart/XSLTTransformBounds.h"

#include <libxml/xpathInternals.h>

#include <cstring>

namespace pelnix {

using namespace xsltbounds;

namespace {

// translate() compares each character of its string with each of its map: more work than this
// (about a tenth of a second) stops the transform.
constexpr qint64 kMaxTranslateWork = 64ll * 1024 * 1024;

// Ends the XPath evaluation after a stop: libxslt then unwinds.
bool failWhenStopped(xmlXPathParserContextPtr parser, XSLTTransformBounds* bounds) {
    if (!bounds || !bounds->stopped())
        return false;
    xmlXPathErr(parser, XPATH_EXPR_ERROR);
    return true;
}

bool chargeResult(xmlXPathParserContextPtr parser, XSLTTransformBounds* bounds) {
    if (!bounds || parser->error != XPATH_EXPRESSION_OK || !parser->value ||
        parser->value->type != XPATH_STRING)
        return true;
    if (bounds->charge(XSLTTransformBounds::contentBytes(parser->value->stringval), false))
        return true;
    xmlXPathErr(parser, XPATH_EXPR_ERROR);
    return false;
}

qint64 argumentBytes(xmlXPathParserContextPtr parser, int fromTop, qint64 budget) {
    if (parser->valueNr <= fromTop)
        return 0;
    return XSLTTransformBounds::stringBytes(parser->valueTab[parser->valueNr - 1 - fromTop], budget, false);
}

void boundedConcat(xmlXPathParserContextPtr parser, int nargs) {
    auto* bounds = XSLTTransformBounds::of(parser);
    if (failWhenStopped(parser, bounds))
        return;
    if (bounds) {
        const qint64 cap = bounds->limits().maxOutputBytes;
        qint64 total = 0;
        for (int i = 0; i < nargs && total <= cap; ++i)
            total += argumentBytes(parser, i, cap - total);
        if (total > cap) {
            bounds->stop(
                QStringLiteral("stopped: concat() would build a string of more than %1 bytes").arg(cap));
            xmlXPathErr(parser, XPATH_EXPR_ERROR);
            return;
        }
    }
    xmlXPathConcatFunction(parser, nargs);
    chargeResult(parser, bounds);
}

void boundedTranslate(xmlXPathParserContextPtr parser, int nargs) {
    auto* bounds = XSLTTransformBounds::of(parser);
    if (failWhenStopped(parser, bounds))
        return;
    if (bounds && nargs == 3) {
        const qint64 cap = bounds->limits().maxOutputBytes;
        const qint64 text = argumentBytes(parser, 2, cap);
        const qint64 map = argumentBytes(parser, 1, cap);
        // A one-byte character may become a four-byte one.
        if (text * 4 > cap || text * map > kMaxTranslateWork) {
            bounds->stop(
                QStringLiteral("stopped: translate() of %1 bytes by a map of %2 bytes is past the bound")
                    .arg(text)
                    .arg(map));
            xmlXPathErr(parser, XPATH_EXPR_ERROR);
            return;
        }
    }
    xmlXPathTranslateFunction(parser, nargs);
    chargeResult(parser, bounds);
}

template <void (*Original)(xmlXPathParserContextPtr, int)>
void counted(xmlXPathParserContextPtr parser, int nargs) {
    auto* bounds = XSLTTransformBounds::of(parser);
    if (failWhenStopped(parser, bounds))
        return;
    Original(parser, nargs);
    chargeResult(parser, bounds);
}

bool hasArguments(xmlXPathParserContextPtr parser, int nargs, int expected) {
    if (nargs != expected) {
        xmlXPathErr(parser, XPATH_INVALID_ARITY);
        return false;
    }
    if (parser->valueNr < parser->valueFrame + expected) {
        xmlXPathErr(parser, XPATH_STACK_ERROR);
        return false;
    }
    return true;
}

enum class Search { Contains, Before, After };

// contains(), substring-before() and substring-after() in linear time.
template <Search kind> void search(xmlXPathParserContextPtr parser, int nargs) {
    auto* bounds = XSLTTransformBounds::of(parser);
    if (failWhenStopped(parser, bounds))
        return;
    if (!hasArguments(parser, nargs, 2))
        return;
    xmlChar* needle = xmlXPathPopString(parser);
    xmlChar* haystack = xmlXPathPopString(parser);
    if (parser->error != XPATH_EXPRESSION_OK || !needle || !haystack) {
        xmlFree(needle);
        xmlFree(haystack);
        if (parser->error == XPATH_EXPRESSION_OK)
            xmlXPathErr(parser, XPATH_MEMORY_ERROR);
        return;
    }
    const size_t haystackLength = std::strlen(reinterpret_cast<const char*>(haystack));
    const size_t needleLength = std::strlen(reinterpret_cast<const char*>(needle));
    const auto* found = static_cast<const xmlChar*>(
        needleLength == 0 ? haystack : memmem(haystack, haystackLength, needle, needleLength));
    switch (kind) {
    case Search::Contains:
        valuePush(parser, xmlXPathNewBoolean(found != nullptr));
        break;
    case Search::Before:
        valuePush(parser,
                  xmlXPathWrapString(found ? xmlStrndup(haystack, int(found - haystack)) : xmlStrdup(X(""))));
        break;
    case Search::After:
        valuePush(parser, xmlXPathWrapString(found ? xmlStrdup(found + needleLength) : xmlStrdup(X(""))));
        break;
    }
    xmlFree(needle);
    xmlFree(haystack);
    if (kind != Search::Contains)
        chargeResult(parser, bounds);
}

// "c" (sort keys) and "k" (key values, kept for the whole transform): the argument unchanged, its
// strings counted.
template <bool forTheWholeTransform> void countValue(xmlXPathParserContextPtr parser, int nargs) {
    auto* bounds = XSLTTransformBounds::of(parser);
    if (failWhenStopped(parser, bounds))
        return;
    if (!hasArguments(parser, nargs, 1) || !bounds)
        return;
    const qint64 bytes =
        XSLTTransformBounds::stringBytes(parser->value, bounds->limits().maxBuiltBytes, forTheWholeTransform);
    if (!bounds->charge(bytes, forTheWholeTransform))
        xmlXPathErr(parser, XPATH_EXPR_ERROR);
}

xmlXPathFunction boundedFunction(const xmlChar* name, const xmlChar* uri) {
    if (uri) {
        if (!xmlStrEqual(uri, X(kNamespace)))
            return nullptr;
        if (xmlStrEqual(name, X(kCountSortKey)))
            return countValue<false>;
        if (xmlStrEqual(name, X(kCountKeyValue)))
            return countValue<true>;
        return nullptr;
    }
    static const struct {
        const char* name;
        xmlXPathFunction function;
    } table[] = {
        {"concat", boundedConcat},
        {"translate", boundedTranslate},
        {"string", counted<xmlXPathStringFunction>},
        {"substring", counted<xmlXPathSubstringFunction>},
        {"normalize-space", counted<xmlXPathNormalizeFunction>},
        {"contains", search<Search::Contains>},
        {"substring-before", search<Search::Before>},
        {"substring-after", search<Search::After>},
    };
    for (const auto& entry : table) {
        if (xmlStrEqual(name, X(entry.name)))
            return entry.function;
    }
    return nullptr;
}

} // namespace

XSLTBoundedFunctions::XSLTBoundedFunctions(xsltTransformContextPtr context) {
    xmlXPathContextPtr xpath = context->xpathCtxt;
    m_original = xpath->funcLookupFunc;
    m_data = xpath->funcLookupData;
    xmlXPathRegisterFuncLookup(xpath, lookUp, this);
}

xmlXPathFunction XSLTBoundedFunctions::lookUp(void* data, const xmlChar* name, const xmlChar* uri) {
    if (xmlXPathFunction function = boundedFunction(name, uri))
        return function;
    auto* next = static_cast<XSLTBoundedFunctions*>(data);
    return next->m_original ? next->m_original(next->m_data, name, uri) : nullptr;
}

} // namespace pelnix
