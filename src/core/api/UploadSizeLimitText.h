#pragma once

#include <QString>
#include <QtGlobal>

namespace pelnix {

// The alert a user sees when a picked item is over the upload size limit, naming the limit that is
// configured ("Max 25MB can be uploaded" for 26214400 bytes), so it never states another limit.
namespace UploadSizeLimitText {

// The limit in the largest binary unit it fills (bytes, KB, MB, GB of 1024), with at most one decimal,
// rounded down so the text never promises more than the limit: "25MB", "9.5MB", "512KB", "100 bytes".
QString sizeText(quint64 bytes);

// "Max <size> can be uploaded" for `limitBytes`.
QString overLimitMessage(quint64 limitBytes);

// The same for the configuration's `uploadSizeLimit`.
QString currentOverLimitMessage();

} // namespace UploadSizeLimitText
} // namespace pelnix
