#pragma once

#include "platform/PLError.h"

#include <QList>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace pelnix::platform::ui {

// A file to send with a mail or a text.
struct ComposerAttachment {
    QString filePath;
    QString mimeType;
    QString fileName;
    bool operator==(const ComposerAttachment&) const = default;
};

struct MailDraft {
    QStringList toRecipients;
    QStringList ccRecipients;
    QStringList bccRecipients;
    QString subject;
    QString body;
    QList<ComposerAttachment> attachments;
    bool operator==(const MailDraft&) const = default;
};

struct TextDraft {
    QStringList recipients;
    QString body;
    QList<ComposerAttachment> attachments;
    bool operator==(const TextDraft&) const = default;
};

// The system's services the screens call: opening URLs (only schemes on the allow-list), and
// composing mail and text messages. Screens use current(); tests install a RecordingSystemServices.
class SystemServices {
public:
    // How a composer ended. HandedOver: the draft went to another program, which tells nothing back.
    enum class ComposeResult { Cancelled, Saved, Sent, Failed, HandedOver };
    using ComposeCompletion = std::function<void(ComposeResult result, const std::optional<PLError>& error)>;
    static constexpr const char* ErrorDomain = "PLSystemServicesErrorDomain";
    enum ErrorCode { NotAvailableError = 1, AttachmentsNotSupportedError = 2 };

    virtual ~SystemServices() = default;

    static SystemServices* current();
    // Installs `services` (null: the desktop's own) for the whole process.
    static void setCurrent(std::unique_ptr<SystemServices> services);

    // http, https, mailto, tel and sms, then the application schemes the host configured.
    static QStringList allowedSchemes();
    // Schemes of other applications links may open (a host's own companion app). Schemes that load
    // or run content (file, javascript, data, ...) are never taken.
    static void setApplicationSchemes(const QStringList& schemes);
    static QStringList applicationSchemes();
    // Refuses a link other than a web address that holds a directional control.
    static bool isAllowed(const QUrl& url);
    // The mailto: and sms: links of a draft. Each recipient is one address without directional
    // controls: characters that would start another recipient or a header of their own are escaped.
    static QUrl mailtoURL(const MailDraft& draft);
    static QUrl smsURL(const TextDraft& draft);

    virtual bool canOpenURL(const QUrl& url) const { return isAllowed(url); }
    // False for a scheme off the allow-list; nothing is opened then.
    virtual bool openURL(const QUrl& url) = 0;
    virtual bool canSendMail() const = 0;
    virtual bool canSendText() const = 0;
    // The completion runs once the composer is done (possibly before the call returns).
    virtual void composeMail(const MailDraft& draft, QWidget* parent, ComposeCompletion done) = 0;
    virtual void composeText(const TextDraft& draft, QWidget* parent, ComposeCompletion done) = 0;
};

} // namespace pelnix::platform::ui
