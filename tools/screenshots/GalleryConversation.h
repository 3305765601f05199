#pragma once

namespace pelnix::tools {

// The chat window under the storyboard "GalleryConversation", each screen with its own room in a
// store of the gallery's own.
void registerConversationGalleryScreens();

} // namespace pelnix::tools
