#pragma once

#include "ui/account/PLBaseViewController.h"
#include "ui/rooms/NewGroupMembers.h"

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"

#include <QPointer>
#include <QVariantMap>
#include <optional>

namespace pelnix {

class PLNewGroupTableViewController;

// The new group screen ("PLNewGroupViewController", at the top of "PLNewGroupNavigationController"),
// presented by the contact picker with two or more chosen people: the form (name, icon, options), the
// members editor, then the group created on the server with its picture, and the new room handed to
// the picker's dismissPresentingViewControllerAndOpenChatRoom(QString). Done is never left disabled
// and the busy indicator never left up: every way the save can end gives the screen back.
class PLNewGroupViewController : public PLBaseViewController {
    Q_OBJECT
    Q_PROPERTY(QVariantList selectedContactsArray READ selectedContactsArray WRITE setSelectedContactsArray)
    Q_PROPERTY(QObject* delegate READ delegate WRITE setDelegate)
    Q_PROPERTY(QVariant newGroupViewCompletionHandler READ newGroupViewCompletionHandlerValue WRITE
                   setNewGroupViewCompletionHandlerValue)
public:
    static constexpr int kMinimumMembers = 2;
    static constexpr int kMembersButtonHeight = 50;
    static inline const QString kIdentifier = QStringLiteral("PLNewGroupViewController");
    static inline const QString kNavigationIdentifier = QStringLiteral("PLNewGroupNavigationController");

    explicit PLNewGroupViewController(QObject* parent = nullptr);
    ~PLNewGroupViewController() override;

    // The one member list of the flow, shared with the members editor.
    NewGroupMemberList members() const { return m_members; }
    QVariantList selectedContactsArray() const { return *m_members; }
    void setSelectedContactsArray(const QVariantList& contacts) { *m_members = contacts; }
    QObject* delegate() const { return m_delegate; }
    void setDelegate(QObject* delegate) { m_delegate = delegate; }
    void setNewGroupViewCompletionHandler(NewGroupMembersHandler handler) {
        m_completionHandler = std::move(handler);
    }
    QVariant newGroupViewCompletionHandlerValue() const { return QVariant::fromValue(m_completionHandler); }
    void setNewGroupViewCompletionHandlerValue(const QVariant& handler) {
        m_completionHandler = handler.value<NewGroupMembersHandler>();
    }

    std::optional<QString> groupName() const { return m_groupName; }
    bool isGroupIconSet() const { return m_isGroupIconSet; }
    bool adminOnlyState() const { return m_adminOnlyState; }
    bool hideMemberProfile() const { return m_hideMemberProfile; }
    PLNewGroupTableViewController* form() const;
    platform::ui::BarButtonItem* doneBarButtonItem() const { return m_doneBarButtonItem; }
    platform::ui::BarButtonItem* cancelBarButtonItem() const { return m_cancelBarButtonItem; }
    platform::ui::Button* editMembersButton() const { return m_editMembersButton; }
    QWidget* containerView() const { return m_containerView; }

    void cancelButtonTapped();
    void doneButtonClicked();
    void editMembers();
    // Creates the room; both URLs null without an icon.
    void createNewChatRoomWithImageURL(const QString& imageURL, const QString& bigImageURL);

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void validateAndCreate(const std::optional<QString>& name, const std::optional<QVariantMap>& imageInfo,
                           bool iconSet, bool adminOnly, bool hideMembers);
    void createFinished(bool success, const QString& message, const QString& roomId);
    void showAlert(const QString& title, const QString& message);
    void enableDone();
    void layoutPage();

    NewGroupMemberList m_members = std::make_shared<QVariantList>();
    QPointer<QObject> m_delegate;
    NewGroupMembersHandler m_completionHandler;
    std::optional<QString> m_groupName;
    std::optional<QVariantMap> m_imageInfo;
    bool m_isGroupIconSet = false;
    bool m_adminOnlyState = false;
    bool m_hideMemberProfile = false;
    QPointer<platform::ui::BarButtonItem> m_doneBarButtonItem;
    QPointer<platform::ui::BarButtonItem> m_cancelBarButtonItem;
    QPointer<platform::ui::Button> m_editMembersButton;
    QPointer<QWidget> m_containerView;
};

} // namespace pelnix
