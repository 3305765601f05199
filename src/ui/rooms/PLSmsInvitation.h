#pragma once

#include <QString>

namespace pelnix {

namespace platform::ui {
class ViewController;
}

// The text message that invites someone who has not joined: the invitation sentence and the
// application's download address, addressed to one number. Without text messaging the "Failed" /
// "Can't send SMS" alert shows instead.
namespace PLSmsInvitation {

// The message's body.
QString body();
// The download address the body ends with: the service's "download" page.
QString downloadLink();
// Opens the composer for `number` over `screen`; nothing follows its outcome.
void send(const QString& number, platform::ui::ViewController* screen);

} // namespace PLSmsInvitation
} // namespace pelnix
