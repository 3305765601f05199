#pragma once

#include <QSize>
#include <QString>

namespace pelnix::tools {

// The media download and viewers under the storyboard "GalleryViewers", each at 320 x 568 and (with
// the suffix "400x720") at 400 x 720: the download overlay at 50 % over the chat window, a picture
// zoomed in, a video paused on a frame, an audio file and a PDF page, each in the viewer screen with
// its title (and, for the picture and the video, its caption).
void registerViewersGalleryScreens();

QSize viewersGallerySize(const QString& identifier);

} // namespace pelnix::tools
