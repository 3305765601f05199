#pragma once

#include <QString>

namespace pelnix {

// The kind of an attachment.
enum PLDownloadMediaType {
    PLDownloadMediaTypeImage = 0,
    PLDownloadMediaTypeVideo,
    PLDownloadMediaTypeAudio,
    PLDownloadMediaTypeDocument
};

// By a case-sensitive search anywhere in the MIME type, "image" before "video" before "audio";
// anything else (a null type too) is a document.
PLDownloadMediaType getCurrentMediaTypeWithMimeType(const QString& mimeType);

} // namespace pelnix
