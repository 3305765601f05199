#pragma once

#include "PLPopoverArea.h"
#include "PLPopoverControllerDelegate.h"

#include <QList>
#include <QMarginsF>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSizeF>
#include <functional>

namespace pelnix {

namespace platform::ui {
class BarButtonItem;
class PopoverOverlay;
class ViewController;
class Window;
} // namespace platform::ui
class PLPopoverBackgroundView;
class PLPopoverTheme;

// Shows a controller's view in an arrowed bubble over the whole window, pointing at a rectangle in
// a view, at a bar button item, or at nothing (a centred dialog). An overlay covers the rest of the
// window; a touch on it, or on the bubble's margins, dismisses the popover unless the content is
// modal in popover or the delegate refuses. Main thread only.
class PLPopoverController : public QObject {
    Q_OBJECT
public:
    using Completion = std::function<void()>;

    explicit PLPopoverController(QObject* parent = nullptr);
    // Takes the content controller; the popover owns it when it has no parent.
    explicit PLPopoverController(platform::ui::ViewController* content, QObject* parent = nullptr);
    ~PLPopoverController() override;

    platform::ui::ViewController* contentViewController() const;

    // Held weakly; only QObject delegates are taken (others are ignored).
    void setDelegate(PLPopoverControllerDelegate* delegate);
    PLPopoverControllerDelegate* delegate() const;

    QList<QWidget*> passthroughViews() const;
    void setPassthroughViews(const QList<QWidget*>& views);
    bool wantsDefaultContentAppearance() const { return m_wantsDefaultContentAppearance; }
    void setWantsDefaultContentAppearance(bool wants) { m_wantsDefaultContentAppearance = wants; }
    QMarginsF popoverLayoutMargins() const { return m_margins; }
    void setPopoverLayoutMargins(const QMarginsF& margins) { m_margins = margins; }
    float animationDuration() const { return m_animationDuration; }
    void setAnimationDuration(float seconds) { m_animationDuration = seconds; }

    // The stored size, else the content's preferred size, else 320 wide and as tall as the window.
    QSizeF popoverContentSize() const;
    void setPopoverContentSize(const QSizeF& size);
    QSizeF topViewControllerContentSize() const;
    bool isPopoverVisible() const { return !m_overlay.isNull(); }

    void presentPopoverFromRect(const QRect& rect, QWidget* inView, unsigned permittedArrowDirections,
                                bool animated, unsigned options = PLPopoverAnimationOptionFade,
                                Completion completion = {});
    void presentPopoverFromRect(const QRect& rect, QWidget* inView, unsigned permittedArrowDirections,
                                bool animated, Completion completion);
    // Only Up and Down, whatever is asked: the bubble opens above or below the bar.
    void presentPopoverFromBarButtonItem(platform::ui::BarButtonItem* item, unsigned permittedArrowDirections,
                                         bool animated, unsigned options = PLPopoverAnimationOptionFade,
                                         Completion completion = {});
    void presentPopoverFromBarButtonItem(platform::ui::BarButtonItem* item, unsigned permittedArrowDirections,
                                         bool animated, Completion completion);
    // Centred in the key window's root view, without an arrow.
    void presentPopoverAsDialog(bool animated, unsigned options = PLPopoverAnimationOptionFade,
                                Completion completion = {});
    void presentPopoverAsDialog(bool animated, Completion completion);
    // Dismissals asked for in code never tell the delegate.
    void dismissPopover(bool animated, Completion completion = {});
    void dismissPopover(bool animated, unsigned options, Completion completion = {},
                        bool callDelegate = false);

    // Themes: every new controller starts on the shared default theme object.
    static PLPopoverTheme* defaultTheme();
    static void setDefaultTheme(PLPopoverTheme* theme);
    PLPopoverTheme* theme() const;
    void setTheme(PLPopoverTheme* theme);
    void beginThemeUpdates();
    void endThemeUpdates();
    void updateThemeUI();

    // Placement and keyboard (also driven by the keyboard notifications while shown).
    void positionPopover(bool animated);
    // The window changed size, as a phone turns: a popover from a bar item follows the item's view,
    // any other asks its delegate where it now points (willRepositionPopoverToRect); then it is placed
    // again without animation. Called by the overlay as it follows the window.
    void windowDidResize();
    void keyboardWillShow(const QRect& endFrame);
    void keyboardWillHide();

    // The views while shown, and what the presentation asked for.
    platform::ui::PopoverOverlay* overlayView() const;
    PLPopoverBackgroundView* backgroundView() const;
    QRect anchorRect() const { return m_rect; }
    QWidget* anchorView() const;
    unsigned permittedArrowDirections() const { return m_permitted; }

private:
    void present(const QRect& rect, QWidget* inView, unsigned permittedArrowDirections, bool animated,
                 unsigned options, Completion completion);
    void outsideTouch();
    // The 1 x 1 rectangle (window coordinates) the scale animation starts from and shrinks to.
    QRect arrowTipRect() const;
    void afterPresent(Completion completion);
    void afterDismiss(Completion completion, bool callDelegate, bool animated);
    void prepareContent();
    void listenToKeyboard(bool listen);
    platform::ui::Window* anchorWindow() const;
    void observeContentSize(bool observe);

    QPointer<platform::ui::ViewController> m_content;
    QRect m_rect;
    QPointer<QWidget> m_inView;
    QPointer<platform::ui::PopoverOverlay> m_overlay;
    QPointer<PLPopoverBackgroundView> m_background;
    QPointer<platform::ui::BarButtonItem> m_barButtonItem;
    unsigned m_permitted = PLPopoverArrowDirectionAny;
    bool m_animated = false;
    unsigned m_options = PLPopoverAnimationOptionFade;
    bool m_listening = false;
    QRect m_keyboardRect;
    bool m_themeUpdatesEnabled = false;
    bool m_themeIsUpdating = false;
    bool m_wantsDefaultContentAppearance = false;
    QSizeF m_contentSize{0, 0};
    QMarginsF m_margins{10, 10, 10, 10};
    float m_animationDuration = 0.25f;
    QPointer<QObject> m_delegateObject;
    PLPopoverControllerDelegate* m_delegate = nullptr;
    QList<QPointer<QWidget>> m_passthrough;
    QPointer<PLPopoverTheme> m_theme;
    QMetaObject::Connection m_themeConnection;
    QMetaObject::Connection m_sizeConnection;
};

} // namespace pelnix
