#pragma once

#include "core/model/ChatRoom.h"
#include "core/model/Message.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/CollectionViewDataSource.h"
#include "platform/ui/CollectionViewDelegate.h"
#include "platform/ui/TapGestureRecognizer.h"
#include "ui/account/PLBaseViewController.h"
#include "ui/conversation/PLActiveRoomOwnership.h"
#include "ui/conversation/PLBulkUserJoinedMessageCellDelegate.h"
#include "ui/conversation/PLChatMessageCellProfileTapDelegate.h"
#include "ui/conversation/PLChatWindowRowList.h"
#include "ui/conversation/PLChatWindowScrollToBottomOrTopViewDelegate.h"
#include "ui/conversation/PLLoadMoreMessagesViewDelegate.h"
#include "ui/conversation/PLNewUpdatesNotificationButtonDelegate.h"
#include "ui/conversation/PLPerformQueue.h"
#include "ui/conversation/PLPostChatletDelegate.h"
#include "ui/conversation/PLPostToChatViewDelegate.h"
#include "ui/conversation/PLShareContactDelegate.h"
#include "ui/conversation/PLTextmessageDelegate.h"

#include <QElapsedTimer>
#include <QHash>
#include <QLabel>
#include <QPointF>
#include <QPointer>
#include <functional>
#include <memory>

