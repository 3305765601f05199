// The contact picker's choice: toggling rows, the action bar, and the three outcomes (a one-to-one
// room, the hand-off to the new group flow, the hand-back of the choice in add-more mode).
#include "ui/contacts/PLContactsViewController.h"

#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/User.h"
#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/PLReachabilityResponder.h"
#include "foundation/StringAdditions.h"
#include "foundation/ui/ImageAdditions.h"
#include "interface/PLAnalyticsTrackingHelper.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Button.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/TableView.h"
#include "ui/contacts/ContactsUi.h"
#include "ui/contacts/PLContactsTableViewCell.h"
#include "ui/toolkit/PLActivityIndicatorView.h"

#include <QStyle>

namespace pelnix {

using ContactsUi::localized;
using platform::ui::Animator;
using platform::ui::IndexPath;
using platform::ui::NavigationController;
using platform::ui::TableView;
using platform::ui::ViewController;

namespace {
constexpr int kBarButtonMargin = 5;

// The screen at the top of a navigation controller the registry made, or the screen itself.
ViewController* topOf(ViewController* controller) {
    auto* navigation = qobject_cast<NavigationController*>(controller);
    return navigation && navigation->topViewController() ? navigation->topViewController() : controller;
}
} // namespace

void PLContactsViewController::didSelectRowAtIndexPath(TableView* table, const IndexPath& path) {
    table->deselectRow(path, true);
    // Typed addresses are removed with their own button, not toggled.
    if (hasTypedAddressSection() && path.section == 0)
        return;
    configureCellSelectionAtIndexPath(path);
    table->scrollToRowAtIndexPath(path, TableView::ScrollPosition::None, true);
    if (m_isFiltered && !m_searchText.isNull())
        PLAnalyticsTrackingHelper::trackEvent(
            QStringLiteral("Contacts- Search"),
            {{QStringLiteral("TextInput"), m_searchText},
             {QStringLiteral("#of Items"), qint64(m_filteredMembersArray.size())}});
}

void PLContactsViewController::configureCellSelectionAtIndexPath(const IndexPath& path) {
    const PLPickerContact contact = contactForIndexPath(path);
    if (contact.isNull())
        return;
    auto* cell = qobject_cast<PLContactsTableViewCell*>(m_contactsTableView->cellForRowAtIndexPath(path));
    if (m_selectedContactsArray.contains(contact)) {
        m_selectedContactsArray.removeOne(contact);
        if (cell)
            cell->showContactAsSelected(false);
    } else {
        const QString email = contact.email();
        if (!email.isEmpty() && !StringAdditions::isValidEmailAddress(email)) {
            showAlert(localized("INVALID ID"),
                      localized("Selected email is invalid. Please correct it to continue."));
            return;
        }
        // Entries without an address (phone numbers) never clash.
        const bool duplicate =
            !email.isEmpty() &&
            std::any_of(m_selectedContactsArray.cbegin(), m_selectedContactsArray.cend(),
                        [&email](const PLPickerContact& chosen) { return chosen.email() == email; });
        if (duplicate) {
            showAlert(localized("Duplicate"), localized("You have already added this contact."));
        } else {
            m_selectedContactsArray << contact;
            if (cell)
                cell->showContactAsSelected(true);
        }
    }
    configureBottotmView();
    adjustTableViewContentInset();
}

void PLContactsViewController::configureBottotmView() {
    QWidget* page = view();
    const qsizetype count = m_selectedContactsArray.size();
    const int height = page->height();
    setBottomViewInReach(count > 0);
    if (count == 0) {
        if (m_bottomView->y() < height)
            setBottomViewBottom(height + kBottomViewHeight, kBarSlideMs);
    } else {
        Animator::animate(kBarTitleMs, [this, count] {
            if (count == 1) {
                m_startConversationButton->setTitle(m_isPresentedToAddMoreContacts
                                                        ? localized("Add member")
                                                        : localized("Start Conversation"));
                m_editButton->hide();
            } else {
                m_startConversationButton->setTitle(QStringLiteral("%1 (%2)").arg(
                    m_isPresentedToAddMoreContacts ? localized("Add members") : localized("Make Group"),
                    QString::number(count)));
                m_editButton->show();
            }
        });
        // The bar comes up with the first choice (also when a returned list starts it at two).
        if (m_bottomView->y() <= height)
            setBottomViewBottom(height - (m_isKeyboardShown ? qreal(m_keyboardHeight) : 0), kBarSlideMs);
    }
    m_startConversationButton->setImage(count >= 2 || m_isPresentedToAddMoreContacts
                                            ? QImage()
                                            : ImageAdditions::loadImageNamed(QStringLiteral("addChat")));
    placeBottomViewButtons();
}

void PLContactsViewController::placeBottomViewButtons() {
    if (!m_bottomView || !isViewLoaded())
        return;
    const int width = view()->width();
    // A little room over the measured titles, which round their advances down.
    const QSize main = m_startConversationButton->sizeHint() + QSize(2, 0);
    const int top = (kBottomViewHeight - main.height()) / 2;
    if (m_selectedContactsArray.size() >= 2) {
        // Two or more: the main button at the trailing end, the edit button at the leading one.
        const Qt::LayoutDirection direction = view()->layoutDirection();
        const QRect bar(0, 0, width, kBottomViewHeight);
        m_startConversationButton->setGeometry(QStyle::visualRect(
            direction, bar,
            QRect(width - kBarButtonMargin - main.width(), top, main.width(), main.height())));
        const QSize edit = m_editButton->sizeHint() + QSize(2, 0);
        m_editButton->setGeometry(QStyle::visualRect(
            direction, bar,
            QRect(kBarButtonMargin, (kBottomViewHeight - edit.height()) / 2, edit.width(), edit.height())));
    } else {
        m_startConversationButton->setGeometry((width - main.width()) / 2, top, main.width(), main.height());
    }
}

void PLContactsViewController::setBottomViewInReach(bool inReach) {
    for (platform::ui::Button* button : {m_startConversationButton.data(), m_editButton.data()}) {
        // A click leaves the keys where they are, in the field.
        button->setFocusPolicy(inReach ? Qt::TabFocus : Qt::NoFocus);
        if (!inReach && button->hasFocus())
            m_addContactsTextField->setFocus(Qt::OtherFocusReason);
    }
}

void PLContactsViewController::setBottomViewBottom(qreal bottom, int durationMs) {
    const QRect target(0, qRound(bottom) - kBottomViewHeight, view()->width(), kBottomViewHeight);
    Animator::animateProperty(m_bottomView, "geometry", target, durationMs);
}

void PLContactsViewController::startConversationButtonClicked() {
    if (!PLReachabilityResponder::sharedInstance()->isNetworkReachable(true))
        return;
    if (m_isPresentedToAddMoreContacts) {
        const QPointer<QObject> owner = m_delegate;
        if (delegateResponds("contactViewControllerAddedContacts(QObject*,QVariantList)"))
            QMetaObject::invokeMethod(owner, "contactViewControllerAddedContacts", Qt::DirectConnection,
                                      Q_ARG(QObject*, this),
                                      Q_ARG(QVariantList, selectedContactsAsVariants()));
        dismissViewController(true);
        return;
    }
    if (m_selectedContactsArray.size() < 2) {
        openOneToOneChatRoom();
        return;
    }
    presentHandOff(kNewGroupIdentifier, {{QStringLiteral("delegate"), QVariant::fromValue<QObject*>(this)},
                                         {QStringLiteral("newGroupViewCompletionHandler"), returnHandler()}});
}

void PLContactsViewController::openOneToOneChatRoom() {
    if (m_selectedContactsArray.isEmpty())
        return;
    QList<PLRoomContact> contacts;
    for (const PLPickerContact& contact : m_selectedContactsArray)
        contacts << contact.roomContact();
    QPointer<PLContactsViewController> self(this);
    const bool started = ChatRoom::createRoomWithName(
        m_selectedContactsArray.first().profileName(), QStringLiteral(""), contacts, QString(), QString(),
        false, false,
        [self](bool success, const PLOptionalError&, const QString& message,
               const std::shared_ptr<ChatRoom>& room) {
            PLActivityIndicatorView::dismiss();
            PLAnalyticsTrackingHelper::trackEvent(QStringLiteral("Start conversation clicked"),
                                                  {{QStringLiteral("success"), success}});
            if (!self)
                return;
            if (success) {
                const QPointer<QObject> owner = self->m_delegate;
                const bool answers = self->delegateResponds("openChatRoomWithID(QString)");
                self->dismissViewController(false);
                if (answers && owner && room)
                    QMetaObject::invokeMethod(owner, "openChatRoomWithID", Qt::DirectConnection,
                                              Q_ARG(QString, room->roomId()));
            } else if (!message.isEmpty()) {
                self->showAlert(QString(), message);
            }
        });
    if (started)
        PLActivityIndicatorView::show();
}

void PLContactsViewController::editButtonTapped() {
    const qsizetype handed = m_selectedContactsArray.size();
    if (!presentHandOff(kMembersEditorIdentifier,
                        {{QStringLiteral("shouldShowAddMoreMembersOption"), false},
                         {QStringLiteral("editedGroupMembersCompletionHandler"), returnHandler()}}))
        return;
    const auto account = CurrentUserInfo::currentUserInfo();
    const auto me = account ? account->user() : nullptr;
    const QString picture = me ? me->imageUrl() : QString();
    PLAnalyticsTrackingHelper::trackEvent(
        QStringLiteral("Edit members"),
        {{QStringLiteral("success"), true},
         {QStringLiteral("List of members"), qint64(handed)},
         {QStringLiteral("Has picture"),
          CurrentUserInfo::isValidTinyURL(picture.isNull() ? QVariant() : picture)}});
}

bool PLContactsViewController::presentHandOff(const QString& identifier, const QVariantMap& properties) {
    ViewController* flow = platform::ui::ScreenRegistry::shared()->instantiate(kStoryboard, identifier);
    if (!flow) {
        qCWarning(lcContactPicker) << "the screen" << identifier << "is not available";
        return false;
    }
    ViewController* screen = topOf(flow);
    // The other screen works on a copy of the choice and hands its list back when it is done.
    screen->setProperty("selectedContactsArray", selectedContactsAsVariants());
    for (auto it = properties.cbegin(); it != properties.cend(); ++it)
        screen->setProperty(it.key().toUtf8().constData(), it.value());
    presentViewController(flow, true);
    return true;
}

QVariant PLContactsViewController::returnHandler() {
    QPointer<PLContactsViewController> self(this);
    return QVariant::fromValue(ContactsHandler([self](const QVariantList& contacts) {
        if (self)
            self->returnedContacts(contacts);
    }));
}

void PLContactsViewController::returnedContacts(const QVariantList& contacts) {
    QList<PLPickerContact> chosen;
    for (const QVariant& value : contacts) {
        const PLPickerContact contact = contactForReturnedValue(value);
        if (!contact.isNull())
            chosen << contact;
    }
    m_selectedContactsArray = chosen;
    if (!m_newlyAddedContactsArray.isEmpty())
        m_newlyAddedContactsArray.removeIf(
            [&chosen](const PLPickerContact& typed) { return !chosen.contains(typed); });
    // The rows' marks follow the choice, whatever the other screen changed.
    reloadTable();
    configureBottotmView();
}

PLPickerContact PLContactsViewController::contactForReturnedValue(const QVariant& value) const {
    for (const QList<PLPickerContact>* list :
         {&m_selectedContactsArray, &m_newlyAddedContactsArray, &m_addressBookContacts, &m_pelnixContacts,
          &m_customAddressBookContactsArray})
        for (const PLPickerContact& contact : *list)
            if (contact.describes(value))
                return contact;
    return PLPickerContact::fromVariant(value);
}

QVariantList PLContactsViewController::selectedContactsAsVariants() const {
    QVariantList out;
    for (const PLPickerContact& contact : m_selectedContactsArray)
        out << contact.toVariant();
    return out;
}

void PLContactsViewController::dismissPresentingViewControllerAndOpenChatRoom(const QString& roomID) {
    const QPointer<QObject> owner = m_delegate;
    const bool answers = delegateResponds("openChatRoomWithID(QString)");
    if (ViewController* presenter = presentingViewController())
        presenter->dismissViewController(false);
    if (!roomID.isEmpty() && answers && owner)
        QMetaObject::invokeMethod(owner, "openChatRoomWithID", Qt::DirectConnection, Q_ARG(QString, roomID));
}

} // namespace pelnix
