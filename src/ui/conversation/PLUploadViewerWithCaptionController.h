#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/ViewController.h"
#include "ui/conversation/PLDownloadViewer.h"
#include "ui/conversation/PLDownloadedViewerDelegate.h"
#include "ui/conversation/PLUploadsCaptionView.h"

#include <QPointer>
#include <QVariantMap>
#include <functional>

namespace pelnix {

namespace platform::ui {
class AlertView;
}

// The picked picture full screen before it is sent, with an optional caption: Done hands the caption
// back once (trimmed, line breaks as spaces; nothing when the editor was never opened) and leaves
// the dismissal to the owner; Cancel asks "All changes will be lost. Continue?" and closes without
// calling back. The picture shows in the picture viewer (zoom, double tap), a video in the video
// viewer; a single tap on either puts the keyboard away.
class PLUploadViewerWithCaptionController : public platform::ui::ViewController,
                                            public PLDownloadedViewerDelegate {
    Q_OBJECT
public:
    // Null when the caption editor was never opened.
    using CaptionEditedCompletionHandler = std::function<void(const QString& caption)>;
    static constexpr int kCancelAlertTag = 100;
    static constexpr int kBottomBarHeight = 44;
    static constexpr int kAddCaptionButtonHeight = 44;

    explicit PLUploadViewerWithCaptionController(QObject* parent = nullptr);
    ~PLUploadViewerWithCaptionController() override;

    QVariantMap pickerSelection() const { return m_pickerSelection; }
    void setPickerSelection(const QVariantMap& selection) { m_pickerSelection = selection; }
    void setCaptionEditedCompletionHandler(CaptionEditedCompletionHandler handler) {
        m_handler = std::move(handler);
    }
    bool hasCaptionEditedCompletionHandler() const { return bool(m_handler); }

    QWidget* bottomView() const { return m_bottomView; }
    QWidget* previewContainerView() const { return m_previewContainer; }
    // The picture or video viewer in the preview area; none for another kind of item.
    PLDownloadViewer* previewViewer() const { return m_preview; }
    platform::ui::Button* addCaptionButton() const { return m_addCaptionButton; }
    platform::ui::Button* doneButton() const { return m_doneButton; }
    platform::ui::Button* cancelButton() const { return m_cancelButton; }
    PLUploadsCaptionView* captionView() const { return m_captionView; }

    void addPreviewForType(quint64 type);
    void addCaptionButtonClicked();
    void doneButtonClicked();
    void cancelButtonClicked();
    void hideKeyBoardIfVisible();
    void alertViewClickedButtonAtIndex(platform::ui::AlertView* alert, int buttonIndex);
    void captionViewHeightChanged(PLUploadsCaptionView* view);
    void downloadViewerDidDetectTap() override;
    void updateCaptionViewPositionBySlidingUp(bool up);

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

private:
    void registerToKeyboardNotifications();
    void unregisterToKeyboardNotifications();
    void handleKeyboardDisplay(const QVariantMap& userInfo);
    void handleKeyboardDismiss(const QVariantMap& userInfo);
    int keyboardHeight() const;
    void layoutBottomView();
    void layoutRoot();

    QVariantMap m_pickerSelection;
    CaptionEditedCompletionHandler m_handler;
    QVariantMap m_keyboardInfo;
    QPointer<QWidget> m_bottomView;
    QPointer<QWidget> m_previewContainer;
    QPointer<PLDownloadViewer> m_preview;
    QPointer<platform::ui::Button> m_addCaptionButton;
    QPointer<QWidget> m_captionMenuSeperator;
    QPointer<platform::ui::Button> m_doneButton;
    QPointer<platform::ui::Button> m_cancelButton;
    QPointer<PLUploadsCaptionView> m_captionView;
    QObject m_keyboardObservers;
    bool m_keyboardShown = false;
    bool m_slidUp = false;
};

} // namespace pelnix
