#include "PLCustomSearchTextField.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QMenu>

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

PLCustomSearchTextField::PLCustomSearchTextField(QWidget* parent) : TextField(parent) {}

qreal PLCustomSearchTextField::textRectWidth() const {
    const QMargins margins = textMargins();
    // Each side action (icon, clear button) takes a square as tall as the field.
    int sideActions = 0;
    for (const QAction* action : actions())
        if (action->isVisible())
            ++sideActions;
    if (isClearButtonEnabled())
        ++sideActions;
    return qMax(0, width() - margins.left() - margins.right() - sideActions * height() - 4);
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
