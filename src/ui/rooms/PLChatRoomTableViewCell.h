#pragma once

#include "core/model/MessageSummary.h"
#include "platform/ui/AttributedString.h"
#include "platform/ui/CollectionStrip.h"
#include "platform/ui/CollectionStripDataSource.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/WeakDelegate.h"
#include "ui/rooms/PLChatRoomTableViewCellDatasource.h"
#include "ui/rooms/PLChatRoomTableViewCellDelegate.h"
#include "ui/rooms/PLOptionsCollectionViewCellDelegate.h"
#include "ui/toolkit/PLRoundImageView.h"

#include <QPointer>
#include <QUrl>
#include <memory>
#include <optional>

namespace pelnix {

class ChatRoom;
class Message;

// A row of the rooms list: the room's picture, name, last message with its sender, the time of the
// last activity, the unread count and the admin mark. The row's content sits on a container that a
// leftward swipe (rightward right to left) slides aside on a spring, revealing a strip of option
// buttons that the list supplies (data source) and handles (delegate); a tap or the opposite swipe
// closes it. The list hears every opening and closing once its slide has ended.
class PLChatRoomTableViewCell : public platform::ui::TableViewCell,
                                public platform::ui::CollectionStripDataSource,
                                public PLOptionsCollectionViewCellDelegate {
    Q_OBJECT
public:
    static constexpr char kReuseIdentifier[] = "PLChatRoomTableViewCell";
    static constexpr int kToggleDurationMs = 400;
    static constexpr qint64 kPictureLoadDelayMs = 100;
    static constexpr int kOptionWidth = 50;
    static constexpr int kMaximumStripWidth = 220;

    explicit PLChatRoomTableViewCell(QWidget* parent = nullptr);
    ~PLChatRoomTableViewCell() override;

    // The row height of every room row.
    static qreal cellHeight();

    std::shared_ptr<ChatRoom> chatRoom() const { return m_chatRoom; }
    // Fills the row from the room.
    void setChatRoom(const std::shared_ptr<ChatRoom>& room);
    PLChatRoomTableViewCellDatasource* dataSource() const { return m_dataSource.get(); }
    void setDataSource(PLChatRoomTableViewCellDatasource* dataSource) { m_dataSource.set(dataSource); }
    PLChatRoomTableViewCellDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(PLChatRoomTableViewCellDelegate* delegate) { m_delegate.set(delegate); }

    // 0 closed, 1 swiped open.
    qint64 currentState() const { return m_currentState; }
    // The option type of each strip item, by item index.
    QList<qint64> chatRoomOptions() const { return m_chatRoomOptions; }

    // The last-message line: "Me: ", the sender's name or the e-mail's part before "@" as a prefix of
    // text and smart messages; system messages without a prefix; empty (null text) for no message.
    static platform::ui::AttributedString recentTextFromMessage(const std::shared_ptr<Message>& message);
    // The same line of what a row shows of a message, its sender as `context` holds it, `myID` the
    // signed-in user's.
    static platform::ui::AttributedString recentText(const std::optional<MessageSummary>& message,
                                                     platform::ObjectContext* context, qint32 myID);
    void refreshImage(const QUrl& url);

    void toggleCellState();
    void toggleCellStateWithAnimationDuration(int durationMs);
    void configureViewForCellState(qint64 state);
    void reloadSwipeOptions();
    qint64 numberOfOptions();
    // 50 per option plus 20, at most 220; a count of 0 leaves the width as it is.
    void configureCollectionViewWidthForNumberOfOptions(qint64 count);
    static QSizeF collectionViewPadding() { return {10, 44}; }
    qreal collectionViewWidth() const { return m_stripWidth; }
    // How far the content is slid aside now.
    qreal containerShift() const { return m_shift; }

    int numberOfItemsInStrip(platform::ui::CollectionStrip* strip) override;
    platform::ui::ReusableView* viewForItem(platform::ui::CollectionStrip* strip, int index) override;
    void optionsCollectionViewCellDidTapOnOption(PLOptionsCollectionViewCell* cell) override;

    void prepareForReuse() override;
    // The separator under the row: from `inset` points in, in the list's colour.
    void setSeparatorLine(int inset, const QColor& colour);

    PLRoundImageView* chatRoomImageView() const { return m_picture; }
    platform::ui::Label* roomNameLabel() const { return m_roomName; }
    platform::ui::Label* lastMessageLabel() const { return m_lastMessage; }
    platform::ui::Label* updateTimeLabel() const { return m_updateTime; }
    QWidget* customAccessoryView() const { return m_accessory; }
    platform::ui::Label* unreadMessageCountLabel() const { return m_unreadCount; }
    QWidget* slideableContainerView() const { return m_container; }
    QWidget* optionsArea() const { return m_optionsArea; }
    platform::ui::CollectionStrip* optionsCollectionView() const { return m_strip; }
    QWidget* adminIndicatorView() const { return m_adminView; }
    platform::ui::Label* adminIndicatorLabel() const { return m_adminLabel; }
    // The recognisers on the container now, in the order they see events last to first.
    QList<platform::ui::GestureRecognizer*> containerRecognizers() const;
    // The full last-message line before it is shortened to the label's width.
    platform::ui::AttributedString lastMessageText() const { return m_lastMessageText; }
    QString roomNameText() const { return m_roomNameText; }

protected:
    void layoutSubviews() override;
    void paintEvent(QPaintEvent* event) override;

private:
    void awakeFromNib();
    void handleGestureRecognizer(platform::ui::GestureRecognizer* recognizer);
    void applyRecognizers(qint64 state);
    void setContainerShift(qreal shift);
    void reportState(qint64 state);
    // For a one-to-one room the other member's picture, for a group its own.
    QUrl pictureURL(const QString& myEmail) const;
    static platform::ui::AttributedString recentTextFromMessage(const std::shared_ptr<Message>& message,
                                                                qint32 myID);
    void fitLastMessage();

    std::shared_ptr<ChatRoom> m_chatRoom;
    platform::ui::WeakDelegate<PLChatRoomTableViewCellDatasource> m_dataSource;
    platform::ui::WeakDelegate<PLChatRoomTableViewCellDelegate> m_delegate;
    qint64 m_currentState = 0;
    QList<qint64> m_chatRoomOptions;

    QPointer<QWidget> m_container;
    QPointer<QWidget> m_optionsArea;
    QPointer<platform::ui::CollectionStrip> m_strip;
    QPointer<PLRoundImageView> m_picture;
    QPointer<platform::ui::Label> m_roomName;
    QPointer<platform::ui::Label> m_lastMessage;
    QPointer<platform::ui::Label> m_updateTime;
    QPointer<QWidget> m_accessory;
    QPointer<platform::ui::Label> m_unreadCount;
    QPointer<QWidget> m_adminView;
    QPointer<platform::ui::Label> m_adminLabel;

    QPointer<platform::ui::GestureRecognizer> m_tap;
    QPointer<platform::ui::GestureRecognizer> m_longPress;
    QPointer<platform::ui::GestureRecognizer> m_swipeLeft;
    QPointer<platform::ui::GestureRecognizer> m_swipeRight;
    // A recogniser's own handler must not swap the recognisers it is dispatched among: the swap
    // waits for the next turn of the event loop then.
    bool m_inGestureHandler = false;
    qint64 m_recognizerState = -1;

    qreal m_stripWidth = 0;
    qreal m_shift = 0;
    quint64 m_slide = 0;
    // The slide still running and the state it reports when it ends (or is overtaken).
    quint64 m_runningSlide = 0;
    qint64 m_runningState = 0;
    platform::ui::AttributedString m_lastMessageText;
    QString m_roomNameText;
    int m_separatorInset = 15;
    QColor m_separatorColour;
};

} // namespace pelnix
