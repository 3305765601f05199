#include "ui/conversation/ConversationScreens.h"

#include "platform/ui/ScreenRegistry.h"
#include "ui/conversation/ChatletScreens.h"
#include "ui/conversation/LocationScreens.h"
#include "ui/conversation/PLChatWindowViewController.h"

namespace pelnix::ConversationScreens {

void registerScreens() {
    auto* registry = platform::ui::ScreenRegistry::shared();
    registry->registerScreen(PLChatWindowViewController::kStoryboard, PLChatWindowViewController::kIdentifier,
                             [] { return new PLChatWindowViewController; });
    ChatletScreens::registerScreens();
    LocationScreens::registerScreens();
}

} // namespace pelnix::ConversationScreens
