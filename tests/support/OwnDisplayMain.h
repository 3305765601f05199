#pragma once

#include "TestSandbox.h"
#include "VirtualDisplay.h"

#include <QApplication>
#include <QTest>

namespace pelnix::test {

// The main of a test that must see what a desktop's display composes (web pages through GL): it runs
// on a display of its own (Xvfb), offscreen where none can start, with the shared GL contexts a host
// showing web pages has.
template <typename Test> int execOnOwnDisplay(int argc, char** argv) {
    prepareTestEnvironment();
    VirtualDisplay display;
    if (!display.start())
        qInfo("no display of its own: %s", qPrintable(display.error()));
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    Test test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace pelnix::test
