#include "GalleryChatlets.h"

#include "GalleryConversation.h"

#include "core/api/PLAppConfigurations.h"
#include "core/model/ChatRoom.h"
#include "core/model/FormJSON.h"
#include "core/model/Message.h"
#include "core/model/StyleSheetXSLT.h"
#include "core/model/User.h"
#include "platform/AddressBook.h"
#include "platform/PlistCodec.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/testing/FakeWebView.h"
#include "smart/PLChatletCategoryItems.h"
#include "smart/PLSmartMessageInfo.h"
#include "smart/SmartFormManager.h"
#include "smart/SmartMessageRenderer.h"
#include "standin/SmartFixtures.h"
#include "ui/conversation/ChatletScreens.h"
#include "ui/conversation/PLAddressBookContactViewController.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLChatWindowSearchViewController.h"
#include "ui/conversation/PLChatWindowViewController.h"
#include "ui/conversation/PLChatletFormView.h"
#include "ui/conversation/PLChatletListFieldView.h"
#include "ui/conversation/PLChatletMessageBuilder.h"
#include "ui/conversation/PLChatletTextFieldView.h"
#include "ui/conversation/PLContactDetailViewController.h"
#include "ui/conversation/PLPagePlaceholderView.h"
#include "ui/conversation/PLPostChatletViewController.h"
#include "ui/conversation/PLReplyWebViewController.h"
#include "ui/conversation/PLSmartMessageCell.h"
#include "ui/toolkit/PLCustomSearchTextField.h"
#include "ui/toolkit/PLCustomTextField.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QTimer>

