#include "ui/conversation/PLLoadMoreMessagesView.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "platform/ui/Button.h"
#include "ui/conversation/PLChatWindowStyle.h"

namespace pelnix {

using platform::ui::Button;

namespace {
constexpr int kButtonHeight = 28;
const QColor kTint(0x00, 0x71, 0xBD);
} // namespace

PLLoadMoreMessagesView::PLLoadMoreMessagesView(QWidget* parent)
    : ReusableView(kIdentifier, parent), m_button(new Button(this)) {
    setBackgroundColor(Qt::transparent);
    m_button->setObjectName(QStringLiteral("loadMoreButton"));
    m_button->setTitle(PLCurrentBundleInfo::localizedString(QStringLiteral("Load More Messages")));
    m_button->setTitleFont(PLChatWindowStyle::font(QStringLiteral("DejaVuSans"), 13));
    m_button->setTitleColor(kTint);
    m_button->setTitleColor(kTint.darker(140), Button::State::Highlighted);
    connect(m_button, &Button::clicked, this, &PLLoadMoreMessagesView::loadMore);
}

void PLLoadMoreMessagesView::resizeEvent(QResizeEvent* event) {
    ReusableView::resizeEvent(event);
    const int buttonWidth = qMin(width(), m_button->sizeHint().width() + 24);
    m_button->setGeometry((width() - buttonWidth) / 2, (height() - kButtonHeight) / 2, buttonWidth,
                          kButtonHeight);
}

void PLLoadMoreMessagesView::loadMore() {
    if (auto* delegate = m_delegate.get())
        delegate->loadMoreMessagesButtonClicked();
}

} // namespace pelnix
