#pragma once

#include "media/PLMultiMediaHandler.h"
#include "platform/ui/ImagePicker.h"

#include <QString>
#include <QVariantMap>
#include <functional>

namespace pelnix {

// The picker's info dictionary as the screens pass it on: the media type, the pictures (QImage), the
// library item's reference (a local file path) and a movie's file, under the platform's picker keys.
namespace PLPickerInfo {

inline const QString kMediaTypeKey = QStringLiteral("UIImagePickerControllerMediaType");
inline const QString kOriginalImageKey = QStringLiteral("UIImagePickerControllerOriginalImage");
inline const QString kEditedImageKey = QStringLiteral("UIImagePickerControllerEditedImage");
inline const QString kReferenceURLKey = QStringLiteral("UIImagePickerControllerReferenceURL");
inline const QString kMediaURLKey = QStringLiteral("UIImagePickerControllerMediaURL");
inline const QString kIsExistingMediaKey = QStringLiteral("isExistingMedia");
inline const QString kImageType = QStringLiteral("public.image");
inline const QString kMovieType = QStringLiteral("public.movie");

// A library pick names its file as the reference; a camera capture has none until it is saved.
QVariantMap infoFromPickedMedia(const platform::ui::PickedMedia& picked, bool fromLibrary);
bool isMovie(const QVariantMap& info);
// The edited picture when there is one, else the unedited one.
QImage pictureOf(const QVariantMap& info);
// What the media layer prepares and posts.
PLMediaSelection mediaSelection(const QVariantMap& info, bool isExistingMedia);

// The upload size limit applied to a pick. A library item that cannot be found or read is Unreadable:
// the pick cannot be used, and the caller refuses it rather than waiting for an answer that never
// comes.
enum class LimitAnswer { WithinLimit, OverLimit, Unreadable };
LimitAnswer checkUploadLimit(const QVariantMap& info, bool isExistingMedia);

} // namespace PLPickerInfo
} // namespace pelnix
