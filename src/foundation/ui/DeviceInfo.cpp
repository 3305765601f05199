#include "DeviceInfo.h"

#include "platform/ui/Window.h"

#include <QGuiApplication>
#include <QLocale>

namespace pelnix::DeviceInfo {

bool isiPad() {
    const auto* window = platform::ui::Window::keyWindow();
    return window && window->idiom() == platform::ui::Window::Idiom::Pad;
}

bool isiPhone() {
    return !isiPad();
}

bool currentLocaleIsOfRTLType() {
    return QGuiApplication::layoutDirection() == Qt::RightToLeft;
}

QString currentISOCountryCode() {
    const QLocale locale;
    if (locale.territory() == QLocale::AnyTerritory)
        return {};
    return QLocale::territoryToCode(locale.territory());
}

} // namespace pelnix::DeviceInfo
