#pragma once

class QWidget;

namespace pelnix::test {

// What a user asks of a window through the window manager of the test's display (VirtualDisplay's),
// sent as a pager or a title bar sends it: the manager, not Qt, carries it out.
class WindowManagerRequests {
public:
    // The close button of the window's title bar (_NET_CLOSE_WINDOW): the manager asks the
    // application to close it, as Qt's own close() would not. False where there is no X connection.
    static bool close(QWidget* window);
};

} // namespace pelnix::test
