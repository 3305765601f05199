#pragma once

namespace pelnix {

// Told of a single tap on a picture or a video.
class PLDownloadedViewerDelegate {
public:
    virtual ~PLDownloadedViewerDelegate() = default;
    virtual void downloadViewerDidDetectTap() {}
};

} // namespace pelnix
