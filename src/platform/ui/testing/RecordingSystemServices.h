#pragma once

#include "platform/ui/SystemServices.h"

namespace pelnix::platform::ui {

// Records what screens ask for and opens nothing.
class RecordingSystemServices : public SystemServices {
public:
    bool openURL(const QUrl& url) override {
        if (!isAllowed(url))
            return false;
        opened << url;
        return true;
    }
    bool canSendMail() const override { return mailAvailable; }
    bool canSendText() const override { return textAvailable; }

    QList<QUrl> opened;
    bool mailAvailable = true;
    bool textAvailable = true;
};

} // namespace pelnix::platform::ui
