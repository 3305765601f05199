#include "ImagePicker.h"

#include "FileDialogImagePicker.h"

#include <QImageReader>

namespace pelnix::platform::ui {

namespace {
std::unique_ptr<ImagePicker>& installed() {
    static std::unique_ptr<ImagePicker> picker;
    return picker;
}
} // namespace

ImagePicker* ImagePicker::current() {
    auto& picker = installed();
    if (!picker)
        picker = std::make_unique<FileDialogImagePicker>();
    return picker.get();
}

void ImagePicker::setCurrent(std::unique_ptr<ImagePicker> picker) {
    installed() = std::move(picker);
}

QImage ImagePicker::squareCrop(const QImage& image) {
    if (image.isNull())
        return {};
    const int side = qMin(image.width(), image.height());
    return image.copy((image.width() - side) / 2, (image.height() - side) / 2, side, side);
}

std::optional<PickedMedia> ImagePicker::readPicture(const QString& filePath, bool allowsEditing,
                                                    PLError* error) {
    QImageReader reader(filePath);
    // Camera pictures are stored sideways with an orientation tag; the crop is of what people see.
    reader.setAutoTransform(true);
    PickedMedia picked;
    picked.filePath = filePath;
    picked.originalImage = reader.read();
    if (picked.originalImage.isNull()) {
        if (error)
            *error = PLError(QString::fromLatin1(ErrorDomain), UnreadablePictureError,
                             QStringLiteral("The picture cannot be read: %1").arg(reader.errorString()));
        return std::nullopt;
    }
    if (allowsEditing)
        picked.editedImage = squareCrop(picked.originalImage);
    return picked;
}

} // namespace pelnix::platform::ui
