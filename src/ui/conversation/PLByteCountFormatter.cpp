#include "ui/conversation/PLByteCountFormatter.h"

#include <QLocale>
#include <cmath>

namespace pelnix {

QString PLByteCountFormatter::stringFromByteCount(qint64 bytes, Style style) {
    if (bytes == 0)
        return QStringLiteral("Zero KB");
    const QString sign = bytes < 0 ? QStringLiteral("-") : QString();
    const double magnitude = std::abs(double(bytes));
    if (magnitude < 2)
        return sign + QStringLiteral("1 byte");
    const double base = style == Style::Binary ? 1024.0 : 1000.0;
    if (magnitude < base)
        return sign + QStringLiteral("%1 bytes").arg(qint64(magnitude));
    static const char* const kUnits[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
    int unit = 0;
    double value = magnitude / base;
    while (unit < 5 && value >= base) {
        value /= base;
        ++unit;
    }
    const int digits = unit == 0 ? 0 : unit == 1 ? 1 : 2;
    const double scale = std::pow(10.0, digits);
    double rounded = std::round(value * scale) / scale;
    // Rounding up may reach the next unit: 1023.9 KB reads "1 MB".
    if (rounded >= base && unit < 5) {
        rounded = std::round(rounded / base * 10.0) / 10.0;
        ++unit;
    }
    return sign + QLocale::c().toString(rounded, 'g', 15) + QLatin1Char(' ') + QLatin1String(kUnits[unit]);
}

} // namespace pelnix
