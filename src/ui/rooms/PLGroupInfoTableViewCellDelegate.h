#pragma once

#include <QtGlobal>

class QObject;

namespace pelnix {

class PLGroupInfoTableViewCell;

namespace platform::ui {
class TextField;
}

// What the group information cells tell their screen. Every operation is optional: a screen that
// does not take one leaves the cell as it is.
class PLGroupInfoTableViewCellDelegate {
public:
    virtual ~PLGroupInfoTableViewCellDelegate() = default;

    virtual void groupInforCellDidBeginEditingTextField(PLGroupInfoTableViewCell*, platform::ui::TextField*) {
    }
    virtual void groupInforCellDidEndEditingTextField(PLGroupInfoTableViewCell*, platform::ui::TextField*) {}
    // `sender` is the tap recogniser of the picture or the change-picture button.
    virtual void groupInforCellChangeGroupIconButtonPressed(PLGroupInfoTableViewCell*, QObject* sender) {
        Q_UNUSED(sender);
    }
    virtual void groupInforCellChangedAdminOnlyState(PLGroupInfoTableViewCell*, bool on) { Q_UNUSED(on); }
    virtual void groupInforCellChangedHideProfileMemberState(PLGroupInfoTableViewCell*, bool on) {
        Q_UNUSED(on);
    }
    virtual void groupInforCellChangeAdminButtonClicked(PLGroupInfoTableViewCell*) {}
    virtual void groupInforCellEditButtonClicked(PLGroupInfoTableViewCell*) {}
    // 1: the switch was turned on, 2: off; the confirmation is up.
    virtual void groupInforCellAdminWantsToChangeAdminOnlyStateTo(PLGroupInfoTableViewCell*, qint64 state) {
        Q_UNUSED(state);
    }
    virtual void groupInforCellAdminWantsToChangeHideMemeberProfileStateTo(PLGroupInfoTableViewCell*,
                                                                           qint64 state) {
        Q_UNUSED(state);
    }
    virtual void resetAdminOnlyState() {}
    virtual void resetMemberProfileState() {}
};

} // namespace pelnix