namespace pelnix {

class PLChatWindowCollectionView;
class PLChatWindowScrollToBottomOrTopView;
class PLChatWindowRowListEdit;
class PLMarkMessageAsReadHelper;
class PLNewUpdatesNotificationButton;
class PLPostToChatView;
class PLLinkDisplayHelper;
class PLSmartMessageCell;

namespace platform::ui {
class AlertView;
} // namespace platform::ui

// The conversation of one room: the message list over the input bar.
//
// The list shows the rows of a PLChatWindowRowList: the newest page of the room when it opens (never
// the whole room), with date rows and the new-updates separator, older pages above it on request, and
// what the model announces while the room is open. Rows seen for a while above the input bar turn
// read. The implementation is split by concern:
//   PLChatWindowViewController.cpp           set-up, life cycle, the row list and its refreshes
//   PLChatWindowViewControllerCells.cpp      cell choice, sizes, grouping, link taps
//   PLChatWindowViewControllerPaging.cpp     older pages with the position kept
//   PLChatWindowViewControllerReadMarking.cpp read marking, scrolling and the scroll control
//   PLChatWindowViewControllerUpdates.cpp    the model's notifications and the "New Updates" button
//   PLChatWindowViewControllerMessageUpdates.cpp where an updated message goes (the update kinds)
//   PLChatWindowViewControllerFailedPosts.cpp the failed-post choice: resend or discard
//   PLChatWindowViewControllerInputBar.cpp   the input bar, the keyboard, sending, the entry points
//   PLChatWindowViewControllerRoomState.cpp  the banners over the bar when the user may not post
//   PLChatWindowViewControllerNavigation.cpp title, bar buttons, group information, member detail,
//                                            profile, the cleared-conversation label
//   PLChatWindowViewControllerChatlets.cpp   smart-message pages, composed chatlets, the search
//
// A container sets the room (setChatRoom(), or the "roomId" property when it knows only the ID) before
// the view loads. Main thread only.
class PLChatWindowViewController : public PLBaseViewController,
                                   public platform::ui::CollectionViewDataSource,
                                   public platform::ui::CollectionViewDelegate,
                                   public PLPostToChatViewDelegate,
                                   public PLLoadMoreMessagesViewDelegate,
                                   public PLChatMessageCellProfileTapDelegate,
                                   public PLChatWindowScrollToBottomOrTopViewDelegate,
                                   public PLBulkUserJoinedMessageCellDelegate,
                                   public PLTextmessageDelegate,
                                   public PLNewUpdatesNotificationButtonDelegate,
                                   public PLPostChatletDelegate,
                                   public PLShareContactDelegate {
    Q_OBJECT
    Q_PROPERTY(QString roomId READ roomId WRITE setRoomId)
public:
    static inline const QString kStoryboard = QStringLiteral("Home");
    static inline const QString kIdentifier = QStringLiteral("ChatWindowViewController");

    // Delays of the read marking (after appearing or a refresh; after scrolling, an insertion or a
    // page) and of the steps that wait for the screen to settle.
    static constexpr qint64 kAppearingReadDelayMs = 2700;
    static constexpr qint64 kReadDelayMs = 1700;
    static constexpr qint64 kSettleDelayMs = 500;
    static constexpr int kPageDissolveMs = 300;
    static constexpr qint64 kFrameIntervalMs = 16;
    // A room with more messages than this from its first unread one opens at that message with this
    // many rows after it, and the rows after those come in pages as the user reads down.
    static constexpr int kUnreadWindowRows = 100;

    // States of the "New Updates" button.
    static constexpr unsigned kNotificationViewInitial = 0;
    static constexpr unsigned kNotificationViewShown = 1;
    static constexpr unsigned kNotificationViewHidden = ~0u;

    // Where an updated message stands, worked out in this order.
    enum UpdateKind {
        UpdateMine = 0,               // the change is the user's own
        UpdateAboveScreen = 1,        // its row is above the first row in view
        UpdateVisibleAwayFromEnd = 2, // in view, the list away from its end
        UpdateBelowScreen = 3,        // its row is below the rows in view
        UpdateVisibleNearEnd = 4,     // in view, the list near its end
        UpdateUnknownMessage = 5,     // no row: treated as added
    };

    // Bits of the room state: 1 always; 2 the user was removed (no bar); 4 only the admin posts
    // ("PLUserKickedMessageView" over the bar); 8 the room was deleted ("PLRoomClosedMessageView").
    static constexpr unsigned kStateNormal = 1;
    static constexpr unsigned kStateRemoved = 2;
    static constexpr unsigned kStateAdminOnly = 4;
    static constexpr unsigned kStateClosed = 8;
    static constexpr int kBannerMs = 300;
    static constexpr int kBarGrowthMs = 300;
    static constexpr int kMaximumBarHeight = 100;
    static constexpr int kFloatingLabelTag = 100;

    // What the link actions do with a classified link of a message: (link type, info, URL, message).
    using ProcessedLinkHandler = std::function<void(int linkType, const QVariantMap& info, const QString& url,
                                                    const Message::Ptr& message)>;

    explicit PLChatWindowViewController(QObject* parent = nullptr);
    ~PLChatWindowViewController() override;

    ChatRoom::Ptr chatRoom() const { return m_chatRoom; }
    void setChatRoom(const ChatRoom::Ptr& room) { m_chatRoom = room; }
    ChatRoom::Ptr currentChatRoom() const override { return m_chatRoom; }
    QString roomId() const;
    void setRoomId(const QString& roomId);

    PLChatWindowCollectionView* collectionView() const;
    PLPostToChatView* postToChatView() const;
    PLChatWindowScrollToBottomOrTopView* scrollToBottomOrTopView() const;
    PLNewUpdatesNotificationButton* unreadMessgesNotifiactionButton() const;
    PLMarkMessageAsReadHelper* markMessageAsReadHelper() const { return m_markMessageAsReadHelper.get(); }
    PLChatWindowRowList& rowList() { return m_rows; }
    bool hasMoreMessagesToLoad() const { return m_hasMoreMessagesToLoad; }
    // Newer messages than the last row exist (a window opened at the first unread message).
    bool hasNewerMessagesToLoad() const { return m_hasNewerMessagesToLoad; }
    qint64 loadMoreTime() const { return m_loadMoreTime; }
    bool needToRefeshView() const { return m_needToRefeshView; }
    void setNeedToRefeshView(bool refresh) { m_needToRefeshView = refresh; }
    bool needToReloadVisibleCellReadState() const { return m_needToReloadVisibleCellReadState; }
    void setNeedToReloadVisibleCellReadState(bool reload) { m_needToReloadVisibleCellReadState = reload; }
    bool shouldScrollToBottomOnWebviewLoad() const { return m_shouldScrollToBottomOnWebviewLoad; }
    unsigned unreadMessagesNotificationViewState() const { return m_notificationViewState; }
    QHash<QString, int>& bulkUserJoinedMessageStateDictionary() { return m_bulkUserJoinedMessageState; }
    // The link actions that follow a classified link (none: classified links are dropped).
    void setProcessedLinkHandler(ProcessedLinkHandler handler) {
        m_processedLinkHandler = std::move(handler);
    }

    // ---- Row list
    void handleMessageInsertAtTheEnd(const PLChatWindowCellContent& row);
    void hideCollectionViewCellsWithStaleMessages();
    bool shouldHideMessageAtIndexPath(const platform::ui::IndexPath& path) const;
    void resetUnreadStateAndReload();
    void refreshWithLatestMessages(const QList<Message::Ptr>& messages);
    // The rows a foreground refresh shows: the loaded range and everything newer, or, while newer
    // pages wait, the loaded range alone.
    QList<Message::Ptr> messagesForRefresh() const;
    void refreshViewIfRequired();
    void appDidBecomeActive();
    // Paints the list now when no frame was painted for a frame interval.
    void showFrameIfDue();
    // Keeps a list at its end there as `row` is appended: no row scrolls out of view unpainted.
    void followTheEnd(const PLChatWindowCellContent& row);
    void registerToChatWindowNotifications();
    void unregisterToChatWindowNotifications();

    // ---- Cells, sizes, grouping, links
    int numberOfItemsInSection(platform::ui::CollectionView* view, int section) override;
    platform::ui::CollectionViewCell* cellForItemAtIndexPath(platform::ui::CollectionView* view,
                                                             const platform::ui::IndexPath& path) override;
    platform::ui::ReusableView*
    viewForSupplementaryElementOfKind(platform::ui::CollectionView* view, const QString& kind,
                                      const platform::ui::IndexPath& path) override;
    QSizeF sizeForItemAtIndexPath(platform::ui::CollectionView* view,
                                  const platform::ui::IndexPath& path) override;
    QSizeF referenceSizeForHeaderInSection(platform::ui::CollectionView* view, int section) override;
    bool shouldSelectItemAtIndexPath(platform::ui::CollectionView* view,
                                     const platform::ui::IndexPath& path) override;
    void didEndDisplayingCell(platform::ui::CollectionView* view, platform::ui::CollectionViewCell* cell,
                              const platform::ui::IndexPath& path) override;
    QString reuseIdentifierForItemAtIndex(int index);
    bool isExtendedTextMessageAtIndexPath(const platform::ui::IndexPath& path);
    void resetTextMessagesState();
    void arrowIndicatorButtonTappedFrom(PLBulkUserJoinedMessageCell* cell) override;
    void cellDidTapOnLinkWithURL(PLChatMessageCell* cell, const QUrl& url) override;
    void processLinkURLString(const QString& urlString, const Message::Ptr& message);

    // ---- Smart messages (PLChatWindowViewControllerChatlets.cpp)
    // The page's load completion and link taps of a smart message cell.
    void configureSmartMessageCell(PLSmartMessageCell* cell);
    // A composed chatlet into the room: a new one or a reply, with or without media.
    void postChatletToChatWindow(const QString& message, const Message::Ptr& linkedMessage,
                                 const QList<PLMediaSelection>& pickerSelections) override;
    // The chatlet composer over the window.
    void showChatletComposer();
    // The conversation search, pushed; a link tapped in a result comes back to this window.
    void chatWindowSearchClicked();
    PLLinkDisplayHelper* linkDisplayHelper() const;

    // ---- Paging
    void loadMoreMessagesButtonClicked() override;
    // The page after the last row, appended; and that page when the end of the rows is near.
    void loadNewerMessages();
    void loadNewerMessagesIfNearTheEnd();
    // The newest page in place of the rows held, scrolled to its end: the bottom control's and the
    // user's own post's way past the pages still waiting below a window.
    void showNewestMessages();

    // ---- Read marking and scrolling
    double bottomVisibleCellThresholdTopValue() const;
    void markVisibleMessagesAsReadAfterDelay(qint64 delayMs);
    void scrollToMessageAtIndex(int index, bool animated);
    void scrollToUnreadMessage(bool animated);
    void scrollViewWillBeginDragging();
    void scrollViewDidScroll();
    void scrollViewDidEndDragging(bool willDecelerate);
    void scrollViewDidEndDecelerating();
    void addScrollToBottomOrTopView();
    void adjustScrollToTpoOrBottonViewPosition();
    // The column the rows keep clear at their trailing end, shown or not, for the scroll control: it
    // slides in and out over nothing of theirs, and they never move for it.
    static int scrollControlReserve();
    void showOrHideScrollToTopButtons();
    void scrollToTopOrBottomView(PLChatWindowScrollToBottomOrTopView* view, unsigned buttonType) override;

    // ---- Model notifications and the "New Updates" button
    void handleMessageAdd(const QString& messageId);
    void handleMessageUpdate(const QString& messageId);
    void postingMessageStateChanged(const QString& messageId);
    void handleRoomStateChange();
    void chatRoomUpdated(const QString& roomId);
    void retryOrDiscardPendingMessage(const QVariantMap& userInfo);
    void updateTextCellOnRetryOrDeleteForMessage(const Message::Ptr& message);
    // The kind of an update of the message whose row is `index` (kNotFound: none), with the rows in
    // view as read once before.
    UpdateKind updateKindForMessage(const Message::Ptr& message, int index,
                                    const QList<platform::ui::IndexPath>& visible) const;
    void setUpUnreadMessagesNotificationSystem();
    void setUnreadMessagesNotificationViewState(unsigned state);
    void updateUnreadMessagesNotificationView();
    // Counts the row as unread (the last row when none is named), then places the button.
    void handleUnreadMessagesNotification(int index = -1);
    void scrollToNewUpdate() override;

    // ---- Input bar, keyboard, sending, entry points
    // The bar at the bottom of `root` (the view being built).
    void addPostingMessageViewAtBottom(QWidget* root);
    double defaultPostToChatViewHeight() const { return m_defaultPostToChatViewHeight; }
    void postToChatViewFrameChanged();
    // Runs `change` to the list's frame or insets; a list at its end before it is at its end after.
    void keepingTheListAtItsEnd(const std::function<void()>& change);
    void textViewDidChange(QPlainTextEdit* textView) override;
    // The bar's height for a text: its measured height, at least the bar's own, at most 100.
    int postToChatViewHeightForText(const QString& text) const;
    void registerToKeyboardNotifications();
    void unregisterToKeyboardNotifications();
    void handleKeyboardShowWithUserInfo(const QVariantMap& userInfo);
    void handleKeyboardHideWithUserInfo(const QVariantMap& userInfo);
    void handleKeyboardActions(const QVariantMap& userInfo, bool showing);
    // How much of the view the keyboard of a show notification covers.
    int keyboardOverlap(const QVariantMap& userInfo);
    void removeDismissKeyboardTapRecognizer();
    void dismissKeyboard();
    bool isValidMessage(const QString& text) const;
    void showPostFailedErrorMessage(const QString& text);
    void postTextMessage(const QString& text) override;
    void uploadMediaButtonClickHandler() override;
    void postChatletButtonClickHandler() override;
    void selectedContact(const QVariantMap& contact, qint32 recordID) override;
    // The alert shown where a screen another part of the library provides is not in this build.
    platform::ui::AlertView* showNotAvailableAlert(const QString& what);

    // ---- Room-state banners
    unsigned chatWindowState() const { return m_chatWindowState; }
    void setChatWindowState(unsigned state);
    // The state bits the room calls for now.
    unsigned chatWindowStateForRoom() const;
    void updateViewForChatRoomStatusAnimated(bool animated);
    QWidget* userKickedMessageView() const { return m_userKickedMessageView; }

    // ---- Navigation
    void setNavigationTitle();
    void addBarButtonItems();
    void addLeftBarButtonItems();
    void dismissChatView();
    void showGroupInfo();
    void prepareForSegue(platform::ui::StoryboardSegue& segue, QObject* sender) override;
    void showRoomMemberDetailPage(const std::shared_ptr<User>& user, bool displayGroupInfoOptions,
                                  bool isOneToOneChat);
    void profileImageClickedForUser(const std::shared_ptr<User>& user) override;
    void showFloatingLabelOnSuccessfulClearConversation();
    platform::ui::BarButtonItem* groupInfoButton() const { return m_groupInfoButton; }
    platform::ui::BarButtonItem* searchButton() const { return m_searchButton; }
    // The room's text while the user may post in it; else none, and the view takes the keys.
    QWidget* preferredFocusWidget() override;

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidDisappear(bool animated) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layOutSubviews();
    // The bar's top for the current room state and keyboard.
    int postToChatViewTop();
    void placePostToChatView(int height, int animationMs);
    QLabel* configuredfloatingLabel();
    // The title's owner: the host's container around this window, else this window.
    platform::ui::ViewController* navigationOwner();
    // The screen of `storyboard` and `identifier`, or the "not available" alert naming `what`.
    platform::ui::ViewController* instantiateScreen(const QString& storyboard, const QString& identifier,
                                                    const QString& what);
    void conversationCleared(bool cleared);
    // Applies an edit of the rows as one batch update; `completion` follows it.
    void applyRowEdit(PLChatWindowRowListEdit& edit, std::function<void()> completion = {});
    // The date row before the last row, made anew for its day, and the last row reloaded.
    void refreshTheEnd();
    // After 0.5 s: the message's row counts as a new update, and what is in view is read.
    void noticeNewUpdate(const Message::Ptr& message, bool markVisible);
    // Puts the "New Updates" button where its state has it, as the view and the bar take their places.
    void placeNotificationButton();
    QPoint notificationButtonOrigin(const QPointF& centre) const;
    void handleMessageUpdateOfKind(const Message::Ptr& message, int index, UpdateKind kind);
    void loadFirstPage();
    // The first page as a window at the first unread message when the unread run is long; false
    // when it is not.
    bool loadFirstPageAtFirstUnread();
    void handleMessageMarkedAsReadNotification(const QString& messageId);
    void trackConversationVisit();
    // Keys a click on a page's link left in the list, back in the text once the page it opened is left.
    void takeKeysFromThePages();
    // The row's top in content coordinates.
    qreal rowTop(int index) const;
    bool isAtBottom() const;

    ChatRoom::Ptr m_chatRoom;
    PLChatWindowRowList m_rows;
    bool m_hasMoreMessagesToLoad = false;
    bool m_hasNewerMessagesToLoad = false;
    qint64 m_loadNewerTime = 0;
    qint64 m_loadMoreTime = 0;
    bool m_needToRefeshView = false;
    bool m_shouldScrollOnViewWillAppear = false;
    bool m_shouldScrollToBottomOnWebviewLoad = false;
    bool m_needToReloadVisibleCellReadState = false;
    double m_previousContentOffsetY = 0;
    // What each scroll step asks for half a second later.
    PLPerformQueue m_afterScroll{this};
    double m_defaultPostToChatViewHeight = 0;
    unsigned m_notificationViewState = kNotificationViewInitial;
    QPointF m_initialCenter;
    QHash<QString, int> m_bulkUserJoinedMessageState;
    ProcessedLinkHandler m_processedLinkHandler;
    QPointer<PLLinkDisplayHelper> m_linkDisplayHelper;

    QPointer<PLChatWindowCollectionView> m_collectionView;
    QPointer<PLPostToChatView> m_postToChatView;
    QPointer<PLChatWindowScrollToBottomOrTopView> m_scrollToBottomOrTopView;
    QPointer<PLNewUpdatesNotificationButton> m_notificationButton;
    std::unique_ptr<PLMarkMessageAsReadHelper> m_markMessageAsReadHelper;
    unsigned m_chatWindowState = 0;
    int m_stateAnimationMs = 0;
    QElapsedTimer m_lastFrame;
    // The first row appended since the last painted frame.
    PLChatWindowCellContent m_firstRowSinceFrame;
    QPointer<QWidget> m_userKickedMessageView;
    int m_keyboardOverlap = 0;
    QPointer<platform::ui::TapGestureRecognizer> m_dismissKeyboardTapRecognizer;
    QPointer<QObject> m_uploaderSheet;
    QPointer<platform::ui::BarButtonItem> m_groupInfoButton;
    QPointer<platform::ui::BarButtonItem> m_searchButton;
    QList<platform::NotificationCenter::Token> m_keyboardObservers;

    PLActiveRoomOwnership::Token m_activeRoomToken = 0;
    QList<platform::NotificationCenter::Token> m_chatWindowObservers;
    QList<platform::NotificationCenter::Token> m_appearanceObservers;
};

} // namespace pelnix
