#include "ui/conversation/PLCenteringZoomView.h"

namespace pelnix {

void PLCenteringZoomView::layoutContent() {
    QWidget* content = contentWidget();
    if (!content)
        return;
    const QSizeF area = contentSize();
    const QPointF inside(qMax<qreal>(0, (area.width() - content->width()) / 2.0),
                         qMax<qreal>(0, (area.height() - content->height()) / 2.0));
    content->move((inside - contentOffset()).toPoint());
}

} // namespace pelnix
