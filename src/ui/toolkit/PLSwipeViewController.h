#pragma once

#include "platform/ui/CollectionStrip.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/WeakDelegate.h"
#include "ui/toolkit/PLPageViewController.h"
#include "ui/toolkit/PLSwipeViewDelegate.h"

#include <QList>
#include <QPointer>

class QKeyEvent;

namespace pelnix {

class PLChatletCategoryCollectionViewCell;

// Pages swiped sideways under a strip of title tabs, with an indicator under the selected title. The
// pages are fixed at creation and owned by the container; the first one shows first. Tab stops on each
// title tab in their order, and Space, Return or the keypad's Enter selects the one with the keys.
class PLSwipeViewController : public platform::ui::ViewController,
                              public platform::ui::CollectionStripDataSource,
                              public PLPageViewControllerDataSource,
                              public PLPageViewControllerDelegate {
    Q_OBJECT
public:
    static constexpr int kTitleHeight = 45;
    static constexpr int kTitleInset = 15;
    static constexpr int kIndicatorHeight = 2;
    // The indicator is this much wider than its title's text.
    static constexpr qreal kIndicatorExtraWidth = 5;

    explicit PLSwipeViewController(const QList<platform::ui::ViewController*>& viewControllers,
                                   QObject* parent = nullptr);
    ~PLSwipeViewController() override;

    int selectedIndex() const { return m_selectedIndex; }
    void setSelectedIndex(int index);
    platform::ui::ViewController* selectedViewController() const { return m_selectedViewController; }
    // The page that shows names it.
    QWidget* preferredFocusWidget() override;
    QList<platform::ui::ViewController*> viewControllers() const;
    int swipeViewType() const { return m_swipeViewType; }
    void setSwipeViewType(int type) { m_swipeViewType = type; }
    PLSwipeViewDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(PLSwipeViewDelegate* delegate) { m_delegate.set(delegate); }
    bool isTransitionInProgress() const { return m_transitionInProgress; }

    platform::ui::CollectionStrip* titleCollectionView() const { return m_titleCollectionView; }
    QWidget* containerView() const { return m_containerView; }
    QWidget* selectionIndicatorView() const { return m_selectionIndicatorView; }
    QWidget* titleSeperatorView() const { return m_titleSeperatorView; }
    PLPageViewController* pageViewController() const { return m_pageViewController; }
    PLChatletCategoryCollectionViewCell* titleCell(int index) const;

    // Reloads the tabs (after a page's title changed) and selects the current one again.
    void refreshCollectionView();

    // CollectionStripDataSource
    int numberOfItemsInStrip(platform::ui::CollectionStrip* strip) override;
    platform::ui::ReusableView* viewForItem(platform::ui::CollectionStrip* strip, int index) override;
    qreal widthForItem(platform::ui::CollectionStrip* strip, int index) override;
    void didSelectItem(platform::ui::CollectionStrip* strip, int index) override;

    // PLPageViewControllerDataSource and delegate
    platform::ui::ViewController*
    viewControllerBeforeViewController(PLPageViewController* pager,
                                       platform::ui::ViewController* page) override;
    platform::ui::ViewController*
    viewControllerAfterViewController(PLPageViewController* pager,
                                      platform::ui::ViewController* page) override;
    void willTransitionToViewController(PLPageViewController* pager,
                                        platform::ui::ViewController* pending) override;
    void didFinishAnimating(PLPageViewController* pager, bool finished,
                            platform::ui::ViewController* previous, bool completed) override;

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    void viewDidAppear(bool animated) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void configurePageViewController();
    void setSelectedViewController(platform::ui::ViewController* page);
    void selectTab(int index, bool animated);
    void configureSelectionIndicator();
    void viewDidLayoutSubviews();
    int indexOf(platform::ui::ViewController* page) const;
    // The title tab `object` is, or -1.
    int indexOfTab(const QObject* object) const;
    bool pressTab(QObject* watched, const QKeyEvent* key);
    // Tab's order through the tabs is theirs, whichever way the strip's pool handed them out.
    void orderTitleTabs();
    // Reloads the strip, the keys kept on the tab where they were.
    void reloadTitles();

    QList<QPointer<platform::ui::ViewController>> m_viewControllers;
    int m_selectedIndex = 0;
    QPointer<platform::ui::ViewController> m_selectedViewController;
    int m_swipeViewType = 0;
    platform::ui::WeakDelegate<PLSwipeViewDelegate> m_delegate;
    bool m_transitionInProgress = false;
    QList<QMetaObject::Connection> m_titleWatches;
    // The title tab shown for each page, in the pages' order, as the strip last handed them out.
    QList<QPointer<PLChatletCategoryCollectionViewCell>> m_tabs;

    QPointer<platform::ui::CollectionStrip> m_titleCollectionView;
    QPointer<QWidget> m_containerView;
    QPointer<QWidget> m_selectionIndicatorView;
    QPointer<QWidget> m_titleSeperatorView;
    QPointer<PLPageViewController> m_pageViewController;
};

} // namespace pelnix
