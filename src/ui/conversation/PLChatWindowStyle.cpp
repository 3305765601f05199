#include "ui/conversation/PLChatWindowStyle.h"

#include "foundation/ui/CustomFontRegistration.h"
#include "foundation/ui/ImageAdditions.h"
#include "platform/MainThread.h"
#include "ui/toolkit/Color.h"

#include <QGuiApplication>
#include <QHash>

namespace pelnix::PLChatWindowStyle {

QFont font(const QString& postScriptName, qreal size) {
    CustomFontRegistration::loadCustomFonts();
    return CustomFontRegistration::fontWithName(postScriptName, size);
}

QFont messageFont() {
    return font(QStringLiteral("DejaVuSans"), 14);
}

QFont senderNameFont() {
    return font(QStringLiteral("DejaVuSans-Bold"), 13);
}

QFont timeFont() {
    return font(QStringLiteral("DejaVuSans"), 11);
}

QFont systemEventFont() {
    return font(QStringLiteral("DejaVuSans"), 12);
}

QColor color(const QString& text) {
    return Color::colorWithString(text).toQColor();
}

QColor readTextColor() {
    return color(QStringLiteral("808080"));
}

QColor readSystemEventColor() {
    return color(QStringLiteral("bfbfbf"));
}

QColor unreadSystemEventColor() {
    // The platform's dark grey (one third white), not Qt's, which is the read rows' #808080.
    return color(QStringLiteral("darkgray"));
}

QImage image(const QString& name) {
    Q_ASSERT(platform::isMainThread());
    static QHash<QString, QImage> images;
    const auto it = images.constFind(name);
    if (it != images.constEnd())
        return *it;
    // Scaled once to the screen's pixels: a cell draws its images many times a second, and a picture
    // drawn at another scale is smoothed anew on every paint.
    QImage loaded = ImageAdditions::loadImageNamed(name);
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    if (!loaded.isNull() && !qFuzzyCompare(loaded.devicePixelRatio(), ratio)) {
        const QSize pixels = (loaded.deviceIndependentSize() * ratio).toSize();
        loaded = loaded.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                     .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        loaded.setDevicePixelRatio(ratio);
    }
    images.insert(name, loaded);
    return loaded;
}

QRect mirrored(const QRect& rect, int width, bool rightToLeft) {
    if (!rightToLeft)
        return rect;
    return QRect(width - rect.x() - rect.width(), rect.y(), rect.width(), rect.height());
}

} // namespace pelnix::PLChatWindowStyle
