#pragma once

// What the rooms galleries' tests share: colour comparisons and a gallery screen rendered as the
// screenshot tool renders it.

#include "GalleryStage.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/Screenshot.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <QColor>
#include <QImage>
#include <cstdlib>
#include <optional>

namespace pelnix::test {

inline bool near(const QColor& actual, const QColor& expected, int tolerance = 10) {
    return std::abs(actual.red() - expected.red()) <= tolerance &&
           std::abs(actual.green() - expected.green()) <= tolerance &&
           std::abs(actual.blue() - expected.blue()) <= tolerance;
}

inline const char* describe(const QColor& color) {
    static QByteArray text;
    text = color.name().toLatin1();
    return text.constData();
}

// A gallery screen as the tool renders it: made in a 375 x 667 window, its fixture (which sets the
// screen's own size) applied, then grabbed; with `renderedAt`, grabbed once the window has that size.
struct GalleryShot {
    platform::ui::Window window;
    platform::ui::ViewController* controller = nullptr;
    QImage image;

    GalleryShot(const QString& storyboard, const QString& identifier,
                std::optional<QSize> renderedAt = std::nullopt) {
        using platform::ui::ScreenRegistry;
        window.resize(375, 667);
        controller = ScreenRegistry::shared()->instantiate(storyboard, identifier);
        if (!controller)
            return;
        window.setRootViewController(controller);
        window.show();
        if (const auto fixture = ScreenRegistry::shared()->fixture(storyboard, identifier))
            fixture(controller);
        if (renderedAt)
            tools::GalleryStage::bringTo(&window, *renderedAt);
        image = platform::ui::Screenshot::grab(&window);
    }
    QColor at(const QWidget* view, QPointF point) const {
        const QPoint p = view->mapTo(&window, point.toPoint());
        const qreal scale = qreal(image.width()) / window.width();
        return image.pixelColor(int(p.x() * scale), int(p.y() * scale));
    }
};

} // namespace pelnix::test
