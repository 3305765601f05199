#pragma once

// The link information a smart message's action link carries ("details", "comments", ...), as its
// cell hands it to the page it opens: the link's base64 JSON payload, decoded.

#include "core/model/Message.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QVariantMap>

namespace pelnix::test {

inline QVariantMap linkInfoOf(const Message::Ptr& message, const QString& action) {
    const QVariantMap json = QJsonDocument::fromJson(message->text().toUtf8()).object().toVariantMap();
    for (const QVariant& link : json.value("links").toList()) {
        if (link.toMap().value("name").toString() != action)
            continue;
        const QString href = link.toMap().value("href").toString();
        const QByteArray payload =
            QByteArray::fromBase64(QByteArray::fromPercentEncoding(href.section('/', 1).toLatin1()));
        return QJsonDocument::fromJson(payload).object().toVariantMap();
    }
    return {};
}

} // namespace pelnix::test
