#include "ui/conversation/ConversationScreens.h"

#include "platform/ui/ScreenRegistry.h"
#include "ui/conversation/ChatletScreens.h"
#include "ui/conversation/PLChatWindowViewController.h"
#include "ui/conversation/PLUploadActionSheet.h"

namespace pelnix::ConversationScreens {

void registerScreens() {
    auto* registry = platform::ui::ScreenRegistry::shared();
    registry->registerScreen(PLChatWindowViewController::kStoryboard, PLChatWindowViewController::kIdentifier,
                             [] { return new PLChatWindowViewController; });
    registry->registerScreen(PLUploadActionSheet::kStoryboard, PLUploadActionSheet::kIdentifier,
                             [] { return new PLUploadActionSheet; });
    ChatletScreens::registerScreens();
}

} // namespace pelnix::ConversationScreens
