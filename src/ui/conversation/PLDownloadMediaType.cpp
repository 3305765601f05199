#include "ui/conversation/PLDownloadMediaType.h"

namespace pelnix {

PLDownloadMediaType getCurrentMediaTypeWithMimeType(const QString& mimeType) {
    if (mimeType.contains(QLatin1String("image")))
        return PLDownloadMediaTypeImage;
    if (mimeType.contains(QLatin1String("video")))
        return PLDownloadMediaTypeVideo;
    if (mimeType.contains(QLatin1String("audio")))
        return PLDownloadMediaTypeAudio;
    return PLDownloadMediaTypeDocument;
}

} // namespace pelnix
