#include "ui/rooms/RoomsBottomBar.h"

#include "foundation/ui/CustomColors.h"
#include "platform/ui/Button.h"

#include <QWidget>

namespace pelnix::RoomsBottomBar {

Bar make(QWidget* page, const QString& buttonName, const QString& title) {
    Bar bar;
    bar.view = new QWidget(page);
    bar.view->setObjectName(QStringLiteral("bottomView"));
    bar.view->setAutoFillBackground(true);
    QPalette palette = bar.view->palette();
    palette.setColor(QPalette::Window, QColor(0xF7, 0xF7, 0xF7));
    bar.view->setPalette(palette);
    bar.button = new platform::ui::Button(bar.view);
    bar.button->setObjectName(buttonName);
    bar.button->setTitle(title);
    bar.button->setTitleColor(CustomColors::pelnixBlueColor());
    // Tab reaches it; a click leaves the keys where they are.
    bar.button->setFocusPolicy(Qt::TabFocus);
    return bar;
}

} // namespace pelnix::RoomsBottomBar
