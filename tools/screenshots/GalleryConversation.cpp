#include "GalleryConversation.h"

namespace pelnix::tools {

void registerConversationGalleryScreens() {}

} // namespace pelnix::tools
