#pragma once

#include "ui/toolkit/PLCustomSearchView.h"

#include <QObject>
#include <QPointer>

namespace pelnix {

class PLCustomSearchDelegate;

namespace platform::ui {
class ViewController;
}

// The search bar that drops down over a screen's navigation bar (0.4 s) and goes back above the top
// of the screen, as the rooms list, the members and the admin change screens use it. It spans the bar
// it covers at every width the screen takes.
class PLDropDownSearchBar : public QObject {
public:
    static constexpr int kSlideMs = 400;

    PLDropDownSearchBar(platform::ui::ViewController* owner, PLCustomSearchDelegate* delegate,
                        const QString& placeholder);
    ~PLDropDownSearchBar();
    PLDropDownSearchBar(const PLDropDownSearchBar&) = delete;
    PLDropDownSearchBar& operator=(const PLDropDownSearchBar&) = delete;

    PLCustomSearchView* view() const { return m_view; }
    // Over the navigation bar, its field focused.
    void show();
    // Cleared, the field resigned, slid away and taken off the screen.
    void hide();
    bool isShown() const { return m_shown; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* host() const;
    QRect barFrame() const;

    QPointer<platform::ui::ViewController> m_owner;
    QPointer<PLCustomSearchView> m_view;
    bool m_shown = false;
};

} // namespace pelnix
