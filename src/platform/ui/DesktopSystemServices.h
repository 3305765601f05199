#pragma once

#include "SystemServices.h"

namespace pelnix::platform::ui {

// The desktop: QDesktopServices behind the allow-list.
class DesktopSystemServices : public SystemServices {
public:
    bool openURL(const QUrl& url) override;
    bool canSendMail() const override { return true; }
    bool canSendText() const override { return false; }
};

} // namespace pelnix::platform::ui
