#pragma once

#include "platform/ui/ActionSheet.h"
#include "platform/ui/ViewController.h"

#include <QObject>
#include <QPointer>
#include <QVariantMap>
#include <functional>
#include <optional>

namespace pelnix {

// Asks the user for a picture: a choice of "Photo Library", "Camera" (where there is one) and
// optionally "Remove Profile Image", the picker of the chosen source, and the upload size limit on
// what was picked. The result goes to one handler: the picker's info with "isExistingMedia", or
// nothing for a removal and for a refused pick. A cancelled choice or picker and a refused photo
// access call no handler; every showing ends with finished(), so an owner can let the helper go
// however the choice ended.
class PLImageSelectionHelper : public QObject {
    Q_OBJECT
public:
    using CompletionHandler = std::function<void(const std::optional<QVariantMap>& selection)>;
    enum PickerSourceType { PhotoLibrarySource = 0, CameraSource = 1 };

    explicit PLImageSelectionHelper(QObject* parent = nullptr);

    bool isCameraAvailable() const { return m_isCameraAvailable; }
    bool canAllowEditing() const { return m_canAllowEditing; }
    void setCanAllowEditing(bool allow) { m_canAllowEditing = allow; }
    bool shouldUseFrontCamera() const { return m_shouldUseFrontCamera; }
    void setShouldUseFrontCamera(bool front) { m_shouldUseFrontCamera = front; }
    bool shouldShowResetImage() const { return m_shouldShowResetImage; }
    void setShouldShowResetImage(bool show) { m_shouldShowResetImage = show; }
    bool isExistingMedia() const { return m_isExistingMedia; }
    platform::ui::ViewController* parentViewController() const { return m_parentViewController; }
    CompletionHandler imageSelectionCompletionHandler() const { return m_handler; }
    void setImageSelectionCompletionHandler(CompletionHandler handler) { m_handler = std::move(handler); }

    void showImageSelectionOptionsInViewOfViewController(platform::ui::ViewController* parent,
                                                         CompletionHandler handler);
    void presentImagePickerForType(int type);

    // True while the photo library's access is undecided; the system's question is then asked.
    static bool needsPermissionForFirstTime();
    static bool isAuthorizedToUseAlbum();

    // The choice on screen, or null.
    platform::ui::ActionSheet* actionSheet() const { return m_actionSheet; }

    void actionSheetDidDismissWithButtonIndex(platform::ui::AlertView* sheet, int buttonIndex);
    void imagePickerControllerDidFinishPickingMediaWithInfo(const QVariantMap& info);
    void imagePickerControllerDidCancel();

signals:
    void finished();

private:
    // Calls the handler (when set) and ends the showing.
    void answer(const std::optional<QVariantMap>& selection);
    void refuse(const QString& message);

    bool m_isCameraAvailable = false;
    bool m_canAllowEditing = true;
    bool m_shouldUseFrontCamera = false;
    bool m_shouldShowResetImage = false;
    bool m_isExistingMedia = false;
    QPointer<platform::ui::ViewController> m_parentViewController;
    QPointer<platform::ui::ActionSheet> m_actionSheet;
    CompletionHandler m_handler;
};

} // namespace pelnix
