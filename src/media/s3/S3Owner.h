#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

namespace pelnix {

class S3Owner {
public:
    S3Owner() = default;
    S3Owner(const QString& ID, const QString& displayName) : m_ID(ID), m_displayName(displayName) {}
    static std::shared_ptr<S3Owner> ownerWithID(const QString& ID, const QString& displayName);

    QString ID() const { return m_ID; }
    void setID(const QString& value) { m_ID = value; }
    QString displayName() const { return m_displayName; }
    void setDisplayName(const QString& value) { m_displayName = value; }

    // A keyed archive: "ID" and "DisplayName".
    QByteArray archive() const;
    static std::shared_ptr<S3Owner> unarchive(const QByteArray& archive);

private:
    QString m_ID;
    QString m_displayName;
};

} // namespace pelnix
