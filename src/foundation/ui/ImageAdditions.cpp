#include "ImageAdditions.h"

#include "foundation/PLCurrentBundleInfo.h"

#include <QGuiApplication>

namespace pelnix::ImageAdditions {

QImage loadImageNamed(const QString& name, qreal screenScale) {
    if (name.isEmpty())
        return {};
    if (screenScale <= 0)
        screenScale = qApp ? qApp->devicePixelRatio() : 1.0;
    const int scale = qMax(1, qRound(screenScale));
    QList<std::pair<QString, int>> candidates;
    if (scale > 1)
        candidates << std::make_pair(QStringLiteral("%1@%2x").arg(name).arg(scale), scale);
    else
        candidates << std::make_pair(name, 1);
    candidates << std::make_pair(name + QStringLiteral("@2x"), 2);
    if (scale > 1)
        candidates << std::make_pair(name, 1);
    for (const auto& [file, ratio] : candidates) {
        const QString path = PLCurrentBundleInfo::pathForResource(file, QStringLiteral("png"));
        if (path.isEmpty())
            continue;
        QImage image(path);
        if (image.isNull())
            continue;
        image.setDevicePixelRatio(ratio);
        return image;
    }
    return {};
}

} // namespace pelnix::ImageAdditions
