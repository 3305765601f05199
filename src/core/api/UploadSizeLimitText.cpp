#include "core/api/UploadSizeLimitText.h"

#include "core/api/PLAppConfigurations.h"
#include "foundation/PLCurrentBundleInfo.h"

namespace pelnix::UploadSizeLimitText {

QString sizeText(quint64 bytes) {
    struct Unit {
        quint64 size;
        const char* name;
    };
    static constexpr Unit kUnits[] = {{quint64(1) << 30, "GB"}, {quint64(1) << 20, "MB"}, {1024, "KB"}};
    for (const Unit& unit : kUnits) {
        if (bytes < unit.size)
            continue;
        // Tenths, rounded down, without overflow for any 64-bit count.
        const quint64 whole = bytes / unit.size;
        const quint64 tenth = (bytes % unit.size) * 10 / unit.size;
        const QString number =
            tenth == 0 ? QString::number(whole) : QStringLiteral("%1.%2").arg(whole).arg(tenth);
        return number + QLatin1String(unit.name);
    }
    return bytes == 1 ? QStringLiteral("1 byte") : QStringLiteral("%1 bytes").arg(bytes);
}

QString overLimitMessage(quint64 limitBytes) {
    return PLCurrentBundleInfo::localizedString(QStringLiteral("Max %@ can be uploaded"))
        .replace(QLatin1String("%@"), sizeText(limitBytes));
}

QString currentOverLimitMessage() {
    const auto configuration = PLAppConfigurations::currentConfiguration();
    return overLimitMessage(configuration ? configuration->uploadSizeLimit() : 0);
}

} // namespace pelnix::UploadSizeLimitText
