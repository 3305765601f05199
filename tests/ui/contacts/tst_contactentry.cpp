// The contact picker's entry field: the search and its scope, typed addresses (only e-mail addresses,
// no duplicates, a listed contact chosen only by its whole address), their removal, the fonts, the
// overlay while editing, and the list and action bar on the keyboard.
#include "ContactsTestKit.h"
#include "DirectionalControls.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "platform/ui/Animator.h"
#include "platform/ui/KeyboardMonitor.h"
#include "platform/ui/Label.h"
#include "ui/contacts/PLContactsTableViewCell.h"
#include "ui/contacts/PLNewlyAddedContactTableViewCell.h"

#include <QFile>
#include <QGuiApplication>
#include <QWindow>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::KeyboardMonitor;

namespace {
// People of the search: the book's cards, the service's users and the host's contacts.
struct SearchWorld : ContactsWorld {
    SearchWorld() : ContactsWorld(7) {
        card("joann", "Joann;Miller", "joann@x.com", "");
        card("dianne", "Dianne;Ross", "d.ross@mail.test", "");
        card("pat", "Pat;Lee", "pat@annex.test", "");
        card("pia", "Pia;Phone", "", "+1 ANN 5550");
        card("cora", "Cora;Lind", "cora.lind@people.test", "+1 555-0101");
        storeUsers({userJSON(42, "Annika", "annika@acme.test"), userJSON(43, "Bo", "bo.ann@acme.test"),
                    userJSON(44, "Cid", "cid@acme.test")});
        host.contacts = QList<PLPelnixContact>{{"Hannah", "", "+1 555 0102"}, {"Zed", "", "ANN 555"}};
    }
    void card(const QString& file, const QString& firstLast, const QString& email, const QString& phone) {
        QFile out(bookFolder + QLatin1Char('/') + file + QStringLiteral(".vcf"));
        QVERIFY(out.open(QIODevice::WriteOnly));
        const QStringList names = firstLast.split(QLatin1Char(';'));
        QByteArray text = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:" + names.value(1).toUtf8() + ";" +
                          names.value(0).toUtf8() + ";;;\r\n";
        if (!email.isEmpty())
            text += "EMAIL:" + email.toUtf8() + "\r\n";
        if (!phone.isEmpty())
            text += "TEL:" + phone.toUtf8() + "\r\n";
        out.write(text + "END:VCARD\r\n");
    }
};

QStringList shown(const QList<PLPickerContact>& contacts) {
    QStringList out;
    for (const PLPickerContact& c : contacts)
        out << c.profileName() + QLatin1Char('/') + (c.email().isEmpty() ? c.phone() : c.email());
    return out;
}

// Keys as the window takes them from the keyboard: to its focus widget.
void typeKeys(QWindow* window, const char* text) {
    for (const char* c = text; *c; ++c)
        QTest::keyClick(window, *c);
}

enum class Turned { No, Program, Window, WhileShown };

QFont face(const char* name) {
    return CustomFontRegistration::fontWithName(QString::fromLatin1(name), 15);
}
} // namespace

class TestContactEntry : public QObject {
    Q_OBJECT
private slots:
    void searchScopeAndOrder_data();
    void searchScopeAndOrder();
    void typedAddressIsChosenAtTheTop();
    void onlyAddressesCanBeTyped_data();
    void onlyAddressesCanBeTyped();
    void addressesGoOutAsTheyShow_data();
    void addressesGoOutAsTheyShow();
    void duplicatesAreRefused();
    void listedContactIsChosenOnlyByItsWholeAddress();
    void removalLeavesOtherChoicesAlone();
    void fontsFollowTheText();
    void overlayWhileEditing();
    void hiddenAddButtonTakesNoClicks();
    void listAndBarFollowTheKeyboard();
    void aShownAddressIsAddedAfterEditingEnds_data();
    void aShownAddressIsAddedAfterEditingEnds();
    void theFieldHasTheKeysAsThePickerShows_data();
    void theFieldHasTheKeysAsThePickerShows();
    void returnAddsTheTypedAddress_data();
    void returnAddsTheTypedAddress();
    void theEntryAndTheBarMirrorRightToLeft_data();
    void theEntryAndTheBarMirrorRightToLeft();
};

