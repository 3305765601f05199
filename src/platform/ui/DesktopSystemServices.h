#pragma once

#include "SystemServices.h"

namespace pelnix::platform::ui {

// The desktop: QDesktopServices behind the allow-list. Mail and texts go to the desktop's own
// programs as mailto: and sms: links, which carry no attachments: a draft with attachments is
// refused rather than sent without them.
class DesktopSystemServices : public SystemServices {
public:
    bool openURL(const QUrl& url) override;
    bool canSendMail() const override { return true; }
    bool canSendText() const override { return true; }
    void composeMail(const MailDraft& draft, QWidget* parent, ComposeCompletion done) override;
    void composeText(const TextDraft& draft, QWidget* parent, ComposeCompletion done) override;

private:
    void handOver(const QUrl& link, bool hasAttachments, ComposeCompletion done);
};

} // namespace pelnix::platform::ui
