#include "foundation/Base64.h"

#include <QStringDecoder>

#include <array>

namespace pelnix {

namespace {
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<signed char, 256> decodeTable() {
    std::array<signed char, 256> table{};
    for (auto& entry : table)
        entry = -1;
    for (int i = 0; i < 64; ++i)
        table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<signed char>(i);
    return table;
}
constexpr auto kDecode = decodeTable();
} // namespace

QByteArray PLBase64Encode(const QByteArray& bytes, bool separateLines) {
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype length = bytes.size();
    QByteArray out;
    out.reserve((length + 2) / 3 * 4 + (separateLines ? (length / 48) * 2 : 0));
    qsizetype lineLength = 0;
    for (qsizetype i = 0; i < length; i += 3) {
        if (separateLines && lineLength == 64) {
            out += "\r\n";
            lineLength = 0;
        }
        const qsizetype remaining = length - i;
        const unsigned value = (unsigned(in[i]) << 16) | (remaining > 1 ? unsigned(in[i + 1]) << 8 : 0u) |
                               (remaining > 2 ? unsigned(in[i + 2]) : 0u);
        out += kAlphabet[(value >> 18) & 0x3f];
        out += kAlphabet[(value >> 12) & 0x3f];
        out += remaining > 1 ? kAlphabet[(value >> 6) & 0x3f] : '=';
        out += remaining > 2 ? kAlphabet[value & 0x3f] : '=';
        lineLength += 4;
    }
    return out;
}

QByteArray PLBase64Decode(const QByteArray& text) {
    QByteArray out;
    out.reserve(text.size() / 4 * 3 + 2);
    unsigned group = 0;
    int count = 0;
    for (const char c : text) {
        const int value = kDecode[static_cast<unsigned char>(c)];
        if (value < 0)
            continue;
        group = (group << 6) | unsigned(value);
        if (++count == 4) {
            out += char((group >> 16) & 0xff);
            out += char((group >> 8) & 0xff);
            out += char(group & 0xff);
            group = 0;
            count = 0;
        }
    }
    if (count == 3) {
        group <<= 6;
        out += char((group >> 16) & 0xff);
        out += char((group >> 8) & 0xff);
    } else if (count == 2) {
        group <<= 12;
        out += char((group >> 16) & 0xff);
    }
    return out;
}

namespace Base64 {

QString base64EncodedString(const QByteArray& data) {
    return QString::fromLatin1(PLBase64Encode(data));
}

QByteArray dataFromBase64String(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() > 0x7f)
            return {};
    }
    return PLBase64Decode(text.toLatin1());
}

std::optional<QString> stringWithBase64EncodedString(const QString& text) {
    const QByteArray bytes = dataFromBase64String(text);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    QString decoded = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return decoded;
}

QString base64EncodedString(const QString& text) {
    return base64EncodedString(text.toUtf8());
}

std::optional<QString> base64DecodedString(const QString& text) {
    return stringWithBase64EncodedString(text);
}

} // namespace Base64
} // namespace pelnix
