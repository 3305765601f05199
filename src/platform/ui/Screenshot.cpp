#include "Screenshot.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QWidget>

namespace pelnix::platform::ui {

void Screenshot::settle() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

QImage Screenshot::grab(QWidget* widget) {
    if (!widget)
        return {};
    settle();
    return widget->grab().toImage();
}

bool Screenshot::savePng(QWidget* widget, const QString& path) {
    const QImage image = grab(widget);
    if (image.isNull())
        return false;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (!image.save(&file, "PNG"))
        return false;
    return file.commit();
}

} // namespace pelnix::platform::ui
