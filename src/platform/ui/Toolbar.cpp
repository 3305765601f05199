#include "Toolbar.h"
#include "WindowFocus.h"

#include "BarButtonItem.h"
#include "FocusRing.h"

#include <QHBoxLayout>
#include <QPainter>

namespace pelnix::platform::ui {

Toolbar::Toolbar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("toolbar"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setFixedHeight(kHeight);
    // Its titled items without a font of their own take the bar's, never the host program's.
    setFont(BarButtonItem::barItemFont());
    m_layout = new QHBoxLayout(this);
    m_layout->setContentsMargins(8, 0, 8, 0);
    m_layout->setSpacing(8);
    // The rings of its buttons read against what it paints.
    FocusRing::setBackdrop(this, m_barTint);
}

Toolbar::~Toolbar() {
    // Items may be children of the toolbar: their destruction must not reach a half-destroyed bar.
    for (const auto& item : m_items)
        if (item)
            disconnect(item, nullptr, this, nullptr);
}

QList<BarButtonItem*> Toolbar::items() const {
    QList<BarButtonItem*> out;
    for (const auto& item : m_items)
        if (item)
            out << item.data();
    return out;
}

void Toolbar::setItems(const QList<BarButtonItem*>& items) {
    for (const auto& old : m_items)
        if (old)
            disconnect(old, nullptr, this, nullptr);
    m_items.clear();
    for (BarButtonItem* item : items) {
        if (!item)
            continue;
        m_items << item;
        connect(item, &BarButtonItem::changed, this, [this] {
            if (std::exchange(m_rebuildQueued, true))
                return;
            QMetaObject::invokeMethod(
                this, [this] { rebuild(); }, Qt::QueuedConnection);
        });
        connect(item, &QObject::destroyed, this, [this] { rebuild(); });
    }
    rebuild();
}

void Toolbar::rebuildLater() {
    // Title, width or enabled changes, or an item gone: build the row again once the caller is done.
    if (std::exchange(m_rebuildQueued, true))
        return;
    QMetaObject::invokeMethod(
        this, [this] { rebuild(); }, Qt::QueuedConnection);
}

void Toolbar::setTintColor(const QColor& color) {
    m_tint = color;
    rebuild();
}

void Toolbar::setBarTintColor(const QColor& color) {
    m_barTint = color;
    FocusRing::setBackdrop(this, m_barTint);
    update();
}

void Toolbar::rebuild() {
    m_rebuildQueued = false;
    const QString keysOn = BarButtonItem::holdKeysOfBarWidgets(this, m_made);
    while (m_layout->count() > 0)
        delete m_layout->takeAt(0);
    BarButtonItem::discardBarWidgets(m_made);
    for (const auto& borrowed : std::exchange(m_borrowed, {}))
        if (borrowed && borrowed->parent() == this) {
            borrowed->hide();
            WindowFocus::takeOutOfWindow(borrowed);
        }
    int index = 0;
    for (BarButtonItem* item : items()) {
        const QString name = QStringLiteral("toolbar.%1").arg(index++);
        QWidget* widget = item->customView();
        if (widget) {
            widget->setParent(this);
            widget->show();
            m_borrowed << widget;
        } else {
            widget = item->makeBarWidget(this, name, m_tint);
            m_made << widget;
        }
        m_layout->addWidget(widget);
    }
    BarButtonItem::returnKeysToBarWidget(this, keysOn);
}

void Toolbar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), m_barTint);
    p.fillRect(QRect(0, 0, width(), 1), QColor(178, 178, 178));
}

} // namespace pelnix::platform::ui
