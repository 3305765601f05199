#pragma once

#include "platform/PLError.h"

#include <QImage>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

namespace pelnix::platform::ui {

// What the user picked: the file, and for a picture the picture itself and, when editing was
// allowed, its square crop (the part profile and group pictures use).
struct PickedMedia {
    QString filePath;
    bool isVideo = false;
    QImage originalImage;
    QImage editedImage;
};

// Picking a picture or video: the photo library is a file dialog on a desktop; there is no camera.
// current() is the process's picker; tests install a FakeImagePicker.
class ImagePicker {
public:
    enum class Source { PhotoLibrary, Camera };
    enum class MediaKinds { Images = 1, Videos = 2, ImagesAndVideos = 3 };
    // The numbering of the system's photo-library authorisation states.
    enum class AuthorizationStatus { NotDetermined = 0, Restricted = 1, Denied = 2, Authorized = 3 };
    static constexpr const char* ErrorDomain = "PLImagePickerErrorDomain";
    enum ErrorCode { UnreadablePictureError = 1, SourceNotAvailableError = 2 };
    enum class CameraDevice { Rear, Front };
    // Nothing and no error: the user cancelled.
    using Completion =
        std::function<void(const std::optional<PickedMedia>& picked, const std::optional<PLError>& error)>;

    virtual ~ImagePicker() = default;
    static ImagePicker* current();
    static void setCurrent(std::unique_ptr<ImagePicker> picker);

    // The largest centred square of `image`.
    static QImage squareCrop(const QImage& image);
    // Reads the picture at `filePath` upright, with its crop when `allowsEditing`.
    static std::optional<PickedMedia> readPicture(const QString& filePath, bool allowsEditing,
                                                  PLError* error);

    virtual bool isSourceTypeAvailable(Source source) const = 0;
    virtual AuthorizationStatus authorizationStatus() const = 0;
    // Asks once while not determined; `done` gets the state (possibly before the call returns).
    virtual void requestAuthorization(std::function<void(AuthorizationStatus)> done) = 0;
    // Returns at once; the completion runs later on the main thread.
    virtual void pick(Source source, MediaKinds kinds, bool allowsEditing, QWidget* parent,
                      Completion completion) = 0;

    // The camera the next camera pick starts with.
    CameraDevice cameraDevice() const { return m_cameraDevice; }
    void setCameraDevice(CameraDevice device) { m_cameraDevice = device; }

private:
    CameraDevice m_cameraDevice = CameraDevice::Rear;
};

} // namespace pelnix::platform::ui