void TestContactEntry::searchScopeAndOrder_data() {
    QTest::addColumn<QString>("term");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("ann: names, addresses, the book's numbers; sorted by name")
        << "ann"
        << QStringList{"Annika/annika@acme.test", "Bo/bo.ann@acme.test",      "Dianne Ross/d.ross@mail.test",
                       "Hannah/+1 555 0102",      "Joann Miller/joann@x.com", "Pat Lee/pat@annex.test",
                       "Pia Phone/+1 ANN 5550"};
    QTest::newRow("letter case does not matter") << "ANNEX" << QStringList{"Pat Lee/pat@annex.test"};
    QTest::newRow("numbers only of the book")
        << "555" << QStringList{"Cora Lind/+1 555-0101", "Pia Phone/+1 ANN 5550"};
    QTest::newRow("nothing") << "quentin" << QStringList();
}

void TestContactEntry::searchScopeAndOrder() {
    QFETCH(QString, term);
    QFETCH(QStringList, found);
    SearchWorld world;
    PickerOnScreen screen;
    screen.finishLoading();
    const int sections = screen.table()->numberOfSections();
    screen.type(term);
    QVERIFY(screen.picker->isFiltered());
    QCOMPARE(shown(screen.picker->filteredMembersArray()), found);
    QCOMPARE(screen.table()->numberOfSections(), 1);
    QCOMPARE(screen.picker->titleForHeaderInSection(screen.table(), 0), QString());
    QCOMPARE(screen.picker->searchText(), term);
    // Clearing the field shows the whole list again.
    screen.eraseAll();
    QVERIFY(!screen.picker->isFiltered());
    QVERIFY(screen.picker->searchText().isNull());
    QCOMPARE(screen.table()->numberOfSections(), sections);
}

void TestContactEntry::typedAddressIsChosenAtTheTop() {
    SearchWorld world;
    PickerOnScreen screen;
    screen.finishLoading();
    const int letters = screen.table()->numberOfSections();
    screen.beginEditing();
    screen.type("sam@studio.test");
    screen.picker->addNewContactButton()->click();
    QVERIFY(screen.alertTexts().isEmpty());
    QVERIFY(screen.picker->addContactsTextField()->text().isEmpty());
    QVERIFY(!screen.picker->isFiltered());
    QCOMPARE(screen.table()->numberOfSections(), letters + 1);
    QCOMPARE(screen.rowsByName().first(), QString(": sam@studio.test"));
    QCOMPARE(screen.picker->heightForHeaderInSection(screen.table(), 0), 0.0);
    QCOMPARE(namesOf(screen.picker->selectedContactsArray()), QStringList{"sam@studio.test"});
    // Typed addresses go out as address-book entries whose name and address are the text.
    const auto typed =
        screen.picker->selectedContactsArray().first().toVariant().value<PLAddressBookContact>();
    QCOMPARE(typed.email, QString("sam@studio.test"));
    QVERIFY(typed.phone.isNull());

    screen.type("lou@studio.test");
    screen.picker->addContactsButtonTapped();
    QCOMPARE(screen.rowsByName().first(), QString(": sam@studio.test, lou@studio.test"));
    // A typed row is not toggled by a tap; its remove button takes it away.
    screen.picker->didSelectRowAtIndexPath(screen.table(), {0, 0});
    QCOMPARE(screen.picker->selectedContactsArray().size(), 2);
    auto* first =
        qobject_cast<PLNewlyAddedContactTableViewCell*>(screen.table()->cellForRowAtIndexPath({0, 0}));
    QVERIFY(first);
    first->removeButton()->click();
    QCOMPARE(screen.rowsByName().first(), QString(": lou@studio.test"));
    QCOMPARE(namesOf(screen.picker->selectedContactsArray()), QStringList{"lou@studio.test"});
    // The last one takes its section along.
    qobject_cast<PLNewlyAddedContactTableViewCell*>(screen.table()->cellForRowAtIndexPath({0, 0}))
        ->removeButton()
        ->click();
    QCOMPARE(screen.table()->numberOfSections(), letters);
    QVERIFY(screen.picker->selectedContactsArray().isEmpty());
    QCOMPARE(screen.picker->bottomView()->y(), screen.picker->view()->height());
}

