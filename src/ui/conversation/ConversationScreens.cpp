#include "ui/conversation/ConversationScreens.h"

#include "platform/ui/ScreenRegistry.h"
#include "ui/conversation/ChatletScreens.h"
#include "ui/conversation/LocationScreens.h"
#include "ui/conversation/PLChatWindowViewController.h"
#include "ui/conversation/PLDownloadViewerController.h"
#include "ui/conversation/PLMediaDownloadHelper.h"
#include "ui/conversation/PLUploadActionSheet.h"
#include "ui/conversation/PLUploadViewerWithCaptionController.h"

namespace pelnix::ConversationScreens {

void registerScreens() {
    auto* registry = platform::ui::ScreenRegistry::shared();
    registry->registerScreen(PLChatWindowViewController::kStoryboard, PLChatWindowViewController::kIdentifier,
                             [] { return new PLChatWindowViewController; });
    registry->registerScreen(PLUploadActionSheet::kStoryboard, PLUploadActionSheet::kIdentifier,
                             [] { return new PLUploadActionSheet; });
    // A nib is found by its controller's name.
    const QString captionScreen = QStringLiteral("PLUploadViewerWithCaptionController");
    registry->registerScreen(captionScreen, captionScreen,
                             [] { return new PLUploadViewerWithCaptionController; });
    ChatletScreens::registerScreens();
    registry->registerScreen(PLDownloadViewerController::kStoryboard, PLDownloadViewerController::kIdentifier,
                             [] { return new PLDownloadViewerController; });
    PLMediaDownloading::setMaker([] { return std::make_unique<PLMediaDownloadHelper>(); });
    LocationScreens::registerScreens();
}

} // namespace pelnix::ConversationScreens
