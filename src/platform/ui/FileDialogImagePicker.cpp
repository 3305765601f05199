#include "FileDialogImagePicker.h"

#include <QFileDialog>
#include <QStandardPaths>

namespace pelnix::platform::ui {

void FileDialogImagePicker::pick(Source source, bool videos, QWidget* parent, Completion completion) {
    if (source != Source::PhotoLibrary) {
        if (completion)
            completion(std::nullopt);
        return;
    }
    auto* dialog =
        new QFileDialog(parent, QString(),
                        QStandardPaths::writableLocation(videos ? QStandardPaths::MoviesLocation
                                                                : QStandardPaths::PicturesLocation));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilter(videos ? QStringLiteral("Videos (*.mp4 *.mov *.m4v *.webm *.mkv)")
                                 : QStringLiteral("Pictures (*.png *.jpg *.jpeg *.gif *.heic *.webp)"));
    auto answered = std::make_shared<bool>(false);
    QObject::connect(dialog, &QFileDialog::fileSelected, dialog, [completion, answered](const QString& file) {
        *answered = true;
        if (completion)
            completion(file);
    });
    QObject::connect(dialog, &QFileDialog::finished, dialog, [completion, answered](int) {
        if (!*answered && completion)
            completion(std::nullopt);
    });
    dialog->open();
}

} // namespace pelnix::platform::ui
