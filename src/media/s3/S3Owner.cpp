#include "media/s3/S3Owner.h"

#include <QDataStream>
#include <QIODevice>
#include <QVariantMap>

namespace pelnix {

std::shared_ptr<S3Owner> S3Owner::ownerWithID(const QString& ID, const QString& displayName) {
    return std::make_shared<S3Owner>(ID, displayName);
}

QByteArray S3Owner::archive() const {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << QVariantMap{{QStringLiteral("ID"), m_ID}, {QStringLiteral("DisplayName"), m_displayName}};
    return bytes;
}

std::shared_ptr<S3Owner> S3Owner::unarchive(const QByteArray& archive) {
    QVariantMap map;
    QDataStream in(archive);
    in >> map;
    if (in.status() != QDataStream::Ok)
        return nullptr;
    return ownerWithID(map.value(QStringLiteral("ID")).toString(),
                       map.value(QStringLiteral("DisplayName")).toString());
}

} // namespace pelnix
