#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/WeakDelegate.h"
#include "ui/conversation/PLNewUpdatesNotificationButtonDelegate.h"

namespace pelnix {

// The floating "New Updates" button. It styles itself each time it is put into a view or taken out
// of one, so that it keeps its look however often it moves.
class PLNewUpdatesNotificationButton : public platform::ui::Button {
    Q_OBJECT
public:
    static constexpr int kPadding = 15;
    static constexpr int kMinimumHeight = 24;

    explicit PLNewUpdatesNotificationButton(PLNewUpdatesNotificationButtonDelegate* delegate,
                                            QWidget* parent = nullptr);

    void restyle();

protected:
    bool event(QEvent* event) override;

private:
    platform::ui::WeakDelegate<PLNewUpdatesNotificationButtonDelegate> m_delegate;
};

} // namespace pelnix
