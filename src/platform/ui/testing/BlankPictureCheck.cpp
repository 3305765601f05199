#include "BlankPictureCheck.h"

#include "platform/ui/NavigationBar.h"

#include <QWidget>
#include <optional>

namespace pelnix::platform::ui {

bool BlankPictureCheck::isFlat(const QImage& image, const QRect& area) {
    if (image.isNull())
        return true;
    const QImage rgb = image.convertToFormat(QImage::Format_ARGB32);
    const QRect part = (area.isEmpty() ? rgb.rect() : area).intersected(rgb.rect());
    if (part.isEmpty())
        return true;
    const QRgb first = rgb.pixel(part.topLeft());
    for (int y = part.top(); y <= part.bottom(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = part.left(); x <= part.right(); ++x)
            if (line[x] != first)
                return false;
    }
    return true;
}

QRect BlankPictureCheck::contentArea(QWidget* window) {
    if (!window)
        return {};
    int top = 0;
    for (NavigationBar* bar : window->findChildren<NavigationBar*>()) {
        if (!bar->isVisibleTo(window) || bar->height() <= 0)
            continue;
        const QRect onWindow(bar->mapTo(window, QPoint(0, 0)), bar->size());
        // Only a bar across the top heads the page; one further down belongs to a picture in it.
        if (onWindow.top() < window->height() / 4)
            top = qMax(top, onWindow.bottom() + 1);
    }
    return QRect(0, top, window->width(), window->height() - top);
}

QString BlankPictureCheck::blankness(const QImage& image, QWidget* window) {
    if (isFlat(image))
        return QStringLiteral("one flat colour");
    const QRect area = contentArea(window);
    const qreal scale = image.devicePixelRatio() > 0 ? image.devicePixelRatio() : 1.0;
    const QRect pixels((QPointF(area.topLeft()) * scale).toPoint(), (QSizeF(area.size()) * scale).toSize());
    if (area.top() > 0 && isFlat(image, pixels))
        return QStringLiteral("nothing below its bar");
    return {};
}

namespace {

// The opaque navigation bars of `window` that lie on top of what is under them, each with the part of
// the picture its face (less its shadow line along the bottom) covers, in the window's coordinates.
QList<std::pair<NavigationBar*, QRect>> barsOnTop(QWidget* window) {
    QList<std::pair<NavigationBar*, QRect>> bars;
    if (!window)
        return bars;
    for (NavigationBar* bar : window->findChildren<NavigationBar*>()) {
        if (!bar->isVisibleTo(window) || bar->isTransparent() || bar->height() <= 1)
            continue;
        const QRect onWindow(bar->mapTo(window, QPoint(0, 0)), bar->size());
        QWidget* onTop = window->childAt(onWindow.center());
        if (onTop != bar && !bar->isAncestorOf(onTop))
            continue;
        bars.append({bar, onWindow.adjusted(0, 0, 0, -1)});
    }
    return bars;
}

QRect inPixels(const QImage& image, const QRect& area) {
    const qreal scale = image.devicePixelRatio() > 0 ? image.devicePixelRatio() : 1.0;
    return QRect((QPointF(area.topLeft()) * scale).toPoint(), (QSizeF(area.size()) * scale).toSize());
}

} // namespace

QString BlankPictureCheck::emptyBar(const QImage& image, QWidget* window) {
    for (const auto& [bar, face] : barsOnTop(window))
        if (isFlat(image, inPixels(image, face)))
            return QStringLiteral("an empty bar");
    return {};
}

QString BlankPictureCheck::doubledBar(const QImage& image, QWidget* window) {
    const QImage rgb = image.convertToFormat(QImage::Format_ARGB32);
    const auto pixel = [&rgb, &image](int x, int y) {
        const QPoint at = inPixels(image, QRect(x, y, 1, 1)).topLeft();
        return rgb.rect().contains(at) ? std::optional<QRgb>(rgb.pixel(at)) : std::nullopt;
    };
    // A bar shows in the picture where its shadow line, along its bottom, stands out of its face.
    const auto lineShows = [&pixel](const QRect& face) {
        const auto line = pixel(face.left() + 1, face.bottom() + 1);
        return line && line != pixel(face.left() + 1, face.bottom());
    };
    // An empty bar over a band of its own colour at both edges, for half a bar's height below its line:
    // the top the screen draws itself, under a bar it was given besides.
    const auto overOwnTop = [&](const QRect& face) {
        if (!isFlat(image, inPixels(image, face)))
            return false;
        const auto colour = pixel(face.left() + 1, face.top() + 1);
        for (int y = face.bottom() + 2; y < face.bottom() + 2 + face.height() / 2; ++y)
            for (const int x : {face.left() + 1, face.right() - 1})
                if (pixel(x, y) != colour)
                    return false;
        return true;
    };
    QList<QRect> heading;
    for (const auto& [bar, face] : barsOnTop(window)) {
        // Only bars across the top head the page; one further down belongs to a picture in it.
        if (face.top() >= window->height() / 4 || !lineShows(face))
            continue;
        if (overOwnTop(face))
            return QStringLiteral("a doubled bar");
        heading << face;
    }
    for (const QRect& upper : heading)
        for (const QRect& lower : heading)
            if (lower.top() > upper.bottom())
                return QStringLiteral("a doubled bar");
    return {};
}

} // namespace pelnix::platform::ui
