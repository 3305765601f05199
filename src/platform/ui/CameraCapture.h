#pragma once

#include "ImagePicker.h"

#include <QCameraDevice>
#include <QWidget>
#include <optional>

class QCamera;
class QImageCapture;
class QMediaCaptureSession;
class QMediaRecorder;

namespace pelnix::platform::ui {

class Button;
class VideoView;

// The camera source of the picker: a panel over the window that asked, with the camera's live
// picture, a shutter, a record button (when videos may be picked) and Cancel. It answers once: the
// picture taken (with its square crop when editing is allowed), the video recorded into the sandbox's
// temporary folder, nothing for Cancel, or an error when the camera, the capture or the recording
// fails. It deletes itself after answering.
class CameraCapture : public QWidget {
    Q_OBJECT
public:
    CameraCapture(const QCameraDevice& device, ImagePicker::MediaKinds kinds, bool allowsEditing,
                  QWidget* host, ImagePicker::Completion completion);
    ~CameraCapture() override;

    // The first camera facing the asked way, else the first camera; nothing without cameras.
    static std::optional<QCameraDevice> deviceFor(ImagePicker::CameraDevice position);

    Button* shutterButton() const { return m_shutter; }
    Button* recordButton() const { return m_record; }
    Button* cancelButton() const { return m_cancel; }
    bool isRecording() const;

    void takePicture();
    void toggleRecording();
    void cancel();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void finish(const std::optional<PickedMedia>& picked, const std::optional<PLError>& error);
    void fail(const QString& message);

    ImagePicker::Completion m_completion;
    bool m_allowsEditing;
    bool m_answered = false;
    QMediaCaptureSession* m_session;
    QCamera* m_camera;
    QImageCapture* m_imageCapture;
    QMediaRecorder* m_recorder = nullptr;
    VideoView* m_viewfinder;
    Button* m_shutter;
    Button* m_record = nullptr;
    Button* m_cancel;
};

} // namespace pelnix::platform::ui
