// The chatlet composer: the picker over the catalogue in the swipe container, forms built from the
// downloaded definitions, replies through a chatlet's compose link, and the composed message going
// to the service and on to another member's event stream.
#include "KeyPresses.h"
#include "MirroredGeometry.h"
#include "SmartScreensTestWorld.h"

#include "core/api/PLAppConfigurations.h"
#include "core/model/PendingMessageInfo.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/ScreenRegistry.h"
#include "smart/MessageLinkProcessing.h"
#include "ui/conversation/PLAddressBookContactViewController.h"
#include "ui/conversation/PLChatletCategoryViewController.h"
#include "ui/conversation/PLChatletChoiceFieldView.h"
#include "ui/conversation/PLChatletFormView.h"
#include "ui/conversation/PLChatletListFieldView.h"
#include "ui/conversation/PLChatletMessageBuilder.h"
#include "ui/conversation/PLChatletPickedValueFieldView.h"
#include "ui/conversation/PLChatletTextFieldView.h"
#include "ui/conversation/PLContactDetailViewController.h"
#include "ui/conversation/PLLocationScreenInput.h"
#include "ui/conversation/PLPostChatletViewController.h"
#include "ui/toolkit/PLChatletCategoryCollectionViewCell.h"
#include "ui/toolkit/PLCustomTextField.h"
#include "ui/toolkit/PLSwipeViewController.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPaintEvent>
#include <QScopeGuard>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::NavigationController;
using platform::ui::ScreenRegistry;
using platform::ui::ViewController;

namespace {

QVariantList textFields(int count, const QString& label = QStringLiteral("Field")) {
    QVariantList fields;
    for (int i = 0; i < count; ++i)
        fields << QVariantMap{{"id", QStringLiteral("f%1").arg(i)}, {"type", "text"}, {"label", label}};
    return fields;
}

QVariantList choiceField(int choices, const QString& text = QStringLiteral("Option")) {
    QVariantList list;
    for (int i = 0; i < choices; ++i)
        list << QVariantMap{{"id", QString::number(i)}, {"text", text}};
    return {QVariantMap{{"id", "c"}, {"type", "choice"}, {"label", "Pick"}, {"choices", list}}};
}

QVariantMap parsed(const QString& json) {
    return QJsonDocument::fromJson(json.toUtf8()).object().toVariantMap();
}

void type(PLChatletFormFieldView* field, const QString& text) {
    auto* textField = qobject_cast<PLChatletTextFieldView*>(field);
    QVERIFY(textField);
    textField->setText(text);
}

// Where the row's title and description show ink in a picture of the row, from the first inked column
// of each to the last.
QList<QRect> rowInk(platform::ui::TableViewCell* row) {
    const QImage picture = row->grab().toImage();
    QList<QRect> inks;
    for (const QLabel* label : {row->textLabel(), row->detailTextLabel()}) {
        const QRect area(label->mapTo(row, QPoint()), label->size());
        const QImage look = picture.copy(area);
        QRect ink;
        for (int y = 0; y < look.height(); ++y)
            for (int x = 0; x < look.width(); ++x)
                if (look.pixel(x, y) != look.pixel(0, 0))
                    ink |= QRect(area.x() + x, area.y() + y, 1, 1);
        inks << ink;
    }
    return inks;
}

} // namespace

Q_DECLARE_METATYPE(pelnix::test::Turned)

class TestChatletComposer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        world = std::make_unique<SmartScreensWorld>();
        world->seedRoom(QStringLiteral("r1"));
        room = world->importRoom(QStringLiteral("r1"));
        host = world->showHost(room);
        // Every function composes from the downloaded forms: each must run alone too.
        world->downloadSmartFixtures();
        QVERIFY2(!PLPostChatletViewController::storedForm(QStringLiteral("poll")).isEmpty(),
                 "the poll's form was not downloaded");
        QVERIFY2(!PLChatletCategoryItems::cachedCatalogue().isEmpty(),
                 "the chatlet catalogue was not downloaded");
    }
    void cleanupTestCase() { world.reset(); }
    // The sheets, forms and catalogue the first test fetches as it waits for them: fetched here for a
    // test run alone.
    void init() {
        if (QLatin1String(QTest::currentTestFunction()) !=
                QLatin1String("withoutACatalogueThePickerWaitsForOne") &&
            PLPostChatletViewController::composableCatalogue().isEmpty())
            world->downloadSmartFixtures();
    }
    void cleanup() {
        world->dismissAlerts();
        while (host->presentedViewController()) {
            host->dismissViewController(false);
            world->settle();
        }
        host->posts.clear();
        host->postsIntoRoom = false;
    }

    void withoutACatalogueThePickerWaitsForOne();
    void thePickerOffersWhatItCanCompose();
    void thePickersRowsReadFromTheLeadingEdge_data();
    void thePickersRowsReadFromTheLeadingEdge();
    void aPollIsComposedFromItsForm();
    void composedLinksAreClassifiedAsTheirActions();
    void aReplyAsksTheChoicesItsLinkCarries();
    void theRingOfAVoteOptionTabReachedLeavesItWhole();
    void aManyLineFieldsFrameFollowsTheKeys();
    void aContactChatletSharesAPersonFromTheAddressBook();
    void aLocationChatletNeedsTheLocationScreens();
    void thePostReachesTheServiceAndAnotherMembersStream();
    void formsPastTheBoundsAreNotBuilt_data();
    void formsPastTheBoundsAreNotBuilt();
    void aReplyWithATooLargeFormSendsNothing();
    void theTabsTakeTheKeys_data();
    void theTabsTakeTheKeys();
    void theShareTabsChatletsByTheKeyboardAlone();

