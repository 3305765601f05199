#pragma once

#include <QColor>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariant>
#include <array>

namespace pelnix {

// A colour as the screens and the configuration write it: a colour-space model (monochrome or RGB,
// or another model such as a pattern) with float components. QColor loses both the model and the float
// channels, so it is only the painting form (toQColor()).
//
// Colours from strings: names from the shared table (case-insensitive), else hexadecimal text with
// "#" and "0x" removed, of 0, 3, 6 or 8 digits (RRGGBBAA); any other length gives the table's black.
class Color {
public:
    enum class Model { Monochrome, RGB, Other };

    Color() = default; // opaque black, monochrome
    static Color monochrome(double white, double alpha = 1.0);
    static Color rgb(double red, double green, double blue, double alpha = 1.0);
    // A colour of another model (a pattern, say): only its alpha is known.
    static Color other(double alpha = 1.0);

    Model model() const { return m_model; }

    // The shared name table, in registration order (the 15 system colours first).
    static QList<std::pair<QString, Color>> standardColors();
    // Adds or replaces the colour of `name` (lower-cased).
    static void registerColor(const Color& color, const QString& name);

    static Color colorWithString(const QString& text);
    static Color colorWithRGBValue(quint32 value);
    static Color colorWithRGBAValue(quint32 value);

    void getRGBAComponents(double components[4]) const;
    quint32 RGBValue() const;
    quint32 RGBAValue() const;
    QString stringValue() const;
    double red() const;
    double green() const;
    double blue() const;
    double alpha() const { return m_alpha; }

    bool isMonochromeOrRGB() const { return m_model != Model::Other; }
    bool isEquivalentToColor(const Color& other) const;
    // False for anything that is not a colour.
    bool isEquivalent(const QVariant& value) const;
    Color colorWithBrightness(double factor) const;
    Color colorBlendedWithColor(const Color& other, double factor) const;

    // Same model and the very same components.
    bool operator==(const Color& other) const;
    QColor toQColor() const;

private:
    Model m_model = Model::Monochrome;
    std::array<double, 3> m_channels{0, 0, 0}; // white, or red, green, blue
    double m_alpha = 1.0;
};

} // namespace pelnix

Q_DECLARE_METATYPE(pelnix::Color)
