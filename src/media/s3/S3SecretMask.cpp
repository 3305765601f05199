#include "media/s3/S3SecretMask.h"

#include "media/s3/S3AbstractWebServiceClient.h"
#include "media/s3/S3ServiceRequest.h"
#include "platform/PLError.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <algorithm>
#include <array>

namespace pelnix {

namespace {

constexpr qsizetype kShortestSecret = 4;
// Characters after the "&" of an XML reference within which its ";" must come: a code point's
// reference with a few leading zeros.
constexpr qsizetype kLongestReference = 12;
// Rounds of decoding: enough for a secret encoded twice over and then escaped once more.
constexpr int kNormalisingRounds = 4;

QString masked() {
    return QString::fromLatin1(S3AbstractWebServiceClient::kMaskedHeaderValue);
}

// Text as it is compared: each character with the range of the original text it was decoded from.
struct Normalised {
    QString text;
    QList<int> from;
    QList<int> to;
};

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// The value of `digits` hexadecimal (or decimal) digits of `text` at `at`; -1 when they are not all
// digits.
qint64 numberAt(const QString& text, qsizetype at, qsizetype digits, int base) {
    if (digits < 1 || at + digits > text.size())
        return -1;
    qint64 value = 0;
    for (qsizetype i = at; i < at + digits; ++i) {
        const int digit = hexDigit(text[i]);
        if (digit < 0 || digit >= base || value > 0x10FFFF)
            return -1;
        value = value * base + digit;
    }
    return value;
}

struct Escape {
    char32_t code = 0;
    qsizetype length = 0; // 0: no escape here
};

// The XML character or entity reference from the "&" at `i` to the ";" at `end`.
Escape reference(const QString& text, qsizetype i, qsizetype end) {
    const QStringView name = QStringView(text).mid(i + 1, end - i - 1);
    const qsizetype length = end - i + 1;
    if (name.startsWith(QLatin1String("#x"), Qt::CaseInsensitive)) {
        const qint64 value = numberAt(text, i + 3, name.size() - 2, 16);
        return value >= 0 && value <= 0x10FFFF ? Escape{char32_t(value), length} : Escape{};
    }
    if (name.startsWith(QLatin1Char('#'))) {
        const qint64 value = numberAt(text, i + 2, name.size() - 1, 10);
        return value >= 0 && value <= 0x10FFFF ? Escape{char32_t(value), length} : Escape{};
    }
    static const std::pair<QLatin1String, char32_t> kNamed[] = {{QLatin1String("amp"), U'&'},
                                                                {QLatin1String("lt"), U'<'},
                                                                {QLatin1String("gt"), U'>'},
                                                                {QLatin1String("quot"), U'"'},
                                                                {QLatin1String("apos"), U'\''}};
    for (const auto& [entity, code] : kNamed)
        if (name == entity)
            return {code, length};
    return {};
}

// An XML reference, a JSON escape or an ASCII percent escape starting at `i`.
Escape escapeAt(const QString& text, qsizetype i) {
    const char16_t c = text[i].unicode();
    if (c == '%') {
        const qint64 value = numberAt(text, i + 1, 2, 16);
        return value >= 0 && value < 0x80 ? Escape{char32_t(value), 3} : Escape{};
    }
    if (c == '\\' && i + 1 < text.size()) {
        const char16_t next = text[i + 1].unicode();
        if (next == 'u') {
            const qint64 value = numberAt(text, i + 2, 4, 16);
            return value >= 0 ? Escape{char32_t(value), 6} : Escape{};
        }
        if (next == '/' || next == '\\' || next == '"' || next == '\'')
            return {next, 2};
        if (next == 'n' || next == 'r' || next == 't' || next == 'b' || next == 'f')
            return {U' ', 2};
        return {};
    }
    if (c == '&') {
        // The ";" is looked for only as far as a reference can reach, so that a text of "&" after
        // "&" costs no more than any other text.
        const qsizetype end = QStringView(text).mid(i + 1, kLongestReference).indexOf(QLatin1Char(';'));
        if (end < 0)
            return {};
        return reference(text, i, i + 1 + end);
    }
    return {};
}

// Blanks, line breaks and NULs separate nothing a secret is made of, and a "+" may come back as a
// blank: none of them is compared.
bool isDropped(char32_t code) {
    return code == U'+' || code == 0 || QChar::isSpace(code);
}

// One round of decoding; whether anything was decoded.
bool normaliseOnce(const Normalised& in, Normalised& out) {
    bool decoded = false;
    out.text.reserve(in.text.size());
    out.from.reserve(in.text.size());
    out.to.reserve(in.text.size());
    for (qsizetype i = 0; i < in.text.size();) {
        Escape escape = escapeAt(in.text, i);
        if (escape.length > 0)
            decoded = true;
        else
            escape = {in.text[i].unicode(), 1};
        const int from = in.from[i];
        const int to = in.to[i + escape.length - 1];
        i += escape.length;
        if (isDropped(escape.code))
            continue;
        char16_t units[2];
        const qsizetype count = escape.code > 0xFFFF && escape.code <= 0x10FFFF
                                    ? (units[0] = QChar::highSurrogate(escape.code),
                                       units[1] = QChar::lowSurrogate(escape.code), 2)
                                    : (units[0] = char16_t(escape.code), 1);
        for (qsizetype u = 0; u < count; ++u) {
            out.text.append(QChar(units[u]));
            out.from.append(from);
            out.to.append(to);
        }
    }
    return decoded;
}

Normalised normalise(const QString& text) {
    Normalised current;
    current.text = text;
    current.from.resize(text.size());
    current.to.resize(text.size());
    for (int i = 0; i < int(text.size()); ++i) {
        current.from[i] = i;
        current.to[i] = i + 1;
    }
    for (int round = 0; round < kNormalisingRounds; ++round) {
        Normalised next;
        const bool decoded = normaliseOnce(current, next);
        current = std::move(next);
        if (!decoded)
            break;
    }
    return current;
}

// The pieces of the Base64 text of `bytes` that only its bytes decide, at each of the three
// alignments it can have inside a longer Base64 text, then the whole padded text.
QStringList base64Forms(const QByteArray& bytes) {
    QStringList forms;
    for (qsizetype shift = 0; shift < 3; ++shift) {
        const QByteArray encoded = (QByteArray(shift, '\0') + bytes).toBase64();
        const qsizetype first = (8 * shift + 5) / 6;
        const qsizetype last = 8 * (shift + bytes.size()) / 6;
        forms << QString::fromLatin1(encoded.mid(first, last - first));
    }
    forms << QString::fromLatin1(bytes.toBase64());
    QStringList all = forms;
    for (const QString& form : forms)
        all << QString(form)
                   .replace(QLatin1Char('+'), QLatin1Char('-'))
                   .replace(QLatin1Char('/'), QLatin1Char('_'));
    return all;
}

constexpr quint64 kHashBase = 0x100000001b3ULL;

quint64 hashBasePower() {
    quint64 power = 1;
    for (qsizetype i = 1; i < S3SecretMask::kFragment; ++i)
        power *= kHashBase;
    return power;
}

// Calls `found(start)` for every kFragment-long piece of `text` whose hash is in `windows`.
template <typename Found>
void forEachWindow(const QString& text, const std::unordered_set<quint64>* windows, Found found) {
    constexpr qsizetype k = S3SecretMask::kFragment;
    if (text.size() < k)
        return;
    static const quint64 power = hashBasePower();
    quint64 hash = 0;
    for (qsizetype i = 0; i < k; ++i)
        hash = hash * kHashBase + text[i].unicode();
    for (qsizetype start = 0;; ++start) {
        if (!windows || windows->count(hash))
            found(start, hash);
        if (start + k >= text.size())
            break;
        hash = (hash - text[start].unicode() * power) * kHashBase + text[start + k].unicode();
    }
}

// The signature in an Authorization value: after the last ":" of the keyed-hash scheme, or after
// "Signature=" of the newer ones.
QString signatureIn(const QString& authorization) {
    static const QRegularExpression named(QStringLiteral("Signature=([^,\\s]+)"));
    if (const auto match = named.match(authorization); match.hasMatch())
        return match.captured(1);
    const qsizetype colon = authorization.lastIndexOf(QLatin1Char(':'));
    return colon >= 0 ? authorization.mid(colon + 1).trimmed() : QString();
}

bool isUtf8Text(const QByteArray& body) {
    if (body.contains('\0') || body.startsWith("\xFF\xFE") || body.startsWith("\xFE\xFF"))
        return false;
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(body);
    Q_UNUSED(text);
    return !decoder.hasError();
}

// `text` with the elements in which a service repeats what it signed or was given emptied of their
// text: each element from its start tag to the first end tag of its name. One pass: an end tag
// looked for is never looked for again before the place it was found, and one not found is not
// looked for again at all.
QString withEchoesEmptied(const QString& text) {
    static const QLatin1String kEchoes[] = {
        QLatin1String("StringToSign"), QLatin1String("StringToSignBytes"), QLatin1String("CanonicalRequest"),
        QLatin1String("CanonicalRequestBytes"), QLatin1String("SignatureProvided")};
    constexpr qsizetype kEchoCount = std::size(kEchoes);
    // Per name, where its next end tag starts at or after the place last asked about; -1: none left.
    std::array<qsizetype, kEchoCount> nextEnd;
    nextEnd.fill(-2); // not looked for yet
    QString out;
    qsizetype copied = 0;
    for (qsizetype at = text.indexOf(QLatin1Char('<')); at >= 0 && at < text.size();
         at = text.indexOf(QLatin1Char('<'), at + 1)) {
        const QStringView rest = QStringView(text).mid(at + 1);
        for (qsizetype e = 0; e < kEchoCount; ++e) {
            const QLatin1String name = kEchoes[e];
            if (!rest.startsWith(name) || rest.mid(name.size()).left(1) != QLatin1String(">"))
                continue;
            const qsizetype contentStart = at + 1 + name.size() + 1;
            const QString endTag = QStringLiteral("</%1>").arg(name);
            if (nextEnd[e] == -2 || (nextEnd[e] >= 0 && nextEnd[e] < contentStart))
                nextEnd[e] = text.indexOf(endTag, contentStart);
            if (nextEnd[e] < 0)
                break;
            out += QStringView(text).mid(copied, contentStart - copied);
            out += masked();
            copied = nextEnd[e];
            at = nextEnd[e] + endTag.size() - 1;
            break;
        }
    }
    if (copied == 0)
        return text;
    out += QStringView(text).mid(copied);
    return out;
}

} // namespace

void S3SecretMask::Forms::add(const QString& normalised) {
    if (normalised.size() < kShortestSecret)
        return;
    if (normalised.size() < kFragment) {
        if (!m_short.contains(normalised)) {
            m_short << normalised;
            std::stable_sort(m_short.begin(), m_short.end(),
                             [](const QString& a, const QString& b) { return a.size() > b.size(); });
        }
        return;
    }
    forEachWindow(normalised, nullptr, [this](qsizetype, quint64 hash) { m_windows.insert(hash); });
}

void S3SecretMask::Forms::mark(const QString& text, QList<bool>& marked) const {
    if (!m_windows.empty())
        forEachWindow(text, &m_windows, [&marked](qsizetype start, quint64) {
            std::fill(marked.begin() + start, marked.begin() + start + kFragment, true);
        });
    for (const QString& form : m_short)
        for (qsizetype at = text.indexOf(form); at >= 0; at = text.indexOf(form, at + 1))
            std::fill(marked.begin() + at, marked.begin() + at + form.size(), true);
}

S3SecretMask S3SecretMask::forRequest(const S3ServiceRequest& request) {
    S3SecretMask mask;
    for (const auto& credentials : {request.credentials(), request.urlRequest().credentials()}) {
        if (!credentials)
            continue;
        mask.addSecret(credentials->secretKey());
        mask.addSecret(credentials->securityToken());
    }
    for (const auto& header : request.urlRequest().allHTTPHeaderFields()) {
        if (!S3AbstractWebServiceClient::isSecretHeader(header.first))
            continue;
        mask.addSecret(header.second);
        if (header.first.compare(QLatin1String("Authorization"), Qt::CaseInsensitive) == 0)
            mask.addSecret(signatureIn(header.second));
    }
    for (const QString& authorization : request.urlRequest().earlierAuthorizations()) {
        mask.addSecret(authorization);
        mask.addSecret(signatureIn(authorization));
    }
    mask.addSecret(request.parameters().value(QStringLiteral("Signature")));
    return mask;
}

void S3SecretMask::addSecret(const QString& secret) {
    const QString text = secret.trimmed();
    if (text.size() < kShortestSecret)
        return;
    const QByteArray bytes = text.toUtf8();
    m_exact.add(normalise(text).text);
    for (const QString& form : base64Forms(bytes))
        m_exact.add(normalise(form).text);
    m_caseless.add(QString::fromLatin1(bytes.toHex()));
}

QString S3SecretMask::mask(const QString& text) const {
    if (text.isEmpty() || isEmpty())
        return text;
    const Normalised normalised = normalise(text);
    QList<bool> marked(normalised.text.size(), false);
    m_exact.mark(normalised.text, marked);
    m_caseless.mark(normalised.text.toLower(), marked);

    // Each run of marked characters masks the original text it came from, escapes and blanks within
    // it included.
    QString out;
    qsizetype copied = 0;
    for (qsizetype i = 0; i < marked.size();) {
        if (!marked[i]) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end + 1 < marked.size() && marked[end + 1])
            ++end;
        const qsizetype from = std::max<qsizetype>(normalised.from[i], copied);
        const qsizetype to = normalised.to[end];
        if (to > copied) {
            out += QStringView(text).mid(copied, from - copied);
            out += masked();
            copied = to;
        }
        i = end + 1;
    }
    if (copied == 0 && out.isEmpty())
        return text;
    out += QStringView(text).mid(copied);
    return out;
}

QString S3SecretMask::maskDocument(const QByteArray& body, const QString& contentType) const {
    if (!isUtf8Text(body))
        return QStringLiteral("(%1 bytes of %2, not shown: not UTF-8 text)")
            .arg(body.size())
            .arg(contentType.isEmpty() ? QStringLiteral("no stated type") : mask(contentType));
    return mask(withEchoesEmptied(QString::fromUtf8(body)));
}

PLError S3SecretMask::mask(const PLError& error) const {
    PLError out = error;
    out.localizedDescription = mask(error.localizedDescription);
    for (auto it = out.userInfo.begin(); it != out.userInfo.end(); ++it)
        if (it.value().typeId() == QMetaType::QString || it.value().typeId() == QMetaType::QUrl)
            it.value() = mask(it.value().toString());
    return out;
}

} // namespace pelnix
