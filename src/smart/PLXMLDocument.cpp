#include "smart/PLXMLDocument.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxslt/xslt.h>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace pelnix {

namespace {

const xmlChar* xml(const QByteArray& utf8) {
    return reinterpret_cast<const xmlChar*>(utf8.constData());
}

bool isXMLChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

QByteArray xmlText(const QString& text) {
    const auto carriable = [](QChar c) {
        return c.unicode() >= 0x20 || c == u'\t' || c == u'\n' || c == u'\r';
    };
    const bool clean = std::all_of(text.begin(), text.end(), [&](QChar c) {
        return carriable(c) && c.unicode() != 0xFFFE && c.unicode() != 0xFFFF && !c.isSurrogate();
    });
    if (clean)
        return text.toUtf8();
    QString kept;
    kept.reserve(text.size());
    for (const char32_t c : text.toUcs4()) {
        if (isXMLChar(c))
            kept.append(QString::fromUcs4(&c, 1));
    }
    return kept.toUtf8();
}

QString scalarText(const QJsonValue& value) {
    switch (value.type()) {
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Double: {
        // The number as JSON writes it: integers (up to 2^53) without a fraction, others in the
        // shortest form that reads back the same.
        const double number = value.toDouble();
        if (std::isfinite(number) && std::abs(number) <= 9007199254740992.0 && number == std::trunc(number))
            return QString::number(qint64(number));
        if (!std::isfinite(number)) {
            const QByteArray json = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
            return QString::fromUtf8(json.mid(1, json.size() - 2));
        }
        return QString::number(number, 'g', QLocale::FloatingPointShortest);
    }
    default:
        return {};
    }
}

void appendValue(xmlDocPtr doc, xmlNodePtr parent, const QString& name, const QJsonValue& value,
                 PLXMLDocument::TextFilter filter);

void fillElement(xmlDocPtr doc, xmlNodePtr element, const QJsonValue& value, QStringView key,
                 PLXMLDocument::TextFilter filter) {
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            appendValue(doc, element, it.key(), it.value(), filter);
    } else if (value.isArray()) {
        const QJsonArray array = value.toArray();
        for (const QJsonValue& entry : array) {
            xmlNodePtr item = xmlNewDocNode(doc, nullptr, reinterpret_cast<const xmlChar*>("item"), nullptr);
            xmlAddChild(element, item);
            fillElement(doc, item, entry, key, filter);
        }
    } else if (!value.isNull() && !value.isUndefined()) {
        const QByteArray text =
            xmlText(filter && value.isString() ? filter(key, value.toString()) : scalarText(value));
        if (!text.isEmpty())
            xmlAddChild(element, xmlNewDocTextLen(doc, xml(text), text.size()));
    }
}

void appendValue(xmlDocPtr doc, xmlNodePtr parent, const QString& name, const QJsonValue& value,
                 PLXMLDocument::TextFilter filter) {
    const QByteArray elementName = PLXMLDocument::elementName(name).toUtf8();
    const auto append = [&](const QJsonValue& entry) {
        xmlNodePtr element = xmlNewDocNode(doc, nullptr, xml(elementName), nullptr);
        xmlAddChild(parent, element);
        fillElement(doc, element, entry, name, filter);
    };
    if (!value.isArray()) {
        append(value);
        return;
    }
    const QJsonArray array = value.toArray();
    for (const QJsonValue& entry : array)
        append(entry);
}

} // namespace

void initializeXMLLibraries() {
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        xsltInit();
    });
}

void PLXMLDocument::Free::operator()(_xmlDoc* doc) const {
    xmlFreeDoc(doc);
}

QString PLXMLDocument::elementName(const QString& name) {
    // Most keys are names already.
    const auto plain = [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
               c == u'_' || c == u'-' || c == u'.';
    };
    if (!name.isEmpty() && !name.front().isDigit() && name.front() != u'-' && name.front() != u'.' &&
        std::all_of(name.begin(), name.end(), plain))
        return name;
    QString out;
    out.reserve(name.size() + 1);
    for (const QChar c : name) {
        const bool ok = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
                        c == u'_' || c == u'-' || c == u'.';
        out.append(ok ? c : QChar(u'_'));
    }
    if (out.isEmpty() || out.front().isDigit() || out.front() == u'-' || out.front() == u'.')
        out.prepend(u'_');
    return out;
}

PLXMLDocument PLXMLDocument::documentWithJSON(const QJsonValue& value, const QString& rootName,
                                              TextFilter text) {
    initializeXMLLibraries();
    PLXMLDocument document;
    xmlDocPtr doc = xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"));
    document.m_doc.reset(doc);
    const QByteArray root = elementName(rootName).toUtf8();
    xmlNodePtr element = xmlNewDocNode(doc, nullptr, xml(root), nullptr);
    xmlDocSetRootElement(doc, element);
    fillElement(doc, element, value, {}, text);
    return document;
}

PLXMLDocument PLXMLDocument::documentWithXMLData(const QByteArray& data, QString* error, bool anyDepth) {
    initializeXMLLibraries();
    PLXMLDocument document;
    xmlParserCtxtPtr context = xmlNewParserCtxt();
    if (!context) {
        if (error)
            *error = QStringLiteral("out of memory");
        return document;
    }
    // No XML_PARSE_NOENT and no DTD loading: external entities are neither fetched nor expanded.
    const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOCDATA |
                        (anyDepth ? XML_PARSE_HUGE : 0);
    xmlDocPtr doc = xmlCtxtReadMemory(context, data.constData(), int(data.size()), nullptr, "UTF-8", options);
    if (!doc || !context->wellFormed) {
        if (error) {
            const xmlError* last = xmlCtxtGetLastError(context);
            *error = last && last->message ? QString::fromUtf8(last->message).trimmed()
                                           : QStringLiteral("not well-formed");
        }
        xmlFreeDoc(doc);
        doc = nullptr;
    }
    xmlFreeParserCtxt(context);
    document.m_doc.reset(doc);
    return document;
}

_xmlDoc* PLXMLDocument::release() {
    return m_doc.release();
}

QByteArray PLXMLDocument::toXMLData() const {
    if (!m_doc)
        return {};
    xmlChar* buffer = nullptr;
    int size = 0;
    xmlDocDumpMemoryEnc(m_doc.get(), &buffer, &size, "UTF-8");
    const QByteArray out(reinterpret_cast<const char*>(buffer), size);
    xmlFree(buffer);
    return out;
}

} // namespace pelnix
