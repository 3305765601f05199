#pragma once

#include "platform/ui/ImagePicker.h"

#include <QList>

namespace pelnix::platform::ui {

// Answers with a prepared pick (or a cancel), records the requests, and has a permission state
// that the first request moves to `authorizationAnswer`.
class FakeImagePicker : public ImagePicker {
public:
    struct Request {
        Source source;
        MediaKinds kinds;
        bool allowsEditing;
    };

    bool isSourceTypeAvailable(Source source) const override {
        return source == Source::PhotoLibrary || cameraAvailable;
    }
    AuthorizationStatus authorizationStatus() const override { return status; }
    void requestAuthorization(std::function<void(AuthorizationStatus)> done) override {
        ++authorizationRequests;
        if (status == AuthorizationStatus::NotDetermined)
            status = authorizationAnswer;
        if (done)
            done(status);
    }
    void pick(Source source, MediaKinds kinds, bool allowsEditing, QWidget*, Completion completion) override {
        requests << Request{source, kinds, allowsEditing};
        if (!completion)
            return;
        std::optional<PickedMedia> picked = answer;
        if (picked && allowsEditing && picked->editedImage.isNull())
            picked->editedImage = squareCrop(picked->originalImage);
        completion(picked, error);
    }

    std::optional<PickedMedia> answer;
    std::optional<PLError> error;
    bool cameraAvailable = false;
    AuthorizationStatus status = AuthorizationStatus::Authorized;
    AuthorizationStatus authorizationAnswer = AuthorizationStatus::Authorized;
    int authorizationRequests = 0;
    QList<Request> requests;
};

} // namespace pelnix::platform::ui
