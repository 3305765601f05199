#include "ui/toolkit/PLSwipeViewController.h"

#include "platform/ui/CollectionStrip.h"
#include "platform/ui/FocusRing.h"
#include "ui/toolkit/PLChatletCategoryCollectionViewCell.h"
#include "ui/toolkit/ToolkitStyle.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPainter>

namespace pelnix {

using platform::ui::CollectionStrip;
using platform::ui::ReusableView;
using platform::ui::ViewController;

namespace {
// A view painted in one colour: the line under the titles and the selection indicator.
class FilledView : public QWidget {
public:
    FilledView(const QColor& color, QWidget* parent) : QWidget(parent), m_color(color) {}

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), m_color); }

private:
    QColor m_color;
};
} // namespace

PLSwipeViewController::PLSwipeViewController(const QList<ViewController*>& viewControllers, QObject* parent)
    : ViewController(parent) {
    for (ViewController* page : viewControllers) {
        if (!page)
            continue;
        page->setParent(this);
        m_viewControllers << page;
        // A page that renames itself renames its tab.
        m_titleWatches << connect(page, &ViewController::titleChanged, this, [this] {
            if (isViewLoaded())
                refreshCollectionView();
        });
    }
}

PLSwipeViewController::~PLSwipeViewController() = default;

QList<ViewController*> PLSwipeViewController::viewControllers() const {
    QList<ViewController*> pages;
    for (const auto& page : m_viewControllers)
        pages << page.data();
    return pages;
}

int PLSwipeViewController::indexOf(ViewController* page) const {
    for (int i = 0; i < m_viewControllers.size(); ++i)
        if (m_viewControllers[i] == page)
            return i;
    return -1;
}

QWidget* PLSwipeViewController::loadView() {
    auto* root = new QWidget;
    root->setObjectName(QStringLiteral("swipeView"));
    root->setAutoFillBackground(true);
    QPalette palette = root->palette();
    palette.setColor(QPalette::Window, Qt::white);
    root->setPalette(palette);
    m_titleCollectionView = new CollectionStrip(root);
    m_titleCollectionView->setObjectName(QStringLiteral("titleCollectionView"));
    m_titleCollectionView->setSpacing(0);
    m_titleCollectionView->setShowsHorizontalScrollIndicator(false);
    // Tab stops on each tab; the strip that scrolls them is no stop of its own.
    m_titleCollectionView->setFocusPolicy(Qt::NoFocus);
    m_titleSeperatorView = new FilledView(QColor(0xDD, 0xDD, 0xDD), root);
    m_titleSeperatorView->setObjectName(QStringLiteral("titleSeperatorView"));
    m_selectionIndicatorView = new FilledView(ToolkitStyle::accentColor(), root);
    m_selectionIndicatorView->setObjectName(QStringLiteral("selectionIndicatorView"));
    m_containerView = new QWidget(root);
    m_containerView->setObjectName(QStringLiteral("containerView"));
    root->installEventFilter(this);
    return root;
}

void PLSwipeViewController::viewDidLoad() {
    m_selectionIndicatorView->hide();
    configurePageViewController();
    m_titleCollectionView->setDataSource(this);
    viewDidLayoutSubviews();
}

void PLSwipeViewController::configurePageViewController() {
    m_pageViewController = new PLPageViewController(this);
    m_pageViewController->setDataSource(this);
    m_pageViewController->setDelegate(this);
    addChildViewController(m_pageViewController, m_containerView);
    if (m_viewControllers.isEmpty())
        return;
    m_selectedViewController = m_viewControllers.first();
    m_pageViewController->setViewController(m_selectedViewController,
                                            PLPageViewController::Direction::Forward, false);
}

void PLSwipeViewController::viewDidAppear(bool animated) {
    ViewController::viewDidAppear(animated);
    selectTab(m_selectedIndex, true);
    configureSelectionIndicator();
    m_selectionIndicatorView->show();
}

bool PLSwipeViewController::eventFilter(QObject* watched, QEvent* event) {
    if (isViewLoaded() && watched == view() && event->type() == QEvent::Resize)
        viewDidLayoutSubviews();
    if (event->type() == QEvent::KeyPress && pressTab(watched, static_cast<QKeyEvent*>(event)))
        return true;
    return ViewController::eventFilter(watched, event);
}