private:
    PLPostChatletViewController* openComposer() {
        auto* navigation = qobject_cast<NavigationController*>(ScreenRegistry::shared()->instantiate(
            PLPostChatletViewController::kStoryboard, PLPostChatletViewController::kNavigationIdentifier));
        auto* composer = qobject_cast<PLPostChatletViewController*>(navigation->topViewController());
        composer->setPostChatletDelegate(host);
        host->presentViewController(navigation, false);
        world->settle();
        return composer;
    }
    // The picker over the host, in the window with the keys.
    PLSwipeViewController* openPickerWithTheKeys() {
        world->window->activateWindow();
        if (!QTest::qWaitForWindowActive(world->window.get()))
            return nullptr;
        return openComposer()->pickerViewController();
    }
    PLPostChatletViewController* topComposer() {
        auto* navigation = qobject_cast<NavigationController*>(host->presentedViewController());
        return navigation ? qobject_cast<PLPostChatletViewController*>(navigation->topViewController())
                          : nullptr;
    }
    PLPostChatletViewController* openForm(const QString& chatlet) {
        PLPostChatletViewController* picker = openComposer();
        picker->chatletPicked({{"name", chatlet}});
        world->settle();
        return topComposer();
    }
    PLPostChatletViewController* fillPoll() {
        PLPostChatletViewController* form = openForm(QStringLiteral("poll"));
        PLChatletFormView* view = form->formView();
        type(view->fieldView("title"), QStringLiteral("Lunch"));
        type(view->fieldView("question"), QStringLiteral("Where shall we go?"));
        auto* options = qobject_cast<PLChatletListFieldView*>(view->fieldView("options"));
        options->entryFields()[0]->setText(QStringLiteral("Café"));
        options->entryFields()[1]->setText(QStringLiteral("Dock"));
        options->addEntry();
        options->entryFields()[2]->setText(QStringLiteral("Pier"));
        return form;
    }

    std::unique_ptr<SmartScreensWorld> world;
    ChatRoom::Ptr room;
    ChatletHost* host = nullptr;
};

void TestChatletComposer::withoutACatalogueThePickerWaitsForOne() {
    const quint64 version = PLAppConfigurations::currentConfiguration()->chatletVersion();
    QFile::remove(PLChatletCategoryItems::catalogueFilePath(version));
    QVERIFY(PLChatletCategoryItems::cachedCatalogue().isEmpty());
    QVERIFY(
        world->fixture.server().addFault({"^/chatlets", "GET", 1, standin::StandinServer::FaultMode::Hold}));
    PLPostChatletViewController* composer = openComposer();
    QVERIFY(composer->showsPicker());
    QVERIFY(!composer->pickerViewController());
    auto* empty = composer->view()->findChild<platform::ui::Label*>(QStringLiteral("emptyLabel"));
    QVERIFY(empty && empty->isVisible());
    QCOMPARE(empty->text(), QStringLiteral("No chatlets available."));
    // The composer asked for the catalogue itself: the picker fills when it arrives.
    QTRY_COMPARE(world->fixture.server().heldCount(), 1);
    world->fixture.server().releaseHeld();
    QTRY_VERIFY(composer->pickerViewController());
    QVERIFY(composer->pickerViewController()->view()->isVisible());
    QVERIFY(!PLChatletCategoryItems::cachedCatalogue().isEmpty());
}

