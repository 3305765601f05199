#pragma once

#include "ui/toolkit/PLCustomSearchView.h"

#include <QPointer>

namespace pelnix {

class PLCustomSearchDelegate;

namespace platform::ui {
class ViewController;
}

// The search bar that drops down over a screen's navigation bar (0.4 s) and goes back above the top
// of the screen, as the members and admin change screens use it ("Search by name or email").
class PLDropDownSearchBar {
public:
    static constexpr int kSlideMs = 400;

    PLDropDownSearchBar(platform::ui::ViewController* owner, PLCustomSearchDelegate* delegate);
    ~PLDropDownSearchBar();
    PLDropDownSearchBar(const PLDropDownSearchBar&) = delete;
    PLDropDownSearchBar& operator=(const PLDropDownSearchBar&) = delete;

    PLCustomSearchView* view() const { return m_view; }
    // Over the navigation bar, its field focused.
    void show();
    // Cleared, the field resigned, slid away and taken off the screen.
    void hide();
    bool isShown() const { return m_shown; }
    void setWidth(int width);

private:
    QWidget* host() const;
    QRect barFrame() const;

    QPointer<platform::ui::ViewController> m_owner;
    QPointer<PLCustomSearchView> m_view;
    bool m_shown = false;
};

} // namespace pelnix
