#include "ScrollFocusRing.h"

#include "FocusRing.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QPainter>

namespace pelnix::platform::ui {

ScrollFocusRing::ScrollFocusRing(QAbstractScrollArea* area) : QWidget(area), m_area(area) {
    setObjectName(QStringLiteral("scrollFocusRing"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
    area->installEventFilter(this);
    area->viewport()->installEventFilter(this);
    // Installed last, it hears each event first: the ring follows what it learnt.
    FocusRing::follow(area, {area->viewport()});
}

bool ScrollFocusRing::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_area) {
        switch (event->type()) {
        case QEvent::FocusIn:
        case QEvent::FocusOut:
        case QEvent::Resize:
        case QEvent::ChildAdded:
            follow();
            break;
        default:
            break;
        }
    } else if (m_area && watched == m_area->viewport() && event->type() == QEvent::MouseButtonPress) {
        follow();
    }
    return QWidget::eventFilter(watched, event);
}

void ScrollFocusRing::follow() {
    if (!m_area)
        return;
    if (!FocusRing::shows(m_area)) {
        hide();
        return;
    }
    setGeometry(m_area->rect());
    show();
    raise();
    update();
}

void ScrollFocusRing::paintEvent(QPaintEvent*) {
    if (!m_area)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor highlight = palette().color(QPalette::Highlight);
    FocusRing::draw(painter, QRectF(rect()), 0,
                    FocusRing::colourOn(FocusRing::backdrop(m_area->viewport()), highlight, highlight));
}

} // namespace pelnix::platform::ui