void TestContactEntry::onlyAddressesCanBeTyped_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("a phone number") << "+1 555 0101" << false;
    QTest::newRow("words") << "ann lee" << false;
    QTest::newRow("no dot after the at") << "ann@localhost" << false;
    QTest::newRow("an address") << "ann.lee@studio.test" << true;
}

void TestContactEntry::onlyAddressesCanBeTyped() {
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    SearchWorld world;
    PickerOnScreen screen;
    screen.finishLoading();
    screen.type(text);
    screen.picker->addContactsButtonTapped();
    QCOMPARE(screen.alertTexts(), accepted ? QStringList() : QStringList{"Alert | Please enter valid Email"});
    QCOMPARE(screen.picker->newlyAddedContactsArray().size(), accepted ? 1 : 0);
    QCOMPARE(screen.picker->addContactsTextField()->text(), accepted ? QString() : text);
}

void TestContactEntry::addressesGoOutAsTheyShow_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("control");
    // A mark, an override and an isolate's end of the controls the screens' shared cleaning drops.
    QList<std::pair<const char*, char16_t>> controls;
    for (const auto& control : directionalControls())
        if (QByteArray("ALM RLO PDI").contains(control.first))
            controls << control;
    for (const char* source : {"typed", "address book", "host"})
        for (const auto& [name, code] : controls)
            QTest::addRow("%s, %s", source, name) << QString::fromLatin1(source) << int(code);
}

// Whether typed, read from the address book or handed over by the host, an address with a
// directional control is shown and chosen without it: the row reads as the invitation goes out.
void TestContactEntry::addressesGoOutAsTheyShow() {
    QFETCH(QString, source);
    QFETCH(int, control);
    const QString c(QChar{char16_t(control)});
    const QString address = c + QStringLiteral("moc.evil@xyz.test");
    const QString clean = QStringLiteral("moc.evil@xyz.test");
    SearchWorld world;
    if (source == QLatin1String("address book"))
        world.card("eve", "Eve;Hostile", address, "");
    else if (source == QLatin1String("host"))
        world.host.contacts = QList<PLPelnixContact>{{"Eve", address, ""}};
    PickerOnScreen screen;
    screen.finishLoading();
    if (source == QLatin1String("typed")) {
        // As pasted into the field.
        screen.picker->searchForMembersUsingSearchText(address);
        screen.picker->addContactsButtonTapped();
        QVERIFY2(screen.alertTexts().isEmpty(), qPrintable(screen.alertTexts().join(QLatin1Char('\n'))));
        QCOMPARE(screen.rowsByName().first(), QStringLiteral(": ") + clean);
        auto* row =
            qobject_cast<PLNewlyAddedContactTableViewCell*>(screen.table()->cellForRowAtIndexPath({0, 0}));
        QVERIFY(row);
        QCOMPARE(row->emailOrPhoneLabel()->text(), clean);
    } else {
        const auto path = screen.rowOf(source == QLatin1String("host") ? "Eve" : "Eve Hostile");
        QVERIFY(path);
        screen.table()->scrollToRowAtIndexPath(*path, platform::ui::TableView::ScrollPosition::Middle, false);
        auto* row = qobject_cast<PLContactsTableViewCell*>(screen.table()->cellForRowAtIndexPath(*path));
        QVERIFY(row);
        QCOMPARE(row->emailLabel()->text(), clean);
        QVERIFY(screen.tap(row->nameLabel()->text()));
        QVERIFY2(screen.alertTexts().isEmpty(), qPrintable(screen.alertTexts().join(QLatin1Char('\n'))));
    }
    QCOMPARE(screen.picker->selectedContactsArray().size(), 1);
    const PLPickerContact chosen = screen.picker->selectedContactsArray().first();
    QCOMPARE(chosen.email(), clean);
    const PLRoomContact sent = chosen.roomContact();
    QVERIFY(std::holds_alternative<PLAddressBookContact>(sent));
    QCOMPARE(std::get<PLAddressBookContact>(sent).email, clean);
}

