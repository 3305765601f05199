#pragma once

#include <QString>

class QWidget;

namespace pelnix {

namespace platform::ui {
class Button;
}

// The bar along the bottom of the group screens (the members button of group editing, the add-more
// button of the members editor): light grey, with one button across it in the library's blue.
namespace RoomsBottomBar {

struct Bar {
    QWidget* view = nullptr;
    platform::ui::Button* button = nullptr;
};

// A new bar in `page` named "bottomView", its button named `buttonName` and titled `title`.
Bar make(QWidget* page, const QString& buttonName, const QString& title);

} // namespace RoomsBottomBar
} // namespace pelnix
