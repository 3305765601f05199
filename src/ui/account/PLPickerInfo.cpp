#include "ui/account/PLPickerInfo.h"

#include <QFileInfo>

namespace pelnix::PLPickerInfo {

QVariantMap infoFromPickedMedia(const platform::ui::PickedMedia& picked, bool fromLibrary) {
    QVariantMap info{{kMediaTypeKey, picked.isVideo ? kMovieType : kImageType}};
    if (picked.isVideo)
        info.insert(kMediaURLKey, picked.filePath);
    if (!picked.originalImage.isNull())
        info.insert(kOriginalImageKey, picked.originalImage);
    if (!picked.editedImage.isNull())
        info.insert(kEditedImageKey, picked.editedImage);
    if (fromLibrary && !picked.filePath.isEmpty())
        info.insert(kReferenceURLKey, picked.filePath);
    return info;
}

bool isMovie(const QVariantMap& info) {
    return info.value(kMediaTypeKey).toString() != kImageType;
}

QImage pictureOf(const QVariantMap& info) {
    const QImage edited = info.value(kEditedImageKey).value<QImage>();
    return edited.isNull() ? info.value(kOriginalImageKey).value<QImage>() : edited;
}

PLMediaSelection mediaSelection(const QVariantMap& info, bool isExistingMedia) {
    PLMediaSelection selection;
    selection.mediaType = isMovie(info) ? PLMediaSelection::Movie : PLMediaSelection::Image;
    selection.editedImage = info.value(kEditedImageKey).value<QImage>();
    selection.originalImage = info.value(kOriginalImageKey).value<QImage>();
    selection.mediaPath = info.value(kMediaURLKey).toString();
    selection.referenceURL = info.value(kReferenceURLKey).toString();
    selection.isExistingMedia = isExistingMedia;
    return selection;
}

LimitAnswer checkUploadLimit(const QVariantMap& info, bool isExistingMedia) {
    const PLMediaSelection selection = mediaSelection(info, isExistingMedia);
    if (isExistingMedia) {
        const QFileInfo item(selection.referenceURL);
        if (selection.referenceURL.isEmpty() || !item.isFile() || !item.isReadable())
            return LimitAnswer::Unreadable;
    }
    bool within = false;
    // Answers before it returns.
    PLMultiMediaHandler::checkUploadLimitForSelectedMediaWithInfo(selection,
                                                                  [&within](bool ok) { within = ok; });
    return within ? LimitAnswer::WithinLimit : LimitAnswer::OverLimit;
}

} // namespace pelnix::PLPickerInfo