void TestContactEntry::duplicatesAreRefused() {
    SearchWorld world;
    PickerOnScreen screen;
    screen.finishLoading();
    screen.type("sam@studio.test");
    screen.picker->addContactsButtonTapped();
    screen.type("sam@studio.test");
    screen.picker->addContactsButtonTapped();
    QCOMPARE(screen.alertTexts(), QStringList{"Alert | Contact already added"});
    screen.dismissAlerts();
    // A chosen contact's address, in other letters, is the same mailbox.
    screen.eraseAll();
    QVERIFY(screen.tap("Cora Lind", "cora.lind@people.test"));
    screen.type("CORA.LIND@people.test");
    screen.picker->addContactsButtonTapped();
    QCOMPARE(screen.alertTexts(), QStringList{"Alert | Contact already added"});
    QCOMPARE(screen.picker->newlyAddedContactsArray().size(), 1);
    QCOMPARE(screen.picker->selectedContactsArray().size(), 2);
}

void TestContactEntry::listedContactIsChosenOnlyByItsWholeAddress() {
    SearchWorld world;
    PickerOnScreen screen;
    screen.finishLoading();
    // "ann@x.com" is contained in Joann's "joann@x.com" but is another address.
    screen.type("ann@x.com");
    QCOMPARE(shown(screen.picker->filteredMembersArray()), QStringList{"Joann Miller/joann@x.com"});
    screen.picker->addContactsButtonTapped();
    QCOMPARE(namesOf(screen.picker->newlyAddedContactsArray()), QStringList{"ann@x.com"});
    QCOMPARE(namesOf(screen.picker->selectedContactsArray()), QStringList{"ann@x.com"});

    // Joann's own address chooses the listed Joann, not a typed copy.
    screen.type("joann@x.com");
    screen.picker->addContactsButtonTapped();
    QCOMPARE(namesOf(screen.picker->selectedContactsArray()), (QStringList{"ann@x.com", "Joann Miller"}));
    QCOMPARE(screen.picker->newlyAddedContactsArray().size(), 1);
    // Typed again, she is not chosen twice.
    screen.eraseAll();
    screen.type("Joann@X.com");
    screen.picker->addContactsButtonTapped();
    QCOMPARE(screen.alertTexts(), QStringList{"Alert | Contact already added"});
    QCOMPARE(namesOf(screen.picker->selectedContactsArray()), (QStringList{"ann@x.com", "Joann Miller"}));
}

void TestContactEntry::removalLeavesOtherChoicesAlone() {
    SearchWorld world;
    PickerOnScreen screen;
    screen.finishLoading();
    screen.type("t@x.test");
    screen.picker->addContactsButtonTapped();
    // Chosen after the typed address: two entries without a number besides it.
    QVERIFY(screen.tap("Cora Lind", "+1 555-0101"));
    QVERIFY(screen.tap("Pia Phone"));
    QCOMPARE(screen.picker->selectedContactsArray().size(), 3);
    // No number is no match: only the typed address goes.
    const auto typed = screen.picker->newlyAddedContactsArray().first();
    screen.picker->removeContactAndUpdate(typed, {0, 0});
    QCOMPARE(shown(screen.picker->selectedContactsArray()),
             (QStringList{"Cora Lind/+1 555-0101", "Pia Phone/+1 ANN 5550"}));
    QVERIFY(screen.picker->newlyAddedContactsArray().isEmpty());
}

void TestContactEntry::fontsFollowTheText() {
    SearchWorld world;
    PickerOnScreen screen;
    auto* field = screen.picker->addContactsTextField();
    QCOMPARE(field->font(), face("DejaVuSans-ExtraLight"));
    QCOMPARE(field->placeholder(), QString("Type here to add manually"));
    screen.beginEditing();
    screen.type("s");
    QCOMPARE(field->font(), face("DejaVuSans"));
    screen.type("am");
    QCOMPARE(field->font(), face("DejaVuSans"));
    screen.eraseAll();
    QCOMPARE(field->font(), face("DejaVuSans-ExtraLight"));
}

