#include "media/s3/DataWithBase64.h"

namespace pelnix::DataWithBase64 {

QString base64EncodedString(const QByteArray& data) {
    return QString::fromLatin1(data.toBase64());
}

std::optional<QByteArray> dataWithBase64EncodedString(const QString& text) {
    auto valueOf = [](char c) -> int {
        if (c >= 'A' && c <= 'Z')
            return c - 'A';
        if (c >= 'a' && c <= 'z')
            return c - 'a' + 26;
        if (c >= '0' && c <= '9')
            return c - '0' + 52;
        if (c == '+')
            return 62;
        if (c == '/')
            return 63;
        return -1;
    };
    QByteArray out;
    int group[4];
    int filled = 0;
    const QByteArray ascii = text.toLatin1();
    for (const char c : ascii) {
        if (c == '=') {
            if (filled == 1)
                return std::nullopt;
            break;
        }
        const int v = valueOf(c);
        if (v < 0)
            continue;
        group[filled++] = v;
        if (filled == 4) {
            out.append(char((group[0] << 2) | (group[1] >> 4)));
            out.append(char(((group[1] & 0x0f) << 4) | (group[2] >> 2)));
            out.append(char(((group[2] & 0x03) << 6) | group[3]));
            filled = 0;
        }
    }
    if (filled == 1)
        return std::nullopt;
    if (filled >= 2)
        out.append(char((group[0] << 2) | (group[1] >> 4)));
    if (filled == 3)
        out.append(char(((group[1] & 0x0f) << 4) | (group[2] >> 2)));
    return out;
}

} // namespace pelnix::DataWithBase64
