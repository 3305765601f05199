#pragma once

#include "platform/ui/CollectionView.h"

#include <optional>

namespace pelnix {

// The chat window's message list: it registers the message cells and the load-more header, scrolls to
// the end of the list, says whether the user is scrolling, sets its insets, and lists its visible
// cells and index paths top to bottom (the k-th cell belongs to the k-th index path).
//
// A change of width keeps the list at its bottom when it was there, and otherwise keeps the first
// visible row where it was on screen, since every row height depends on the width. Rows whose height
// follows later (pages measured again at the new width) keep that same place until the user scrolls
// or rows come or go: a list left at its first rows does not jump to its bottom because, for a moment,
// all its rows fitted.
//
// Its rows' buttons are in Tab's order only while they show whole.
class PLChatWindowCollectionView : public platform::ui::CollectionView {
    Q_OBJECT
public:
    explicit PLChatWindowCollectionView(QWidget* parent = nullptr);

    void scrollToBottomAnimated(bool animated);
    bool isScrolling() const { return isDragging() || isDecelerating(); }
    void setContentInsetBottom(double bottom);
    void setContentInsetTop(double top, double bottom);
    QList<platform::ui::IndexPath> indexPathsForVisibleItems() const;
    QList<platform::ui::CollectionViewCell*> visibleCells() const;
    // What the side control offers for where the list stands: 0 at the top, 1 near the bottom, 2 the
    // content fits, 3 in between.
    unsigned scrollControlType() const;
    // The side control's button: 1 to the bottom, 0 to the first row.
    void scrollForControlButton(unsigned buttonType);
    // Makes `rect` (content coordinates) visible within the part of the list that the insets leave.
    void scrollRectToVisibleInsideInsets(const QRectF& rect, bool animated);

    bool followsBottom() const override;
    void keepingPlace(const std::function<void()>& change) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void layoutContent() override;

private:
    // Where the user is: at the bottom, or a row with its top so far below the list's top.
    struct Place {
        bool atBottom = false;
        platform::ui::IndexPath row;
        qreal onScreen = 0;
        int rowCount = 0;
    };
    Place currentPlace() const;
    void restore(const Place& place);
    // The place kept since the last change of width, while it still holds.
    const Place* placeSinceWidthChange() const;
    // Tab reaches a button of a row or of the header only while it shows whole in the part of the list
    // that the insets leave: not above the list's top, nor under the input bar or the results band.
    void updateTabReach();

    std::optional<Place> m_placeSinceWidthChange;
    bool m_keepingPlace = false;
};

} // namespace pelnix
