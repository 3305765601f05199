#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/Label.h"

#include <QPointer>
#include <QWidget>

namespace pelnix {

// What the stale mark of an older copy of a smart message explains, in a popover: that the chatlet
// has been updated since, with a check button to stop showing the explanation and a close button.
class PLStaleMessagePopOverView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 260;
    static constexpr int kHeight = 118;

    explicit PLStaleMessagePopOverView(QWidget* parent = nullptr);

    platform::ui::Label* messageLabel() const { return m_message; }
    // Selected: the explanation is not shown again.
    platform::ui::Button* dontShowButton() const { return m_dontShow; }
    platform::ui::Button* dismissButton() const { return m_dismiss; }
    QSize sizeHint() const override { return {kWidth, kHeight}; }

private:
    QPointer<platform::ui::Label> m_message;
    QPointer<platform::ui::Button> m_dontShow;
    QPointer<platform::ui::Button> m_dismiss;
};

} // namespace pelnix
