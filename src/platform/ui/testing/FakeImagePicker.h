#pragma once

#include "platform/ui/ImagePicker.h"

#include <QList>

namespace pelnix::platform::ui {

// Answers with a prepared file (or a cancel) and records the requests.
class FakeImagePicker : public ImagePicker {
public:
    bool isSourceTypeAvailable(Source source) const override {
        return source == Source::PhotoLibrary || cameraAvailable;
    }
    void pick(Source source, bool videos, QWidget*, Completion completion) override {
        requests << std::make_pair(source, videos);
        if (completion)
            completion(answer);
    }

    std::optional<QString> answer;
    bool cameraAvailable = false;
    QList<std::pair<Source, bool>> requests;
};

} // namespace pelnix::platform::ui
