#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/TableViewDataSource.h"
#include "platform/ui/TableViewDelegate.h"
#include "ui/account/PLBaseViewController.h"
#include "ui/conversation/ConversationScreenInputs.h"
#include "ui/rooms/PLGroupInfoAlertsFactory.h"
#include "ui/rooms/PLGroupInfoTableViewCellDelegate.h"

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/TableView.h"
#include <QImage>

#include <QPointer>
#include <QVariantMap>
#include <optional>

namespace pelnix {

class ChatRoom;
class RoomMember;

// The information screen of one room ("Home"/"PLGroupInfoViewController", reached by the chat window's
// segue "GroupInfoSegue"): a cover with the room's picture, name and member count over rows that
// depend on the user's role and the room's status. The admin also edits the group here: the name and
// picture in edit mode (Cancel/Done), the two switches at once. The room comes as its "roomId"
// property and is read from the store whenever it is shown, so the screen never holds a stale copy.
//
// A room's media folder is removed only once the server has accepted the leave or close: a refusal
// keeps the user's local media.
class PLGroupInfoViewController : public PLBaseViewController,
                                  public platform::ui::TableViewDataSource,
                                  public platform::ui::TableViewDelegate,
                                  public PLGroupInfoTableViewCellDelegate {
    Q_OBJECT
    Q_PROPERTY(QString roomId READ roomId WRITE setRoomId)
    Q_PROPERTY(pelnix::PLConversationClearedHandler groupInfoViewControllerCompletionHandler READ
                   groupInfoViewControllerCompletionHandler WRITE setGroupInfoViewControllerCompletionHandler)
public:
    // Row types.
    enum RowType : qint64 {
        AdminRow = 1,
        MembersRow = 2,
        ClearRow = 3,
        LeaveRow = 4,
        AdminOnlyRow = 5,
        HideMemberRow = 6
    };
    // Alert tags.
    enum AlertTag : int { ClearTag = 150, LeaveTag = 151, RemovePictureTag = 152 };

    static constexpr qreal kCoverHeight = 232;
    static constexpr qreal kAdminRowHeight = 75;
    static constexpr qreal kRowHeight = 53;
    static constexpr int kBottomViewHeight = 50;
    static constexpr int kPictureThumbnailSide = 250;
    static constexpr int kPictureBigSide = 640;
    static constexpr int kBarSlideMs = 500;
    static inline const QString kStoryboard = QStringLiteral("Home");
    static inline const QString kIdentifier = QStringLiteral("PLGroupInfoViewController");
    static inline const QString kUseDefaultImage = QStringLiteral("USE_DEFAULT_IMAGE");

    explicit PLGroupInfoViewController(QObject* parent = nullptr);
    ~PLGroupInfoViewController() override;

    QString roomId() const { return m_roomId; }
    void setRoomId(const QString& roomId);
    // The room, as the store holds it now; null when it is gone.
    std::shared_ptr<ChatRoom> chatRoom() const;
    PLConversationClearedHandler groupInfoViewControllerCompletionHandler() const {
        return m_completionHandler;
    }
    void setGroupInfoViewControllerCompletionHandler(PLConversationClearedHandler handler) {
        m_completionHandler = std::move(handler);
    }

    // What the screen shows now.
    QList<qint64> groupInfoArray() const { return m_groupInfoArray; }
    bool isGroup() const { return m_isGroup; }
    bool isAdmin() const { return m_isAdmin; }
    bool isEditing() const { return m_isEditing; }
    std::optional<QString> changedGroupName() const { return m_changedGroupName; }
    QImage chosenImage() const { return m_chosenImage; }
    QImage updatedDisplayImage() const { return m_updatedDisplayImage; }
    bool shouldRemoveGroupImage() const { return m_shouldRemoveGroupImage; }
    qint64 adminOnlyState() const { return m_adminOnlyState; }
    qint64 memberProfileState() const { return m_memberProfileState; }
    bool chatRoomUpdatedPending() const { return m_chatRoomUpdated; }
    platform::ui::TableView* groupInfoTableView() const { return m_tableView; }
    QWidget* bottomView() const { return m_bottomView; }
    platform::ui::Button* editMembersButton() const { return m_editMembersButton; }
    platform::ui::BarButtonItem* doneBarButtonItem();
    // The title and icon of a row type.
    static QVariantMap infoForType(qint64 type);
    // The member line of the cover: "1 Member", "5 Members", or "" when the room is not active.
    static QString membersText(qint64 totalMembers, qint64 status);
    // The identifier itself, or followed by "RToL" in a right-to-left locale.
    static QString cellIdentifierBasedOnAlignmentForIdentifier(const QString& identifier);

    // Steps other screens and tests reach.
    void resetContents();
    void reloadProfileCell();
    void configureNavigationBarBasedOnAdmin();
    std::shared_ptr<RoomMember> currentRoomAdmin() const;
    bool deleteLocalChatDirectory();
    // A room notification: refreshed now when on top, else on the next appearance.
    void chatRoomUpdated(const QVariantMap& userInfo);

    // Edit mode (group editing).
    void editGroup();
    void editCanceled();
    void groupInfoEditingEnded();
    void editMembers();
    // The keyboard: the table's bottom inset makes room for it while it is up.
    void registerKeyToNotifications();
    void unRegisterKeyToNotifications();
    void keyboardWillShow(const QVariantMap& userInfo);
    void keyboardWillHide();

    // Table.
    int numberOfRowsInSection(platform::ui::TableView* table, int section) override;
    platform::ui::TableViewCell* cellForRowAtIndexPath(platform::ui::TableView* table,
                                                       const platform::ui::IndexPath& path) override;
    qreal heightForRowAtIndexPath(platform::ui::TableView* table,
                                  const platform::ui::IndexPath& path) override;
    void didSelectRowAtIndexPath(platform::ui::TableView* table,
                                 const platform::ui::IndexPath& path) override;

    // Cell delegate.
    void groupInforCellDidBeginEditingTextField(PLGroupInfoTableViewCell* cell,
                                                platform::ui::TextField* field) override;
    void groupInforCellDidEndEditingTextField(PLGroupInfoTableViewCell* cell,
                                              platform::ui::TextField* field) override;
    void groupInforCellChangeGroupIconButtonPressed(PLGroupInfoTableViewCell* cell, QObject* sender) override;
    void groupInforCellChangedAdminOnlyState(PLGroupInfoTableViewCell* cell, bool on) override;
    void groupInforCellChangedHideProfileMemberState(PLGroupInfoTableViewCell* cell, bool on) override;
    void groupInforCellChangeAdminButtonClicked(PLGroupInfoTableViewCell* cell) override;
    void groupInforCellEditButtonClicked(PLGroupInfoTableViewCell* cell) override;
    void groupInforCellAdminWantsToChangeAdminOnlyStateTo(PLGroupInfoTableViewCell* cell,
                                                          qint64 state) override;
    void groupInforCellAdminWantsToChangeHideMemeberProfileStateTo(PLGroupInfoTableViewCell* cell,
                                                                   qint64 state) override;
    void resetAdminOnlyState() override { m_adminOnlyState = 0; }
    void resetMemberProfileState() override { m_memberProfileState = 0; }

    // The confirmations of clearing (150) and leaving or closing (151) answered with `buttonIndex`.
    void alertViewClickedButtonAtIndex(platform::ui::AlertView* alert, int buttonIndex);

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void prepareForSegue(platform::ui::StoryboardSegue& segue, QObject* sender) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void reloadTable();
    void refreshMembers();
    void showConfirmation(qint64 type, int tag);
    void clearConversation();
    void leaveOrCloseGroup();
    void leaveFinished(bool success, bool closing, const QString& message);
    void showProfileImage(QObject* sender);
    void openMembers();
    void openAdminChange();
    void showAlert(const QString& title, const QString& message);
    QVariantMap eventProperties(const std::shared_ptr<ChatRoom>& room) const;
    void layoutBottomView(bool shown, bool animated = false);
    // Editing.
    void enterEditMode();
    void saveEdits();
    void uploadPictureAndUpdate();
    void updateNameOrRemovePicture();
    void pickPicture();
    void picturePicked(const std::optional<QVariantMap>& selection);
    void confirmPictureRemoval();
    void changeSwitch(qint64 row, bool on);
    void simpleAnimateView(QWidget* view);
    void reloadCoverRow();

    QString m_roomId;
    PLConversationClearedHandler m_completionHandler;
    QPointer<platform::ui::TableView> m_tableView;
    QPointer<QWidget> m_bottomView;
    QPointer<platform::ui::Button> m_editMembersButton;
    QPointer<platform::ui::BarButtonItem> m_doneBarButtonItem;
    QList<qint64> m_groupInfoArray;
    PLGroupInfoAlertsFactory m_groupInfoAlertFactory;
    bool m_hasAlertFactory = false;
    bool m_isGroup = false;
    bool m_isAdmin = false;
    bool m_isEditing = false;
    std::optional<QString> m_changedGroupName;
    QImage m_chosenImage;
    std::optional<QVariantMap> m_imageInfo;
    QImage m_updatedDisplayImage;
    bool m_shouldRemoveGroupImage = false;
    qint64 m_adminOnlyState = 0;
    qint64 m_memberProfileState = 0;
    bool m_needToReloadProfileCell = false;
    bool m_chatRoomUpdated = false;
    QList<quint64> m_keyboardObservers;
};

} // namespace pelnix
