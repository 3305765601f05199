#include "SystemServices.h"

#include "DesktopSystemServices.h"

namespace pelnix::platform::ui {

namespace {
std::unique_ptr<SystemServices>& installed() {
    static std::unique_ptr<SystemServices> services;
    return services;
}
} // namespace

SystemServices* SystemServices::current() {
    auto& services = installed();
    if (!services)
        services = std::make_unique<DesktopSystemServices>();
    return services.get();
}

void SystemServices::setCurrent(std::unique_ptr<SystemServices> services) {
    installed() = std::move(services);
}

QStringList SystemServices::allowedSchemes() {
    return {QStringLiteral("http"), QStringLiteral("https"), QStringLiteral("mailto"), QStringLiteral("tel"),
            QStringLiteral("sms")};
}

bool SystemServices::isAllowed(const QUrl& url) {
    return url.isValid() && allowedSchemes().contains(url.scheme().toLower());
}

} // namespace pelnix::platform::ui
