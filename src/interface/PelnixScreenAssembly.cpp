#include "interface/PelnixScreenAssembly.h"

namespace pelnix {

PelnixScreenAssembly& PelnixScreenAssembly::shared() {
    // A function-local instance: the assembly fills it from a load-time constructor, which may run
    // before this file's own static objects would exist.
    static PelnixScreenAssembly assembly;
    return assembly;
}

} // namespace pelnix
