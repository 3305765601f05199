#include "ColorPLPopover.h"

#include <algorithm>

namespace pelnix::ColorPLPopover {

bool getValueOfRed(const Color& color, double* red, double* green, double* blue, double* alpha) {
    double c[4] = {0, 0, 0, 0};
    const bool known = color.isMonochromeOrRGB();
    if (known)
        color.getRGBAComponents(c);
    for (auto [out, value] : {std::pair{red, c[0]}, {green, c[1]}, {blue, c[2]}, {alpha, c[3]}})
        if (out)
            *out = value;
    return known;
}

QString hexString(const Color& color) {
    double c[4];
    getValueOfRed(color, &c[0], &c[1], &c[2], &c[3]);
    QString out = QStringLiteral("#");
    for (double v : c)
        out += QStringLiteral("%1").arg(int(v * 255) & 0xff, 2, 16, QLatin1Char('0'));
    return out;
}

Color colorByLighten(const Color& color, double amount) {
    double r, g, b;
    getValueOfRed(color, &r, &g, &b, nullptr);
    return Color::rgb(std::min(r + amount, 1.0), std::min(g + amount, 1.0), std::min(b + amount, 1.0), 1.0);
}

Color colorByDarken(const Color& color, double amount) {
    double r, g, b;
    getValueOfRed(color, &r, &g, &b, nullptr);
    return Color::rgb(std::max(r - amount, 0.0), std::max(g - amount, 0.0), std::max(b - amount, 0.0), 1.0);
}

} // namespace pelnix::ColorPLPopover
