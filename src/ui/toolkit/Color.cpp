#include "Color.h"

#include <cmath>

namespace pelnix {

namespace {
QList<std::pair<QString, Color>>& table() {
    static QList<std::pair<QString, Color>> colors{
        {QStringLiteral("black"), Color::monochrome(0)},
        {QStringLiteral("darkgray"), Color::monochrome(1.0 / 3)},
        {QStringLiteral("lightgray"), Color::monochrome(2.0 / 3)},
        {QStringLiteral("white"), Color::monochrome(1)},
        {QStringLiteral("gray"), Color::monochrome(0.5)},
        {QStringLiteral("red"), Color::rgb(1, 0, 0)},
        {QStringLiteral("green"), Color::rgb(0, 1, 0)},
        {QStringLiteral("blue"), Color::rgb(0, 0, 1)},
        {QStringLiteral("cyan"), Color::rgb(0, 1, 1)},
        {QStringLiteral("yellow"), Color::rgb(1, 1, 0)},
        {QStringLiteral("magenta"), Color::rgb(1, 0, 1)},
        {QStringLiteral("orange"), Color::rgb(1, 0.5, 0)},
        {QStringLiteral("purple"), Color::rgb(0.5, 0, 0.5)},
        {QStringLiteral("brown"), Color::rgb(0.6, 0.4, 0.2)},
        {QStringLiteral("clear"), Color::monochrome(0, 0)},
    };
    return colors;
}

const Color* lookup(const QString& lowerName) {
    for (const auto& [name, color] : table())
        if (name == lowerName)
            return &color;
    return nullptr;
}

// A byte as a channel: divided in single precision, then widened.
double channel(quint32 byte) {
    return double(float(byte & 0xff) / 255.0f);
}

qint64 truncated(double value) {
    return qint64(std::trunc(value * 255));
}
} // namespace

Color Color::monochrome(double white, double alpha) {
    Color c;
    c.m_model = Model::Monochrome;
    c.m_channels = {white, white, white};
    c.m_alpha = alpha;
    return c;
}

Color Color::rgb(double red, double green, double blue, double alpha) {
    Color c;
    c.m_model = Model::RGB;
    c.m_channels = {red, green, blue};
    c.m_alpha = alpha;
    return c;
}

Color Color::other(double alpha) {
    Color c;
    c.m_model = Model::Other;
    c.m_channels = {0, 0, 0};
    c.m_alpha = alpha;
    return c;
}

QList<std::pair<QString, Color>> Color::standardColors() {
    return table();
}

void Color::registerColor(const Color& color, const QString& name) {
    const QString key = name.toLower();
    for (auto& entry : table()) {
        if (entry.first == key) {
            entry.second = color;
            return;
        }
    }
    table() << std::make_pair(key, color);
}

Color Color::colorWithString(const QString& input) {
    QString text = input.toLower();
    if (const Color* named = lookup(text))
        return *named;
    text.remove(QLatin1Char('#'));
    text.remove(QStringLiteral("0x"));
    switch (text.size()) {
    case 0:
        text = QStringLiteral("00000000");
        break;
    case 3:
        text = QString(text[0]) + text[0] + text[1] + text[1] + text[2] + text[2] + QStringLiteral("ff");
        break;
    case 6:
        text += QStringLiteral("ff");
        break;
    case 8:
        break;
    default:
        return *lookup(QStringLiteral("black"));
    }
    // Read like a hex scanner: leading white space, then digits up to the first non-digit.
    int i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    quint64 value = 0;
    int digits = 0;
    for (; i < text.size(); ++i, ++digits) {
        const char16_t c = text[i].unicode();
        int digit = -1;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        if (digit < 0)
            break;
        value = qMin<quint64>((value << 4) | quint64(digit), 0xffffffffULL);
    }
    // No digit at all ("#xyz"): nothing sensible was written; black, as for a malformed length.
    if (digits == 0)
        return *lookup(QStringLiteral("black"));
    return colorWithRGBAValue(quint32(value));
}

Color Color::colorWithRGBValue(quint32 value) {
    return rgb(channel(value >> 16), channel(value >> 8), channel(value), 1.0);
}

Color Color::colorWithRGBAValue(quint32 value) {
    return rgb(channel(value >> 24), channel(value >> 16), channel(value >> 8), channel(value));
}

void Color::getRGBAComponents(double components[4]) const {
    if (m_model == Model::Other) {
        components[0] = components[1] = components[2] = 0;
        components[3] = 1.0;
        return;
    }
    components[0] = m_channels[0];
    components[1] = m_channels[1];
    components[2] = m_channels[2];
    components[3] = m_alpha;
}

double Color::red() const {
    double c[4];
    getRGBAComponents(c);
    return c[0];
}

double Color::green() const {
    double c[4];
    getRGBAComponents(c);
    return c[1];
}

double Color::blue() const {
    double c[4];
    getRGBAComponents(c);
    return c[2];
}

quint32 Color::RGBValue() const {
    double c[4];
    getRGBAComponents(c);
    return quint32((truncated(c[0]) << 16) + (truncated(c[1]) << 8) + truncated(c[2]));
}

quint32 Color::RGBAValue() const {
    double c[4];
    getRGBAComponents(c);
    return quint32((truncated(c[0]) << 24) | ((truncated(c[1]) & 255) << 16) |
                   ((truncated(c[2]) & 255) << 8) | (truncated(c[3]) & 255));
}

QString Color::stringValue() const {
    for (const auto& [name, color] : table())
        if (color == *this)
            return name;
    if (alpha() < 1.0)
        return QStringLiteral("#%1").arg(RGBAValue(), 8, 16, QLatin1Char('0'));
    return QStringLiteral("#%1").arg(RGBValue(), 6, 16, QLatin1Char('0'));
}

bool Color::isEquivalentToColor(const Color& other) const {
    if (isMonochromeOrRGB() && other.isMonochromeOrRGB())
        return RGBAValue() == other.RGBAValue();
    return *this == other;
}

bool Color::isEquivalent(const QVariant& value) const {
    if (!value.canConvert<Color>() || value.metaType() != QMetaType::fromType<Color>())
        return false;
    return isEquivalentToColor(value.value<Color>());
}

Color Color::colorWithBrightness(double factor) const {
    factor = qMax(0.0, factor);
    double c[4];
    getRGBAComponents(c);
    return rgb(c[0] * factor, c[1] * factor, c[2] * factor, c[3]);
}

Color Color::colorBlendedWithColor(const Color& other, double factor) const {
    factor = qBound(0.0, factor, 1.0);
    double own[4];
    double theirs[4];
    getRGBAComponents(own);
    other.getRGBAComponents(theirs);
    double out[4];
    for (int i = 0; i < 4; ++i)
        out[i] = own[i] + (theirs[i] - own[i]) * factor;
    return rgb(out[0], out[1], out[2], out[3]);
}

bool Color::operator==(const Color& other) const {
    return m_model == other.m_model && m_channels == other.m_channels && m_alpha == other.m_alpha;
}

QColor Color::toQColor() const {
    double c[4];
    getRGBAComponents(c);
    return QColor::fromRgbF(float(qBound(0.0, c[0], 1.0)), float(qBound(0.0, c[1], 1.0)),
                            float(qBound(0.0, c[2], 1.0)), float(qBound(0.0, c[3], 1.0)));
}

} // namespace pelnix
