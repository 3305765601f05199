#pragma once

#include "platform/ui/WeakDelegate.h"
#include "ui/conversation/PLChatWindowScrollToBottomOrTopViewDelegate.h"

#include <QWidget>

namespace pelnix {

namespace platform::ui {
class Button;
}

// Two floating buttons on the right edge of the message list, one to its top and one to its bottom.
// The view slides in while the user scrolls and slides out 3 s after the last show or tap (or once
// neither button has the keys). Touches outside the two buttons pass through it to the list below.
//
// Control types: 0 hides the top button, 1 the bottom one, 2 both, 3 shows both; others do nothing.
class PLChatWindowScrollToBottomOrTopView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSlideMs = 400;
    static constexpr int kAutoHideMs = 3000;
    static constexpr int kWidth = 44;
    static constexpr int kButtonSize = 36;

    static PLChatWindowScrollToBottomOrTopView* instance(QWidget* parent = nullptr);
    ~PLChatWindowScrollToBottomOrTopView() override;

    PLChatWindowScrollToBottomOrTopViewDelegate* inDelegate() const { return m_delegate.get(); }
    void setInDelegate(PLChatWindowScrollToBottomOrTopViewDelegate* delegate) { m_delegate.set(delegate); }
    unsigned controllType() const { return m_controllType; }
    void setControllType(unsigned type);
    void hideScrollControllButtonType(unsigned type);

    void showScrollToBottomOrTopViewAnimated(bool animated);
    void hideScrollToBottomOrTopViewAnimated(bool animated);
    void resetOnUserInteraction();
    void scrollToTopButtonTapped();
    void scrollToBottomButtonTapped();
    bool isValidTouchForPoint(const QPoint& point) const;
    // Whether the view stands inside its superview's right edge.
    bool isShownInSuperview() const;
    // Asked to show (sliding in or in place), as opposed to slid out.
    bool isSlidIn() const { return m_slidIn; }

    platform::ui::Button* scrollToTopButton() const { return m_scrollToTopButton; }
    platform::ui::Button* scrollToBottonButton() const { return m_scrollToBottomButton; }

signals:
    // Slid in over the list's trailing edge, or out of sight.
    void slidInChanged(bool slidIn);

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Keeps the view at its superview's trailing edge (in, or just out of sight) when that resizes or
    // turns its direction.
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    explicit PLChatWindowScrollToBottomOrTopView(QWidget* parent);
    // Where the control rests, slid in or out, on its superview's trailing edge.
    int restingX(bool slidIn) const;
    void slideTo(int left, bool animated);
    // Ends any slide and stands where it rests, slid in or out.
    void placeAtRest();
    // Its buttons are out of Tab's reach while it is slid out.
    void updateTabReach();
    void updateTouchArea();

    platform::ui::Button* m_scrollToTopButton;
    platform::ui::Button* m_scrollToBottomButton;
    platform::ui::WeakDelegate<PLChatWindowScrollToBottomOrTopViewDelegate> m_delegate;
    unsigned m_controllType = 0;
    bool m_slidIn = false;
    // Counts slides: only the latest moves the view.
    int m_slide = 0;
};

} // namespace pelnix