// Categories are the pages; only chatlets whose forms the composer fills are offered (pictures and
// files come through the attachments instead).
void TestChatletComposer::thePickerOffersWhatItCanCompose() {
    PLPostChatletViewController* composer = openComposer();
    QCOMPARE(composer->title(), QStringLiteral("Chatlets"));
    PLSwipeViewController* picker = composer->pickerViewController();
    QVERIFY(picker);
    QCOMPARE(picker->viewControllers().size(), 2);
    QCOMPARE(picker->titleCell(0)->titleLabel()->text(), QStringLiteral("EVERYDAY"));
    QCOMPARE(picker->titleCell(1)->titleLabel()->text(), QStringLiteral("SHARE"));
    auto* share = qobject_cast<PLChatletCategoryViewController*>(picker->viewControllers()[1]);
    QStringList offered;
    for (const QVariant& chatlet : share->chatlets())
        offered << chatlet.toMap().value("name").toString();
    QCOMPARE(offered, (QStringList{"location", "contact"}));
    picker->setSelectedIndex(1);
    QVERIFY(share->isVisible());
    QVERIFY(share->tableView()->cellForRowAtIndexPath({0, 1}));
    QVERIFY(composer->navigationItem()->leftBarButtonItem());
    composer->navigationItem()->leftBarButtonItem()->trigger();
    world->settle();
    QVERIFY(!host->presentedViewController());
}

void TestChatletComposer::thePickersRowsReadFromTheLeadingEdge_data() {
    QTest::addColumn<Turned>("turned");
    QTest::newRow("the program right to left") << Turned::Program;
    QTest::newRow("the page turned while shown") << Turned::WhileShown;
}

// Right to left, a row's title and description start at its right, where its left to right twin's
// end at its left: the row mirrored, as every list of the library's is.
void TestChatletComposer::thePickersRowsReadFromTheLeadingEdge() {
    QFETCH(Turned, turned);
    const auto restore = qScopeGuard([] { QGuiApplication::setLayoutDirection(Qt::LeftToRight); });
    const auto firstRow = [this](PLPostChatletViewController* composer) -> platform::ui::TableViewCell* {
        PLSwipeViewController* picker = composer->pickerViewController();
        auto* page = picker
                         ? qobject_cast<PLChatletCategoryViewController*>(picker->viewControllers().value(0))
                         : nullptr;
        world->settle();
        return page ? page->tableView()->cellForRowAtIndexPath({0, 0}) : nullptr;
    };
    platform::ui::TableViewCell* row = firstRow(openComposer());
    QVERIFY(row);
    const QList<QRect> leftToRight = rowInk(row);
    QVERIFY(!leftToRight[0].isEmpty() && !leftToRight[1].isEmpty());
    QVERIFY(leftToRight[0].left() < row->width() / 4);
    if (turned == Turned::Program) {
        cleanup();
        QGuiApplication::setLayoutDirection(Qt::RightToLeft);
        row = firstRow(openComposer());
        QVERIFY(row);
    } else {
        host->presentedViewController()->view()->setLayoutDirection(Qt::RightToLeft);
        world->settle();
    }
    QCOMPARE(row->layoutDirection(), Qt::RightToLeft);
    const QList<QRect> rightToLeft = rowInk(row);
    for (int line = 0; line < 2; ++line) {
        const QRect mirrored = test::mirroredIn(row->width(), leftToRight[line]);
        // As wide as left to right, but for a column of antialiasing.
        QVERIFY2(qAbs(rightToLeft[line].left() - mirrored.left()) <= 1 &&
                     qAbs(rightToLeft[line].right() - mirrored.right()) <= 1,
                 qPrintable(QStringLiteral("line %1 inked from x %2 to %3, mirrored from %4 to %5")
                                .arg(line)
                                .arg(rightToLeft[line].left())
                                .arg(rightToLeft[line].right())
                                .arg(mirrored.left())
                                .arg(mirrored.right())));
    }
}

