#include "smart/MessageLinkProcessing.h"

#include "core/api/PLAppConfigurations.h"
#include "smart/SmartLog.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUrl>

namespace pelnix {

namespace {

using Result = std::pair<int, QVariantMap>;

Result external(const QString& url) {
    return {PLLinkTypeExternal, {{QString::fromLatin1(PLExternalLinkDict), url}}};
}

// "scheme:recipient?name=value&name=value" (";" also starts and separates the pairs).
QVariantMap schemeParameters(const QString& url, const QString& scheme) {
    const QString rest = url.mid(url.indexOf(scheme) + scheme.size());
    const qsizetype end = rest.indexOf(QRegularExpression(QStringLiteral("[?;]")));
    QVariantMap info{{QStringLiteral("recipient"), QUrl::fromPercentEncoding(rest.left(end).toUtf8())}};
    if (end < 0)
        return info;
    for (const QString& pair :
         rest.mid(end + 1).split(QRegularExpression(QStringLiteral("[&;]")), Qt::SkipEmptyParts)) {
        const qsizetype eq = pair.indexOf(QLatin1Char('='));
        const QString name = QUrl::fromPercentEncoding(pair.left(eq).toUtf8());
        const QString value = eq < 0 ? QString() : QUrl::fromPercentEncoding(pair.mid(eq + 1).toUtf8());
        if (!name.isEmpty())
            info.insert(name, value);
    }
    return info;
}

// Strict Base64 (optionally percent-encoded) of a JSON object; none otherwise. `text` gets the
// decoded JSON text.
std::optional<QVariantMap> decodePayload(const QString& payload, QString* text = nullptr) {
    const QByteArray raw = QByteArray::fromPercentEncoding(payload.toLatin1());
    if (raw.isEmpty() || payload.toLatin1() != payload.toUtf8())
        return std::nullopt;
    const auto decoded = QByteArray::fromBase64Encoding(raw, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(*decoded, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    if (text)
        *text = QString::fromUtf8(*decoded);
    return document.object().toVariantMap();
}

Result smartLink(const QString& url, const QString& remainder) {
    const qsizetype slash = remainder.indexOf(QLatin1Char('/'));
    const QString method = slash < 0 ? remainder : remainder.left(slash);
    QString payloadText;
    const auto payload = slash < 0 ? std::nullopt : decodePayload(remainder.mid(slash + 1), &payloadText);
    if (!payload) {
        // The link is the message's text: nothing of it is logged.
        qCInfo(lcSmart) << "smart link with an unreadable payload";
        return external(url);
    }
    const QString smartType = payload->value(QString::fromLatin1(PLSmartType)).toString();
    const QVariantMap info{
        {QString::fromLatin1(PLSmartType), smartType},
        {QString::fromLatin1(PLParamInfoDict), payload->value(QString::fromLatin1(PLParamInfoDict)).toMap()},
        {QString::fromLatin1(PLActionInfoDict),
         payload->value(QString::fromLatin1(PLActionInfoDict)).toMap()},
    };
    if (method.startsWith(QLatin1String("compose")))
        return {PLLinkTypeCompose, info};
    if (method.startsWith(QLatin1String("download"))) {
        if (smartType == QLatin1String("location"))
            return {PLLinkTypeLocation, info};
        if (smartType == QLatin1String("contact"))
            return {PLLinkTypeContact, info};
        return {PLLinkTypeDownload, info};
    }
    if (method.startsWith(QLatin1String("comments")))
        return {PLLinkTypeComments, info};
    if (method.startsWith(QLatin1String("details")))
        return {PLLinkTypeDetails, info};
    if (payloadText.contains(QLatin1String("@latlong")))
        return {PLLinkTypeLocation, info};
    // An immediate response would be built here; no builder exists, so none is posted.
    return {PLLinkTypeImmediateResponse, {}};
}

} // namespace

std::pair<int, QVariantMap> MessageLinkProcessing::classifyLink(const QString& url, const QString& baseURL) {
    if (url.contains(QLatin1String("sms:")))
        return {PLLinkTypeSMS, schemeParameters(url, QStringLiteral("sms:"))};
    if (url.contains(QLatin1String("mailto:")))
        return {PLLinkTypeMail, schemeParameters(url, QStringLiteral("mailto:"))};
    if (url.contains(QLatin1String("tel:")))
        return {PLLinkTypeTelephone, {{QString::fromLatin1(PLExternalLinkDict), url}}};
    const QString mapHost = QString::fromLatin1(PLMapServiceHost);
    if (url.startsWith(QStringLiteral("http://") + mapHost) ||
        url.startsWith(QStringLiteral("https://") + mapHost))
        return {PLLinkTypeMap, {}};
    for (const QLatin1String prefix :
         {QLatin1String("http://pelnix:data="), QLatin1String("https://pelnix:data=")}) {
        if (url.startsWith(prefix)) {
            // An internal link that does not decode cannot be followed: it goes out like any other.
            if (const auto link = decodePayload(url.mid(prefix.size())))
                return {PLLinkTypeInternal, {{QString::fromLatin1(PLInternalLinkDict), *link}}};
            return external(url);
        }
    }
    if (!baseURL.isEmpty() && url.size() > baseURL.size() + 2 && url.contains(baseURL))
        return smartLink(url, url.mid(url.indexOf(baseURL) + baseURL.size()));
    if (!baseURL.isEmpty() && url == baseURL)
        return {PLLinkTypeBaseURL, {}};
    return external(url);
}

void MessageLinkProcessing::processLinkURLString(const std::shared_ptr<Message>& message,
                                                 const QString& urlString,
                                                 const PLLinkProcessingHandler& handler) {
    Q_UNUSED(message);
    const auto [type, info] = classifyLink(urlString, PLAppConfigurations::currentConfiguration()->baseURL());
    if (handler)
        handler(type, info);
}

} // namespace pelnix
