#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

namespace pelnix::platform::ui {

// Picking a picture or video: the photo library is a file dialog on a desktop; there is no camera.
// The result is the chosen file, or nothing when the user cancelled. current() is the process's
// picker; tests install a FakeImagePicker.
class ImagePicker {
public:
    enum class Source { PhotoLibrary, Camera };
    using Completion = std::function<void(const std::optional<QString>& filePath)>;

    virtual ~ImagePicker() = default;
    static ImagePicker* current();
    static void setCurrent(std::unique_ptr<ImagePicker> picker);

    virtual bool isSourceTypeAvailable(Source source) const = 0;
    // Returns at once; the completion runs later on the main thread.
    virtual void pick(Source source, bool videos, QWidget* parent, Completion completion) = 0;
};

} // namespace pelnix::platform::ui
