#pragma once

#include <QImage>
#include <QString>

namespace pelnix::ImageAdditions {

// An image of the framework bundle by name without extension: the file for the screen's scale
// ("name@2x.png" on a 2x screen), else the plain "name.png" on a 1x screen, else "name@2x.png";
// its device pixel ratio is that of the file's suffix. A null image when none exists.
QImage loadImageNamed(const QString& name, qreal screenScale = 0);

// `image` marked as a stand-in for a picture someone does not have (initials, the default person):
// what shows it may keep it at its own size rather than blow it up. The mark goes with copies.
QImage markedAsPlaceholder(QImage image);
bool isPlaceholder(const QImage& image);

// Decodes every image of the bundle for `screenScale` (as loadImageNamed would give it), so that
// later calls find them decoded. Safe on any thread; meant for a worker at start-up.
void preloadBundleImages(qreal screenScale);

} // namespace pelnix::ImageAdditions
