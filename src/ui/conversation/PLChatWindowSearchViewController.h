#pragma once

#include "core/model/ChatRoom.h"
#include "core/model/Message.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/CollectionViewDataSource.h"
#include "platform/ui/CollectionViewDelegate.h"
#include "platform/ui/Label.h"
#include "ui/account/PLBaseViewController.h"
#include "ui/conversation/PLBulkUserJoinedMessageCellDelegate.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLChatWindowScrollToBottomOrTopView.h"
#include "ui/conversation/PLChatWindowScrollToBottomOrTopViewDelegate.h"
#include "ui/conversation/PLMarkMessageAsReadHelper.h"
#include "ui/toolkit/PLCustomSearchDelegate.h"
#include "ui/toolkit/PLCustomSearchView.h"

#include <QHash>
#include <QPointer>
#include <functional>
#include <memory>

namespace pelnix {

class PLSmartMessageCell;

// Searches one room's messages by their text (smart messages by their JSON) and by their sender, and
// shows the matches in the chat window's cells with a band that counts them. Matches seen on screen
// turn read as in the chat window. A link tapped in a result closes the search and goes back to the
// chat window through the completion, once.
class PLChatWindowSearchViewController : public PLBaseViewController,
                                         public platform::ui::CollectionViewDataSource,
                                         public platform::ui::CollectionViewDelegate,
                                         public PLCustomSearchDelegate,
                                         public PLChatWindowScrollToBottomOrTopViewDelegate,
                                         public PLBulkUserJoinedMessageCellDelegate {
    Q_OBJECT
public:
    static inline const QString kStoryboard = QStringLiteral("Home");
    static inline const QString kIdentifier = QStringLiteral("PLChatWindowSearchViewControllerID");
    static constexpr qint64 kResetDelayMs = 1000;
    static constexpr qint64 kCancelDelayMs = 500;
    static constexpr qint64 kReadDelayMs = 1700;
    static constexpr int kResultsBandHeight = 30;

    using Completion = std::function<void(const QString& url, const Message::Ptr& message)>;

    explicit PLChatWindowSearchViewController(QObject* parent = nullptr);
    ~PLChatWindowSearchViewController() override;

    ChatRoom::Ptr chatRoom() const { return m_chatRoom; }
    void setChatRoom(const ChatRoom::Ptr& room) { m_chatRoom = room; }
    void setCompletion(Completion completion) { m_completion = std::move(completion); }

    QList<Message::Ptr> originalMessages() const { return m_originalMessages; }
    QList<Message::Ptr> messages() const { return m_messages; }
    PLCustomSearchView* searchView() const { return m_searchView; }
    PLChatWindowCollectionView* searchCollectionView() const { return m_searchCollectionView; }
    QWidget* resultsHolderView() const { return m_resultsHolderView; }
    platform::ui::Label* searchResultsLabel() const { return m_searchResultsLabel; }
    PLChatWindowScrollToBottomOrTopView* scrollToBottomOrTopView() const { return m_scrollToBottomOrTopView; }
    PLMarkMessageAsReadHelper* markAsReadHelper() const { return m_markAsReadHelper.get(); }

    // Whether `message` matches the typed text: its text contains it, or its sender's name does ("Me"
    // stands for the user's own name).
    bool messageMatches(const Message::Ptr& message, const QString& typed) const;
    void search(const QString& typed);
    void updateSearchResultsDisplay();
    void markCellsAsRead();
    void resetIfNecessary();
    void removeSearchBarAndPopAnimated(bool animated);
    void configureSmartMessageCell(PLSmartMessageCell* cell);
    void showOrHideScrollToTopButtons();
    bool isExtendedTextMessageAtIndexPath(const platform::ui::IndexPath& path);

    // PLCustomSearchDelegate
    void searchTextFieldDidChange(PLCustomSearchTextField* textField) override;
    void searchViewCancelledSearch() override;
    // Collection
    int numberOfItemsInSection(platform::ui::CollectionView* view, int section) override;
    platform::ui::CollectionViewCell* cellForItemAtIndexPath(platform::ui::CollectionView* view,
                                                             const platform::ui::IndexPath& path) override;
    QSizeF sizeForItemAtIndexPath(platform::ui::CollectionView* view,
                                  const platform::ui::IndexPath& path) override;
    bool shouldSelectItemAtIndexPath(platform::ui::CollectionView* view,
                                     const platform::ui::IndexPath& path) override;
    void didEndDisplayingCell(platform::ui::CollectionView* view, platform::ui::CollectionViewCell* cell,
                              const platform::ui::IndexPath& path) override;
    void arrowIndicatorButtonTappedFrom(PLBulkUserJoinedMessageCell* cell) override;
    void scrollToTopOrBottomView(PLChatWindowScrollToBottomOrTopView* view, unsigned buttonType) override;

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layOutSubviews();
    void placeSideControl(int keyboardHeight);
    void handleKeyboard(const platform::Notification& note, bool showing);
    void linkTapped(const QString& url, const Message::Ptr& message);

    ChatRoom::Ptr m_chatRoom;
    Completion m_completion;
    QList<Message::Ptr> m_originalMessages;
    QList<Message::Ptr> m_messages;
    std::unique_ptr<PLMarkMessageAsReadHelper> m_markAsReadHelper;
    QPointer<PLCustomSearchView> m_searchView;
    QPointer<PLChatWindowCollectionView> m_searchCollectionView;
    QPointer<QWidget> m_resultsHolderView;
    QPointer<platform::ui::Label> m_searchResultsLabel;
    QPointer<PLChatWindowScrollToBottomOrTopView> m_scrollToBottomOrTopView;
    QHash<QString, int> m_bulkUserJoinedMessageStateDictionary;
    QList<platform::NotificationCenter::Token> m_keyboardObservers;
};

} // namespace pelnix
