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

// The desktop: QDesktopServices behind the allow-list.
class DesktopSystemServices : public SystemServices {
public:
    bool openURL(const QUrl& url) override;
    bool canSendMail() const override { return true; }
    bool canSendText() const override { return false; }
};

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
