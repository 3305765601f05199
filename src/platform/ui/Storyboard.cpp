#include "Storyboard.h"

#include "ScreenRegistry.h"

namespace pelnix::platform::ui {

ViewController* Storyboard::instantiateViewControllerWithIdentifier(const QString& identifier) const {
    return ScreenRegistry::shared()->instantiate(m_name, identifier);
}

ViewController* Storyboard::instantiateInitialViewController() const {
    return ScreenRegistry::shared()->instantiateInitial(m_name);
}

} // namespace pelnix::platform::ui
