// The document worker: draws a PDF's pages for the document preview on its standard input and output.
#include "platform/ui/DocumentWorkerServer.h"

#include <QCoreApplication>

#include <sys/resource.h>

int main(int argc, char** argv) {
    // What a hostile page makes the PDF engine allocate fails the page past this, not the machine.
    constexpr rlim_t kAddressSpace = rlim_t(3) * 1024 * 1024 * 1024;
    const rlimit limit{kAddressSpace, kAddressSpace};
    setrlimit(RLIMIT_AS, &limit);
    QCoreApplication app(argc, argv);
    return pelnix::platform::ui::DocumentWorkerServer().serve(0, 1);
}
