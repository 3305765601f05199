#pragma once

#include <QImage>
#include <QString>

class QWidget;

namespace pelnix::test {

// The times of delivered messages in the chat rows of a window. A delivered row lays its time out
// hidden and fades it in a moment later (on the screen layer's scheduler), so a picture taken right
// after a layout shows rows without times.
class DeliveredRowTimes {
public:
    // Whether every delivered row visible in `window` shows its time fully faded in.
    static bool shown(QWidget* window);
    // Turns the event loop (on a virtual clock, moves it on) until they are, and stay so over one
    // more turn; false when they are not within `timeoutMs`.
    static bool await(QWidget* window, int timeoutMs = 20000);
    // Reads the picture of `window`: "a delivered row without its time at x,y" when a delivered
    // row's time lies wholly in view, with nothing over it, and its place is one flat colour; else
    // empty.
    static QString missing(const QImage& image, QWidget* window);
};

} // namespace pelnix::test
