#include "CustomColors.h"

#include "ImageAdditions.h"

namespace pelnix::CustomColors {

namespace {
std::function<QString()>& navigationTitleSource() {
    static std::function<QString()> source;
    return source;
}
std::function<std::optional<QColor>()>& separatorSource() {
    static std::function<std::optional<QColor>()> source;
    return source;
}
QColor rgb(int r, int g, int b) {
    return QColor::fromRgbF(r / 255.0f, g / 255.0f, b / 255.0f, 1.0f);
}
} // namespace

void setNavigationTitleColorSource(std::function<QString()> source) {
    navigationTitleSource() = std::move(source);
}

void setTableViewSeparatorColorSource(std::function<std::optional<QColor>()> source) {
    separatorSource() = std::move(source);
}

QColor colorFromHexString(const QString& input) {
    QString text = input.trimmed().toLower();
    text.remove(QLatin1Char('#'));
    text.remove(QStringLiteral("0x"));
    if (text.isEmpty())
        return QColor(0, 0, 0, 0);
    if (text.size() == 3)
        text = QString(text[0]) + text[0] + text[1] + text[1] + text[2] + text[2] + QStringLiteral("ff");
    else if (text.size() == 6)
        text += QStringLiteral("ff");
    else if (text.size() != 8)
        return QColor(0, 0, 0);
    bool ok = false;
    const uint value = text.toUInt(&ok, 16);
    if (!ok)
        return QColor(0, 0, 0);
    return QColor(int((value >> 24) & 0xff), int((value >> 16) & 0xff), int((value >> 8) & 0xff),
                  int(value & 0xff));
}

QColor navigationBarTitleColor() {
    const auto& source = navigationTitleSource();
    const QString text = source ? source() : QString();
    // A title must stay readable when no colour is configured: the empty text would be transparent.
    return text.trimmed().isEmpty() ? customTextColor() : colorFromHexString(text);
}

QColor chatRoomsTableViewSeparatorColor() {
    const auto& source = separatorSource();
    if (source)
        if (const auto color = source())
            return *color;
    return colorFromHexString(QStringLiteral("66c07f"));
}

QColor pelnixBlueColor() {
    return colorFromHexString(QStringLiteral("0086ca"));
}

QBrush customSeparatorColor() {
    const QImage image = ImageAdditions::loadImageNamed(QStringLiteral("separatorImage"));
    return image.isNull() ? QBrush(rgb(200, 199, 204)) : QBrush(image);
}

QColor textViewPlaceholderTextColor() {
    return rgb(0, 113, 189);
}

QColor pageControlIndicatorTintColor() {
    return rgb(166, 213, 239);
}

QColor pageControlCurrentPageIndicatorTintColor() {
    return rgb(57, 154, 214);
}

QColor customTextColor() {
    return rgb(64, 64, 64);
}

QColor progressColor() {
    return rgb(81, 181, 231);
}

QColor customBlueBackgroundColor() {
    return rgb(194, 225, 241);
}

QColor tableCellSelectionColor() {
    return rgb(208, 235, 215);
}

QColor floatingLabelBackgroundColor() {
    return colorFromHexString(QStringLiteral("25a549"));
}

} // namespace pelnix::CustomColors
