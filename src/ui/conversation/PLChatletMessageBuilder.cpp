#include "ui/conversation/PLChatletMessageBuilder.h"

#include "foundation/JsonHelpers.h"
#include "smart/MessageLinkProcessing.h"
#include "smart/SmartFormManager.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

namespace pelnix {

namespace {

QString field(const QVariantMap& map, const char* key) {
    return map.value(QString::fromLatin1(key)).toString();
}

// A list field's entries, numbered from 1, without empty ones.
QVariantList listEntries(const QVariant& value) {
    QVariantList entries;
    int id = 0;
    for (const QVariant& item : value.toList()) {
        const QString text = item.toString().trimmed();
        if (!text.isEmpty())
            entries << QVariantMap{{QStringLiteral("id"), QString::number(++id)},
                                   {QStringLiteral("text"), text}};
    }
    return entries;
}

QString withFormId(const QString& json, const QString& formId) {
    QVariantMap message = QJsonDocument::fromJson(json.toUtf8()).object().toVariantMap();
    if (message.isEmpty())
        return {};
    message.insert(QStringLiteral("formid"), formId);
    return JSONSerialization::convertJsonToString(message);
}

// The person of a shared-contact field: its record's "pl" text, read back.
QVariantMap sharedPerson(const QVariant& value) {
    const QVariantMap record = value.toMap();
    const QVariantMap person = QJsonDocument::fromJson(record.value(QStringLiteral("pl")).toString().toUtf8())
                                   .object()
                                   .toVariantMap();
    return person.isEmpty() ? record : person;
}

} // namespace

const QStringList& PLChatletMessageBuilder::supportedFieldTypes() {
    static const QStringList types{QStringLiteral("text"),    QStringLiteral("textarea"),
                                   QStringLiteral("list"),    QStringLiteral("choice"),
                                   QStringLiteral("contact"), QStringLiteral("location")};
    return types;
}

bool PLChatletMessageBuilder::canCompose(const QVariantList& fields) {
    if (fields.isEmpty())
        return false;
    for (const QVariant& entry : fields)
        if (!supportedFieldTypes().contains(field(entry.toMap(), "type")))
            return false;
    return true;
}

QString PLChatletMessageBuilder::actionLink(const QString& action, const QString& smartType,
                                            const QVariantMap& params, const QVariantMap& actionInfo) {
    const QVariantMap payload{{QString::fromLatin1(PLSmartType), smartType},
                              {QString::fromLatin1(PLParamInfoDict), params},
                              {QString::fromLatin1(PLActionInfoDict), actionInfo}};
    const QByteArray json =
        QJsonDocument(QJsonObject::fromVariantMap(payload)).toJson(QJsonDocument::Compact);
    // Percent-encoded, so that "+", "/" and "=" of the Base64 stay themselves in a URL.
    return action + QLatin1Char('/') +
           QString::fromLatin1(QUrl::toPercentEncoding(QString::fromLatin1(json.toBase64())));
}

QVariantList PLChatletMessageBuilder::replyFields(const QVariantMap& form, const QVariantMap& content) {
    QVariantList fields;
    for (const QVariant& entry : form.value(QStringLiteral("reply")).toList()) {
        QVariantMap replyField = entry.toMap();
        const QString from = field(replyField, "choicesFrom");
        if (!from.isEmpty()) {
            replyField.remove(QStringLiteral("choicesFrom"));
            replyField.insert(QStringLiteral("choices"), content.value(from).toList());
        }
        fields << replyField;
    }
    return fields;
}

QString PLChatletMessageBuilder::newChatletJSON(const QString& smartType, const QVariantMap& form,
                                                const QVariantMap& values, const QString& formId) {
    const QVariantList fields = form.value(QStringLiteral("fields")).toList();
    // The library's own shares keep their template's shape, which their stylesheets read.
    for (const QVariant& entry : fields) {
        const QVariantMap definition = entry.toMap();
        const QVariant value = values.value(field(definition, "id"));
        if (field(definition, "type") == QLatin1String("contact"))
            return withFormId(SmartFormManager::constructShareContactJsonFromDictionary(sharedPerson(value)),
                              formId);
        if (field(definition, "type") == QLatin1String("location"))
            return withFormId(SmartFormManager::constructCheckInRequestWithLocationDict(value.toMap()),
                              formId);
    }
    QVariantMap content;
    for (const QVariant& entry : fields) {
        const QVariantMap definition = entry.toMap();
        const QString id = field(definition, "id");
        if (id.isEmpty())
            continue;
        const QVariant value = values.value(id);
        content.insert(id, field(definition, "type") == QLatin1String("list") ? QVariant(listEntries(value))
                                                                              : QVariant(value.toString()));
    }
    const QString xslt = field(form, "xslt").isEmpty() ? smartType : field(form, "xslt");
    const QString displayName = field(form, "displayname");
    const QVariantMap params{{QStringLiteral("displayname"), displayName},
                             {QStringLiteral("formid"), formId}};
    QVariantList links;
    for (const QVariant& entry : form.value(QStringLiteral("actions")).toList()) {
        QVariantMap action = entry.toMap();
        const QString name = field(action, "name");
        if (name.isEmpty())
            continue;
        if (name == QLatin1String("compose"))
            action.insert(QStringLiteral("fields"), replyFields(form, content));
        links << QVariantMap{{QStringLiteral("name"), name},
                             {QStringLiteral("label"), field(action, "label")},
                             {QStringLiteral("href"), actionLink(name, xslt, params, action)}};
    }
    QVariantMap message{{QStringLiteral("type"), QStringLiteral("primary")},
                        {QStringLiteral("xslt"), xslt},
                        {QStringLiteral("formid"), formId},
                        {QStringLiteral("displayname"), displayName},
                        {QStringLiteral("latestAction"), QStringLiteral("init")},
                        {QStringLiteral("content"), content}};
    if (!links.isEmpty())
        message.insert(QStringLiteral("links"), links);
    return JSONSerialization::convertJsonToString(message);
}

QString PLChatletMessageBuilder::replyJSON(const QString& smartType, const QString& formId,
                                           const QVariantMap& values) {
    const QVariantMap message{{QStringLiteral("type"), QStringLiteral("reply")},
                              {QStringLiteral("xslt"), smartType},
                              {QStringLiteral("formid"), formId},
                              {QStringLiteral("latestAction"), QStringLiteral("reply")},
                              {QStringLiteral("reply"), values}};
    return JSONSerialization::convertJsonToString(message);
}

} // namespace pelnix
