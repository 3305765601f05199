#pragma once

#include <QString>
#include <memory>

namespace pelnix {

// A bucket's region by its wire text.
class S3Region {
public:
    explicit S3Region(const QString& stringValue) : m_stringValue(stringValue) {}

    static std::shared_ptr<const S3Region> USStandard();
    static std::shared_ptr<const S3Region> USWest();
    static std::shared_ptr<const S3Region> USWest2();
    static std::shared_ptr<const S3Region> EUIreland();
    static std::shared_ptr<const S3Region> EUWest1();
    static std::shared_ptr<const S3Region> APSingapore();
    static std::shared_ptr<const S3Region> APSydney();
    static std::shared_ptr<const S3Region> APJapan();
    static std::shared_ptr<const S3Region> SASaoPaulo();

    // The shared instance for a known text; otherwise logs and answers a new region.
    static std::shared_ptr<const S3Region> regionWithString(const QString& text);

    QString stringValue() const { return m_stringValue; }
    QString description() const { return m_stringValue; }
    // "EU" and "eu-west-1" name the same region.
    bool isEqual(const S3Region& other) const;
    bool operator==(const S3Region& other) const { return isEqual(other); }

private:
    QString m_stringValue;
};

} // namespace pelnix
