#include "media/s3/S3SecretMask.h"

#include "media/s3/S3AbstractWebServiceClient.h"
#include "media/s3/S3SDKUtil.h"
#include "media/s3/S3ServiceRequest.h"
#include "platform/PLError.h"

#include <QRegularExpression>
#include <QUrl>
#include <algorithm>

namespace pelnix {

namespace {

constexpr qsizetype kShortestSecret = 4;

QString masked() {
    return QString::fromLatin1(S3AbstractWebServiceClient::kMaskedHeaderValue);
}

void addUnique(QStringList& list, const QString& text) {
    if (!text.isEmpty() && !list.contains(text))
        list << text;
}

void longestFirst(QStringList& list) {
    std::stable_sort(list.begin(), list.end(),
                     [](const QString& a, const QString& b) { return a.size() > b.size(); });
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

} // namespace

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
    mask.addSecret(request.parameters().value(QStringLiteral("Signature")));
    return mask;
}

void S3SecretMask::addSecret(const QString& secret) {
    const QString text = secret.trimmed();
    if (text.size() < kShortestSecret)
        return;
    addUnique(m_forms, text);
    addUnique(m_forms, text.toHtmlEscaped());
    addUnique(m_forms, QString(text).replace(QLatin1Char('/'), QLatin1String("\\/")));
    // Escapes may come in either case.
    addUnique(m_caselessForms, QString::fromLatin1(QUrl::toPercentEncoding(text)));
    addUnique(m_caselessForms, S3SDKUtil::urlEncode(text));
    const QByteArray bytes = text.toUtf8();
    addUnique(m_caselessForms, QString::fromLatin1(bytes.toHex()));
    addUnique(m_caselessForms, QString::fromLatin1(bytes.toHex(' ')));
    longestFirst(m_forms);
    longestFirst(m_caselessForms);
}

QString S3SecretMask::mask(const QString& text) const {
    if (text.isEmpty() || isEmpty())
        return text;
    QString out = text;
    for (const QString& form : m_caselessForms)
        out.replace(form, masked(), Qt::CaseInsensitive);
    for (const QString& form : m_forms)
        out.replace(form, masked());
    return out;
}

QString S3SecretMask::maskDocument(const QString& body) const {
    static const QRegularExpression echoes(
        QStringLiteral("<(StringToSign|StringToSignBytes|CanonicalRequest|CanonicalRequestBytes|"
                       "SignatureProvided)>.*?</\\1>"),
        QRegularExpression::DotMatchesEverythingOption);
    QString out = body;
    out.replace(echoes, QStringLiteral("<\\1>%1</\\1>").arg(masked()));
    return mask(out);
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
