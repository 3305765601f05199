#include "ui/conversation/PLChatWindowCollectionView.h"

#include "foundation/ui/ScrollViewAdditions.h"
#include "ui/conversation/PLBulkUserJoinedMessageCell.h"
#include "ui/conversation/PLDateMessageCell.h"
#include "ui/conversation/PLExtendedTextMessageCell.h"
#include "ui/conversation/PLLoadMoreMessagesView.h"
#include "ui/conversation/PLSmartMessageCell.h"
#include "ui/conversation/PLStaleMessageCell.h"
#include "ui/conversation/PLTextMessageCell.h"
#include "ui/conversation/PLUnreadMessagesSeparatorCell.h"
#include "ui/conversation/PLUserActionMessageCell.h"
#include "ui/conversation/TabReach.h"

#include <QAbstractButton>
#include <QResizeEvent>
#include <algorithm>

namespace pelnix {

using platform::ui::CollectionViewCell;
using platform::ui::IndexPath;

PLChatWindowCollectionView::PLChatWindowCollectionView(QWidget* parent) : CollectionView(parent) {
    setObjectName(QStringLiteral("chatWindowCollectionView"));
    setAllowsSelection(false);
    // A click on a row does what it does there and leaves the keys in the room's text; Tab reaches the
    // list, which then scrolls with the arrow and page keys.
    setFocusPolicy(Qt::TabFocus);
    registerCell(PLTextMessageCell::kIdentifier, [] { return new PLTextMessageCell; });
    registerCell(PLExtendedTextMessageCell::kIdentifier, [] { return new PLExtendedTextMessageCell; });
    registerCell(PLUserActionMessageCell::kIdentifier, [] { return new PLUserActionMessageCell; });
    registerCell(PLBulkUserJoinedMessageCell::kIdentifier, [] { return new PLBulkUserJoinedMessageCell; });
    registerCell(PLSmartMessageCell::kIdentifier, [] { return new PLSmartMessageCell; });
    registerCell(PLStaleMessageCell::kIdentifier, [] { return new PLStaleMessageCell; });
    registerCell(PLDateMessageCell::kIdentifier, [] { return new PLDateMessageCell; });
    registerCell(PLUnreadMessagesSeparatorCell::kIdentifier,
                 [] { return new PLUnreadMessagesSeparatorCell; });
    registerSupplementaryView(kSectionHeader, PLLoadMoreMessagesView::kIdentifier,
                              [] { return new PLLoadMoreMessagesView; });
    // The user moving the list, or code placing it, chooses a new place.
    connect(this, &ScrollView::didScroll, this, [this] {
        if (!m_keepingPlace)
            m_placeSinceWidthChange.reset();
    });
    connect(this, &ScrollView::willBeginDragging, this, [this] { m_placeSinceWidthChange.reset(); });
}

void PLChatWindowCollectionView::scrollToBottomAnimated(bool animated) {
    if (!dataSource())
        return;
    const int count = dataSource()->numberOfItemsInSection(this, 0);
    if (count == 0)
        return;
    if (contentSize().height() <= 0) {
        // Nothing laid out yet: lay the rows out now, so that the last one has a place to go to.
        reloadData();
        scrollToItemAtIndexPath(IndexPath::forItem(count - 1), ScrollPosition::Bottom, animated);
        return;
    }
    scrollRectToVisibleInsideInsets(QRectF(0, contentSize().height() - 5, width(), 5), animated);
}

void PLChatWindowCollectionView::scrollRectToVisibleInsideInsets(const QRectF& rect, bool animated) {
    const QMargins inset = contentInset();
    const qreal top = contentOffset().y() + inset.top();
    const qreal bottom = contentOffset().y() + viewport()->height() - inset.bottom();
    qreal y = contentOffset().y();
    if (rect.bottom() > bottom)
        y += rect.bottom() - bottom;
    else if (rect.top() < top)
        y -= top - rect.top();
    y = qBound(minimumContentOffset().y(), y, maximumContentOffset().y());
    setContentOffset(QPointF(contentOffset().x(), y), animated);
}

unsigned PLChatWindowCollectionView::scrollControlType() const {
    enum ControlType : unsigned { AtTop = 0, NearBottom = 1, ContentFits = 2, InBetween = 3 };
    const auto metrics = ScrollViewAdditions::metrics(this);
    if (contentSize().height() <= height())
        return ContentFits;
    if (ScrollViewAdditions::isAtTop(metrics))
        return AtTop;
    if (ScrollViewAdditions::isNearToBottom(metrics))
        return NearBottom;
    return InBetween;
}

void PLChatWindowCollectionView::scrollForControlButton(unsigned buttonType) {
    if (buttonType == 1)
        scrollToBottomAnimated(true);
    else if (buttonType == 0 && numberOfItemsInSection(0) > 0)
        scrollToItemAtIndexPath(platform::ui::IndexPath::forItem(0), ScrollPosition::Top, true);
}

void PLChatWindowCollectionView::setContentInsetBottom(double bottom) {
    QMargins inset = contentInset();
    inset.setBottom(qRound(bottom));
    setContentInset(inset);
}

void PLChatWindowCollectionView::setContentInsetTop(double top, double bottom) {
    QMargins inset = contentInset();
    inset.setTop(qRound(top));
    inset.setBottom(qRound(bottom));
    setContentInset(inset);
}

QList<IndexPath> PLChatWindowCollectionView::indexPathsForVisibleItems() const {
    QList<IndexPath> paths = CollectionView::indexPathsForVisibleItems();
    std::sort(paths.begin(), paths.end());
    return paths;
}

QList<CollectionViewCell*> PLChatWindowCollectionView::visibleCells() const {
    // Ordered by the rows they show: the list asks each visible row for its cell.
    QList<CollectionViewCell*> cells;
    for (const IndexPath& path : indexPathsForVisibleItems())
        if (auto* cell = cellForItemAtIndexPath(path))
            cells << cell;
    return cells;
}

PLChatWindowCollectionView::Place PLChatWindowCollectionView::currentPlace() const {
    Place place;
    place.rowCount = numberOfItemsInSection(0);
    place.atBottom = ScrollViewAdditions::isAtBottom(ScrollViewAdditions::metrics(this));
    if (const auto first = firstRowInView()) {
        place.row = *first;
        place.onScreen = rectForRow(place.row).top() - contentOffset().y();
    }
    return place;
}

void PLChatWindowCollectionView::restore(const Place& place) {
    const bool wasKeeping = std::exchange(m_keepingPlace, true);
    if (place.atBottom) {
        scrollToBottomAnimated(false);
    } else if (const QRectF row = rectForRow(place.row); !row.isNull()) {
        const qreal y =
            qBound(minimumContentOffset().y(), row.top() - place.onScreen, maximumContentOffset().y());
        setContentOffset(QPointF(contentOffset().x(), y));
    }
    m_keepingPlace = wasKeeping;
}

const PLChatWindowCollectionView::Place* PLChatWindowCollectionView::placeSinceWidthChange() const {
    // Rows that came or went renumber the rows: the place no longer names the same one.
    if (!m_placeSinceWidthChange || m_placeSinceWidthChange->rowCount != numberOfItemsInSection(0))
        return nullptr;
    return &*m_placeSinceWidthChange;
}

bool PLChatWindowCollectionView::followsBottom() const {
    if (const Place* kept = placeSinceWidthChange())
        return kept->atBottom;
    return ScrollViewAdditions::isAtBottom(ScrollViewAdditions::metrics(this));
}

void PLChatWindowCollectionView::keepingPlace(const std::function<void()>& change) {
    const Place* kept = placeSinceWidthChange();
    if (!kept) {
        CollectionView::keepingPlace(change);
        return;
    }
    const Place place = *kept;
    const bool wasKeeping = std::exchange(m_keepingPlace, true);
    layingOutOnceAfter([&] {
        if (change)
            change();
        restore(place);
    });
    m_keepingPlace = wasKeeping;
}

void PLChatWindowCollectionView::layoutContent() {
    CollectionView::layoutContent();
    updateTabReach();
}

void PLChatWindowCollectionView::updateTabReach() {
    const QMargins inset = contentInset();
    const QRect seen = viewport()->rect().marginsRemoved(QMargins(0, inset.top(), 0, inset.bottom()));
    for (QObject* child : viewport()->children()) {
        auto* view = qobject_cast<QWidget*>(child);
        if (!view || view->isHidden())
            continue;
        for (QAbstractButton* button : view->findChildren<QAbstractButton*>())
            TabReach::setInSight(button,
                                 seen.contains(QRect(button->mapTo(viewport(), QPoint()), button->size())));
    }
}

void PLChatWindowCollectionView::resizeEvent(QResizeEvent* event) {
    const bool widthChanged =
        event->oldSize().width() != event->size().width() && event->oldSize().width() > 0;
    if (!widthChanged || indexPathsForVisibleItems().isEmpty()) {
        CollectionView::resizeEvent(event);
        return;
    }
    // The place the user had before the first of a run of width changes (a window dragged wider).
    const Place place = placeSinceWidthChange() ? *placeSinceWidthChange() : currentPlace();
    const bool wasKeeping = std::exchange(m_keepingPlace, true);
    CollectionView::resizeEvent(event);
    restore(place);
    m_keepingPlace = wasKeeping;
    m_placeSinceWidthChange = place;
}

} // namespace pelnix
