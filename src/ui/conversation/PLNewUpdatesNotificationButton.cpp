#include "ui/conversation/PLNewUpdatesNotificationButton.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "ui/conversation/PLChatWindowStyle.h"

#include <QEvent>

namespace pelnix {

PLNewUpdatesNotificationButton::PLNewUpdatesNotificationButton(
    PLNewUpdatesNotificationButtonDelegate* delegate, QWidget* parent)
    : Button(parent) {
    setObjectName(QStringLiteral("newUpdatesNotificationButton"));
    m_delegate.set(delegate);
    connect(this, &Button::clicked, this, [this] {
        if (auto* target = m_delegate.get())
            target->scrollToNewUpdate();
    });
    restyle();
}

void PLNewUpdatesNotificationButton::restyle() {
    setBackgroundImage(PLChatWindowStyle::image(QStringLiteral("unreadMessagesNotificationBG")));
    setTitleColor(Qt::white);
    setTitleFont(PLChatWindowStyle::font(QStringLiteral("DejaVuSans"), 12.0));
    setTitle(PLCurrentBundleInfo::localizedString(QStringLiteral("New Updates")));
    setContentEdgeInsets(QMargins(15, 0, 0, 0));
    resize(sizeHint());
}

bool PLNewUpdatesNotificationButton::event(QEvent* event) {
    if (event->type() == QEvent::ParentAboutToChange || event->type() == QEvent::ParentChange)
        restyle();
    return Button::event(event);
}

} // namespace pelnix
