#pragma once

#include "platform/ui/SystemServices.h"

namespace pelnix::platform::ui {

// Records what screens ask for and opens nothing; composers end at once with `composeResult`.
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
    void composeMail(const MailDraft& draft, QWidget*, ComposeCompletion done) override {
        mails << draft;
        if (done)
            done(composeResult, std::nullopt);
    }
    void composeText(const TextDraft& draft, QWidget*, ComposeCompletion done) override {
        texts << draft;
        if (done)
            done(composeResult, std::nullopt);
    }

    QList<QUrl> opened;
    QList<MailDraft> mails;
    QList<TextDraft> texts;
    ComposeResult composeResult = ComposeResult::Sent;
    bool mailAvailable = true;
    bool textAvailable = true;
};

} // namespace pelnix::platform::ui
