#include "SystemServices.h"

#include "DesktopSystemServices.h"

#include "platform/BidiText.h"

#include <algorithm>

namespace pelnix::platform::ui {

namespace {
QStringList& configuredApplicationSchemes() {
    static QStringList schemes;
    return schemes;
}

std::unique_ptr<SystemServices>& installed() {
    static std::unique_ptr<SystemServices> services;
    return services;
}

// Everything but the characters an address or a number is made of is percent-encoded, so a
// recipient cannot end the list (",") or start the query ("?", "&"). Directional controls are
// dropped: the program that takes the link shows the address as it is sent.
QByteArray recipientList(const QStringList& recipients) {
    QByteArrayList encoded;
    for (const QString& recipient : recipients) {
        const QString trimmed = BidiText::withoutControls(recipient).trimmed();
        if (!trimmed.isEmpty())
            encoded << QUrl::toPercentEncoding(trimmed, "@+");
    }
    return encoded.join(',');
}

// Header fields of a mailto: or sms: link, with line breaks as CRLF as the link format wants.
void addField(QByteArrayList& fields, const char* name, const QString& value) {
    if (value.isEmpty())
        return;
    QString text = value;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"))
        .replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    fields << QByteArray(name) + '=' + QUrl::toPercentEncoding(text);
}

QUrl linkURL(const char* scheme, const QByteArray& recipients, const QByteArrayList& fields) {
    QByteArray link = QByteArray(scheme) + ':' + recipients;
    if (!fields.isEmpty())
        link += '?' + fields.join('&');
    return QUrl::fromEncoded(link, QUrl::StrictMode);
}
} // namespace

SystemServices* SystemServices::current() {
    auto& services = installed();
    if (!services)
        services = std::make_unique<DesktopSystemServices>();
    return services.get();
}

void SystemServices::setCurrent(std::unique_ptr<SystemServices> services) {
    installed() = std::move(services);
}

QStringList SystemServices::allowedSchemes() {
    return QStringList{QStringLiteral("http"), QStringLiteral("https"), QStringLiteral("mailto"),
                       QStringLiteral("tel"), QStringLiteral("sms")} +
           configuredApplicationSchemes();
}

void SystemServices::setApplicationSchemes(const QStringList& schemes) {
    static const QStringList kNever{
        QStringLiteral("file"),     QStringLiteral("javascript"), QStringLiteral("data"),
        QStringLiteral("vbscript"), QStringLiteral("blob"),       QStringLiteral("about"),
        QStringLiteral("qrc"),      QStringLiteral("ftp"),        QStringLiteral("smb"),
        QStringLiteral("nfs"),      QStringLiteral("ssh"),        QStringLiteral("view-source")};
    QStringList accepted;
    for (const QString& scheme : schemes) {
        const QString lower = scheme.trimmed().toLower();
        const bool wellFormed = !lower.isEmpty() && lower.front().isLetter() &&
                                std::all_of(lower.begin(), lower.end(), [](QChar c) {
                                    return c.isLetterOrNumber() || c == QLatin1Char('+') ||
                                           c == QLatin1Char('-') || c == QLatin1Char('.');
                                });
        if (wellFormed && !kNever.contains(lower) && !accepted.contains(lower))
            accepted << lower;
    }
    configuredApplicationSchemes() = accepted;
}

QStringList SystemServices::applicationSchemes() {
    return configuredApplicationSchemes();
}

bool SystemServices::isAllowed(const QUrl& url) {
    if (!url.isValid())
        return false;
    const QString scheme = url.scheme().toLower();
    // An address, a number or an application's link that holds a directional control reads otherwise
    // than it acts (tel:+1<U+202E>0010555 shows as +15550100); a web address is shown encoded. Every
    // part is decoded, written plain or percent-encoded alike.
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https") &&
        BidiText::hasControls(QUrl::fromPercentEncoding(url.toEncoded())))
        return false;
    return allowedSchemes().contains(scheme);
}

QUrl SystemServices::mailtoURL(const MailDraft& draft) {
    QByteArrayList fields;
    if (const QByteArray cc = recipientList(draft.ccRecipients); !cc.isEmpty())
        fields << "cc=" + cc;
    if (const QByteArray bcc = recipientList(draft.bccRecipients); !bcc.isEmpty())
        fields << "bcc=" + bcc;
    addField(fields, "subject", draft.subject);
    addField(fields, "body", draft.body);
    return linkURL("mailto", recipientList(draft.toRecipients), fields);
}

QUrl SystemServices::smsURL(const TextDraft& draft) {
    QByteArrayList fields;
    addField(fields, "body", draft.body);
    return linkURL("sms", recipientList(draft.recipients), fields);
}

} // namespace pelnix::platform::ui