void TestContactEntry::overlayWhileEditing() {
    SearchWorld world;
    PickerOnScreen screen;
    screen.finishLoading();
    auto* field = screen.picker->addContactsTextField();
    screen.leaveTheField();
    const int width = field->width();
    screen.type("zz");
    screen.eraseAll();
    screen.beginEditing();
    QVERIFY(screen.picker->searchText().isNull());
    QVERIFY(screen.picker->isBlurViewShown());
    QCOMPARE(screen.picker->blurView()->geometry(), screen.table()->geometry());
    QVERIFY(screen.picker->isAddContactButtonShown());
    QCOMPARE(platform::ui::Animator::alpha(screen.picker->addNewContactButton()), 1.0);
    QCOMPARE(field->width(), width - PLContactsViewController::kAddButtonWidth);
    // Typing uncovers the list.
    screen.type("co");
    QVERIFY(!screen.picker->isBlurViewShown());
    // A tap on the overlay ends editing.
    screen.eraseAll();
    screen.picker->configureBlurView();
    QVERIFY(screen.picker->isBlurViewShown());
    screen.picker->blurViewTapped();
    if (field->hasFocus()) // focus is not given offscreen everywhere: end as the field would
        field->clearFocus();
    else
        screen.picker->textFieldDidEndEditing();
    QVERIFY(!screen.picker->isBlurViewShown());
    QVERIFY(!screen.picker->isAddContactButtonShown());
    QCOMPARE(platform::ui::Animator::alpha(screen.picker->addNewContactButton()), 0.0);
    QCOMPARE(field->width(), width);
    QCOMPARE(field->font(), face("DejaVuSans-ExtraLight"));
}

void TestContactEntry::hiddenAddButtonTakesNoClicks() {
    SearchWorld world;
    PickerOnScreen screen;
    screen.finishLoading();
    QWindow* window = screen.activate();
    QVERIFY(window);
    auto* field = screen.picker->addContactsTextField();
    auto* add = screen.picker->addNewContactButton();
    screen.leaveTheField();
    // Where the add button shows while the field is edited: over the field's end while it is not.
    const QPoint spot = add->mapTo(&screen.window, add->rect().center());
    QVERIFY(field->geometry().contains(field->parentWidget()->mapFrom(&screen.window, spot)));

    // Not editing: the click there is the field's, and begins editing.
    QTest::mouseClick(window, Qt::LeftButton, {}, spot);
    QVERIFY(screen.alertTexts().isEmpty());
    QVERIFY(field->hasFocus());
    QVERIFY(screen.picker->isAddContactButtonShown());
    // Editing: the button shows there and takes the click.
    typeKeys(window, "sam@studio.test");
    QTest::mouseClick(window, Qt::LeftButton, {}, spot);
    QVERIFY(screen.alertTexts().isEmpty());
    QCOMPARE(namesOf(screen.picker->newlyAddedContactsArray()), QStringList{"sam@studio.test"});

    // An address typed, then editing ended: the button is gone and adds nothing.
    screen.beginEditing();
    typeKeys(window, "lou@studio.test");
    QTest::keyClick(window, Qt::Key_Tab);
    QVERIFY(!field->hasFocus());
    QVERIFY(!screen.picker->isAddContactButtonShown());
    QTest::mouseClick(window, Qt::LeftButton, {}, spot);
    QCOMPARE(namesOf(screen.picker->newlyAddedContactsArray()), QStringList{"sam@studio.test"});
    QVERIFY(screen.alertTexts().isEmpty());
    QVERIFY(field->hasFocus());
    QCOMPARE(field->text(), QString("lou@studio.test"));
}

