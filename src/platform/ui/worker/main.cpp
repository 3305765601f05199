// The document worker: draws a PDF's pages for the document preview on its standard input and output.
#include "platform/WorkerAddressSpace.h"
#include "platform/ui/DocumentWorkerServer.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    // What a hostile page makes the PDF engine allocate fails the page past this, not the machine.
    pelnix::platform::limitWorkerAddressSpace();
    QCoreApplication app(argc, argv);
    return pelnix::platform::ui::DocumentWorkerServer().serve(0, 1);
}
