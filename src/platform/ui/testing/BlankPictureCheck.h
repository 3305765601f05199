#pragma once

#include <QImage>
#include <QRect>
#include <QString>

class QWidget;

namespace pelnix::platform::ui {

// Tells a picture of a screen that shows nothing: one flat colour overall, or one flat colour in the
// part below the navigation bars on screen (a bar over an empty page still has a title and buttons).
class BlankPictureCheck {
public:
    // Whether every pixel of `area` (the whole image when empty) has one colour; a null image or an
    // area outside it counts as flat.
    static bool isFlat(const QImage& image, const QRect& area = {});
    // The part of `window` below every navigation bar visible in it, in the window's coordinates: the
    // whole window when no bar shows.
    static QRect contentArea(QWidget* window);
    // Why the picture of `window` shows nothing ("one flat colour", "nothing below its bar"), or empty
    // when it shows something.
    static QString blankness(const QImage& image, QWidget* window);
    // "an empty bar" when a navigation bar on top of the picture shows nothing (no title, no button: a
    // screen that gives its bar nothing is shown without one), else empty. Transparent bars and bars
    // covered by what lies over them are not looked at.
    static QString emptyBar(const QImage& image, QWidget* window);
    // "a doubled bar" when a screen with a top bar of its own shows under another (it was wrapped in
    // a navigation controller besides): two opaque navigation bars head the picture one below the
    // other, or an empty one heads it over a band of its own colour; else empty.
    static QString doubledBar(const QImage& image, QWidget* window);
};

} // namespace pelnix::platform::ui
