#pragma once

#include "platform/ui/Label.h"
#include "platform/ui/StaticTableDataSource.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/TableViewDataSource.h"
#include "platform/ui/TableViewDelegate.h"
#include "ui/account/PLBaseTableTableViewController.h"
#include "ui/rooms/PLGroupInfoAlertsFactory.h"
#include "ui/toolkit/PLRoundImageView.h"

#include <QLoggingCategory>
#include <QPointer>
#include <QVariantMap>
#include <array>
#include <functional>
#include <memory>

namespace pelnix {

Q_DECLARE_LOGGING_CATEGORY(lcMemberDetail)

class ChatRoom;
class User;

// One person of a room ("Home"/"PLGroupMemeberDetailTableViewController"): picture, name, e-mail
// address and verified phone number in six fixed rows, with the actions that fit: e-mail, call, a
// new one-to-one conversation, an SMS invitation for someone invited by phone who has not joined,
// and, standing in for a one-to-one room's information, clearing the conversation or deleting it and
// leaving. The rows stay hidden until the server's details (or the invitee of a one-member room)
// arrive. Callers hand it "userID" (none for the invitee), "roomId", "isOneToOneChat",
// "shouldShowGroupInfoOptions" and "memberDetailViewControllerCompletionHandler" (a
// std::function<void(bool)> told true after a clear) as properties before it loads. The room and the
// user are held by their IDs.
class PLGroupMemeberDetailTableViewController : public PLBaseTableTableViewController,
                                                public platform::ui::TableViewDataSource,
                                                public platform::ui::TableViewDelegate {
    Q_OBJECT
    Q_PROPERTY(qint32 userID READ userID WRITE setUserID)
    Q_PROPERTY(QString roomId READ roomID WRITE setRoomID)
    Q_PROPERTY(bool isOneToOneChat READ isOneToOneChat WRITE setIsOneToOneChat)
    Q_PROPERTY(
        bool shouldShowGroupInfoOptions READ shouldShowGroupInfoOptions WRITE setShouldShowGroupInfoOptions)
    Q_PROPERTY(QVariant memberDetailViewControllerCompletionHandler READ completionHandlerVariant WRITE
                   setCompletionHandlerVariant)
public:
    static inline const QString kIdentifier = QStringLiteral("PLGroupMemeberDetailTableViewController");
    enum Row {
        CoverRow = 0,
        EmailRow,
        PhoneRow,
        StartConversationRow,
        ClearConversationRow,
        DeleteConversationRow
    };
    enum AlertTag : int {
        ClearAlertTag = 150,
        DeleteAlertTag = 151,
        InviteAlertTag = 152,
        StartAlertTag = 153
    };
    static constexpr int kRowCount = 6;
    static constexpr qreal kCoverHeight = 200;
    static constexpr qreal kRowHeight = 53;
    static constexpr qreal kTallEmailExtra = 15;
    static constexpr qreal kPictureSide = 100;
    static inline const QString kNotAvailable = QStringLiteral("NA");
    using CompletionHandler = std::function<void(bool cleared)>;

    explicit PLGroupMemeberDetailTableViewController(QObject* parent = nullptr);
    ~PLGroupMemeberDetailTableViewController() override;

    void configureWithUser(const std::shared_ptr<User>& user, const QString& roomID, bool isOneToOneChat,
                           bool shouldShowGroupInfoOptions, const std::shared_ptr<ChatRoom>& chatRoom);
    qint32 userID() const { return m_userID; }
    void setUserID(qint32 userID) { m_userID = userID; }
    QString roomID() const { return m_roomID; }
    void setRoomID(const QString& roomID) { m_roomID = roomID; }
    std::shared_ptr<ChatRoom> chatRoom() const;
    bool isOneToOneChat() const { return m_isOneToOneChat; }
    void setIsOneToOneChat(bool value) { m_isOneToOneChat = value; }
    bool shouldShowGroupInfoOptions() const { return m_shouldShowGroupInfoOptions; }
    void setShouldShowGroupInfoOptions(bool value) { m_shouldShowGroupInfoOptions = value; }
    void setMemberDetailViewControllerCompletionHandler(CompletionHandler handler) {
        m_completionHandler = std::move(handler);
    }

    void startFetchingMemberDetails();
    void showMemberDetailsForDictionary(const QVariantMap& details);
    void configurePendingMemberDetails();
    void hideTabelView(bool hide);
    void emailButtonClicked();
    void phoneButtonClicked();
    void inviteContact(const QString& number);
    void startConversationOptionClicked();
    void startConversation();
    void clearConversationOptionClicked();
    void deleteConversationOptionClicked();
    // Removes the room's media folder; says so when it cannot.
    void deleteLocalChatDirectory();
    void profileImageTapped(const QPointF& pointInView);
    // A tap on a row, as the table delivers it.
    void selectRow(int row);

    // What the screen shows now.
    bool isRowHidden(int row) const { return m_hidden.at(row); }
    bool shouldShowInviteOption() const { return m_shouldShowInviteOption; }
    QString emailOrPhone() const { return m_emailOrPhone; }
    QString thumbnailURL() const { return m_thumbnailURL; }
    QString bigImageURL() const { return m_bigImageURL; }
    platform::ui::Label* memberNameLabel() const { return m_memberNameLabel; }
    platform::ui::Label* emaillabel() const { return m_emaillabel; }
    platform::ui::Label* phoneNumberLabel() const { return m_phoneNumberLabel; }
    platform::ui::ImageView* emailIcon() const { return m_emailIcon; }
    PLRoundImageView* memberImageview() const { return m_memberImageview; }
    platform::ui::TableViewCell* cellAt(int row) const { return m_cells.at(row); }

    // Table.
    int numberOfRowsInSection(platform::ui::TableView* table, int section) override;
    platform::ui::TableViewCell* cellForRowAtIndexPath(platform::ui::TableView* table,
                                                       const platform::ui::IndexPath& path) override;
    qreal heightForRowAtIndexPath(platform::ui::TableView* table,
                                  const platform::ui::IndexPath& path) override;
    void didSelectRowAtIndexPath(platform::ui::TableView* table,
                                 const platform::ui::IndexPath& path) override;

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;

private:
    QVariant completionHandlerVariant() const { return QVariant::fromValue(m_completionHandler); }
    void setCompletionHandlerVariant(const QVariant& handler) {
        m_completionHandler = handler.value<CompletionHandler>();
    }
    void buildCells();
    void showRows();
    void showFailure(const QString& message, const QString& title = QString());
    // Shows a room this screen created where the user is: from the rooms list when one lies below
    // (on this stack or one this stack was presented over), else over the first screen of the stack
    // the user started from. Whatever was pushed or presented in between goes.
    void openNewRoom(const std::shared_ptr<ChatRoom>& room);
    void confirm(qint64 kind, int tag, void (PLGroupMemeberDetailTableViewController::*answer)());
    void answerClear();
    void answerDelete();
    void leaveFinished(bool success, const QString& message);
    void reloadTable();

    qint32 m_userID = 0;
    QString m_roomID;
    bool m_isOneToOneChat = false;
    bool m_shouldShowGroupInfoOptions = false;
    bool m_shouldShowInviteOption = false;
    QString m_emailOrPhone;
    QString m_thumbnailURL;
    QString m_bigImageURL;
    CompletionHandler m_completionHandler;
    std::unique_ptr<PLGroupInfoAlertsFactory> m_groupInfoAlertFactory;
    // Owns the six cells.
    platform::ui::StaticTableDataSource m_cellStore;
    std::array<QPointer<platform::ui::TableViewCell>, kRowCount> m_cells;
    std::array<bool, kRowCount> m_hidden{true, true, true, true, true, true};
    QPointer<PLRoundImageView> m_memberImageview;
    QPointer<platform::ui::Label> m_memberNameLabel;
    QPointer<platform::ui::Label> m_emaillabel;
    QPointer<platform::ui::Label> m_phoneNumberLabel;
    QPointer<platform::ui::Label> m_startConversationLabel;
    QPointer<platform::ui::ImageView> m_emailIcon;
};

} // namespace pelnix
