#pragma once

#include <QSize>
#include <QString>

namespace pelnix::tools {

// The attachment screens under the storyboard "GalleryAttachments", at 320 x 568 and 400 x 720: the
// attachment sheet over the chat window, and the upload preview with its caption editor open and
// the caption seven units short of its limit; right to left, at 320 x 568, the preview as the picture
// was chosen and with the caption near its limit. (The user's own pictures uploading and failed are
// in the conversation gallery.)
void registerAttachmentGalleryScreens();

QSize attachmentGallerySize(const QString& identifier);

} // namespace pelnix::tools