void TestContactEntry::listAndBarFollowTheKeyboard() {
    SearchWorld world;
    PickerOnScreen screen;
    screen.finishLoading();
    QWidget* page = screen.picker->view();
    QWidget* bar = screen.picker->bottomView();
    auto* table = screen.table();
    // Nothing chosen: the list makes room for the keyboard, the bar stays below.
    KeyboardMonitor::shared()->show(216, &screen.window);
    QVERIFY(screen.picker->isKeyboardShown());
    QCOMPARE(screen.picker->keyboardHeight(), 216);
    const int uncovered = page->height() - (table->geometry().bottom() + 1);
    QCOMPARE(table->contentInset().bottom(), 216 - uncovered);
    QCOMPARE(bar->y(), page->height());
    // Something chosen: the bar rides on the keyboard and the list scrolls its last row above both.
    QVERIFY(screen.tap("Cid"));
    QCOMPARE(bar->geometry().bottom() + 1, page->height() - 216);
    QCOMPARE(table->contentInset().bottom(), 216 - uncovered + PLContactsViewController::kBottomViewHeight);
    QCOMPARE(table->scrollIndicatorInsets(), table->contentInset());
    KeyboardMonitor::shared()->hide();
    QVERIFY(!screen.picker->isKeyboardShown());
    QCOMPARE(bar->geometry().bottom() + 1, page->height());
    QCOMPARE(table->contentInset().bottom(), PLContactsViewController::kBottomViewHeight);
    // The bar keeps its place when the window changes size.
    screen.window.resize(400, 720);
    QCoreApplication::processEvents();
    QCOMPARE(bar->geometry().bottom() + 1, page->height());
    QCOMPARE(bar->width(), page->width());
}

void TestContactEntry::aShownAddressIsAddedAfterEditingEnds_data() {
    QTest::addColumn<Turned>("turned");
    QTest::addColumn<bool>("clickedAway");
    QTest::newRow("ltr, editing ended by Tab") << Turned::No << false;
    QTest::newRow("ltr, editing ended by a click on the list") << Turned::No << true;
    QTest::newRow("rtl program, editing ended by Tab") << Turned::Program << false;
    QTest::newRow("rtl window, editing ended by a click on the list") << Turned::Window << true;
}

// An address typed stays in the field when editing ends, the list filtered by it: clicking the field
// again and then "+" adds the address that shows, as "+" does before; never "Please enter valid
// Email" for a valid address that shows.
void TestContactEntry::aShownAddressIsAddedAfterEditingEnds() {
    QFETCH(Turned, turned);
    QFETCH(bool, clickedAway);
    const Qt::LayoutDirection program = QGuiApplication::layoutDirection();
    if (turned == Turned::Program)
        QGuiApplication::setLayoutDirection(Qt::RightToLeft);
    SearchWorld world;
    PickerOnScreen screen;
    if (turned == Turned::Window)
        screen.window.setLayoutDirection(Qt::RightToLeft);
    screen.finishLoading();
    QWindow* window = screen.activate();
    QVERIFY(window);
    auto* field = screen.picker->addContactsTextField();
    auto* add = screen.picker->addNewContactButton();
    const auto centreOf = [&](QWidget* widget) {
        return widget->mapTo(&screen.window, widget->rect().center());
    };
    QTest::mouseClick(window, Qt::LeftButton, {}, centreOf(field));
    QVERIFY(field->hasFocus());
    typeKeys(window, "lou@studio.test");
    if (clickedAway)
        screen.picker->blurViewTapped();
    else
        QTest::keyClick(window, Qt::Key_Tab);
    QVERIFY(!field->hasFocus());
    QCOMPARE(field->text(), QString("lou@studio.test"));
    QVERIFY(screen.picker->isFiltered());
    QTest::mouseClick(window, Qt::LeftButton, {}, centreOf(field));
    QVERIFY(field->hasFocus());
    QVERIFY(screen.picker->isAddContactButtonShown());
    QCOMPARE(field->text(), QString("lou@studio.test"));
    QTest::mouseClick(window, Qt::LeftButton, {}, centreOf(add));
    QGuiApplication::setLayoutDirection(program);
    QVERIFY2(screen.alertTexts().isEmpty(), qPrintable(screen.alertTexts().join(QLatin1Char('\n'))));
    QCOMPARE(namesOf(screen.picker->newlyAddedContactsArray()), QStringList{"lou@studio.test"});
    QCOMPARE(namesOf(screen.picker->selectedContactsArray()), QStringList{"lou@studio.test"});
    QVERIFY(field->text().isEmpty());
}

void TestContactEntry::theEntryAndTheBarMirrorRightToLeft_data() {
    QTest::addColumn<Turned>("turned");
    QTest::addColumn<QSize>("size");
    QTest::newRow("rtl program") << Turned::Program << QSize(320, 568);
    QTest::newRow("rtl program, 1024 x 768") << Turned::Program << QSize(1024, 768);
    QTest::newRow("rtl window") << Turned::Window << QSize(400, 720);
    QTest::newRow("rtl turned while shown") << Turned::WhileShown << QSize(320, 568);
}

