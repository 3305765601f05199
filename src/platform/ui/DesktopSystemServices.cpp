#include "DesktopSystemServices.h"

#include <QDesktopServices>

namespace pelnix::platform::ui {

bool DesktopSystemServices::openURL(const QUrl& url) {
    return isAllowed(url) && QDesktopServices::openUrl(url);
}

void DesktopSystemServices::composeMail(const MailDraft& draft, QWidget*, ComposeCompletion done) {
    handOver(mailtoURL(draft), !draft.attachments.isEmpty(), std::move(done));
}

void DesktopSystemServices::composeText(const TextDraft& draft, QWidget*, ComposeCompletion done) {
    handOver(smsURL(draft), !draft.attachments.isEmpty(), std::move(done));
}

void DesktopSystemServices::handOver(const QUrl& link, bool hasAttachments, ComposeCompletion done) {
    auto answer = [&done](ComposeResult result, std::optional<PLError> error) {
        if (done)
            done(result, error);
    };
    if (hasAttachments) {
        answer(ComposeResult::Failed,
               PLError(QString::fromLatin1(ErrorDomain), AttachmentsNotSupportedError,
                       QStringLiteral("Attachments cannot be handed to the desktop's program.")));
        return;
    }
    if (!openURL(link)) {
        answer(ComposeResult::Failed,
               PLError(QString::fromLatin1(ErrorDomain), NotAvailableError,
                       QStringLiteral("No program here takes %1 links.").arg(link.scheme())));
        return;
    }
    answer(ComposeResult::HandedOver, std::nullopt);
}

} // namespace pelnix::platform::ui
