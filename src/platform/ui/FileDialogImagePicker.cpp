#include "FileDialogImagePicker.h"

#include "CameraCapture.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMediaDevices>
#include <QMimeDatabase>
#include <QStandardPaths>

namespace pelnix::platform::ui {

namespace {
const QString kPictures = QStringLiteral("Pictures (*.png *.jpg *.jpeg *.gif *.heic *.webp)");
const QString kVideos = QStringLiteral("Videos (*.mp4 *.mov *.m4v *.webm *.mkv)");
} // namespace

bool FileDialogImagePicker::isSourceTypeAvailable(Source source) const {
    return source == Source::PhotoLibrary || !QMediaDevices::videoInputs().isEmpty();
}

void FileDialogImagePicker::pick(Source source, MediaKinds kinds, bool allowsEditing, QWidget* parent,
                                 Completion completion) {
    if (source == Source::Camera) {
        const auto camera = CameraCapture::deviceFor(cameraDevice());
        if (!camera) {
            if (completion)
                completion(std::nullopt, PLError(QString::fromLatin1(ErrorDomain), SourceNotAvailableError,
                                                 QStringLiteral("There is no camera here.")));
            return;
        }
        new CameraCapture(*camera, kinds, allowsEditing, parent, std::move(completion));
        return;
    }
    const bool videosOnly = kinds == MediaKinds::Videos;
    // The user's pictures (or videos) folder where there is one; a folder that does not exist would
    // be taken for a file name and typed into the dialog's name field.
    QString folder = QStandardPaths::writableLocation(videosOnly ? QStandardPaths::MoviesLocation
                                                                 : QStandardPaths::PicturesLocation);
    if (!QFileInfo(folder).isDir())
        folder = QDir::homePath();
    auto* dialog = new QFileDialog(parent, QString(), folder);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    QStringList filters;
    if (kinds != MediaKinds::Videos)
        filters << kPictures;
    if (kinds != MediaKinds::Images)
        filters << kVideos;
    dialog->setNameFilters(filters);
    auto answered = std::make_shared<bool>(false);
    QObject::connect(
        dialog, &QFileDialog::fileSelected, dialog,
        [completion, answered, allowsEditing](const QString& file) {
            *answered = true;
            if (!completion)
                return;
            if (QMimeDatabase().mimeTypeForFile(file).name().startsWith(QLatin1String("video/"))) {
                PickedMedia video;
                video.filePath = file;
                video.isVideo = true;
                completion(video, std::nullopt);
                return;
            }
            PLError error;
            const auto picture = readPicture(file, allowsEditing, &error);
            completion(picture, picture ? std::nullopt : std::optional<PLError>(error));
        });
    QObject::connect(dialog, &QFileDialog::finished, dialog, [completion, answered](int) {
        if (!*answered && completion)
            completion(std::nullopt, std::nullopt);
    });
    dialog->open();
}

} // namespace pelnix::platform::ui