void TestChatletComposer::aPollIsComposedFromItsForm() {
    const qint64 usedBefore = PLChatletCategoryItems::mostUsedChatlets().value("poll").toLongLong();
    PLPostChatletViewController* form = openForm(QStringLiteral("poll"));
    QVERIFY(form && !form->showsPicker());
    QCOMPARE(form->title(), QStringLiteral("Poll"));
    QCOMPARE(PLChatletCategoryItems::mostUsedChatlets().value("poll").toLongLong(), usedBefore + 1);
    PLChatletFormView* view = form->formView();
    QCOMPARE(view->fieldViews().size(), 3);
    auto* options = qobject_cast<PLChatletListFieldView*>(view->fieldView("options"));
    QCOMPARE(options->entryFields().size(), 2);
    // Typed values read in the text colour, apart from the placeholders' grey.
    const QColor placeholderGrey(0x99, 0x99, 0x99);
    for (QWidget* input : {view->fieldView("title")->findChild<QWidget*>(QStringLiteral("input")),
                           static_cast<QWidget*>(options->entryFields().first())}) {
        QVERIFY(input);
        QVERIFY(input->palette().color(QPalette::Text) != placeholderGrey);
    }

    form->sendBarButtonItem()->trigger();
    QCOMPARE(world->alertTexts(), QStringList{"Failed / Please fill in Title."});
    world->dismissAlerts();
    QVERIFY(host->posts.isEmpty());
    form = fillPoll();
    form->sendBarButtonItem()->trigger();
    world->settle();
    QCOMPARE(host->posts.size(), 1);
    QVERIFY(!host->posts.first().linkedMessage);
    QVERIFY(host->posts.first().selections.isEmpty());
    QVERIFY(!host->presentedViewController());

    const QVariantMap poll = parsed(host->posts.first().message);
    QCOMPARE(poll.value("type").toString(), QStringLiteral("primary"));
    QCOMPARE(poll.value("xslt").toString(), QStringLiteral("poll"));
    QCOMPARE(poll.value("displayname").toString(), QStringLiteral("Poll"));
    QCOMPARE(poll.value("latestAction").toString(), QStringLiteral("init"));
    QCOMPARE(poll.value("formid").toString().size(), 36);
    const QVariantMap content = poll.value("content").toMap();
    QCOMPARE(content.value("title").toString(), QStringLiteral("Lunch"));
    QCOMPARE(content.value("options").toList(), (QVariantList{QVariantMap{{"id", "1"}, {"text", "Café"}},
                                                              QVariantMap{{"id", "2"}, {"text", "Dock"}},
                                                              QVariantMap{{"id", "3"}, {"text", "Pier"}}}));
    QCOMPARE(poll.value("links").toList().size(), 3);
}

// The relative links resolve against the base URL to smart links the classification maps to the
// reply form, the details page and the comments page of this poll.
void TestChatletComposer::composedLinksAreClassifiedAsTheirActions() {
    const QVariantMap form = PLPostChatletViewController::storedForm(QStringLiteral("poll"));
    const QVariantMap poll = parsed(PLChatletMessageBuilder::newChatletJSON(
        QStringLiteral("poll"), form,
        {{"title", "T"}, {"question", "Q"}, {"options", QStringList{"a", "b+/=?"}}},
        QStringLiteral("F-LINKS")));
    const QUrl base(PLAppConfigurations::currentConfiguration()->baseURL());
    QList<int> types;
    for (const QVariant& entry : poll.value("links").toList()) {
        const QString href = entry.toMap().value("href").toString();
        const auto [linkType, info] =
            MessageLinkProcessing::classifyLink(base.resolved(QUrl(href)).toString(), base.toString());
        types << linkType;
        QCOMPARE(info.value(PLSmartType).toString(), QStringLiteral("poll"));
        QCOMPARE(info.value(PLParamInfoDict).toMap().value("formid").toString(), QStringLiteral("F-LINKS"));
        if (linkType == PLLinkTypeCompose) {
            const QVariantList fields = info.value(PLActionInfoDict).toMap().value("fields").toList();
            QCOMPARE(fields.size(), 1);
            QCOMPARE(fields.first().toMap().value("choices").toList().at(1).toMap().value("text").toString(),
                     QStringLiteral("b+/=?"));
        }
    }
    QCOMPARE(types, (QList<int>{PLLinkTypeCompose, PLLinkTypeDetails, PLLinkTypeComments}));
}

void TestChatletComposer::aReplyAsksTheChoicesItsLinkCarries() {
    const QVariantMap form = PLPostChatletViewController::storedForm(QStringLiteral("poll"));
    const QString json = PLChatletMessageBuilder::newChatletJSON(
        QStringLiteral("poll"), form, {{"title", "T"}, {"question", "Q"}, {"options", QStringList{"a", "b"}}},
        QStringLiteral("F-REPLY"));
    const auto message = world->importMessage(room, QStringLiteral("m-reply"), 5000, json, kBob,
                                              QStringLiteral("smartmessage"));
    const QString compose = parsed(json).value("links").toList().first().toMap().value("href").toString();
    const QUrl base(PLAppConfigurations::currentConfiguration()->baseURL());
    const auto [linkType, info] =
        MessageLinkProcessing::classifyLink(base.resolved(QUrl(compose)).toString(), base.toString());
    QCOMPARE(linkType, int(PLLinkTypeCompose));

    auto* navigation = qobject_cast<NavigationController*>(ScreenRegistry::shared()->instantiate(
        PLPostChatletViewController::kStoryboard, PLPostChatletViewController::kNavigationIdentifier));
    auto* composer = qobject_cast<PLPostChatletViewController*>(navigation->topViewController());
    composer->setPostChatletDelegate(host);
    composer->configureWithMessageType(
        info.value(PLSmartType).toString(), info.value(PLParamInfoDict).toMap(),
        info.value(PLActionInfoDict).toMap(), message, std::nullopt, PLPostChatletViewController::Reply);
    host->presentViewController(navigation, false);
    world->settle();
    QVERIFY(!composer->showsPicker());
    auto* choice = qobject_cast<PLChatletChoiceFieldView*>(composer->formView()->fieldView("option"));
    QVERIFY(choice);
    QCOMPARE(choice->choiceButtons().size(), 2);
    QCOMPARE(composer->formView()->titleLabel()->text(), QStringLiteral("Vote"));
    composer->sendBarButtonItem()->trigger();
    QCOMPARE(world->alertTexts(), QStringList{"Failed / Please fill in Your vote."});
    world->dismissAlerts();
    QTest::mouseClick(choice->choiceButtons()[1], Qt::LeftButton);
    QVERIFY(choice->choiceButtons()[1]->isSelected());
    composer->sendBarButtonItem()->trigger();
    QCOMPARE(host->posts.size(), 1);
    QCOMPARE(host->posts.first().linkedMessage, message);
    QCOMPARE(parsed(host->posts.first().message),
             parsed(PLChatletMessageBuilder::replyJSON("poll", "F-REPLY", {{"option", "2"}})));
}

