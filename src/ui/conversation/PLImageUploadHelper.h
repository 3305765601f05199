#pragma once

#include "media/PLMultiMediaInfo.h"

#include <QSizeF>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <optional>

namespace pelnix {

// Uploads one picked picture straight to storage (group and profile pictures): the full-size library
// picture is checked against the upload size limit, a camera picture is also saved into the album,
// the picture is prepared at the requested size and put through the shared uploader. The handler
// runs once per upload on the main thread: the uploaded file's description, or nothing after the
// failure's alert. The shared uploader carries one such upload at a time: start a second from the
// first one's handler.
class PLImageUploadHelper {
public:
    using CompletionHandler = std::function<void(const std::optional<PLMultiMediaInfo>& mediaInfo)>;
    static constexpr QSizeF kDefaultSize{250, 250};

    // No prefix, 250 x 250.
    static void checkForSizeAndUploadImageUsingImageInfo(const QVariantMap& info, CompletionHandler handler);
    static void checkForSizeAndUploadImageUsingImageInfo(const QVariantMap& info,
                                                         const QString& uniqueIDPrefix, const QSizeF& size,
                                                         CompletionHandler handler);
    static void checkForSizeUsingInfo(const QVariantMap& info, const QString& uniqueIDPrefix,
                                      const QSizeF& size, CompletionHandler handler);
    static void uploadImageUsingImageInfo(const QVariantMap& info, const QString& uniqueIDPrefix,
                                          const QSizeF& size, CompletionHandler handler);
    static void showFailedUploadAlert();
};

} // namespace pelnix
