#pragma once

#include <QImage>
#include <QString>

class QWidget;

namespace pelnix::platform::ui {

class ViewController;
class Window;

// Pictures of screens for review: renders a widget (offscreen works) into an image or a PNG file.
class Screenshot {
public:
    static QImage grab(QWidget* widget);
    // Writes the PNG atomically; creates the folder. False on any failure.
    static bool savePng(QWidget* widget, const QString& path);
    // Lays out pending geometry and runs posted events so the picture shows the settled screen.
    static void settle();
};

} // namespace pelnix::platform::ui
