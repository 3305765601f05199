#pragma once

#include "ImagePicker.h"

namespace pelnix::platform::ui {

// A non-blocking file dialog over the user's pictures.
class FileDialogImagePicker : public ImagePicker {
public:
    bool isSourceTypeAvailable(Source source) const override { return source == Source::PhotoLibrary; }
    void pick(Source source, bool videos, QWidget* parent, Completion completion) override;
};

} // namespace pelnix::platform::ui
