#pragma once

// What the smart-message screen tests share: the stand-in service and a signed-in account
// (CoreFixture), the real store with rooms and messages imported through the core's own JSON paths,
// the stand-in's stylesheets, forms and chatlet catalogue downloaded as at start-up, the recording
// system services, the recording web view (a test may ask for the real one), and a host screen in a
// navigation controller in a phone-sized window. Time runs on the scheduler's virtual clock;
// animations take no time.

#include "CoreFixture.h"

#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/Message.h"
#include "core/model/PLModelManager.h"
#include "core/model/User.h"
#include "foundation/persistence/PLPersistence.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "foundation/ui/WidgetServices.h"
#include "platform/AddressBook.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Animator.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/WebEngineWebView.h"
#include "platform/ui/Window.h"
#include "platform/ui/testing/FakeWebView.h"
#include "platform/ui/testing/RecordingSystemServices.h"
#include "smart/PLChatletCategoryItems.h"
#include "smart/SmartBringUpDownloads.h"
#include "ui/conversation/ChatletScreens.h"
#include "ui/conversation/PLPostChatletDelegate.h"
#include "ui/toolkit/PLActivityIndicatorView.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <memory>

namespace pelnix::test {

inline constexpr qint32 kBob = 42;
inline constexpr qint32 kCarol = 43;
inline constexpr char kBobToken[] = "b0b-token";

// The screen the smart-message screens are opened over, as the chat window would be: it takes the
// composed chatlets and, when asked to, posts them into its room.
class ChatletHost : public platform::ui::ViewController, public PLPostChatletDelegate {
public:
    struct Post {
        QString message;
        Message::Ptr linkedMessage;
        QList<PLMediaSelection> selections;
    };
    void postChatletToChatWindow(const QString& message, const Message::Ptr& linked,
                                 const QList<PLMediaSelection>& selections) override {
        posts << Post{message, linked, selections};
        if (postsIntoRoom && room) {
            if (linked)
                room->replyToChatlet(message, linked);
            else
                room->postChatlet(message);
        }
    }
    ChatRoom::Ptr currentChatRoom() const override { return room; }

    ChatRoom::Ptr room;
    bool postsIntoRoom = false;
    QList<Post> posts;
};

class SmartScreensWorld {
public:
    explicit SmartScreensWorld(bool realWebViews = false) {
        CustomFontRegistration::loadCustomFonts();
        platform::ui::Animator::setInstant(true);
        platform::ui::Scheduler::shared()->setVirtualClock(true);
        PLModelManager::sharedModelManager()->initialize();
        CurrentUserInfo::initializeCurrentUserForSDKWithID(qint32(fixture.userID()), fixture.email(),
                                                           fixture.token());
        if (const auto me = CurrentUserInfo::currentUserInfo()->user()) {
            me->setProfileName(QStringLiteral("Ann"));
            me->save();
        }
        WidgetServices::install();
        ChatletScreens::registerScreens();
        auto recording = std::make_unique<platform::ui::RecordingSystemServices>();
        services = recording.get();
        platform::ui::SystemServices::setCurrent(std::move(recording));
        if (realWebViews)
            platform::ui::WebView::setMaker(
                [](QWidget* parent) { return new platform::ui::WebEngineWebView(parent); });
        else
            platform::ui::WebView::setMaker(
                [](QWidget* parent) { return new platform::ui::FakeWebView(parent); });
        auto* book = platform::AddressBook::sharedAddressBook();
        book->setFolder(contactsFolder.path());
        book->setAuthorizationStatus(platform::AddressBook::Authorization::Authorized);
    }
    ~SmartScreensWorld() {
        window.reset();
        platform::ui::SystemServices::setCurrent(nullptr);
        platform::ui::WebView::setMaker({});
        platform::AddressBook::sharedAddressBook()->stopWatching();
        platform::AddressBook::sharedAddressBook()->setFolder({});
        platform::ui::Scheduler::shared()->setVirtualClock(false);
        PLModelManager::destroySharedInstance();
        PLPersistence::cleanUp();
    }
    SmartScreensWorld(const SmartScreensWorld&) = delete;
    SmartScreensWorld& operator=(const SmartScreensWorld&) = delete;

    qint32 me() const { return qint32(fixture.userID()); }

    // The stand-in's stylesheets, forms and catalogue, as the bring-up stores them.
    void downloadSmartFixtures(bool withCatalogue = true) {
        bool sheets = false;
        bool forms = false;
        bool catalogue = !withCatalogue;
        QVERIFY(
            SmartBringUpDownloads::startFetchingXSLT([&](bool ok, const PLOptionalError&, const QString&) {
                sheets = true;
                QVERIFY(ok);
            }));
        QVERIFY(SmartBringUpDownloads::updateFormJSONs([&](bool ok, const PLOptionalError&, const QString&) {
            forms = true;
            QVERIFY(ok);
        }));
        if (withCatalogue)
            PLChatletCategoryItems::updateChaletsWithCompletionHandler([&](bool ok) { catalogue = ok; });
        QTRY_VERIFY(sheets && forms && catalogue);
    }

