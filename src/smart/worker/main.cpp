// The transform worker: runs stylesheets for XSLTWorkerPool on its standard input and output.
#include "smart/XSLTWorkerServer.h"

#include <sys/resource.h>

int main() {
    // What libxml2 allocates inside one XPath step is not counted by the transform's bounds: past
    // this the allocation fails and the transform with it, not the machine's memory.
    constexpr rlim_t kAddressSpace = rlim_t(4) * 1024 * 1024 * 1024;
    const rlimit limit{kAddressSpace, kAddressSpace};
    setrlimit(RLIMIT_AS, &limit);
    return pelnix::XSLTWorkerServer().serve(0, 1);
}
