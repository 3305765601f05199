#include "ImageAdditions.h"

#include "foundation/PLCurrentBundleInfo.h"

#include <QDir>
#include <QGuiApplication>
#include <QHash>
#include <QMutex>
#include <QSet>

namespace pelnix::ImageAdditions {

namespace {
const QString kPlaceholderKey = QStringLiteral("pelnix-placeholder");

// Decoded bundle images by name and scale. Screens ask for the same few icons for every row (the
// swipe options, the badges), and decoding a PNG each time showed in every screen's first frame. The
// whole bundle decodes to under 2 MB, so every image asked for stays; images are shared, not copied.
struct DecodedImages {
    QMutex mutex;
    QHash<QString, QImage> byKey;
};
Q_GLOBAL_STATIC(DecodedImages, g_decoded)

QImage decodeImageNamed(const QString& name, int scale) {
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
} // namespace

QImage loadImageNamed(const QString& name, qreal screenScale) {
    if (name.isEmpty())
        return {};
    if (screenScale <= 0)
        screenScale = qApp ? qApp->devicePixelRatio() : 1.0;
    const int scale = qMax(1, qRound(screenScale));
    const QString key = name + QLatin1Char('@') + QString::number(scale);
    {
        QMutexLocker lock(&g_decoded->mutex);
        if (const auto it = g_decoded->byKey.constFind(key); it != g_decoded->byKey.constEnd())
            return *it;
    }
    // Decoded outside the lock; two threads racing for one image both decode it, harmlessly.
    const QImage image = decodeImageNamed(name, scale);
    QMutexLocker lock(&g_decoded->mutex);
    g_decoded->byKey.insert(key, image);
    return image;
}

void preloadBundleImages(qreal screenScale) {
    QSet<QString> names;
    const QDir bundle(PLCurrentBundleInfo::bundlePath());
    for (const QString& file : bundle.entryList({QStringLiteral("*.png")}, QDir::Files)) {
        QString name = file.chopped(4); // ".png"
        if (const qsizetype at = name.lastIndexOf(QLatin1Char('@')); at > 0)
            name.truncate(at); // "name@2x"
        names.insert(name);
    }
    for (const QString& name : std::as_const(names))
        loadImageNamed(name, screenScale);
}

QImage markedAsPlaceholder(QImage image) {
    if (!image.isNull())
        image.setText(kPlaceholderKey, QStringLiteral("1"));
    return image;
}

bool isPlaceholder(const QImage& image) {
    return !image.isNull() && image.text(kPlaceholderKey) == QLatin1String("1");
}

} // namespace pelnix::ImageAdditions