    // Bob and Carol on the stand-in, and a room of the three there that Ann administers.
    void seedRoom(const QString& roomId, const QString& name = QStringLiteral("Ops")) {
        fixture.server().seed(
            QJsonObject{{"org", "acme"},
                        {"users", QJsonArray{QJsonObject{{"id", kBob},
                                                         {"email", "bob@acme.test"},
                                                         {"name", "Bob"},
                                                         {"token", QString::fromLatin1(kBobToken)}},
                                             QJsonObject{{"id", kCarol},
                                                         {"email", "carol@acme.test"},
                                                         {"name", "Carol"},
                                                         {"token", "c4r0l"}}}},
                        {"rooms", QJsonArray{QJsonObject{{"_id", roomId},
                                                         {"name", name},
                                                         {"members", QJsonArray{me(), kBob, kCarol}},
                                                         {"admin", me()}}}}});
    }

    // A room as the room list brings it: Ann, Bob and Carol as members.
    ChatRoom::Ptr importRoom(const QString& roomId, const QString& name = QStringLiteral("Ops")) {
        const QVariantMap json{
            {"_id", roomId},
            {"name", name},
            {"type", "2"},
            {"members",
             QVariantList{QVariantMap{{"userId", QString::number(me())}, {"isCreator", 1}},
                          QVariantMap{{"userId", kBob}, {"user", QVariantMap{{"name", "Bob"}}}},
                          QVariantMap{{"userId", kCarol}, {"user", QVariantMap{{"name", "Carol"}}}}}}};
        return ChatRoom::updateChatRoomsWithArray(QVariantList{json}).value(0);
    }

    // A message as the event stream brings it (imported on this thread, no notification).
    Message::Ptr importMessage(const ChatRoom::Ptr& room, const QString& id, qint64 date, const QString& text,
                               qint32 sender, const QString& type = QStringLiteral("message")) {
        const QVariantMap json{{"_id", id},
                               {"type", type},
                               {"date", double(date)},
                               {"text", text},
                               {"sender", QString::number(sender)},
                               {"senderObj", QVariantMap{{"userId", sender}, {"name", nameOf(sender)}}}};
        return room->updateMessageDict(json, false, {});
    }

    static QString nameOf(qint32 user) {
        return user == kBob     ? QStringLiteral("Bob")
               : user == kCarol ? QStringLiteral("Carol")
                                : QStringLiteral("Ann");
    }

    // The host screen in a navigation controller, on screen.
    ChatletHost* showHost(const ChatRoom::Ptr& room = {}, QSize size = QSize(320, 568)) {
        window = std::make_unique<platform::ui::Window>();
        window->resize(size);
        auto* host = new ChatletHost;
        host->room = room;
        host->setTitle(QStringLiteral("Ops"));
        navigation = new platform::ui::NavigationController(host);
        window->setRootViewController(navigation);
        window->show();
        QCoreApplication::processEvents();
        return host;
    }

    // The alert on top, or null.
    platform::ui::AlertView* topAlert() const {
        const auto alerts = window ? window->alerts() : QList<platform::ui::AlertView*>{};
        return alerts.isEmpty() ? nullptr : alerts.last();
    }
    QStringList alertTexts() const {
        QStringList texts;
        for (auto* alert : window ? window->alerts() : QList<platform::ui::AlertView*>{})
            texts << alert->title() + QStringLiteral(" / ") + alert->message();
        return texts;
    }
    void dismissAlerts() {
        for (auto* alert : window ? window->alerts() : QList<platform::ui::AlertView*>{})
            alert->dismiss();
    }
    static void advance(qint64 ms) { platform::ui::Scheduler::shared()->advance(ms); }
    // Lets deferred work (queued calls, the busy overlay's dismissal) run.
    static void settle() {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
            platform::ui::Scheduler::shared()->advance(0);
        }
    }

    CoreFixture fixture;
    QTemporaryDir contactsFolder;
    platform::ui::RecordingSystemServices* services = nullptr;
    std::unique_ptr<platform::ui::Window> window;
    platform::ui::NavigationController* navigation = nullptr;
};

// A person written as a card file into the address book's folder.
inline void writeCard(const QString& folder, const QString& fileName, const QByteArray& card) {
    QFile file(folder + QLatin1Char('/') + fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(card);
}

} // namespace pelnix::test
