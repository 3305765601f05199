#pragma once

#include <QString>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>

namespace pelnix {

namespace platform::ui {
class ViewController;
}

// Asking the user for a picture: the choice of source (photo library, camera, optionally removal of
// the present picture), the picker, and the upload size limit. Screens ask the installed provider;
// without one (the library installs its image selection helper when it registers its screens) the user is
// told that choosing a picture is not available, and the screen's handler is not called.
class PLImageSelectionProvider {
public:
    struct Request {
        bool useFrontCamera = false;
        // Offer "Remove Profile Image".
        bool offerRemoval = false;
    };
    // The picker's info (picture under kEditedImageKey and kOriginalImageKey, as QImage) with
    // kIsExistingMediaKey (true from the photo library); nothing for a removal and for a pick over the
    // upload size limit. Not called when the user cancelled.
    using Handler = std::function<void(const std::optional<QVariantMap>& selection)>;

    static inline const QString kEditedImageKey = QStringLiteral("UIImagePickerControllerEditedImage");
    static inline const QString kOriginalImageKey = QStringLiteral("UIImagePickerControllerOriginalImage");
    static inline const QString kIsExistingMediaKey = QStringLiteral("isExistingMedia");

    virtual ~PLImageSelectionProvider() = default;
    virtual void showImageSelectionOptions(platform::ui::ViewController* parent, const Request& request,
                                           Handler handler) = 0;

    // Null while none is installed.
    static PLImageSelectionProvider* current();
    static void setCurrent(std::unique_ptr<PLImageSelectionProvider> provider);
    // Asks the installed provider, or tells the user that choosing a picture is not available.
    static void askForPicture(platform::ui::ViewController* parent, const Request& request, Handler handler,
                              bool* available = nullptr);
};

} // namespace pelnix
