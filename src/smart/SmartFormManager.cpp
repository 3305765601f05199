#include "smart/SmartFormManager.h"

#include "foundation/JsonHelpers.h"
#include "foundation/PLCurrentBundleInfo.h"
#include "smart/SmartLog.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace pelnix {

QString SmartFormManager::formJSONFromTemplate(const QString& resourceName, const QVariantMap& values) {
    const QByteArray data = PLCurrentBundleInfo::dataForResource(resourceName, QStringLiteral("json"));
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (data.isEmpty() || error.error != QJsonParseError::NoError || !document.isObject()) {
        qCWarning(lcSmart) << "form template" << resourceName << "cannot be read";
        return {};
    }
    QVariantMap form = document.object().toVariantMap();
    const QVariantList media =
        form.value(QStringLiteral("content")).toMap().value(QStringLiteral("media")).toList();
    QVariantMap entry = media.isEmpty() ? QVariantMap() : media.first().toMap();
    for (auto it = values.begin(); it != values.end(); ++it)
        entry.insert(it.key(), it.value());
    form.insert(QStringLiteral("content"), QVariantMap{{QStringLiteral("media"), QVariantList{entry}}});
    return JSONSerialization::convertJsonToString(form);
}

QString SmartFormManager::constructshareMediaWithMediaDict(const QVariantMap& media) {
    const bool video = media.value(QStringLiteral("fileMime")).toString().startsWith(QLatin1String("video/"));
    return formJSONFromTemplate(video ? QStringLiteral("File_Form") : QStringLiteral("Image_Form"), media);
}

QString SmartFormManager::constructShareContactJsonFromDictionary(const QVariantMap& contact) {
    return formJSONFromTemplate(QStringLiteral("Contact_Form"), contact);
}

QString SmartFormManager::constructCheckInRequestWithLocationDict(const QVariantMap& location) {
    return formJSONFromTemplate(QStringLiteral("Location_Form"), location);
}

} // namespace pelnix
