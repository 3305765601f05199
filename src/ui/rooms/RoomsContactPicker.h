#pragma once

#include <QVariantList>

namespace pelnix {

namespace platform::ui {
class ViewController;
}

// Presents the contact picker ("Home"/"PLContactsNavigationController") over `presenter`, configured
// through its invokable configureWithAddedContacts(added, presenter, addMore): the people in `added`
// are not offered, and in add-more mode the picker answers through the presenter's invokable
// contactViewControllerAddedContacts. False when the picker is not registered.
namespace RoomsContactPicker {
bool present(platform::ui::ViewController* presenter, const QVariantList& added, bool addMore);
} // namespace RoomsContactPicker

} // namespace pelnix
