#pragma once

#include "platform/ui/ScrollView.h"
#include "ui/account/PLBaseViewController.h"
#include "ui/toolkit/PLTapToDismissKeyboardView.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QVariantMap>

namespace pelnix {

// The base of the sign-in and phone forms: a form block in a scroll view that keeps it above the
// keyboard. On pages taller than 480 points the block sits in the middle; a keyboard that covers part
// of it adds that much bottom inset and scrolls the form up by as much, and going away takes the inset
// back over 0.3 s (without scrolling back).
class PLLoginFormViewController : public PLBaseViewController {
    Q_OBJECT
public:
    static constexpr int kCentringMinimumHeight = 480;
    static constexpr int kKeyboardDismissMs = 300;
    static constexpr int kFormTop = 20;

    explicit PLLoginFormViewController(QObject* parent = nullptr);
    ~PLLoginFormViewController() override;

    platform::ui::ScrollView* scrollView() const { return m_scroll; }
    PLTapToDismissKeyboardView* containerView() const { return m_container; }

    void registerToKeyboardNotifications();
    void handleKeyboardDisplay(const QVariantMap& userInfo);
    void handleKeyboardDismiss();

protected:
    // The size of the form block.
    virtual QSize formSize() const { return {280, 400}; }
    // Fills the form block; views that stay put while the form scrolls go on `page`.
    virtual void buildForm(QWidget* container) { Q_UNUSED(container); }
    virtual void buildPage(QWidget* page) { Q_UNUSED(page); }
    // Every page resize: the scroll view fills the page and its content size is its bounds less its
    // insets.
    virtual void viewWillLayoutSubviews();
    // Places `view` at `leftToRight` in its parent, mirrored there in a right-to-left layout, and
    // again whenever the page lays out or its direction turns.
    void placeInReadingOrder(QWidget* view, const QRect& leftToRight);

    QWidget* loadView() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

private:
    void placeContainer();
    void placeReadingOrderViews();

    QPointer<platform::ui::ScrollView> m_scroll;
    QPointer<PLTapToDismissKeyboardView> m_container;
    QList<std::pair<QPointer<QWidget>, QRect>> m_readingOrderViews;
    // The keyboard observers' owner: removing them leaves the screen's other observers alone.
    QObject m_keyboardObservers;
};

} // namespace pelnix
