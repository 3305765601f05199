#include "media/s3/S3Region.h"

#include "media/s3/S3Logger.h"

#include <array>

namespace pelnix {

#define PELNIX_S3_REGION(name, text)                                                                         \
    std::shared_ptr<const S3Region> S3Region::name() {                                                       \
        static const auto instance = std::make_shared<const S3Region>(QStringLiteral(text));                 \
        return instance;                                                                                     \
    }

PELNIX_S3_REGION(USStandard, "")
PELNIX_S3_REGION(USWest, "us-west-1")
PELNIX_S3_REGION(USWest2, "us-west-2")
PELNIX_S3_REGION(EUIreland, "EU")
PELNIX_S3_REGION(EUWest1, "eu-west-1")
PELNIX_S3_REGION(APSingapore, "ap-southeast-1")
PELNIX_S3_REGION(APSydney, "ap-southeast-2")
PELNIX_S3_REGION(APJapan, "ap-northeast-1")
PELNIX_S3_REGION(SASaoPaulo, "sa-east-1")

#undef PELNIX_S3_REGION

std::shared_ptr<const S3Region> S3Region::regionWithString(const QString& text) {
    const std::array<std::shared_ptr<const S3Region>, 9> known{USStandard(), USWest(),  USWest2(),
                                                               EUIreland(),  EUWest1(), APSingapore(),
                                                               APSydney(),   APJapan(), SASaoPaulo()};
    for (const auto& region : known) {
        if (region->stringValue() == text)
            return region;
    }
    S3Logger::logInfo(QStringLiteral("Unknown S3 region name: '%1'.").arg(text));
    return std::make_shared<const S3Region>(text);
}

bool S3Region::isEqual(const S3Region& other) const {
    if (m_stringValue == other.m_stringValue)
        return true;
    const QString eu = QStringLiteral("EU");
    const QString euWest1 = QStringLiteral("eu-west-1");
    return (m_stringValue == eu && other.m_stringValue == euWest1) ||
           (m_stringValue == euWest1 && other.m_stringValue == eu);
}

} // namespace pelnix
