// The rooms list's actions on one room: the swipe options, their confirmations, clearing, leaving or
// closing on the server, adding members, starting a conversation, and the floating label that reports
// the outcome.
#include "ui/rooms/PLChatRoomsTableViewController.h"

#include "core/model/CurrentUserInfo.h"
#include "core/model/RoomMember.h"
#include "core/model/User.h"
#include "foundation/DocumentSaver.h"
#include "foundation/PLReachabilityResponder.h"
#include "foundation/ui/CustomColors.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "interface/PLAnalyticsTrackingHelper.h"
#include "interface/PLPelnixContact.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/TableView.h"
#include "ui/rooms/PLChatRoomTableViewCell.h"
#include "ui/rooms/RoomsAnalytics.h"
#include "ui/rooms/RoomsContactPicker.h"
#include "ui/rooms/RoomsTexts.h"
#include "ui/toolkit/PLActivityIndicatorView.h"
#include "ui/toolkit/PLCentredInParent.h"

namespace pelnix {

using platform::ui::AlertView;
using platform::ui::Animator;
using platform::ui::Label;
using platform::ui::NavigationController;
using platform::ui::Scheduler;
using platform::ui::TableViewCell;
using platform::ui::ViewController;
using RoomsTexts::localized;
using RoomsTexts::localizedFormat;

namespace {
void showFailedAlert(ViewController* screen, const QString& message) {
    auto* alert = new AlertView(localized("Failed"), message, localized("OK"), {});
    alert->show(screen ? screen->window() : nullptr);
}

bool isGroupAdmin(const std::shared_ptr<ChatRoom>& room) {
    return room && room->isCurrentUserAdmin() && !room->isOneToOne();
}
} // namespace

// ---- Swipe options

PLChatRoomTableViewCell* PLChatRoomsTableViewController::swipedCell() const {
    return m_swipedCell;
}

qint64 PLChatRoomsTableViewController::numberOfOptionsForChatRoom(const std::shared_ptr<ChatRoom>& room) {
    return isGroupAdmin(room) ? 3 : 2;
}

qint64 PLChatRoomsTableViewController::chatRoomTypeAtIndex(qint64 index,
                                                           const std::shared_ptr<ChatRoom>& room) {
    if (isGroupAdmin(room)) {
        switch (index) {
        case 0:
            return AddMembersOption;
        case 1:
            return ClearOption;
        case 2:
            return LeaveOrCloseOption;
        default:
            return NoOption;
        }
    }
    switch (index) {
    case 0:
        return ClearOption;
    case 1:
        return LeaveOrCloseOption;
    default:
        return NoOption;
    }
}

void PLChatRoomsTableViewController::cellDidUpdateToState(PLChatRoomTableViewCell* cell, qint64 state) {
    if (state == 1) {
        // One row open at a time.
        if (m_swipedCell && m_swipedCell != cell && m_swipedCell->currentState() == 1)
            m_swipedCell->toggleCellState();
        m_swipedCell = cell;
    } else if (cell == m_swipedCell) {
        m_swipedCell = nullptr;
    }
}

void PLChatRoomsTableViewController::cellDidSelectChatRoomOption(PLChatRoomTableViewCell* cell,
                                                                 qint64 option) {
    // The room is taken now, by its ID: by the time an alert is answered, a reload may have given the
    // row to another room or closed it.
    PLChatRoomTableViewCell* row = m_swipedCell ? m_swipedCell.data() : cell;
    const auto room = row ? row->chatRoom() : nullptr;
    const QString roomID = room ? room->roomId() : QString();
    m_alertsFactory->setChatRoom(room);
    m_currentSelectedChatRoomID = roomID;
    switch (option) {
    case LeaveOrCloseOption:
        closeConversationAndLeave(roomID);
        break;
    case ClearOption:
        clearConversation(roomID);
        break;
    case AddMembersOption:
        addMembersToChatRoom(roomID);
        break;
    default:
        break;
    }
}

PLChatRoomTableViewCell* PLChatRoomsTableViewController::openCellOfRoom(const QString& roomID) const {
    PLChatRoomTableViewCell* cell = m_swipedCell;
    return cell && cell->currentState() == 1 && cell->chatRoom() && cell->chatRoom()->roomId() == roomID
               ? cell
               : nullptr;
}

// ---- Clear, and leave or close

void PLChatRoomsTableViewController::clearConversation(const QString& roomID) {
    confirm(PLGroupInfoAlertsFactory::ClearConversation, ClearAlertTag, roomID,
            &PLChatRoomsTableViewController::answerClear);
}

void PLChatRoomsTableViewController::closeConversationAndLeave(const QString& roomID) {
    confirm(PLGroupInfoAlertsFactory::LeaveOrClose, LeaveOrCloseAlertTag, roomID,
            &PLChatRoomsTableViewController::answerLeaveOrClose);
}

void PLChatRoomsTableViewController::confirm(qint64 kind, int tag, const QString& roomID,
                                             void (PLChatRoomsTableViewController::*answer)(const QString&)) {
    m_alertsFactory->setChatRoom(ChatRoom::chatRoomWithID(roomID));
    AlertView* alert = m_alertsFactory->alertViewForType(kind);
    // "No", the last button, is the one that does nothing.
    alert->setCancelButtonIndex(alert->numberOfButtons() - 1);
    alert->setTag(tag);
    QPointer<PLChatRoomsTableViewController> self(this);
    alert->setClickHandler([self, roomID, answer](AlertView* answered, int index) {
        if (self && index != answered->cancelButtonIndex())
            (self.data()->*answer)(roomID);
    });
    alert->show(window());
}

void PLChatRoomsTableViewController::answerClear(const QString& roomID) {
    const auto room = ChatRoom::chatRoomWithID(roomID);
    if (!room) {
        qCWarning(lcRoomsList) << "room" << roomID << "is gone; nothing cleared";
        return;
    }
    room->clearMessages();
    if (PLChatRoomTableViewCell* cell = openCellOfRoom(roomID))
        cell->toggleCellState();
    showChatRoomsAnew();
    showFloatingLabelWithMessage(localized("Conversation cleared successfully"));
    QVariantMap properties = roomAnalyticsProperties(room);
    properties.insert(QStringLiteral("success"), QStringLiteral("Success"));
    PLAnalyticsTrackingHelper::trackEvent(QStringLiteral("Clear conversation"), properties);
}

void PLChatRoomsTableViewController::answerLeaveOrClose(const QString& roomID) {
    if (!PLReachabilityResponder::sharedInstance()->isNetworkReachable(true))
        return;
    const auto room = ChatRoom::chatRoomWithID(roomID);
    if (!room) {
        qCWarning(lcRoomsList) << "room" << roomID << "is gone; nothing sent";
        return;
    }
    // The name as the row showed it: a left one-to-one room may no longer name its other member.
    const QString name = room->displayName();
    QPointer<PLChatRoomsTableViewController> self(this);
    auto completion = [self, roomID, name](bool success, const PLOptionalError&, const QString&) {
        PLActivityIndicatorView::dismiss();
        // The room's media go only once the server has let the user go; a refusal keeps them.
        if (success)
            DocumentSaver::removeChatDirectoryWithName(roomID);
        if (!self)
            return;
        self->showSuccessOrFailureMessageOnDeletingGroup(success, roomID, name);
        self->trackDeleteEventWithSuccessStatus(success, roomID);
    };
    const bool started = isGroupAdmin(room) ? room->closeGroupWithCompletionHandler(completion)
                                            : room->leaveGroupWithCompletionHandler(completion);
    if (started)
        PLActivityIndicatorView::show();
}

void PLChatRoomsTableViewController::showSuccessOrFailureMessageOnDeletingGroup(bool success,
                                                                                const QString& roomID,
                                                                                const QString& roomName) {
    const QString text = success ? localizedFormat("You Left '%@'", {roomName})
                                 : localizedFormat("Unable to delete %@", {roomName});
    reloadChatRooms();
    if (success) {
        showFloatingLabelWithMessage(text);
        return;
    }
    showFailedAlert(this, text);
    if (PLChatRoomTableViewCell* cell = openCellOfRoom(roomID))
        cell->toggleCellState();
}

QVariantMap
PLChatRoomsTableViewController::roomAnalyticsProperties(const std::shared_ptr<ChatRoom>& room) const {
    return RoomsAnalytics::roomProperties(room);
}

void PLChatRoomsTableViewController::trackDeleteEventWithSuccessStatus(bool success, const QString& roomID) {
    QVariantMap properties = roomAnalyticsProperties(ChatRoom::chatRoomWithID(roomID));
    properties.insert(QStringLiteral("success"), success);
    PLAnalyticsTrackingHelper::trackEvent(QStringLiteral("Delete conv & leave"), properties);
}

// ---- Members and new conversations

void PLChatRoomsTableViewController::addMembersToChatRoom(const QString& roomID) {
    QPointer<PLChatRoomsTableViewController> self(this);
    const bool started = ChatRoom::pendingMembersForRoom(
        roomID, [self, roomID](bool success, const PLOptionalError&, const QString& reason,
                               const QVariantList& invitees) {
            PLActivityIndicatorView::dismiss();
            if (!self)
                return;
            if (success)
                self->showAddMoreMembersScreenAddingPendingContacts(roomID, invitees);
            else
                showFailedAlert(self, reason.isNull() ? QString(QLatin1String("")) : reason);
        });
    if (started)
        PLActivityIndicatorView::show();
}

void PLChatRoomsTableViewController::showAddMoreMembersScreenAddingPendingContacts(
    const QString& roomID, const QVariantList& invitees) {
    QVariantList added;
    if (const auto room = ChatRoom::chatRoomWithID(roomID))
        for (const auto& member : room->members())
            if (member && member->user())
                added << QVariant::fromValue(member->user());
    added << invitees;
    presentContactPicker(added, true);
}

void PLChatRoomsTableViewController::addChatRoomButtonClickHandler() {
    presentContactPicker({}, false);
}

void PLChatRoomsTableViewController::presentContactPicker(const QVariantList& addedContacts, bool addMore) {
    RoomsContactPicker::present(this, addedContacts, addMore);
}

QList<PLRoomContact>
PLChatRoomsTableViewController::roomContactsFromPickerContacts(const QVariantList& contacts) {
    QList<PLRoomContact> out;
    for (const QVariant& contact : contacts) {
        const QMetaType type = contact.metaType();
        if (type == QMetaType::fromType<PLAddressBookContact>()) {
            out << contact.value<PLAddressBookContact>();
        } else if (type == QMetaType::fromType<std::shared_ptr<User>>()) {
            if (const auto user = contact.value<std::shared_ptr<User>>())
                out << user;
        } else if (type == QMetaType::fromType<PLPelnixContact>()) {
            const auto host = contact.value<PLPelnixContact>();
            out << PLAddressBookContact{host.profileName, host.email, host.phone, 0};
        } else if (type == QMetaType::fromType<QVariantMap>()) {
            const QVariantMap map = contact.toMap();
            out << PLAddressBookContact{map.value(QStringLiteral("name")).toString(),
                                        map.value(QStringLiteral("email")).toString(),
                                        map.value(QStringLiteral("phone")).toString(), 0};
        } else if (type == QMetaType::fromType<QString>()) {
            out << contact.toString();
        }
    }
    return out;
}

void PLChatRoomsTableViewController::contactViewControllerAddedContacts(QObject*,
                                                                        const QVariantList& contacts) {
    const QString roomID = m_currentSelectedChatRoomID;
    const auto room = ChatRoom::chatRoomWithID(roomID);
    if (!room)
        return;
    const qint64 count = contacts.size();
    QPointer<PLChatRoomsTableViewController> self(this);
    const bool started =
        room->addContacts(roomContactsFromPickerContacts(contacts),
                          [self, roomID, count](bool success, const PLOptionalError&, const QString&) {
                              PLActivityIndicatorView::dismiss();
                              if (!self)
                                  return;
                              if (!success) {
                                  showFailedAlert(self, localized("Member addition failed"));
                                  return;
                              }
                              const auto added = ChatRoom::chatRoomWithID(roomID);
                              const QString name = added ? added->displayName() : QString();
                              self->showFloatingLabelWithMessage(localizedFormat(
                                  count == 1 ? "%ld member added to %@" : "%ld members added to %@",
                                  {QString::number(count), name}));
                          });
    if (started)
        PLActivityIndicatorView::show();
}

// ---- Floating label

Label* PLChatRoomsTableViewController::configuredfloatingLabel() {
    NavigationController* nav = navigationController();
    const int barHeight = nav ? nav->navigationBar()->height() : platform::ui::NavigationBar::kHeight;
    auto* label = new Label;
    label->setObjectName(QStringLiteral("floatingLabel"));
    label->setProperty("tag", kFloatingLabelTag);
    label->setGeometry(0, barHeight - 40, 250, 40);
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, CustomColors::floatingLabelBackgroundColor());
    label->setPalette(palette);
    label->setTextColor(Qt::white);
    label->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 17));
    return label;
}

