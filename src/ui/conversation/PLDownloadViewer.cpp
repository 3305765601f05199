#include "ui/conversation/PLDownloadViewer.h"

#include <QEvent>

namespace pelnix {

PLDownloadViewer::PLDownloadViewer(QWidget* parent) : QWidget(parent) {}

void PLDownloadViewer::doneButtonPressed() {
    hide();
    setParent(nullptr);
    deleteLater();
}

bool PLDownloadViewer::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::LayoutDirectionChange)
        layOut();
    return handled;
}

void PLDownloadViewer::tellTap() {
    if (PLDownloadedViewerDelegate* delegate = m_delegate.get())
        delegate->downloadViewerDidDetectTap();
}

} // namespace pelnix