// Tab on a vote's options: the ring drawn on the option with the keys covers nothing of its box or
// its text ("Sushi" read "Sush" under it).
void TestChatletComposer::theRingOfAVoteOptionTabReachedLeavesItWhole() {
    const QString json = PLChatletMessageBuilder::newChatletJSON(
        QStringLiteral("poll"), PLPostChatletViewController::storedForm(QStringLiteral("poll")),
        {{"title", "Lunch"}, {"question", "Where?"}, {"options", QStringList{"Sushi", "Pizza"}}},
        QStringLiteral("F-RING"));
    const auto message = world->importMessage(room, QStringLiteral("m-ring"), 6000, json, kBob,
                                              QStringLiteral("smartmessage"));
    const QUrl base(PLAppConfigurations::currentConfiguration()->baseURL());
    const QString compose = parsed(json).value("links").toList().first().toMap().value("href").toString();
    const auto [linkType, info] =
        MessageLinkProcessing::classifyLink(base.resolved(QUrl(compose)).toString(), base.toString());
    auto* navigation = qobject_cast<NavigationController*>(ScreenRegistry::shared()->instantiate(
        PLPostChatletViewController::kStoryboard, PLPostChatletViewController::kNavigationIdentifier));
    auto* composer = qobject_cast<PLPostChatletViewController*>(navigation->topViewController());
    composer->configureWithMessageType(
        info.value(PLSmartType).toString(), info.value(PLParamInfoDict).toMap(),
        info.value(PLActionInfoDict).toMap(), message, std::nullopt, PLPostChatletViewController::Reply);
    host->presentViewController(navigation, false);
    world->settle();
    QVERIFY(QTest::qWaitForWindowActive(world->window.get()));
    auto* choice = qobject_cast<PLChatletChoiceFieldView*>(composer->formView()->fieldView("option"));
    QVERIFY(choice);
    for (platform::ui::Button* option : choice->choiceButtons()) {
        const QImage plain = option->grab().toImage();
        for (int i = 0; i < 20 && QApplication::focusWidget() != option; ++i)
            QTest::keyClick(world->window->windowHandle(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), option);
        const QImage ringed = option->grab().toImage();
        QCOMPARE(ringed.size(), plain.size());
        // The ring: what the keys changed. The option: what differs from the form's white.
        int ring = 0;
        QStringList covered;
        for (int y = 0; y < plain.height(); ++y)
            for (int x = 0; x < plain.width(); ++x) {
                if (ringed.pixel(x, y) == plain.pixel(x, y))
                    continue;
                ++ring;
                const QColor under = plain.pixelColor(x, y);
                if (qMax(qMax(255 - under.red(), 255 - under.green()), 255 - under.blue()) > 40)
                    covered << QStringLiteral("(%1, %2)").arg(x).arg(y);
            }
        QVERIFY(ring > 0);
        QVERIFY2(covered.isEmpty(), qPrintable(option->titleForState(platform::ui::Button::State::Normal) +
                                               QStringLiteral(": ") + covered.join(' ')));
    }
}

// The frame of a many-line field tells whether it has the keys: it is painted anew, whole, as the
// keys come and go, not only where the caret was.
void TestChatletComposer::aManyLineFieldsFrameFollowsTheKeys() {
    PLPostChatletViewController* form = openForm(QStringLiteral("poll"));
    QVERIFY(QTest::qWaitForWindowActive(world->window.get()));
    auto* question = qobject_cast<QAbstractScrollArea*>(
        form->formView()->fieldView("question")->findChild<QWidget*>(QStringLiteral("input")));
    QVERIFY(question);
    struct PaintedRegion : QObject {
        QRegion region;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint)
                region += static_cast<QPaintEvent*>(event)->region();
            return false;
        }
    } painted;
    question->viewport()->installEventFilter(&painted);
    const QRect whole = question->viewport()->rect();
    for (const bool coming : {true, false}) {
        painted.region = QRegion();
        if (coming)
            question->setFocus(Qt::TabFocusReason);
        else
            QTest::keyClick(world->window->windowHandle(), Qt::Key_Tab);
        QCOMPARE(question->hasFocus(), coming);
        QTRY_VERIFY2(painted.region.contains(whole.topLeft()) && painted.region.contains(whole.bottomRight()),
                     coming ? "keys came" : "keys went");
    }
}

