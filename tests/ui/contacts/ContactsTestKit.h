#pragma once

// What the contact picker's tests share: a store with the signed-in Ann (41) against the stand-in
// service, the address book over a folder of the gallery's forty people, the host's contact
// provider, the screen that presents the picker and hears its answers, and stand-ins of the new group
// screen and the member editor that take the picker's hand-off as those screens do.

#include "FacadeTestKit.h"
#include "GalleryContacts.h"
#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/PLAddressBookHelper.h"
#include "core/model/PLModelManager.h"
#include "core/model/User.h"
#include "core/session/PLAppLockSettingsManager.h"
#include "foundation/persistence/PLPersistence.h"
#include "foundation/ui/WidgetServices.h"
#include "interface/PLCustomContactProvider.h"
#include "interface/Pelnix.h"
#include "interface/PelnixSetUp.h"
#include "platform/AddressBook.h"
#include "platform/Sandbox.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Animator.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Window.h"
#include "ui/contacts/ContactsScreens.h"
#include "ui/contacts/PLContactsViewController.h"
#include "ui/toolkit/PLActivityIndicatorView.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QTest>
#include <QThreadPool>
#include <QWindow>

namespace pelnix::test {

using platform::ui::AlertView;
using platform::ui::IndexPath;
using platform::ui::NavigationController;
using platform::ui::Scheduler;
using platform::ui::ScreenRegistry;
using platform::ui::ViewController;
using platform::ui::Window;

inline constexpr qint32 kAnnUserID = 41;

// The host's own contacts; without a list it answers nothing.
class HostContactProvider : public QObject, public PLCustomContactProvider {
public:
    std::optional<QList<PLPelnixContact>> contacts;
    std::optional<QList<PLPelnixContact>> customAddressBookContacts() override { return contacts; }
};

// The screen that presents the picker, as the rooms list does, and hears its answers.
class PickerHost : public ViewController {
    Q_OBJECT
public:
    Q_INVOKABLE void contactViewControllerAddedContacts(QObject* picker, const QVariantList& contacts) {
        Q_UNUSED(picker);
        added << contacts;
    }
    Q_INVOKABLE void openChatRoomWithID(const QString& roomID) {
        openedRooms << roomID;
        // The picker has gone (or is going) by then.
        pickerGoneWhenOpened << (presentedViewController() == nullptr ||
                                 presentedViewController()->isBeingDismissed());
    }
    QList<QVariantList> added;
    QStringList openedRooms;
    QList<bool> pickerGoneWhenOpened;

protected:
    QWidget* loadView() override {
        auto* page = new QWidget;
        page->setAutoFillBackground(true);
        return page;
    }
};

// A caller that takes no answer.
class SilentHost : public ViewController {};

// The contacts as a screen that receives them reads them: names, in order.
inline QStringList namesOf(const QVariantList& contacts) {
    QStringList names;
    for (const QVariant& value : contacts)
        names << PLPickerContact::fromVariant(value).profileName();
    return names;
}

inline QStringList namesOf(const QList<PLPickerContact>& contacts) {
    QStringList names;
    for (const PLPickerContact& contact : contacts)
        names << contact.profileName();
    return names;
}

// The new group screen and the member editor as far as the picker knows them: each takes the
// picker's hand-off through Qt properties and hands its list back through the block it was given;
// the new group screen creates the group on the service as that screen does.
class HandOffStandIn : public ViewController {
    Q_OBJECT
public:
    QVariantList contacts() const { return property("selectedContactsArray").toList(); }
    QObject* pickerDelegate() const { return property("delegate").value<QObject*>(); }
    // The new group screen's cancel and the editor's done: the list as the user left it, then away.
    void handBack(const char* handlerProperty, const QVariantList& contacts) {
        const auto handler = property(handlerProperty).value<PLContactsViewController::ContactsHandler>();
        if (handler)
            handler(contacts);
        dismissViewController(true);
    }
    // Creates the group; on success the picker hears of it through its invokable.
    bool create(const QString& name) {
        QList<PLRoomContact> members;
        for (const QVariant& value : contacts())
            members << PLPickerContact::fromVariant(value).roomContact();
        QPointer<QObject> picker = pickerDelegate();
        return ChatRoom::createRoomWithName(
            name, QStringLiteral(""), members, QString(), QString(), false, false,
            [picker](bool success, const PLOptionalError&, const QString&,
                     const std::shared_ptr<ChatRoom>& room) {
                if (success && picker && room)
                    QMetaObject::invokeMethod(picker, "dismissPresentingViewControllerAndOpenChatRoom",
                                              Q_ARG(QString, room->roomId()));
            });
    }
    // The screen the registry made last under `identifier`.
    static QPointer<HandOffStandIn>& last(const QString& identifier) {
        static QHash<QString, QPointer<HandOffStandIn>> screens;
        return screens[identifier];
    }
    static void registerScreen(const QString& identifier) {
        ScreenRegistry::shared()->registerScreen(PLContactsViewController::kStoryboard, identifier,
                                                 [identifier] {
                                                     auto* screen = new HandOffStandIn;
                                                     last(identifier) = screen;
                                                     return new NavigationController(screen);
                                                 });
    }
};

inline HandOffStandIn* newGroupScreen() {
    return HandOffStandIn::last(PLContactsViewController::kNewGroupIdentifier);
}

inline HandOffStandIn* memberEditor() {
    return HandOffStandIn::last(PLContactsViewController::kMembersEditorIdentifier);
}

// One test's world: the stand-in service with Ann's colleagues, a store with Ann signed in (her
// organisation's contact list not fetched yet), animations at once, the scheduler on its virtual
// clock, the address book over an empty folder, the host's contact provider installed.
struct ContactsWorld {
    CoreFixture fixture;
    EventRecorder analytics;
    HostContactProvider host;
    QString bookFolder = platform::Sandbox::applicationSupport() + QStringLiteral("/TestAddressBook");

