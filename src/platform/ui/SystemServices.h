#pragma once

#include <QList>
#include <QStringList>
#include <QUrl>
#include <memory>

namespace pelnix::platform::ui {

// The system's services the screens call: opening URLs (only schemes on the allow-list), and whether
// mail and SMS can be sent. Screens use current(); tests install a RecordingSystemServices.
class SystemServices {
public:
    virtual ~SystemServices() = default;

    static SystemServices* current();
    // Installs `services` (null: the desktop's own) for the whole process.
    static void setCurrent(std::unique_ptr<SystemServices> services);

    static QStringList allowedSchemes();
    static bool isAllowed(const QUrl& url);

    virtual bool canOpenURL(const QUrl& url) const { return isAllowed(url); }
    // False for a scheme off the allow-list; nothing is opened then.
    virtual bool openURL(const QUrl& url) = 0;
    virtual bool canSendMail() const = 0;
    virtual bool canSendText() const = 0;
};

} // namespace pelnix::platform::ui
