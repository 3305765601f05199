#pragma once

#include "TestSandbox.h"
#include "VirtualDisplay.h"

#include <QApplication>
#include <QTest>

namespace pelnix::test {

// What the running test's display has: set by execOnOwnDisplay, for tests that need a window manager
// (a window minimised or closed by it) to skip, with the reason, where none could start.
struct OwnDisplay {
    bool windowManager = false;
    QString missing;
};
inline OwnDisplay& ownDisplay() {
    static OwnDisplay display;
    return display;
}

enum class WindowManagement { None, Managed };

// The main of a test that must see what a desktop's display composes (web pages through GL), or how
// a window lives on it (with a window manager): it runs on a display of its own (Xvfb), offscreen
// where none can start, with the shared GL contexts a host showing web pages has.
template <typename Test>
int execOnOwnDisplay(int argc, char** argv, WindowManagement management = WindowManagement::None) {
    prepareTestEnvironment();
    VirtualDisplay display;
    if (!display.start()) {
        qInfo("no display of its own: %s", qPrintable(display.error()));
        ownDisplay().missing = display.error();
    } else if (management == WindowManagement::Managed) {
        ownDisplay().windowManager = display.startWindowManager();
        if (!ownDisplay().windowManager) {
            qInfo("no window manager: %s", qPrintable(display.error()));
            ownDisplay().missing = display.error();
        }
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    Test test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace pelnix::test