    explicit ContactsWorld(quint64 options) {
        platform::ui::Animator::setInstant(true);
        Scheduler::shared()->setVirtualClock(true);
        PLAppLockSettingsManager::sharedAppLockSettingsManager()->setShouldShowAppLockScreen(false);
        WidgetServices::install();
        PelnixSetUp::connectImageViews();
        PLModelManager::sharedModelManager()->initialize();
        CurrentUserInfo::initializeCurrentUserForSDKWithID(kAnnUserID, fixture.email(), fixture.token());
        const auto me = CurrentUserInfo::currentUserInfo()->user();
        me->setProfileName(QStringLiteral("Ann"));
        me->setState(1);
        me->setGroupLetter(QStringLiteral("A"));
        CurrentUserInfo::currentUserInfo()->save();
        // The library set up as a host has it, once per process, before the stand-ins go over its
        // screens: set up later (the first screen a host's container shows does it), it would register
        // its own new group screen and member editor over them.
        PelnixSetUp::ensureLibraryIsSetUp();
        ScreenRegistry::shared()->clear();
        ContactsScreens::registerScreens();
        HandOffStandIn::registerScreen(PLContactsViewController::kNewGroupIdentifier);
        HandOffStandIn::registerScreen(PLContactsViewController::kMembersEditorIdentifier);
        QDir().mkpath(bookFolder);
        auto* book = platform::AddressBook::sharedAddressBook();
        book->setFolder(bookFolder);
        book->setAuthorizationStatus(platform::AddressBook::Authorization::Authorized);
        Pelnix::setShowContactOptions(options);
        Pelnix::setCustomAddressBookContactProvider(&host);
    }
    ~ContactsWorld() {
        settleBusyIndicator();
        Pelnix::setCustomAddressBookContactProvider(nullptr);
        ScreenRegistry::shared()->clear();
        platform::AddressBook::sharedAddressBook()->setFolder(QString());
        PLPersistence::cleanUp();
        PLModelManager::destroySharedInstance();
        Scheduler::shared()->setVirtualClock(false);
    }

    void writeBook(int people, bool withPhones = true) {
        tools::writeContactsAddressBook(bookFolder, people, withPhones);
    }
    // Colleagues on the service (Bob 42, Cid 43), for the contact fetch.
    void seedColleagues() {
        fixture.server().seed(QJsonObject{
            {"org", "acme"},
            {"users",
             QJsonArray{
                 QJsonObject{{"id", 42}, {"email", "bob@acme.test"}, {"name", "Bob"}, {"token", "b0b"}},
                 QJsonObject{{"id", 43}, {"email", "cid@acme.test"}, {"name", "Cid"}, {"token", "c1d"}}}}});
    }
    // Active users in the store, as a finished contact fetch leaves them; the list counts as fetched.
    void storeUsers(const QVariantList& users) {
        User::updateContacts(users);
        auto account = CurrentUserInfo::currentUserInfo();
        account->setUsersListUpdateTime(1);
        account->save();
    }
    // Runs the deferred take-down of the busy indicator.
    static void settleBusyIndicator() {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
            Scheduler::shared()->advance(0);
        }
    }
};

inline QVariantMap userJSON(qint32 id, const QString& name, const QString& email,
                            const QString& picture = {}) {
    QVariantMap json{{"id", id}, {"name", name}, {"email", email}};
    if (!picture.isEmpty())
        json.insert("imageUrl", picture);
    return json;
}

// The picker as a caller opens it: made by the registry, configured through its invokable, and
// presented over the host in a window of its own (the key window).
struct PickerOnScreen {
    Window window;
    PickerHost* host = new PickerHost;
    QPointer<ViewController> navigation = ScreenRegistry::shared()->instantiate(
        PLContactsViewController::kStoryboard, PLContactsViewController::kNavigationIdentifier);
    QPointer<PLContactsViewController> picker = qobject_cast<PLContactsViewController*>(
        qobject_cast<NavigationController*>(navigation.data())->topViewController());

