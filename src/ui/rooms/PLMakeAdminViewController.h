#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/WeakDelegate.h"
#include "ui/account/PLBaseViewController.h"
#include "ui/rooms/PLAdminChangesProtocol.h"
#include "ui/rooms/PLRoomMemberReference.h"

#include <QPointer>
#include <memory>

namespace pelnix {

class ChatRoom;
class RoomMember;

// The confirmation of an admin change ("PLMakeAdminViewController", presented modally): it says what
// will happen and, confirmed, hands the admin role to the chosen member on the server. Success
// dismisses it and then tells its delegate (held weakly); a failure says "Couldn't change admin" and
// keeps it up. The room and the member are held by their IDs.
class PLMakeAdminViewController : public PLBaseViewController {
    Q_OBJECT
public:
    static inline const QString kIdentifier = QStringLiteral("PLMakeAdminViewController");

    explicit PLMakeAdminViewController(QObject* parent = nullptr);

    std::shared_ptr<ChatRoom> currentRoom() const;
    void setCurrentRoom(const std::shared_ptr<ChatRoom>& room);
    std::shared_ptr<RoomMember> selectedMember() const { return m_selectedMember.resolve(); }
    void setSelectedMember(const std::shared_ptr<RoomMember>& member);
    PLAdminChangesProtocol* adminChangeDelegate() const { return m_adminChangeDelegate.get(); }
    void setAdminChangeDelegate(PLAdminChangesProtocol* delegate) { m_adminChangeDelegate.set(delegate); }

    void confirmButtonClicked();
    void closeButtonClicked();

    platform::ui::Label* confirmationTextLabel() const { return m_confirmationTextLabel; }
    platform::ui::Button* closeButton() const { return m_closeButton; }
    platform::ui::Button* confirmButton() const { return m_confirmButton; }
    platform::ui::NavigationBar* navigationBarView() const { return m_navigationBar; }

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;

private:
    void changeFinished(bool success);

    QString m_roomID;
    PLRoomMemberReference m_selectedMember;
    platform::ui::WeakDelegate<PLAdminChangesProtocol> m_adminChangeDelegate;
    QPointer<platform::ui::Label> m_confirmationTextLabel;
    QPointer<platform::ui::Button> m_closeButton;
    QPointer<platform::ui::Button> m_confirmButton;
    QPointer<platform::ui::NavigationBar> m_navigationBar;
};

} // namespace pelnix
