#pragma once

#include "platform/ui/ReusableView.h"
#include "platform/ui/WeakDelegate.h"
#include "ui/conversation/PLLoadMoreMessagesViewDelegate.h"

namespace pelnix {

namespace platform::ui {
class Button;
}

// The message list's header while older messages exist: one button that asks for them.
class PLLoadMoreMessagesView : public platform::ui::ReusableView {
    Q_OBJECT
public:
    static inline const QString kIdentifier = QStringLiteral("PLLoadMoreMessagesView");

    explicit PLLoadMoreMessagesView(QWidget* parent = nullptr);

    static qreal viewHeight() { return 44; }
    PLLoadMoreMessagesViewDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(PLLoadMoreMessagesViewDelegate* delegate) { m_delegate.set(delegate); }
    platform::ui::Button* loadMoreButton() const { return m_button; }
    void loadMore();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    platform::ui::Button* m_button;
    platform::ui::WeakDelegate<PLLoadMoreMessagesViewDelegate> m_delegate;
};

} // namespace pelnix
