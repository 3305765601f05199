#pragma once

#include <QSize>
#include <QString>

namespace pelnix::tools {

// The smart-message screens under the storyboard "GalleryChatlets", on the conversation gallery's
// store: a room with a rendered poll, a location share and a contact share (320 x 568 and 400 x 720);
// the stale mark with its popover; the poll's details page; search with results and with none; the
// share-contact list with its index and a person's detail; the composer's picker and a poll form.
// Pages render in the browser engine.
void registerChatletGalleryScreens();

QSize chatletGallerySize(const QString& identifier);

} // namespace pelnix::tools
