#pragma once

#include <QSize>
#include <QString>

namespace pelnix {
class PLChatWindowViewController;
namespace platform::ui {
class ViewController;
}
} // namespace pelnix

namespace pelnix::tools {

// The chat window under the storyboard "GalleryConversation", on rooms of a store of the gallery's own
// (in a temporary sandbox): an empty room; a room with date rows, the new-updates separator, grouped
// and single text messages, system events, a failed and a waiting post and a picture uploading at
// 40 %, at 320 x 568, 400 x 720 and 1024 x 768; the same room right to left, in its own view
// ("ChatWindowRoomRightToLeft") and in a program right to left as a whole
// ("ChatWindowRoomProgramRightToLeft", for the screen's life). And the window while it
// follows its room, at 320 x 568 and 400 x 720: the "New Updates" button over older rows, the banner of
// an admin-only room and of a closed one, the failed-post sheet for one post and for three, and the
// input bar grown to its maximum; and the user's own pictures in a room, one uploading and one failed.
// Each screen is the chat window pushed in a navigation controller over a host screen, as a host
// shows it.
void registerConversationGalleryScreens();

// The chat window of a screen of this gallery (the top of its navigation controller).
PLChatWindowViewController* conversationGalleryChatWindow(platform::ui::ViewController* controller);

// Opens the gallery's store (once per process), for galleries that add rooms of their own to it.
void openConversationGalleryStore();

// The window size a gallery screen of this storyboard is shown at.
QSize conversationGallerySize(const QString& identifier);

} // namespace pelnix::tools
