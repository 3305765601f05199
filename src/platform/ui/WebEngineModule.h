#pragma once

#include "WebEngineBackend.h"

#include <QStringList>

namespace pelnix::platform::ui {

// Maps the browser engine module, once per process, when the first web view is made. It is looked
// for by its file name, in order: the path in the environment variable below alone when that is
// set; next to the binary holding this code (the Pelnix shared library, or a program that links the
// library's archives); next to the program; and, for a binary that is itself in the build tree, the
// module in the build tree. The engine needs Qt::AA_ShareOpenGLContexts set before the QApplication
// is made: the library sets it as it is loaded (before a linking host's main() runs). In a process
// whose application came first the engine is not mapped: it would crash.
class WebEngineModule {
public:
    static constexpr const char* PathVariable = "PELNIX_WEBENGINE_MODULE";

    // The module's backend maker; null, logged once, when no module could be loaded.
    static WebEngineBackendFactory factory();
    // Where the module is looked for, in order.
    static QStringList candidates();
};

} // namespace pelnix::platform::ui
