#include "ui/conversation/ConversationScreens.h"

#include "platform/ui/ScreenRegistry.h"
#include "ui/conversation/ChatletScreens.h"
#include "ui/conversation/PLChatWindowViewController.h"
#include "ui/conversation/PLDownloadViewerController.h"
#include "ui/conversation/PLMediaDownloadHelper.h"

namespace pelnix::ConversationScreens {

void registerScreens() {
    auto* registry = platform::ui::ScreenRegistry::shared();
    registry->registerScreen(PLChatWindowViewController::kStoryboard, PLChatWindowViewController::kIdentifier,
                             [] { return new PLChatWindowViewController; });
    ChatletScreens::registerScreens();
    registry->registerScreen(PLDownloadViewerController::kStoryboard, PLDownloadViewerController::kIdentifier,
                             [] { return new PLDownloadViewerController; });
    PLMediaDownloading::setMaker([] { return std::make_unique<PLMediaDownloadHelper>(); });
}

} // namespace pelnix::ConversationScreens