QList<Label*> PLChatRoomsTableViewController::floatingLabels() const {
    QList<Label*> out;
    if (!isViewLoaded())
        return out;
    // Loaded: asking for the view makes nothing.
    QWidget* host = const_cast<PLChatRoomsTableViewController*>(this)->view();
    for (Label* label :
         host->findChildren<Label*>(QStringLiteral("floatingLabel"), Qt::FindDirectChildrenOnly))
        if (label->property("tag").toInt() == kFloatingLabelTag && !label->isHidden())
            out << label;
    return out;
}

void PLChatRoomsTableViewController::showFloatingLabelWithMessage(const QString& message) {
    NavigationController* nav = navigationController();
    if (!nav || !isViewLoaded())
        return;
    platform::ui::NavigationBar* bar = nav->navigationBar();
    QWidget* host = bar->parentWidget();
    if (!host)
        return;
    Label* label = configuredfloatingLabel();
    // In the list's own view, above its rows: the navigation controller stacks its content over the
    // bar, so a sibling of the bar would slide out under the list and never show. The view's top edge,
    // the bar's bottom, hides it until it slides down.
    label->setParent(view());
    label->raise();
    label->setText(message);
    QSize size = label->sizeThatFits(QSizeF(1e6, 1e6)).toSize();
    size = QSize(size.width() + 20, 40);
    const int viewWidth = view()->width();
    if (size.width() > viewWidth) {
        label->setNumberOfLines(0);
        size = QSize(size.width() - 60, 50);
    }
    label->setAlignment(Qt::AlignCenter);
    const int barBottom = view()->mapFrom(host, QPoint(0, bar->geometry().bottom() + 1)).y();
    label->setGeometry(viewWidth / 2 - size.width() / 2, barBottom - 40, size.width(), size.height());
    PLCentredInParent::keep(label);
    label->show();
    QPointer<Label> guard(label);
    const QPoint down = label->pos() + QPoint(0, 40);
    Animator::animateProperty(
        label, "pos", down, kFloatingLabelSlideMs, Animator::Curve::EaseInOut, [guard](bool) {
            if (!guard)
                return;
            Scheduler::shared()->performAfter(guard, kFloatingLabelStayMs, [guard] {
                if (!guard)
                    return;
                Animator::animateProperty(guard, "pos", guard->pos() - QPoint(0, 40), kFloatingLabelSlideMs,
                                          Animator::Curve::EaseInOut, [guard](bool) {
                                              if (!guard)
                                                  return;
                                              guard->hide();
                                              guard->deleteLater();
                                          });
            });
        });
}

} // namespace pelnix
