#include "ui/conversation/PLDownloadViewer.h"

namespace pelnix {

PLDownloadViewer::PLDownloadViewer(QWidget* parent) : QWidget(parent) {}

void PLDownloadViewer::doneButtonPressed() {
    hide();
    setParent(nullptr);
    deleteLater();
}

void PLDownloadViewer::tellTap() {
    if (PLDownloadedViewerDelegate* delegate = m_delegate.get())
        delegate->downloadViewerDidDetectTap();
}

} // namespace pelnix
