#pragma once

// Text that lies about itself, for the tests of the screens that show people's and the server's
// text: values whose directional controls or right-to-left letters reorder what follows them on the
// same line unless they are isolated, and how a widget draws a line.

#include <QImage>
#include <QList>
#include <QString>
#include <QWidget>

namespace pelnix::test {

struct ReorderingValue {
    const char* name;
    QString value;
    // Whether the value, not isolated, moves the text after it (as Qt lays it out).
    bool movesWhatFollows;
};

// What follows a value on its line: a number that right-to-left text would take into its own run.
inline const QString kFollowingText = QStringLiteral(": 5 (admin)");

inline QList<ReorderingValue> reorderingValues() {
    const auto c = [](char16_t code) { return QString(QChar(code)); };
    return {
        {"right-to-left override", c(0x202E) + QStringLiteral("moc.evil@xyz"), true},
        // Qt 6.4 lays left-to-right text out unmoved in these two, but a later version need not.
        {"right-to-left embedding", c(0x202B) + QStringLiteral("evil"), false},
        {"right-to-left isolate left open", c(0x2067) + QStringLiteral("evil"), false},
        {"closing mark, then an override", c(0x2069) + c(0x202E) + QStringLiteral("evil"), true},
        {"hebrew name", QStringLiteral("\u05D3\u05D5\u05D3"), true},
        {"left-to-right override", c(0x202D) + QStringLiteral("evil"), false},
    };
}

// The widget drawn alone on a transparent image, without its parent's background.
inline QImage drawing(QWidget* widget) {
    QImage image(widget->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget->render(&image, {}, {}, QWidget::DrawChildren);
    return image;
}

// Whether the two drawings agree in their columns left of `width`.
inline bool sameLeftPart(const QImage& a, const QImage& b, int width) {
    return a.size() == b.size() && a.copy(0, 0, width, a.height()) == b.copy(0, 0, width, b.height());
}

// Whether anything is drawn right of column `from`.
inline bool inkRightOf(const QImage& image, int from) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = qMax(0, from); x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0)
                return true;
    return false;
}

} // namespace pelnix::test
