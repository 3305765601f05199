#pragma once

#include "ImagePicker.h"

namespace pelnix::platform::ui {

// A non-blocking file dialog over the user's pictures and movies, and the camera through
// QtMultimedia where the system lists one (CameraCapture). The folders need no permission on a
// desktop, so the library is always authorised.
class FileDialogImagePicker : public ImagePicker {
public:
    bool isSourceTypeAvailable(Source source) const override;
    AuthorizationStatus authorizationStatus() const override { return AuthorizationStatus::Authorized; }
    void requestAuthorization(std::function<void(AuthorizationStatus)> done) override {
        if (done)
            done(AuthorizationStatus::Authorized);
    }
    void pick(Source source, MediaKinds kinds, bool allowsEditing, QWidget* parent,
              Completion completion) override;
};

} // namespace pelnix::platform::ui
