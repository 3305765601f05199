#include "DesktopSystemServices.h"

#include <QDesktopServices>

namespace pelnix::platform::ui {

bool DesktopSystemServices::openURL(const QUrl& url) {
    return isAllowed(url) && QDesktopServices::openUrl(url);
}

} // namespace pelnix::platform::ui