namespace pelnix::tools {

using platform::ui::NavigationController;
using platform::ui::ScreenRegistry;
using platform::ui::ViewController;

namespace {

const QString kGallery = QStringLiteral("GalleryChatlets");
const QString kRoom = QStringLiteral("chatlets");
constexpr qint32 kAnn = 41;
constexpr qint32 kBob = 42;
constexpr qint32 kCarol = 43;

using standin::SmartFixtures::fixture;

// Runs the event loop until `done` holds or `ms` have passed (pages render on their own time).
void waitUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) {
        QEventLoop loop;
        QTimer::singleShot(25, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

void settle(int ms) {
    waitUntil([] { return false; }, ms);
}

// The stand-in's stylesheets, forms and catalogue, the room with its chatlets and the address book's
// people, added once to the conversation gallery's store.
class ChatletGalleryData {
public:
    static ChatletGalleryData& shared() {
        static ChatletGalleryData data;
        return data;
    }
    ChatRoom::Ptr room() const { return ChatRoom::chatRoomWithID(kRoom); }
    Message::Ptr poll() const { return Message::messageWithFormID(QStringLiteral("GALLERY-POLL")); }

private:
    ChatletGalleryData() {
        openConversationGalleryStore();
        ChatletScreens::registerScreens();
        storeSmartDefinitions();
        fillRoom();
        writePeople();
    }

    static void storeSmartDefinitions() {
        const QList<std::tuple<const char*, const char*, const char*>> sheets{
            {"poll", "form", "poll.xsl"},         {"poll", "detailform", "poll-details.xsl"},
            {"location", "form", "location.xsl"}, {"contact", "form", "contact.xsl"},
            {"image", "form", "image.xsl"},       {"file", "form", "file.xsl"}};
        for (const auto& [name, category, file] : sheets) {
            auto sheet = StyleSheetXSLT::PS_createEntity();
            sheet->setName(QLatin1String(name));
            sheet->setCategory(QLatin1String(category));
            sheet->setData(QString::fromUtf8(fixture(QLatin1String(file))));
        }
        for (const QJsonValue& entry : QJsonDocument::fromJson(fixture(QStringLiteral("forms.json")))
                                           .object()
                                           .value(QStringLiteral("forms"))
                                           .toArray()) {
            const QJsonObject form = entry.toObject();
            auto row = FormJSON::PS_createEntity();
            row->setName(form.value(QStringLiteral("name")).toString());
            row->setCategory(form.value(QStringLiteral("category")).toString());
            row->setData(
                QString::fromUtf8(QJsonDocument(form.value(QStringLiteral("data")).toObject()).toJson()));
        }
        const QVariantMap catalogue = QJsonDocument::fromJson(fixture(QStringLiteral("chatlets.json")))
                                          .object()
                                          .value(QStringLiteral("categories"))
                                          .toObject()
                                          .toVariantMap();
        const QString path = PLChatletCategoryItems::catalogueFilePath(
            PLAppConfigurations::currentConfiguration()->chatletVersion());
        QDir().mkpath(QFileInfo(path).absolutePath());
        platform::PlistCodec::writeFile(path, catalogue);
    }

    static QString nameOf(qint32 user) {
        return user == kBob     ? QStringLiteral("Bob")
               : user == kCarol ? QStringLiteral("Carol")
                                : QStringLiteral("Ann");
    }

    static void receive(const ChatRoom::Ptr& room, const QString& id, qint64 date, qint32 sender,
                        const QString& type, const QString& text) {
        const QVariantMap json{{"_id", id},
                               {"type", type},
                               {"date", double(date)},
                               {"text", text},
                               {"sender", QString::number(sender)},
                               {"senderObj", QVariantMap{{"userId", sender}, {"name", nameOf(sender)}}}};
        if (const auto message = room->updateMessageDict(json, false, {})) {
            message->setState(1);
            message->save();
        }
    }

    static void fillRoom() {
        const QVariantMap json{
            {"_id", kRoom},
            {"name", "Lunch club"},
            {"type", "2"},
            {"members",
             QVariantList{QVariantMap{{"userId", kAnn}, {"isCreator", 1}},
                          QVariantMap{{"userId", kBob}, {"user", QVariantMap{{"name", "Bob"}}}},
                          QVariantMap{{"userId", kCarol}, {"user", QVariantMap{{"name", "Carol"}}}}}}};
        const auto room = ChatRoom::updateChatRoomsWithArray(QVariantList{json}).value(0);
        const qint64 start = QDateTime(QDate::currentDate(), QTime(11, 30)).toMSecsSinceEpoch();
        receive(room, "t1", start, kBob, "message", "Where shall we eat today?");
        // A poll three votes into its life, as the service re-announces it.
        QJsonObject poll =
            QJsonDocument::fromJson(PLChatletMessageBuilder::newChatletJSON(
                                        QStringLiteral("poll"),
                                        PLPostChatletViewController::storedForm(QStringLiteral("poll")),
                                        {{"title", "Lunch"},
                                         {"question", "Where shall we go?"},
                                         {"options", QStringList{"Café Zoë", "The dock", "Pizza place"}}},
                                        QStringLiteral("GALLERY-POLL"))
                                        .toUtf8())
                .object();
        QJsonObject content = poll.value("content").toObject();
        QJsonArray options = content.value("options").toArray();
        const int votes[] = {2, 1, 0};
        for (int i = 0; i < options.size(); ++i) {
            QJsonObject option = options[i].toObject();
            option.insert("votes", votes[i]);
            options[i] = option;
        }
        content.insert("options", options);
        poll.insert("content", content);
        poll.insert("latestAction", "reply");
        poll.insert("currentsender", QString::number(kCarol));
        poll.insert("summary", QJsonObject{{"numresp", 3}});
        receive(room, "p1", start + 60000, kBob, "smartmessage",
                QString::fromUtf8(QJsonDocument(poll).toJson(QJsonDocument::Compact)));
        QString location =
            SmartFormManager::constructCheckInRequestWithLocationDict({{"location", "52.520, 13.405"},
                                                                       {"accuracy", "12"},
                                                                       {"locname", "Café Zoë"},
                                                                       {"lat", "52.520"},
                                                                       {"lng", "13.405"},
                                                                       {"username", "Carol"},
                                                                       {"date", "11:42"}});
        location.replace(QStringLiteral("\"formid\": \"\""),
                         QStringLiteral("\"formid\": \"GALLERY-LOCATION\""));
        receive(room, "l1", start + 12 * 60000, kCarol, "smartmessage", location);
        QString contact = SmartFormManager::constructShareContactJsonFromDictionary(
            {{"name", "Zoë Lee"},
             {"phone", QVariantList{QVariantMap{{"label", "mobile"}, {"phone", "+49 30 1234 567"}}}},
             {"email", QVariantList{QVariantMap{{"label", "work"}, {"email", "zoe@cafe.test"}}}}});
        contact.replace(QStringLiteral("\"formid\": \"\""),
                        QStringLiteral("\"formid\": \"GALLERY-CONTACT\""));
        receive(room, "c1", start + 14 * 60000, kAnn, "smartmessage", contact);
        receive(room, "t2", start + 15 * 60000, kCarol, "message", "See you at noon!");
    }

    static void writePeople() {
        auto* book = platform::AddressBook::sharedAddressBook();
        book->setAuthorizationStatus(platform::AddressBook::Authorization::Authorized);
        QDir().mkpath(book->folder());
        const QStringList first{
            "Anna", "Ben",  "Carla", "Dmitri", "Emma", "Farid", "Greta",         "Hugo",    "Ines", "Jon",
            "Kai",  "Lena", "Mia",   "Nils",   "Olga", "Paul",  "Quinn",         "Rosa",    "Sven", "Tara",
            "Uma",  "Vik",  "Wen",   "Xavi",   "Yara", "Zoë",   "Ada",           "Bo",      "Cy",   "Dan",
            "Eli",  "Fay",  "Gus",   "Hal",    "Ivy",  "Jo",    "3D Print Shop", "#support"};
        for (int i = 0; i < first.size(); ++i) {
            QFile file(book->folder() + QStringLiteral("/p%1.vcf").arg(i));
            if (!file.open(QIODevice::WriteOnly))
                continue;
            file.write("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lee;" + first[i].toUtf8() +
                       ";;;\r\nTEL;TYPE=CELL:+49 30 555 01" + QByteArray::number(10 + i) +
                       "\r\nTEL;TYPE=WORK:+49 30 555 02" + QByteArray::number(10 + i) +
                       "\r\nEMAIL;TYPE=WORK:" + first[i].toLower().toUtf8().replace(' ', '.') +
                       "@example.test\r\nEND:VCARD\r\n");
        }
    }
};

// A navigation controller over `top`.
NavigationController* inNavigation(ViewController* top) {
    return new NavigationController(top);
}

PLChatWindowViewController* chatWindowOf(ViewController* controller) {
    auto* navigation = qobject_cast<NavigationController*>(controller);
    return navigation ? qobject_cast<PLChatWindowViewController*>(navigation->viewControllers().value(0))
                      : nullptr;
}

// Every smart cell on screen has its page loaded and shown.
bool pagesShown(PLChatWindowCollectionView* list) {
    for (auto* cell : list->visibleCells())
        if (auto* smart = qobject_cast<PLSmartMessageCell*>(cell))
            if (!smart->isPageShown())
                return false;
    return true;
}

// The stale mark's screen: a smart cell showing an older copy of the poll, under the room's bar as the
// chat window shows its rows. The row takes the screen's width; a popover shown from its mark is shown
// again from where the mark then is.
class StaleCopyScreen : public ViewController {
public:
    static constexpr int kRowTop = 8;
    PLSmartMessageCell* cell = nullptr;

    StaleCopyScreen() { setTitle(QStringLiteral("Lunch club")); }

    void placeRow() {
        if (cell)
            cell->setGeometry(0, kRowTop, view()->width(), int(cell->cellHeight()));
    }

protected:
    QWidget* loadView() override {
        auto* page = new QWidget;
        page->setAutoFillBackground(true);
        QPalette palette = page->palette();
        palette.setColor(QPalette::Window, Qt::white);
        page->setPalette(palette);
        cell = new PLSmartMessageCell(page);
        cell->setObjectName(QStringLiteral("staleCopyCell"));
        page->installEventFilter(this);
        return page;
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == view() && event->type() == QEvent::Resize && cell) {
            placeRow();
            if (cell->staleIndicatorInfoPopoverController()) {
                cell->dismissPopOverButtonClickHandler();
                cell->staleIndicatorTapped();
            }
        }
        return ViewController::eventFilter(watched, event);
    }
};

// A web view whose every load fails, as a page the browser engine cannot show.
class FailingWebView : public platform::ui::FakeWebView {
public:
    using FakeWebView::FakeWebView;
    void loadHTMLString(const QString& html, const QUrl& baseURL) override {
        FakeWebView::loadHTMLString(html, baseURL);
        QMetaObject::invokeMethod(
            this, [this] { failLoad(PLError(QString::fromLatin1(ErrorDomain), UnknownError)); },
            Qt::QueuedConnection);
    }
};

// The poll's row when its page could not load: the placeholder names what it holds over its note.
class PagePlaceholderScreen : public StaleCopyScreen {
protected:
    QWidget* loadView() override {
        // For this row's page only: the gallery's other pages are the engine's.
        platform::ui::WebView::setMaker([](QWidget* parent) { return new FailingWebView(parent); });
        QWidget* page = StaleCopyScreen::loadView();
        platform::ui::WebView::setMaker({});
        return page;
    }
};

// The poll as the chat window's snapshot of it shows it.
void loadPoll(PLSmartMessageCell* cell) {
    const auto poll = ChatletGalleryData::shared().poll();
    auto snapshot = std::make_shared<PLSmartMessageInfo>(
        poll->senderUser(), poll->fromUser(), poll->chatWindowTimeString(),
        SmartMessageRenderer::htmlString(poll), 0.0, poll->detailsLinkVisibility(), poll->latestAction(),
        poll);
    cell->loadCellFromSmartMessageInfo(PLChatWindowCellContent(snapshot));
}

const QList<std::pair<QString, QSize>>& screens() {
    static const QList<std::pair<QString, QSize>> list{
        {QStringLiteral("ChatRoomWithChatlets"), QSize(320, 568)},
        {QStringLiteral("ChatRoomWithChatlets400x720"), QSize(400, 720)},
        {QStringLiteral("StaleMarkPopover"), QSize(320, 568)},
        {QStringLiteral("PagePlaceholder"), QSize(320, 568)},
        {QStringLiteral("PagePlaceholderRightToLeft"), QSize(320, 568)},
        {QStringLiteral("ChatletDetails"), QSize(320, 568)},
        {QStringLiteral("SearchWithResults"), QSize(320, 568)},
        {QStringLiteral("SearchWithoutResults"), QSize(320, 568)},
        {QStringLiteral("ShareContactList"), QSize(320, 568)},
        {QStringLiteral("ShareContactListRightToLeft"), QSize(320, 568)},
        {QStringLiteral("ShareContactDetail"), QSize(320, 568)},
        {QStringLiteral("ShareContactDetailRightToLeft"), QSize(320, 568)},
        {QStringLiteral("ComposerPicker"), QSize(320, 568)},
        {QStringLiteral("ComposerPollForm"), QSize(320, 568)},
        {QStringLiteral("ComposerPollForm400x720"), QSize(400, 720)},
        {QStringLiteral("ComposerFormTooLarge"), QSize(320, 568)},
        {QStringLiteral("ComposerFormTooLarge400x720"), QSize(400, 720)},
    };
    return list;
}

ViewController* makeScreen(const QString& identifier) {
    ChatletGalleryData& data = ChatletGalleryData::shared();
    if (identifier.startsWith(QLatin1String("ChatRoomWithChatlets")) ||
        identifier.startsWith(QLatin1String("Search"))) {
        auto* chat = new PLChatWindowViewController;
        chat->setChatRoom(data.room());
        return inNavigation(chat);
    }
    if (identifier == QLatin1String("StaleMarkPopover"))
        return inNavigation(new StaleCopyScreen);
    if (identifier.startsWith(QLatin1String("PagePlaceholder"))) {
        NavigationController* navigation = inNavigation(new PagePlaceholderScreen);
        // Mirrored: the name and the note start at the box's right.
        if (identifier.endsWith(QLatin1String("RightToLeft")))
            navigation->view()->setLayoutDirection(Qt::RightToLeft);
        return navigation;
    }
    if (identifier == QLatin1String("ChatletDetails")) {
        auto* details = new PLReplyWebViewController;
        const auto poll = data.poll();
        details->setMessage(poll);
        details->setLinkType(PLReplyWebViewController::kDetailsLinkType);
        details->setLinkInfo(
            {{"SmartType", "poll"}, {"ParamInfoDict", QVariantMap{{"displayname", "Poll"}}}});
        auto* host = new ViewController;
        host->setTitle(QStringLiteral("Lunch club"));
        auto* navigation = inNavigation(host);
        navigation->pushViewController(details, false);
        return navigation;
    }
    if (identifier.startsWith(QLatin1String("ShareContact"))) {
        ViewController* list =
            ScreenRegistry::shared()->instantiate(PLAddressBookContactViewController::kStoryboard,
                                                  PLAddressBookContactViewController::kNavigationIdentifier);
        // Mirrored: the names and the sections' titles at the right, their lines running to the left;
        // the person's picture, icons and texts at the right, the ticks at the left.
        if (list && identifier.endsWith(QLatin1String("RightToLeft")))
            list->view()->setLayoutDirection(Qt::RightToLeft);
        return list;
    }
    return ScreenRegistry::shared()->instantiate(PLPostChatletViewController::kStoryboard,
                                                 PLPostChatletViewController::kNavigationIdentifier);
}

void prepare(const QString& identifier, ViewController* controller) {
    ChatletGalleryData& data = ChatletGalleryData::shared();
    if (PLChatWindowViewController* chat = chatWindowOf(controller)) {
        // Rows grow as their pages are measured: placed again until nothing changes. The phone-sized
        // room shows the poll at its top, the larger one its end.
        const bool atPoll = identifier == QLatin1String("ChatRoomWithChatlets");
        for (int pass = 0; pass < 3; ++pass) {
            waitUntil([chat] { return pagesShown(chat->collectionView()); }, 20000);
            settle(100);
            const int poll = chat->rowList().indexOfMessage(data.poll().get());
            if (atPoll && poll >= 0)
                chat->collectionView()->scrollToItemAtIndexPath(
                    platform::ui::IndexPath::forItem(poll), platform::ui::CollectionView::ScrollPosition::Top,
                    false);
            else
                chat->collectionView()->scrollToBottomAnimated(false);
        }
        if (identifier.startsWith(QLatin1String("Search"))) {
            chat->chatWindowSearchClicked();
            auto* search = qobject_cast<PLChatWindowSearchViewController*>(
                chat->navigationController()->topViewController());
            if (!search)
                return;
            auto* field = search->searchView()->searchTextField();
            // As typed: the field takes the typing font and tells the screen.
            field->setFocus();
            const QString typed = identifier == QLatin1String("SearchWithResults") ? QStringLiteral("lunch")
                                                                                   : QStringLiteral("zebra");
            for (const QChar c : typed) {
                QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
                QCoreApplication::sendEvent(field, &press);
            }
            waitUntil([search] { return pagesShown(search->searchCollectionView()); }, 20000);
        }
        settle(300);
        return;
    }
    auto* navigation = qobject_cast<NavigationController*>(controller);
    if (!navigation)
        return;
    if (auto* failed = dynamic_cast<PagePlaceholderScreen*>(navigation->topViewController())) {
        loadPoll(failed->cell);
        waitUntil([failed] { return failed->cell->pagePlaceholder()->isVisible(); }, 5000);
        failed->placeRow();
        settle(100);
        return;
    }
    if (auto* stale = dynamic_cast<StaleCopyScreen*>(navigation->topViewController())) {
        loadPoll(stale->cell);
        stale->cell->setWebViewLoadCompletionHandler(
            [cell = stale->cell](bool) { cell->showWebViewAnimated(false); });
        stale->placeRow();
        waitUntil([stale] { return stale->cell->isPageShown(); }, 20000);
        stale->placeRow();
        stale->cell->staleIndicatorTapped();
        settle(300);
        return;
    }
    if (auto* details = qobject_cast<PLReplyWebViewController*>(navigation->topViewController())) {
        waitUntil([details] { return !details->webview()->isLoading() && details->loadedHTMLContent(); },
                  20000);
        settle(600);
        return;
    }
    if (auto* list = qobject_cast<PLAddressBookContactViewController*>(navigation->topViewController())) {
        waitUntil([list] { return !list->addressBookContacts().isEmpty() && !list->isReadingAddressBook(); },
                  5000);
        settle(200);
        if (identifier.startsWith(QLatin1String("ShareContactDetail"))) {
            list->didSelectRowAtIndexPath(list->contactsTableView(), {1, 0});
            auto* detail = qobject_cast<PLContactDetailViewController*>(navigation->topViewController());
            if (detail) {
                waitUntil([detail] { return !detail->isReadingPerson(); }, 5000);
                detail->didSelectRowAtIndexPath(detail->contactDetailtableView(), {0, 0});
                detail->didSelectRowAtIndexPath(detail->contactDetailtableView(), {1, 0});
            }
            settle(200);
        }
        return;
    }
    if (auto* composer = qobject_cast<PLPostChatletViewController*>(navigation->topViewController())) {
        if (identifier.startsWith(QLatin1String("ComposerFormTooLarge"))) {
            // A reply whose compose link carries 20,000 fields.
            QVariantList fields;
            for (int i = 0; i < 20000; ++i)
                fields << QVariantMap{
                    {"id", QStringLiteral("f%1").arg(i)}, {"type", "text"}, {"label", "Field"}};
            auto* reply = new PLPostChatletViewController;
            reply->configureWithMessageType(QStringLiteral("poll"),
                                            {{"formid", "F-LARGE"}, {"displayname", "Poll"}},
                                            {{"name", "compose"}, {"label", "Vote"}, {"fields", fields}},
                                            nullptr, std::nullopt, PLPostChatletViewController::Reply);
            navigation->pushViewController(reply, false);
        }
        if (identifier.startsWith(QLatin1String("ComposerPollForm"))) {
            composer->chatletPicked({{"name", "poll"}});
            auto* form = qobject_cast<PLPostChatletViewController*>(navigation->topViewController());
            if (!form || !form->formView())
                return;
            qobject_cast<PLChatletTextFieldView*>(form->formView()->fieldView("title"))
                ->setText(QStringLiteral("Lunch"));
            qobject_cast<PLChatletTextFieldView*>(form->formView()->fieldView("question"))
                ->setText(QStringLiteral("Where shall we go on Friday?"));
            auto* options = qobject_cast<PLChatletListFieldView*>(form->formView()->fieldView("options"));
            options->entryFields()[0]->setText(QStringLiteral("Café Zoë"));
            options->entryFields()[1]->setText(QStringLiteral("The dock"));
        }
        settle(200);
    }
}

} // namespace

QSize chatletGallerySize(const QString& identifier) {
    for (const auto& [name, size] : screens())
        if (name == identifier)
            return size;
    return QSize(320, 568);
}

void registerChatletGalleryScreens() {
    // The conversation's own screens are listed with the gallery's, before any of them is made.
    ChatletScreens::registerScreens();
    auto* registry = ScreenRegistry::shared();
    for (const auto& [name, size] : screens()) {
        const QString identifier = name;
        const QSize windowSize = size;
        registry->registerScreen(
            kGallery, identifier, [identifier] { return makeScreen(identifier); },
            [identifier, windowSize](ViewController* controller) {
                if (QWidget* window = controller->view()->window())
                    window->resize(windowSize);
                prepare(identifier, controller);
            });
    }
}

} // namespace pelnix::tools