// Right to left the field starts at the right with "+" at its left end, and with two or more chosen
// the action bar's main button lies at the left and Edit at the right: each where left to right has
// it, mirrored in the page's width, in every state; turned back, each is where left to right puts it.
void TestContactEntry::theEntryAndTheBarMirrorRightToLeft() {
    QFETCH(Turned, turned);
    QFETCH(QSize, size);
    const Qt::LayoutDirection program = QGuiApplication::layoutDirection();
    const auto setDirection = [&](Qt::LayoutDirection direction, PickerOnScreen& screen) {
        if (turned == Turned::Program)
            QGuiApplication::setLayoutDirection(direction);
        else
            screen.window.setLayoutDirection(direction);
        QCoreApplication::processEvents();
    };
    if (turned == Turned::Program)
        QGuiApplication::setLayoutDirection(Qt::RightToLeft);
    SearchWorld world;
    PickerOnScreen screen({}, false, size);
    if (turned == Turned::Window)
        screen.window.setLayoutDirection(Qt::RightToLeft);
    screen.finishLoading();
    if (turned == Turned::WhileShown)
        setDirection(Qt::RightToLeft, screen);
    const int width = screen.picker->view()->width();
    QCOMPARE(width, size.width());
    // Each view's place now, then left to right, then right to left again.
    const auto mirrors = [&](QList<QWidget*> views) {
        QList<QRect> rightToLeft;
        for (QWidget* view : views)
            rightToLeft << view->geometry();
        setDirection(Qt::LeftToRight, screen);
        for (qsizetype i = 0; i < views.size(); ++i) {
            const QRect ltr = views.at(i)->geometry();
            const QRect mirrored(width - ltr.x() - ltr.width(), ltr.y(), ltr.width(), ltr.height());
            if (rightToLeft.at(i) != mirrored)
                qWarning() << views.at(i)->objectName() << rightToLeft.at(i) << "left to right" << ltr;
            if (rightToLeft.at(i) != mirrored)
                return false;
        }
        setDirection(Qt::RightToLeft, screen);
        return true;
    };
    auto* field = screen.picker->addContactsTextField();
    auto* add = screen.picker->addNewContactButton();
    QVERIFY(mirrors({field}));
    screen.beginEditing();
    QVERIFY(screen.picker->isAddContactButtonShown());
    QVERIFY(mirrors({field, add}));
    // The field makes room for "+" at its trailing end, the left.
    QVERIFY(field->geometry().left() > add->geometry().right());
    screen.picker->blurViewTapped();
    if (field->hasFocus())
        field->clearFocus();
    else
        screen.picker->textFieldDidEndEditing();
    QVERIFY(mirrors({field}));
    QVERIFY(screen.tap("Cid"));
    QVERIFY(screen.tap("Cora Lind"));
    QVERIFY(screen.picker->editButton()->isVisible());
    QVERIFY(mirrors({screen.picker->startConversationButton(), screen.picker->editButton()}));
    QVERIFY(screen.picker->startConversationButton()->x() < width / 2);
    QGuiApplication::setLayoutDirection(program);
}

void TestContactEntry::theFieldHasTheKeysAsThePickerShows_data() {
    QTest::addColumn<bool>("windowShownFirst");
    QTest::newRow("presented over the host's screen") << true;
    QTest::newRow("presented before its window shows") << false;
}