    // With `windowShownFirst` false the picker is presented before the window shows, as a host that
    // opens it at start does.
    explicit PickerOnScreen(const QVariantList& added = {}, bool addMore = false, QSize size = {320, 568},
                            QObject* delegate = nullptr, bool windowShownFirst = true) {
        window.resize(size);
        window.setRootViewController(host);
        if (windowShownFirst)
            window.makeKeyAndVisible();
        QMetaObject::invokeMethod(picker, "configureWithAddedContacts", Qt::DirectConnection,
                                  Q_ARG(QVariantList, added), Q_ARG(QObject*, delegate ? delegate : host),
                                  Q_ARG(bool, addMore));
        host->presentViewController(navigation, true);
        if (!windowShownFirst)
            window.makeKeyAndVisible();
        QCoreApplication::processEvents();
    }
    // The address book answers on the next turn and is read half a second later, off the main thread;
    // its people come back to the main thread, and their photos follow.
    void finishLoading() {
        QCoreApplication::processEvents();
        Scheduler::shared()->advance(PLContactsViewController::kAddressBookReadDelayMs);
        awaitBook();
    }
    // Until the read that has begun is shown, and its photos.
    static void awaitBook() {
        PLAddressBookHelper::readingPool()->waitForDone();
        ContactsWorld::settleBusyIndicator();
    }
    platform::ui::TableView* table() const { return picker->contactsTableView(); }
    AlertView* alert() const { return window.alerts().isEmpty() ? nullptr : window.alerts().last(); }
    QStringList alertTexts() const {
        QStringList out;
        for (AlertView* shown : window.alerts())
            out << shown->title() + QStringLiteral(" | ") + shown->message();
        return out;
    }
    void dismissAlerts() {
        while (AlertView* shown = alert())
            shown->tapButtonAtIndex(0);
    }
    // Every row's name, section by section ("A: Aaron Blake, ...").
    QStringList rowsByName() const {
        QStringList out;
        auto* list = table();
        for (int s = 0; s < list->numberOfSections(); ++s) {
            QStringList names;
            for (int r = 0; r < list->numberOfRows(s); ++r)
                names << picker->contactForIndexPath({s, r}).profileName();
            out << picker->titleForHeaderInSection(list, s) + QStringLiteral(": ") +
                       names.join(QStringLiteral(", "));
        }
        return out;
    }
    // The row of the first contact with that name (and that detail, when given).
    std::optional<IndexPath> rowOf(const QString& name, const QString& detail = {}) const {
        auto* list = table();
        for (int s = 0; s < list->numberOfSections(); ++s)
            for (int r = 0; r < list->numberOfRows(s); ++r) {
                const PLPickerContact contact = picker->contactForIndexPath({s, r});
                const QString shown = contact.email().isEmpty() ? contact.phone() : contact.email();
                if (contact.profileName() == name && (detail.isEmpty() || shown == detail))
                    return IndexPath{s, r};
            }
        return std::nullopt;
    }
    // Taps the row as the user does (scrolled into view first, so it has a cell).
    bool tap(const QString& name, const QString& detail = {}) {
        const auto path = rowOf(name, detail);
        if (!path)
            return false;
        table()->scrollToRowAtIndexPath(*path, platform::ui::TableView::ScrollPosition::Middle, false);
        QCoreApplication::processEvents();
        picker->didSelectRowAtIndexPath(table(), *path);
        return true;
    }
    void type(const QString& text) {
        auto* field = picker->addContactsTextField();
        for (const QChar key : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(key));
            QApplication::sendEvent(field, &press);
        }
    }
    void eraseAll() {
        auto* field = picker->addContactsTextField();
        while (!field->text().isEmpty()) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
            QApplication::sendEvent(field, &press);
        }
    }
    // Begins editing, as a tap into the field does when the keys are elsewhere (the field takes them
    // as the picker shows).
    void beginEditing() {
        leaveTheField();
        picker->addContactsTextField()->setFocus(Qt::MouseFocusReason);
        if (!picker->addContactsTextField()->hasFocus())
            picker->textFieldDidBeginEditing();
        QCoreApplication::processEvents();
    }
    // The keys go elsewhere, and editing ends.
    void leaveTheField() {
        auto* field = picker->addContactsTextField();
        if (field->hasFocus())
            field->clearFocus();
        QCoreApplication::processEvents();
    }
    // The window made active for real input: its handle, or null when it could not be activated.
    QWindow* activate() {
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window) ? window.windowHandle() : nullptr;
    }
    bool isPresented() const {
        return navigation && host->presentedViewController() == navigation && !navigation->isBeingDismissed();
    }
};

} // namespace pelnix::test
