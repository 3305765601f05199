#include "PLCustomSearchTextField.h"

#include "ToolkitStyle.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QMenu>
#include <QPainter>
#include <QtMath>

namespace pelnix {

namespace {
// The standard menu's actions are known by their (translated) titles; the kept ones get names.
QString allowedEditActionName(const QAction* action) {
    static const std::pair<const char*, const char*> allowed[] = {
        {"Cu&t", "edit-cut"}, {"&Copy", "edit-copy"}, {"&Paste", "edit-paste"}, {"Select All", "select-all"}};
    const QString title = action->text().section(QLatin1Char('\t'), 0, 0);
    for (const auto& [source, name] : allowed)
        if (title == QCoreApplication::translate("QLineEdit", source))
            return QLatin1String(name);
    return {};
}
} // namespace

PLCustomSearchTextField::PLCustomSearchTextField(QWidget* parent) : TextField(parent) {
    ToolkitStyle::applyFieldPalette(this, ToolkitStyle::textColor());
}

QSize PLCustomSearchTextField::sizeHint() const {
    return QSize(TextField::sizeHint().width(), qRound(ToolkitStyle::kSearchFieldHeight));
}

namespace {
constexpr int kIconGap = 6;
}

void PLCustomSearchTextField::setSearchIcon(const QImage& icon) {
    m_icon = icon;
    const int iconWidth = icon.isNull() ? 0 : qCeil(icon.width() / icon.devicePixelRatio());
    // The icon sits in the leading margin, so the placeholder the field paints starts after it too.
    QMargins margins = textMargins();
    if (layoutDirection() == Qt::RightToLeft)
        margins.setRight(iconWidth ? iconWidth + 2 * kIconGap : 0);
    else
        margins.setLeft(iconWidth ? iconWidth + 2 * kIconGap : 0);
    setTextMargins(margins);
    update();
}

qreal PLCustomSearchTextField::textRectWidth() const {
    const QMargins margins = textMargins();
    // The clear button takes a square as tall as the field.
    const int clearButton = isClearButtonEnabled() ? height() : 0;
    return qMax(0, width() - margins.left() - margins.right() - clearButton - 4);
}

void PLCustomSearchTextField::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        ToolkitStyle::paintFieldFrame(painter, rect(), hasFocus());
    }
    TextField::paintEvent(event);
    if (m_icon.isNull())
        return;
    const QSizeF size = QSizeF(m_icon.size()) / m_icon.devicePixelRatio();
    const qreal x = layoutDirection() == Qt::RightToLeft ? width() - kIconGap - size.width() : kIconGap;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(QPointF(x, (height() - size.height()) / 2), size), m_icon);
}

QMenu* PLCustomSearchTextField::createEditMenu() {
    QMenu* menu = createStandardContextMenu();
    bool lastWasSeparator = true;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            if (lastWasSeparator)
                menu->removeAction(action);
            lastWasSeparator = true;
            continue;
        }
        const QString name = allowedEditActionName(action);
        if (name.isEmpty()) {
            menu->removeAction(action);
            continue;
        }
        action->setObjectName(name);
        lastWasSeparator = false;
    }
    const auto remaining = menu->actions();
    if (!remaining.isEmpty() && remaining.last()->isSeparator())
        menu->removeAction(remaining.last());
    return menu;
}

void PLCustomSearchTextField::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createEditMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

} // namespace pelnix