// The contact field opens the share-contact screens over the composer; the person's ticked values
// become the library's shared-contact message.
void TestChatletComposer::aContactChatletSharesAPersonFromTheAddressBook() {
    writeCard(world->contactsFolder.path(), "z.vcf",
              "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lee;Zoe;;;\r\nTEL;TYPE=CELL:555 0199\r\nEND:VCARD\r\n");
    PLPostChatletViewController* form = openForm(QStringLiteral("contact"));
    auto* field = qobject_cast<PLChatletPickedValueFieldView*>(form->formView()->fieldView("contact"));
    QVERIFY(field);
    QCOMPARE(field->pickButton()->titleForState(platform::ui::Button::State::Normal),
             QStringLiteral("Share Contact"));
    QTest::mouseClick(field->pickButton(), Qt::LeftButton);
    world->settle();
    auto* shareNavigation = qobject_cast<NavigationController*>(form->presentedViewController());
    QVERIFY(shareNavigation);
    auto* list = qobject_cast<PLAddressBookContactViewController*>(shareNavigation->topViewController());
    QVERIFY(list);
    QTRY_COMPARE(list->addressBookContacts().size(), 1);
    list->didSelectRowAtIndexPath(list->contactsTableView(), {0, 0});
    world->settle();
    auto* detail = qobject_cast<PLContactDetailViewController*>(shareNavigation->topViewController());
    QVERIFY(detail);
    QTRY_VERIFY(!detail->isReadingPerson());
    detail->didSelectRowAtIndexPath(detail->contactDetailtableView(), {0, 0});
    detail->doneButtonTapped();
    world->settle();
    QVERIFY(!form->presentedViewController());
    QCOMPARE(field->summaryLabel()->text(), QStringLiteral("Zoe Lee"));
    form->sendBarButtonItem()->trigger();
    QCOMPARE(host->posts.size(), 1);
    const QVariantMap shared = parsed(host->posts.first().message);
    QCOMPARE(shared.value("xslt").toString(), QStringLiteral("contact"));
    QVERIFY(!shared.value("formid").toString().isEmpty());
    const QVariantMap person = shared.value("content").toMap().value("media").toList().first().toMap();
    QCOMPARE(person.value("name").toString(), QStringLiteral("Zoe Lee"));
    QCOMPARE(person.value("phone").toList(),
             (QVariantList{QVariantMap{{"label", "mobile"}, {"phone", "555 0199"}}}));
}

void TestChatletComposer::theTabsTakeTheKeys_data() {
    addPressingKeys({"SHARE"});
}

// Tab reaches the picker's category tabs from where the keys are as it opens (its list); Space, Return
// and the keypad's Enter on SHARE show its chatlets, and a held key picks nothing on the list.
void TestChatletComposer::theTabsTakeTheKeys() {
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(int, repeats);
    PLSwipeViewController* picker = openPickerWithTheKeys();
    QVERIFY(picker);
    PLPostChatletViewController* composer = topComposer();
    QWindow* keys = world->window->windowHandle();
    QVERIFY(tabTo(keys, picker->titleCell(1)));
    // Tab's order reads the tabs in their order, EVERYDAY first.
    QTest::keyClick(keys, Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), picker->titleCell(0));
    QTest::keyClick(keys, Qt::Key_Tab);
    QTest::keyClick(keys, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("chatletTable"));
    QTest::keyClick(keys, Qt::Key_Backtab, Qt::ShiftModifier);
    pressKey(keys, Qt::Key(key), modifiers, repeats);
    world->settle();
    QCOMPARE(picker->selectedIndex(), 1);
    QVERIFY(picker->titleCell(1)->isSelected());
    QCOMPARE(QApplication::focusWidget(), picker->titleCell(1));
    QCOMPARE(topComposer(), composer);
    // And back to EVERYDAY.
    QTest::keyClick(keys, Qt::Key_Backtab, Qt::ShiftModifier);
    pressKey(keys, Qt::Key(key), modifiers, repeats);
    world->settle();
    QCOMPARE(picker->selectedIndex(), 0);
}

