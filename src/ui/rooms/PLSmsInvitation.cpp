#include "ui/rooms/PLSmsInvitation.h"

#include "core/api/PLAppConfigurations.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/SystemServices.h"
#include "platform/ui/ViewController.h"
#include "ui/rooms/RoomsTexts.h"

#include <QUrl>

namespace pelnix::PLSmsInvitation {

using platform::ui::SystemServices;
using RoomsTexts::localized;

QString downloadLink() {
    return QUrl(PLAppConfigurations::currentConfiguration()->baseURL())
        .resolved(QUrl(QStringLiteral("download")))
        .toString();
}

QString body() {
    return localized(
               "I'm using Pelnix and you should too. It's an enterprise messenger with smart messages that "
               "reduce clutter and improve communications.") +
           QLatin1Char(' ') + downloadLink();
}

void send(const QString& number, platform::ui::ViewController* screen) {
    SystemServices* services = SystemServices::current();
    if (!services || !services->canSendText()) {
        auto* alert = new platform::ui::AlertView(localized("Failed"), localized("Can't send SMS"),
                                                  localized("OK"), {});
        alert->show(screen ? screen->window() : nullptr);
        return;
    }
    platform::ui::TextDraft draft;
    draft.recipients = {number};
    draft.body = body();
    services->composeText(draft, screen ? screen->view() : nullptr, {});
}

} // namespace pelnix::PLSmsInvitation
