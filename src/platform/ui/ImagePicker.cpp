#include "ImagePicker.h"

#include "FileDialogImagePicker.h"

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

} // namespace pelnix::platform::ui