bool PLSwipeViewController::pressTab(QObject* watched, const QKeyEvent* key) {
    const int index = indexOfTab(watched);
    const bool pressing =
        key->key() == Qt::Key_Space || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (index < 0 || !pressing || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    // Held down, it selects once, and its repeats reach nothing under it.
    if (!key->isAutoRepeat())
        setSelectedIndex(index);
    return true;
}

int PLSwipeViewController::indexOfTab(const QObject* object) const {
    for (int i = 0; i < m_viewControllers.size(); ++i)
        if (object && titleCell(i) == object)
            return i;
    return -1;
}

void PLSwipeViewController::orderTitleTabs() {
    // A tab made anew joins Tab's order at the window's end, after the pages: the tabs follow the
    // strip, in their order. Qt orders no widget that Tab passes by, so the strip is one meanwhile.
    if (!m_titleCollectionView)
        return;
    const Qt::FocusPolicy policy = m_titleCollectionView->focusPolicy();
    m_titleCollectionView->setFocusPolicy(Qt::TabFocus);
    QWidget* previous = m_titleCollectionView;
    for (const auto& tab : std::as_const(m_tabs))
        if (tab) {
            QWidget::setTabOrder(previous, tab);
            previous = tab;
        }
    m_titleCollectionView->setFocusPolicy(policy);
}

void PLSwipeViewController::reloadTitles() {
    // The tabs go back to the strip's pool and come out again: the keys on one stay on its place.
    int keysAt = -1;
    bool byKeyboard = false;
    for (int i = 0; i < m_viewControllers.size() && keysAt < 0; ++i)
        if (PLChatletCategoryCollectionViewCell* tab = titleCell(i); tab && tab->hasFocus()) {
            keysAt = i;
            byKeyboard = platform::ui::FocusRing::shows(tab);
        }
    m_titleCollectionView->reloadData();
    if (PLChatletCategoryCollectionViewCell* tab = keysAt >= 0 ? titleCell(keysAt) : nullptr)
        tab->setFocus(byKeyboard ? Qt::TabFocusReason : Qt::OtherFocusReason);
}

// The titles sit inset from both edges with the line under them; the pages fill the rest.
void PLSwipeViewController::viewDidLayoutSubviews() {
    QWidget* root = view();
    const int width = root->width();
    const int stripWidth = qMax(0, width - 2 * kTitleInset);
    const bool widthChanged = m_titleCollectionView->width() != stripWidth;
    m_titleCollectionView->setGeometry(kTitleInset, 0, stripWidth, kTitleHeight);
    m_titleSeperatorView->setGeometry(0, kTitleHeight, width, 1);
    m_containerView->setGeometry(0, kTitleHeight + 1, width, qMax(0, root->height() - kTitleHeight - 1));
    if (m_pageViewController && m_pageViewController->isViewLoaded())
        m_pageViewController->view()->setGeometry(m_containerView->rect());
    m_selectionIndicatorView->setGeometry(kTitleInset, kTitleHeight - kIndicatorHeight, stripWidth,
                                          kIndicatorHeight);
    if (widthChanged)
        reloadTitles();
    selectTab(m_selectedIndex, false);
    configureSelectionIndicator();
}

PLChatletCategoryCollectionViewCell* PLSwipeViewController::titleCell(int index) const {
    return m_titleCollectionView
               ? qobject_cast<PLChatletCategoryCollectionViewCell*>(m_titleCollectionView->viewAt(index))
               : nullptr;
}

// Under the selected title, a little wider than its text; nothing to measure while it is off screen.
void PLSwipeViewController::configureSelectionIndicator() {
    if (!m_selectionIndicatorView)
        return;
    PLChatletCategoryCollectionViewCell* cell = titleCell(m_selectedIndex);
    const qreal width = cell ? cell->widthOfTextContent() + kIndicatorExtraWidth : 0;
    const qreal centreX = cell ? cell->centerOfTitle(m_selectionIndicatorView->parentWidget()).x() : 0;
    QRect frame = m_selectionIndicatorView->geometry();
    frame.setWidth(qRound(width));
    frame.moveLeft(qRound(centreX - width / 2));
    m_selectionIndicatorView->setGeometry(frame);
}

void PLSwipeViewController::selectTab(int index, bool animated) {
    if (!m_titleCollectionView)
        return;
    m_titleCollectionView->scrollToItem(index, animated);
    for (int i = 0; i < m_viewControllers.size(); ++i)
        if (auto* cell = titleCell(i))
            cell->setSelected(i == index, animated);
}

void PLSwipeViewController::refreshCollectionView() {
    if (!m_titleCollectionView)
        return;
    reloadTitles();
    selectTab(m_selectedIndex, true);
    configureSelectionIndicator();
}

void PLSwipeViewController::setSelectedIndex(int index) {
    if (index == m_selectedIndex || index < 0 || index >= m_viewControllers.size())
        return;
    m_selectedIndex = index;
    setSelectedViewController(m_viewControllers[index]);
    selectTab(index, true);
    if (auto* delegate = m_delegate.get())
        delegate->resetSearchBar(true);
    configureSelectionIndicator();
}

// Neighbours slide; a page further away is reached through its neighbour on the near side, shown at
// once, so the slide looks the same.
void PLSwipeViewController::setSelectedViewController(ViewController* page) {
    if (!page || page == m_selectedViewController)
        return;
    const int from = indexOf(m_selectedViewController);
    const int to = indexOf(page);
    const auto direction =
        from >= to ? PLPageViewController::Direction::Reverse : PLPageViewController::Direction::Forward;
    m_selectedViewController = page;
    if (!m_pageViewController)
        return;
    if (std::abs(from - to) <= 1) {
        m_pageViewController->setViewController(page, direction, true);
        return;
    }
    const int near = direction == PLPageViewController::Direction::Forward ? to - 1 : to + 1;
    QPointer<PLSwipeViewController> self(this);
    QPointer<ViewController> target(page);
    m_pageViewController->setViewController(
        m_viewControllers[near], direction, false, [self, target, direction](bool) {
            if (self && target && self->m_pageViewController)
                self->m_pageViewController->setViewController(target, direction, true);
        });
}

QWidget* PLSwipeViewController::preferredFocusWidget() {
    return m_selectedViewController ? m_selectedViewController->preferredFocusWidget() : nullptr;
}

int PLSwipeViewController::numberOfItemsInStrip(CollectionStrip*) {
    return int(m_viewControllers.size());
}

ReusableView* PLSwipeViewController::viewForItem(CollectionStrip* strip, int index) {
    auto* cell = qobject_cast<PLChatletCategoryCollectionViewCell*>(
        strip->dequeueReusableView(PLChatletCategoryCollectionViewCell::kIdentifier));
    // Made in the strip, so that its place in Tab's order stays where orderTitleTabs puts it.
    if (!cell)
        cell = new PLChatletCategoryCollectionViewCell(strip->viewport());
    const ViewController* page = m_viewControllers.value(index);
    cell->configureCellWithTitle(page ? page->title().toUpper() : QString());
    cell->setSelected(index == m_selectedIndex);
    cell->setObjectName(QStringLiteral("titleTab.%1").arg(index));
    // Space, Return and the keypad's Enter select the tab that has the keys.
    cell->installEventFilter(this);
    m_tabs.resize(m_viewControllers.size());
    for (auto& tab : m_tabs)
        if (tab == cell)
            tab = nullptr;
    if (index >= 0 && index < m_tabs.size())
        m_tabs[index] = cell;
    orderTitleTabs();
    return cell;
}

qreal PLSwipeViewController::widthForItem(CollectionStrip* strip, int) {
    return m_viewControllers.isEmpty() ? 0 : qreal(strip->width()) / qreal(m_viewControllers.size());
}

void PLSwipeViewController::didSelectItem(CollectionStrip*, int index) {
    setSelectedIndex(index);
}

ViewController* PLSwipeViewController::viewControllerBeforeViewController(PLPageViewController*,
                                                                          ViewController* page) {
    const int index = indexOf(page);
    if (m_transitionInProgress || index <= 0)
        return nullptr;
    return m_viewControllers[index - 1];
}

ViewController* PLSwipeViewController::viewControllerAfterViewController(PLPageViewController*,
                                                                         ViewController* page) {
    const int index = indexOf(page);
    if (m_transitionInProgress || index < 0 || index + 1 >= m_viewControllers.size())
        return nullptr;
    return m_viewControllers[index + 1];
}

void PLSwipeViewController::willTransitionToViewController(PLPageViewController*, ViewController*) {
    m_transitionInProgress = true;
}

void PLSwipeViewController::didFinishAnimating(PLPageViewController* pager, bool finished, ViewController*,
                                               bool completed) {
    if (!finished && !completed)
        return;
    m_transitionInProgress = false;
    setSelectedIndex(indexOf(pager->viewController()));
}

} // namespace pelnix
