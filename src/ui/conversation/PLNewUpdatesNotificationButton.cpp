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
    // The background picture is a pill of fixed proportions: stretched to the title it became a
    // squashed ellipse. Its colour fills a pill sized to the title, with even padding.
    const QImage pill = PLChatWindowStyle::image(QStringLiteral("unreadMessagesNotificationBG"));
    setBackgroundImage({});
    setBackgroundColor(pill.isNull() ? QColor(0x00, 0x86, 0xCA) : pill.pixelColor(pill.rect().center()));
    setTitleColor(Qt::white);
    setTitleFont(PLChatWindowStyle::font(QStringLiteral("DejaVuSans"), 12.0));
    setTitle(PLCurrentBundleInfo::localizedString(QStringLiteral("New Updates")));
    setContentEdgeInsets(QMargins(kPadding, kPadding / 3, kPadding, kPadding / 3));
    const QSize fitted = sizeHint();
    resize(qMax(fitted.width(), kMinimumHeight), qMax(fitted.height(), kMinimumHeight));
    setCornerRadius(height() / 2.0);
}

bool PLNewUpdatesNotificationButton::event(QEvent* event) {
    if (event->type() == QEvent::ParentAboutToChange || event->type() == QEvent::ParentChange)
        restyle();
    return Button::event(event);
}

} // namespace pelnix