// SHARE's Contact, which only a click reached: Tab to the tab, Space, Tab to the list, Down, Return.
void TestChatletComposer::theShareTabsChatletsByTheKeyboardAlone() {
    PLSwipeViewController* picker = openPickerWithTheKeys();
    QVERIFY(picker);
    PLPostChatletViewController* composer = topComposer();
    QWindow* keys = world->window->windowHandle();
    QVERIFY(tabTo(keys, picker->titleCell(1)));
    QTest::keyClick(keys, Qt::Key_Space);
    world->settle();
    auto* share = qobject_cast<PLChatletCategoryViewController*>(picker->viewControllers()[1]);
    QVERIFY(tabTo(keys, share->tableView()));
    QTest::keyClick(keys, Qt::Key_Down);
    QTest::keyClick(keys, Qt::Key_Return);
    world->settle();
    PLPostChatletViewController* form = topComposer();
    QVERIFY(form && form != composer);
    QVERIFY(form->formView()->fieldView("contact"));
}

void TestChatletComposer::aLocationChatletNeedsTheLocationScreens() {
    PLPostChatletViewController* form = openForm(QStringLiteral("location"));
    auto* field = qobject_cast<PLChatletPickedValueFieldView*>(form->formView()->fieldView("location"));
    QVERIFY(field);
    QTest::mouseClick(field->pickButton(), Qt::LeftButton);
    QCOMPARE(world->alertTexts(), QStringList{"Failed / This is not available in this version."});
    world->dismissAlerts();

    // Once the choose-location screen exists it gets a completion handler that fills the field.
    auto* registry = ScreenRegistry::shared();
    registry->registerScreen(QLatin1String(kLocationStoryboard),
                             PLPostChatletViewController::kChooseLocationIdentifier,
                             [] { return new NavigationController(new ViewController); });
    QTest::mouseClick(field->pickButton(), Qt::LeftButton);
    auto* chooser = qobject_cast<NavigationController*>(form->presentedViewController());
    QVERIFY(chooser);
    const auto handler = chooser->topViewController()
                             ->property(PLPostChatletViewController::kChooseLocationCompletionProperty)
                             .value<PLChooseLocationCompletionHandler>();
    QVERIFY(handler);
    handler({{"lat", "1.5"}, {"lng", "2.25"}, {"locName", "Pier"}, {"location", "1.5, 2.25"}});
    chooser->dismissViewController(false);
    world->settle();
    QCOMPARE(field->summaryLabel()->text(), QStringLiteral("Pier"));
    handler({}); // a later Cancel answers nil and keeps the place picked before
    QCOMPARE(field->summaryLabel()->text(), QStringLiteral("Pier"));
    form->sendBarButtonItem()->trigger();
    const QVariantMap checkIn = parsed(host->posts.first().message);
    QCOMPARE(checkIn.value("xslt").toString(), QStringLiteral("location"));
    QCOMPARE(checkIn.value("content").toMap().value("media").toList().first().toMap().value("lat").toString(),
             QStringLiteral("1.5"));
    registry->clear();
    ChatletScreens::registerScreens();
}

// Sent through the room's outbox, the poll is stored by the service and reaches Bob's event stream
// with the links its page needs.
void TestChatletComposer::thePostReachesTheServiceAndAnotherMembersStream() {
    host->postsIntoRoom = true;
    PLPostChatletViewController* form = fillPoll();
    form->sendBarButtonItem()->trigger();
    QCOMPARE(host->posts.size(), 1);
    const QString formId = parsed(host->posts.first().message).value("formid").toString();
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            for (const QJsonValue& stored : world->fixture.server().storedMessages("r1"))
                if (stored.toObject().value("text").toString().contains(formId))
                    return true;
            return false;
        }(),
        10000);
    QTRY_VERIFY_WITH_TIMEOUT(Message::messageWithFormID(formId), 10000);
    const auto posted = Message::messageWithFormID(formId);
    QTRY_VERIFY_WITH_TIMEOUT(!posted->hasAtLeatOnePendingMessage(), 10000);

    QNetworkAccessManager network;
    QNetworkRequest request(QUrl(world->fixture.baseUrl() + QStringLiteral("events?after=0")));
    request.setRawHeader(
        "Authorization",
        QStringLiteral("Tavrix %1:%2:echat").arg(kBob).arg(QLatin1String(kBobToken)).toUtf8());
    QNetworkReply* stream = network.get(request);
    QByteArray received;
    connect(stream, &QNetworkReply::readyRead, stream, [&] { received += stream->readAll(); });
    QTRY_VERIFY_WITH_TIMEOUT(received.contains(formId.toUtf8()), 10000);
    stream->abort();
    stream->deleteLater();
    for (const QByteArray& line : received.split('\n')) {
        if (!line.contains(formId.toUtf8()))
            continue;
        const QVariantMap event = QJsonDocument::fromJson(line.mid(6)).object().toVariantMap();
        QCOMPARE(event.value("type").toString(), QStringLiteral("smartmessage"));
        QCOMPARE(parsed(event.value("text").toString()).value("links").toList().size(), 3);
    }
}