// The field takes the keys as the picker shows, with the list left in view: keys typed go into it,
// and a click on a row chooses that row (no overlay takes the click).
void TestContactEntry::theFieldHasTheKeysAsThePickerShows() {
    QFETCH(bool, windowShownFirst);
    SearchWorld world;
    PickerOnScreen screen({}, false, {320, 568}, nullptr, windowShownFirst);
    screen.finishLoading();
    QWindow* window = screen.activate();
    QVERIFY(window);
    auto* field = screen.picker->addContactsTextField();
    QCOMPARE(QApplication::focusWidget(), field);
    QVERIFY(!screen.picker->isBlurViewShown());
    const auto row = screen.rowOf("Cid");
    QVERIFY(row);
    screen.table()->scrollToRowAtIndexPath(*row, platform::ui::TableView::ScrollPosition::Middle, false);
    QCoreApplication::processEvents();
    QWidget* cell = screen.table()->cellForRowAtIndexPath(*row);
    QVERIFY(cell);
    QTest::mouseClick(window, Qt::LeftButton, {}, cell->mapTo(&screen.window, cell->rect().center()));
    QCOMPARE(namesOf(screen.picker->selectedContactsArray()), QStringList{"Cid"});
    // The keys are where they were: typing filters the list.
    field->setFocus(Qt::MouseFocusReason);
    typeKeys(window, "cora");
    QCOMPARE(field->text(), QString("cora"));
    QVERIFY(screen.picker->isFiltered());
    QCOMPARE(namesOf(screen.picker->filteredMembersArray()), (QStringList{"Cora Lind", "Cora Lind"}));
}

void TestContactEntry::returnAddsTheTypedAddress_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("keypad");
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QStringList>("chosen");
    QTest::addColumn<QStringList>("alerts");
    QTest::addColumn<QString>("left");
    const QStringList none;
    const QStringList refused{"Alert | Please enter valid Email"};
    QTest::newRow("a new address") << "sam@studio.test" << false << QStringList{"sam@studio.test"}
                                   << QStringList{"sam@studio.test"} << none << "";
    QTest::newRow("a new address, keypad Enter")
        << "sam@studio.test" << true << QStringList{"sam@studio.test"} << QStringList{"sam@studio.test"}
        << none << "";
    QTest::newRow("a listed contact's whole address")
        << "cid@acme.test" << false << none << QStringList{"Cid"} << none << "cid@acme.test";
    QTest::newRow("no dot after the at") << "sam@studio" << false << none << none << refused << "sam@studio";
    QTest::newRow("a phone number, keypad Enter")
        << "+1 555 0101" << true << none << none << refused << "+1 555 0101";
    QTest::newRow("nothing typed") << "" << false << none << none << none << "";
}

// Return (or keypad Enter) in the field adds what "+" adds, refuses what "+" refuses with its
// message, and leaves the keys in the field: the next address is typed and added straight away.
void TestContactEntry::returnAddsTheTypedAddress() {
    QFETCH(QString, text);
    QFETCH(bool, keypad);
    QFETCH(QStringList, typed);
    QFETCH(QStringList, chosen);
    QFETCH(QStringList, alerts);
    QFETCH(QString, left);
    SearchWorld world;
    PickerOnScreen screen;
    screen.finishLoading();
    QWindow* window = screen.activate();
    QVERIFY(window);
    auto* field = screen.picker->addContactsTextField();
    QTest::mouseClick(window, Qt::LeftButton, {}, field->mapTo(&screen.window, field->rect().center()));
    QVERIFY(field->hasFocus());
    typeKeys(window, text.toLatin1().constData());
    const auto enter = [&] {
        if (keypad)
            QTest::keyClick(window, Qt::Key_Enter, Qt::KeypadModifier);
        else
            QTest::keyClick(window, Qt::Key_Return);
    };
    enter();
    QCOMPARE(screen.alertTexts(), alerts);
    QCOMPARE(namesOf(screen.picker->newlyAddedContactsArray()), typed);
    QCOMPARE(namesOf(screen.picker->selectedContactsArray()), chosen);
    QCOMPARE(field->text(), left);
    screen.dismissAlerts();
    QTRY_VERIFY(field->hasFocus());

    // What was left is taken away as a user does.
    QTest::keyClick(window, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(window, Qt::Key_Backspace);
    typeKeys(window, "lou@studio.test");
    enter();
    QVERIFY(screen.alertTexts().isEmpty());
    QCOMPARE(namesOf(screen.picker->newlyAddedContactsArray()), typed + QStringList{"lou@studio.test"});
    QVERIFY(field->text().isEmpty());
    QVERIFY(field->hasFocus());
}

QTEST_MAIN(TestContactEntry)
#include "tst_contactentry.moc"
