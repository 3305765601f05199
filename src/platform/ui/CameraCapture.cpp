#include "CameraCapture.h"

#include "Button.h"
#include "VideoView.h"
#include "platform/Sandbox.h"

#include <QCamera>
#include <QDateTime>
#include <QDir>
#include <QImageCapture>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QMediaCaptureSession>
#include <QMediaDevices>
#include <QMediaRecorder>
#include <QPointer>

Q_LOGGING_CATEGORY(lcCameraCapture, "pelnix.ui.camera", QtWarningMsg)

namespace pelnix::platform::ui {

namespace {
constexpr int kBarHeight = 64;
constexpr int kButtonWidth = 90;

Button* barButton(const QString& title, const QString& name, QWidget* parent) {
    auto* button = new Button(parent);
    button->setObjectName(name);
    button->setTitle(title);
    button->setTitleColor(Qt::white);
    return button;
}
} // namespace

std::optional<QCameraDevice> CameraCapture::deviceFor(ImagePicker::CameraDevice position) {
    const QList<QCameraDevice> cameras = QMediaDevices::videoInputs();
    if (cameras.isEmpty())
        return std::nullopt;
    const auto wanted =
        position == ImagePicker::CameraDevice::Front ? QCameraDevice::FrontFace : QCameraDevice::BackFace;
    for (const QCameraDevice& camera : cameras)
        if (camera.position() == wanted)
            return camera;
    return cameras.first();
}

CameraCapture::CameraCapture(const QCameraDevice& device, ImagePicker::MediaKinds kinds, bool allowsEditing,
                             QWidget* host, ImagePicker::Completion completion)
    : QWidget(host ? host->window() : nullptr), m_completion(std::move(completion)),
      m_allowsEditing(allowsEditing), m_session(new QMediaCaptureSession(this)),
      m_camera(new QCamera(device, this)), m_imageCapture(new QImageCapture(this)),
      m_viewfinder(new VideoView(this)) {
    setObjectName(QStringLiteral("cameraCapture"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::black);
    setPalette(palette);
    setFocusPolicy(Qt::StrongFocus);

    m_session->setCamera(m_camera);
    m_session->setVideoSink(m_viewfinder->videoSink());
    m_session->setImageCapture(m_imageCapture);
    if (kinds != ImagePicker::MediaKinds::Images) {
        m_recorder = new QMediaRecorder(this);
        m_session->setRecorder(m_recorder);
    }

    m_shutter = kinds != ImagePicker::MediaKinds::Videos
                    ? barButton(tr("Take Photo"), QStringLiteral("shutterButton"), this)
                    : nullptr;
    if (m_recorder)
        m_record = barButton(tr("Record"), QStringLiteral("recordButton"), this);
    m_cancel = barButton(tr("Cancel"), QStringLiteral("cancelButton"), this);
    if (m_shutter)
        connect(m_shutter, &QAbstractButton::clicked, this, &CameraCapture::takePicture);
    if (m_record)
        connect(m_record, &QAbstractButton::clicked, this, &CameraCapture::toggleRecording);
    connect(m_cancel, &QAbstractButton::clicked, this, &CameraCapture::cancel);

    connect(m_camera, &QCamera::errorOccurred, this,
            [this](QCamera::Error, const QString& message) { fail(message); });
    connect(m_imageCapture, &QImageCapture::errorOccurred, this,
            [this](int, QImageCapture::Error, const QString& message) { fail(message); });
    connect(m_imageCapture, &QImageCapture::imageCaptured, this, [this](int, const QImage& image) {
        PickedMedia picked;
        picked.originalImage = image;
        if (m_allowsEditing)
            picked.editedImage = ImagePicker::squareCrop(image);
        finish(picked, std::nullopt);
    });
    if (m_recorder) {
        connect(m_recorder, &QMediaRecorder::errorOccurred, this,
                [this](QMediaRecorder::Error, const QString& message) { fail(message); });
        connect(m_recorder, &QMediaRecorder::recorderStateChanged, this,
                [this](QMediaRecorder::RecorderState state) {
                    if (m_record)
                        m_record->setTitle(state == QMediaRecorder::RecordingState ? tr("Stop")
                                                                                   : tr("Record"));
                    if (state != QMediaRecorder::StoppedState || m_recorder->actualLocation().isEmpty())
                        return;
                    PickedMedia picked;
                    picked.filePath = m_recorder->actualLocation().toLocalFile();
                    picked.isVideo = true;
                    finish(picked, std::nullopt);
                });
    }

    if (host)
        setGeometry(host->window()->rect());
    show();
    raise();
    setFocus();
    if (device.isNull()) {
        // Answered after the caller's call has returned, as every pick is.
        QMetaObject::invokeMethod(
            this, [this] { fail(QStringLiteral("Camera source not found")); }, Qt::QueuedConnection);
        return;
    }
    m_camera->start();
}

CameraCapture::~CameraCapture() {
    if (!m_answered && m_completion)
        m_completion(std::nullopt, std::nullopt);
}

bool CameraCapture::isRecording() const {
    return m_recorder && m_recorder->recorderState() == QMediaRecorder::RecordingState;
}

void CameraCapture::takePicture() {
    if (m_answered || isRecording())
        return;
    if (!m_imageCapture->isReadyForCapture()) {
        qCInfo(lcCameraCapture) << "the camera is not ready for a picture yet";
        return;
    }
    m_imageCapture->capture();
}

void CameraCapture::toggleRecording() {
    if (m_answered || !m_recorder)
        return;
    if (isRecording()) {
        m_recorder->stop();
        return;
    }
    const QDir folder(QDir(Sandbox::tmp()).filePath(QStringLiteral("Camera")));
    if (!QDir().mkpath(folder.path())) {
        fail(QStringLiteral("The recording cannot be written"));
        return;
    }
    const QString name = QStringLiteral("VID_%1").arg(
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd_HHmmsszzz")));
    m_recorder->setOutputLocation(QUrl::fromLocalFile(folder.filePath(name)));
    m_recorder->record();
}

void CameraCapture::cancel() {
    if (isRecording())
        m_recorder->stop();
    finish(std::nullopt, std::nullopt);
}

void CameraCapture::fail(const QString& message) {
    if (m_answered)
        return;
    qCWarning(lcCameraCapture) << "camera capture failed:" << message;
    finish(std::nullopt, PLError(QString::fromLatin1(ImagePicker::ErrorDomain),
                                 ImagePicker::SourceNotAvailableError, message));
}

void CameraCapture::finish(const std::optional<PickedMedia>& picked, const std::optional<PLError>& error) {
    if (m_answered)
        return;
    m_answered = true;
    m_camera->stop();
    hide();
    deleteLater();
    if (m_completion)
        m_completion(picked, error);
}

void CameraCapture::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_viewfinder->setGeometry(0, 0, width(), height() - kBarHeight);
    const int barTop = height() - kBarHeight;
    m_cancel->setGeometry(8, barTop, kButtonWidth, kBarHeight);
    if (m_shutter)
        m_shutter->setGeometry((width() - kButtonWidth) / 2, barTop, kButtonWidth, kBarHeight);
    if (m_record)
        m_record->setGeometry(width() - kButtonWidth - 8, barTop, kButtonWidth, kBarHeight);
}

void CameraCapture::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        cancel();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace pelnix::platform::ui