void TestChatletComposer::formsPastTheBoundsAreNotBuilt_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<QVariantList>("fields");
    QTest::addColumn<int>("built");
    const int most = PLChatletFormView::kMaxTextLength;
    const QString longest(most, QLatin1Char('w'));
    const QString tooLong(most + 1, QLatin1Char('w'));
    QTest::newRow("fields at the bound")
        << QStringLiteral("Poll") << textFields(PLChatletFormView::kMaxFields)
        << PLChatletFormView::kMaxFields;
    QTest::newRow("one field too many")
        << QStringLiteral("Poll") << textFields(PLChatletFormView::kMaxFields + 1) << 0;
    QTest::newRow("20,000 fields") << QStringLiteral("Poll") << textFields(20000) << 0;
    QTest::newRow("title at the bound") << longest << textFields(1) << 1;
    QTest::newRow("title too long") << tooLong << textFields(1) << 0;
    QTest::newRow("label at the bound") << QStringLiteral("Poll") << textFields(2, longest) << 2;
    QTest::newRow("label too long") << QStringLiteral("Poll") << textFields(2, tooLong) << 0;
    QTest::newRow("id shown as the label, too long")
        << QStringLiteral("Poll") << QVariantList{QVariantMap{{"id", tooLong}, {"type", "text"}}} << 0;
    QTest::newRow("choices at the bound")
        << QStringLiteral("Vote") << choiceField(PLChatletFormView::kMaxChoices) << 1;
    QTest::newRow("one choice too many")
        << QStringLiteral("Vote") << choiceField(PLChatletFormView::kMaxChoices + 1) << 0;
    QTest::newRow("choice text too long") << QStringLiteral("Vote") << choiceField(3, tooLong) << 0;
    const auto list = [](const QVariant& min) {
        return QVariantList{QVariantMap{{"id", "l"}, {"type", "list"}, {"label", "Options"}, {"min", min}}};
    };
    QTest::newRow("list starting at the bound")
        << QStringLiteral("Poll") << list(PLChatletFormView::kMaxListEntries) << 1;
    QTest::newRow("list starting with a million entries") << QStringLiteral("Poll") << list(1000000) << 0;
    QTest::newRow("list minimum as a huge number") << QStringLiteral("Poll") << list(1e300) << 0;
}

void TestChatletComposer::formsPastTheBoundsAreNotBuilt() {
    QFETCH(QString, title);
    QFETCH(QVariantList, fields);
    QFETCH(int, built);
    PLChatletFormView view;
    view.resize(320, 568);
    view.setForm(title, fields);
    QCOMPARE(view.fieldViews().size(), built);
    QCOMPARE(view.isTooLarge(), built == 0);
    QCOMPARE(view.titleLabel()->text(), built ? title : QStringLiteral("This form is too large to show."));
    if (auto* list = qobject_cast<PLChatletListFieldView*>(view.fieldViews().value(0)))
        QCOMPARE(list->entryFields().size(), PLChatletFormView::kMaxListEntries);
    // A form within the bounds replaces it.
    view.setForm(QStringLiteral("Poll"), textFields(2));
    QCOMPARE(view.fieldViews().size(), 2);
    QVERIFY(!view.isTooLarge());
}

void TestChatletComposer::aReplyWithATooLargeFormSendsNothing() {
    auto* navigation = qobject_cast<NavigationController*>(ScreenRegistry::shared()->instantiate(
        PLPostChatletViewController::kStoryboard, PLPostChatletViewController::kNavigationIdentifier));
    auto* composer = qobject_cast<PLPostChatletViewController*>(navigation->topViewController());
    composer->setPostChatletDelegate(host);
    composer->configureWithMessageType(
        QStringLiteral("poll"), {{"formid", "F-HUGE"}},
        {{"name", "compose"}, {"label", "Vote"}, {"fields", textFields(20000)}}, nullptr, std::nullopt,
        PLPostChatletViewController::Reply);
    host->presentViewController(navigation, false);
    world->settle();
    QVERIFY(composer->formView()->isTooLarge());
    QVERIFY(composer->formView()->fieldViews().isEmpty());
    QCOMPARE(composer->formView()->titleLabel()->text(), QStringLiteral("This form is too large to show."));
    QVERIFY(!composer->sendBarButtonItem()->isEnabled());
    composer->sendBarButtonItem()->trigger();
    world->settle();
    QVERIFY(host->posts.isEmpty());
    QVERIFY(world->alertTexts().isEmpty());
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestChatletComposer t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_chatletcomposer.moc"
