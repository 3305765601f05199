#pragma once

#include <QString>
#include <memory>

namespace pelnix {

// A grant's permission by its wire text.
class S3Permission {
public:
    explicit S3Permission(const QString& xmlCode) : m_xmlValue(xmlCode) {}

    static std::shared_ptr<const S3Permission> readPermission();
    static std::shared_ptr<const S3Permission> writePermission();
    static std::shared_ptr<const S3Permission> fullControlPermission();
    static std::shared_ptr<const S3Permission> readAcpPermission();
    static std::shared_ptr<const S3Permission> writeAcpPermission();

    // Exact, case-sensitive; null for an unknown text.
    static std::shared_ptr<const S3Permission> permissionWithString(const QString& text);

    QString xmlValue() const { return m_xmlValue; }
    QString description() const { return m_xmlValue; }

private:
    QString m_xmlValue;
};

} // namespace pelnix
