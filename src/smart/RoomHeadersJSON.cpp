#include "smart/RoomHeadersJSON.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace pelnix {

QByteArray RoomHeadersJSON::compact(const QVariantMap& headers) {
    QByteArray out;
    if (writeSimple(headers, &out))
        return out;
    return QJsonDocument(QJsonObject::fromVariantMap(headers)).toJson(QJsonDocument::Compact);
}

bool RoomHeadersJSON::writeSimple(const QVariantMap& headers, QByteArray* out) {
    out->reserve(16 + 32 * headers.size());
    out->append('{');
    for (auto it = headers.cbegin(); it != headers.cend(); ++it) {
        if (it != headers.cbegin())
            out->append(',');
        if (!it.key().isValidUtf16())
            return false;
        appendString(it.key(), out);
        out->append(':');
        const QVariant& value = it.value();
        switch (value.typeId()) {
        case QMetaType::QString: {
            const QString text = value.toString();
            if (!text.isValidUtf16())
                return false;
            appendString(text, out);
            break;
        }
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
            out->append(QByteArray::number(value.toLongLong()));
            break;
        case QMetaType::Bool:
            out->append(value.toBool() ? "true" : "false");
            break;
        default:
            return false;
        }
    }
    out->append('}');
    return true;
}

void RoomHeadersJSON::appendString(const QString& text, QByteArray* out) {
    static const char kHex[] = "0123456789abcdef";
    const QByteArray utf8 = text.toUtf8();
    out->append('"');
    // Runs of plain bytes go in whole; '"', '\\' and the controls are escaped.
    qsizetype plainFrom = 0;
    for (qsizetype at = 0; at < utf8.size(); ++at) {
        const auto byte = static_cast<unsigned char>(utf8.at(at));
        if (byte >= 0x20 && byte != '"' && byte != '\\')
            continue;
        out->append(utf8.constData() + plainFrom, at - plainFrom);
        plainFrom = at + 1;
        if (byte >= 0x20) {
            out->append('\\');
            out->append(char(byte));
        } else {
            const char escaped[] = {'\\', 'u', '0', '0', kHex[byte >> 4], kHex[byte & 0xF]};
            out->append(escaped, sizeof escaped);
        }
    }
    out->append(utf8.constData() + plainFrom, utf8.size() - plainFrom);
    out->append('"');
}

} // namespace pelnix
