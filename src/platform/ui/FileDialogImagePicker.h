#pragma once

#include "ImagePicker.h"

namespace pelnix::platform::ui {

// A non-blocking file dialog over the user's pictures and movies. The folders need no
// permission on a desktop, so the library is always authorised; there is no camera.
class FileDialogImagePicker : public ImagePicker {
public:
    bool isSourceTypeAvailable(Source source) const override { return source == Source::PhotoLibrary; }
    AuthorizationStatus authorizationStatus() const override { return AuthorizationStatus::Authorized; }
    void requestAuthorization(std::function<void(AuthorizationStatus)> done) override {
        if (done)
            done(AuthorizationStatus::Authorized);
    }
    void pick(Source source, MediaKinds kinds, bool allowsEditing, QWidget* parent,
              Completion completion) override;
};

} // namespace pelnix::platform::ui
