// The contact picker's gallery screens as the screenshot tool renders them, at 320 x 568 and at
// 400 x 720, checked by pixels at points computed from the views: the letter header and the index
// of the full list, the search without index, the typed address at the top with the action bar,
// and three people chosen with their marks and the group title.
#include "GalleryContacts.h"
#include "core/session/PLAppLockSettingsManager.h"
#include "foundation/ui/CustomColors.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/Screenshot.h"
#include "platform/ui/SectionIndexBar.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Window.h"
#include "ui/contacts/PLContactsSectionHeaderView.h"
#include "ui/contacts/PLContactsTableViewCell.h"
#include "ui/contacts/PLContactsViewController.h"
#include "ui/contacts/PLNewlyAddedContactTableViewCell.h"
#include "ui/toolkit/PLCustomSeparatorView.h"
#include "ui/toolkit/PLRoundImageView.h"

#include <QTest>

using namespace pelnix;
using namespace pelnix::platform::ui;

namespace {
const QColor kBlue(0, 134, 202);
const QString kGallery = QStringLiteral("GalleryContacts");

bool near(const QColor& actual, const QColor& expected, int tolerance = 24) {
    return std::abs(actual.red() - expected.red()) <= tolerance &&
           std::abs(actual.green() - expected.green()) <= tolerance &&
           std::abs(actual.blue() - expected.blue()) <= tolerance;
}

bool greenish(const QColor& c) {
    return c.green() > c.red() + 40 && c.green() > c.blue() + 20;
}

// A gallery screen as the screenshot tool renders it: a 375 x 667 window, fixture applied.
struct Shot {
    Window window;
    ViewController* host = nullptr;
    PLContactsViewController* picker = nullptr;
    QImage image;

    explicit Shot(const QString& identifier) {
        window.resize(375, 667);
        host = ScreenRegistry::shared()->instantiate(kGallery, identifier);
        if (!host)
            return;
        window.setRootViewController(host);
        window.show();
        if (const auto fixture = ScreenRegistry::shared()->fixture(kGallery, identifier))
            fixture(host);
        if (auto* navigation = qobject_cast<NavigationController*>(host->presentedViewController()))
            picker = qobject_cast<PLContactsViewController*>(navigation->topViewController());
        image = Screenshot::grab(&window);
    }
    QColor at(const QWidget* view, QPointF point) const {
        const QPoint p = view->mapTo(&window, QPoint(qFloor(point.x()), qFloor(point.y())));
        const qreal scale = qreal(image.width()) / window.width();
        return image.pixelColor(int(p.x() * scale), int(p.y() * scale));
    }
    // Whether any pixel of `rect` (in `view`) matches.
    bool any(const QWidget* view, const QRect& rect, const std::function<bool(const QColor&)>& test) const {
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x)
                if (test(at(view, QPointF(x + 0.5, y + 0.5))))
                    return true;
        return false;
    }
    TableView* table() const { return picker->contactsTableView(); }
    template <typename Cell> Cell* cell(const IndexPath& path) const {
        return qobject_cast<Cell*>(table()->cellForRowAtIndexPath(path));
    }
};

QStringList namesOf(const QList<PLPickerContact>& contacts) {
    QStringList names;
    for (const PLPickerContact& contact : contacts)
        names << contact.profileName();
    return names;
}

const char* describe(const QColor& color) {
    static QByteArray text;
    text = color.name().toLatin1();
    return text.constData();
}
} // namespace

class TestContactsGallery : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        // As the screenshot tool runs them.
        Animator::setInstant(true);
        Scheduler::shared()->setVirtualClock(true);
        PLAppLockSettingsManager::sharedAppLockSettingsManager()->setShouldShowAppLockScreen(false);
        tools::registerContactsGalleryScreens();
    }

    void everyScreenRenders_data();
    void everyScreenRenders();
    void listShowsLettersAndIndex_data() { sizes(); }
    void listShowsLettersAndIndex();
    void searchShowsMatchesWithoutIndex_data() { sizes(); }
    void searchShowsMatchesWithoutIndex();
    void typedAddressIsChosenAtTheTop_data() { sizes(); }
    void typedAddressIsChosenAtTheTop();
    void selectionShowsMarksAndGroupTitle_data() { sizes(); }
    void selectionShowsMarksAndGroupTitle();
    void focusedFieldDimsTheList_data() { sizes(); }
    void focusedFieldDimsTheList();
    void addMoreModeOffersToAddMembers_data() { sizes(); }
    void addMoreModeOffersToAddMembers();
    void rightToLeftMirrorsTheRows_data() { sizes(); }
    void rightToLeftMirrorsTheRows();
    void rightToLeftMirrorsTheEntryAndTheBar_data() { sizes(); }
    void rightToLeftMirrorsTheEntryAndTheBar();

private:
    static void sizes() {
        QTest::addColumn<QString>("suffix");
        QTest::newRow("320x568") << QString();
        QTest::newRow("400x720") << QStringLiteral("@400x720");
    }
};

void TestContactsGallery::everyScreenRenders_data() {
    QTest::addColumn<QString>("identifier");
    for (const QString& identifier : ScreenRegistry::shared()->identifiers(kGallery))
        QTest::addRow("%s", qPrintable(identifier)) << identifier;
}

void TestContactsGallery::everyScreenRenders() {
    QFETCH(QString, identifier);
    Shot shot(identifier);
    QVERIFY(shot.picker);
    QCOMPARE(shot.window.size(), tools::contactsGallerySize(identifier));
    QVERIFY(!shot.image.isNull());
    // Loaded and settled: the book is listed, no busy overlay is left over it.
    QCOMPARE(shot.picker->addressBookContacts().size(), 48);
    QVERIFY(!shot.picker->isReadingAddressBook());
    // Nothing spills out of the window: the list and the bar span its width.
    QCOMPARE(shot.table()->width(), shot.window.width());
    QCOMPARE(shot.picker->bottomView()->width(), shot.window.width());
}

void TestContactsGallery::listShowsLettersAndIndex() {
    QFETCH(QString, suffix);
    Shot shot("PickerList" + suffix);
    QVERIFY(shot.picker);
    // The letter A over the first rows, in the header's blue, and the line at the header's foot.
    auto* header = qobject_cast<PLContactsSectionHeaderView*>(shot.table()->headerViewAt(0));
    QVERIFY(header);
    QVERIFY(shot.any(header->titleLabel(), QRect(0, 0, 14, header->titleLabel()->height()),
                     [](const QColor& c) { return near(c, kBlue, 40); }));
    QVERIFY(!near(shot.at(header, {header->width() / 2.0, header->height() - 1.0}), Qt::white, 8));
    // The index along the right edge, in its own blue, from A down to #.
    auto* index = shot.table()->findChild<SectionIndexBar*>();
    QVERIFY(index && index->isVisible());
    QCOMPARE(index->titles().first(), QString("A"));
    QCOMPARE(index->titles().last(), QString("#"));
    // The letters stand in the bar's middle, at most 16 points apart.
    const qreal row = qMin(16.0, qreal(index->height()) / index->titles().size());
    const int top = int((index->height() - row * index->titles().size()) / 2);
    QVERIFY(shot.any(index, QRect(0, top, index->width(), 14),
                     [](const QColor& c) { return c.blue() > 200 && c.red() < 100; }));
    // The first row: Aaron's photo in the avatar, his name in dark text, the row's line under it.
    auto* aaron = shot.cell<PLContactsTableViewCell>({0, 0});
    QVERIFY(aaron);
    const QWidget* avatar = aaron->contactImageView();
    const QColor photo = shot.at(avatar, {6, avatar->height() / 2.0});
    QVERIFY2(!near(photo, Qt::white, 20) && !near(photo, QColor(0xd5, 0xdb, 0xe1), 20), describe(photo));
    QVERIFY(shot.any(aaron->nameLabel(), QRect(0, 0, 30, aaron->nameLabel()->height()),
                     [](const QColor& c) { return c.lightness() < 120; }));
    const QColor line = shot.at(aaron, {aaron->width() / 2.0, aaron->height() - 0.5});
    QVERIFY2(near(line, QColor(200, 199, 204), 12), describe(line));
    // Nothing chosen: no action bar at the bottom.
    QVERIFY(!near(shot.at(&shot.window, {shot.window.width() / 2.0, shot.window.height() - 4.0}), kBlue));
    // The field's placeholder in light blue.
    TextField* field = shot.picker->addContactsTextField();
    QVERIFY(shot.any(field, QRect(8, 0, 30, field->height()),
                     [](const QColor& c) { return near(c, kBlue, 90) && c.blue() > c.red() + 60; }));
}

void TestContactsGallery::searchShowsMatchesWithoutIndex() {
    QFETCH(QString, suffix);
    Shot shot("PickerSearching" + suffix);
    QVERIFY(shot.picker && shot.picker->isFiltered());
    QCOMPARE(shot.picker->searchText(), tools::contactsGallerySearchText());
    auto* index = shot.table()->findChild<SectionIndexBar*>();
    QVERIFY(!index || !index->isVisible());
    // No letter header: the first match starts at the list's top, under the field.
    auto* first = shot.cell<PLContactsTableViewCell>({0, 0});
    QVERIFY(first);
    QCOMPARE(first->nameLabel()->text(), QString("Bianca Russo"));
    QCOMPARE(first->mapTo(shot.table(), QPoint(0, 0)).y(), 0);
    // The typed text is dark, in the regular face.
    TextField* field = shot.picker->addContactsTextField();
    QVERIFY(shot.any(field, QRect(8, 0, 20, field->height()),
                     [](const QColor& c) { return c.lightness() < 110; }));
    // The right edge, where the index was, is the rows' white.
    const QColor edge = shot.at(first, {first->width() - 4.0, 6});
    QVERIFY2(near(edge, Qt::white, 8), describe(edge));
}

void TestContactsGallery::typedAddressIsChosenAtTheTop() {
    QFETCH(QString, suffix);
    Shot shot("PickerTypedAddress" + suffix);
    QVERIFY(shot.picker);
    auto* typed = shot.cell<PLNewlyAddedContactTableViewCell>({0, 0});
    QVERIFY(typed);
    QCOMPARE(typed->emailOrPhoneLabel()->text(), tools::contactsGalleryTypedAddress());
    // The typed row starts the list without a header; its remove mark is blue.
    QCOMPARE(typed->mapTo(shot.table(), QPoint(0, 0)).y(), 0);
    const QWidget* remove = typed->removeButton();
    QVERIFY(shot.any(remove, remove->rect(), [](const QColor& c) { return near(c, kBlue, 40); }));
    // The action bar is up, blue, with the white "addChat" picture before the title.
    QWidget* bar = shot.picker->bottomView();
    QCOMPARE(bar->mapTo(&shot.window, QPoint(0, bar->height())).y(), shot.window.height());
    QVERIFY(near(shot.at(bar, {4, bar->height() / 2.0}), kBlue, 6));
    const auto* button = shot.picker->startConversationButton();
    QVERIFY(shot.any(button, QRect(10, 0, 22, button->height()),
                     [](const QColor& c) { return near(c, Qt::white, 10); }));
    // The field is empty again.
    QVERIFY(shot.picker->addContactsTextField()->text().isEmpty());
}

void TestContactsGallery::selectionShowsMarksAndGroupTitle() {
    QFETCH(QString, suffix);
    Shot shot("PickerSelection" + suffix);
    QVERIFY(shot.picker);
    QCOMPARE(namesOf(shot.picker->selectedContactsArray()), tools::contactsGallerySelection());
    int marks = 0;
    for (TableViewCell* visible : shot.table()->visibleCells()) {
        auto* row = qobject_cast<PLContactsTableViewCell*>(visible);
        if (!row || row->geometry().bottom() > shot.table()->viewport()->height())
            continue;
        const QWidget* mark = row->contactSelectionImageView();
        // Above the tick, inside the round mark.
        const QColor centre = shot.at(mark, {mark->width() / 2.0, 4});
        if (row->isShownAsSelected()) {
            QVERIFY2(greenish(centre), describe(centre));
            ++marks;
        } else {
            QVERIFY2(near(centre, Qt::white, 8), describe(centre));
        }
    }
    QCOMPARE(marks, 3);
    // The bar: "Edit" on the left, the group title on the right, white on blue.
    QCOMPARE(shot.picker->startConversationButton()->titleForState(Button::State::Normal),
             QString("Make Group (3)"));
    const auto* edit = shot.picker->editButton();
    QVERIFY(edit->isVisible());
    QVERIFY(shot.any(edit, edit->rect(), [](const QColor& c) { return near(c, Qt::white, 10); }));
    QVERIFY(
        near(shot.at(shot.picker->bottomView(), {shot.picker->bottomView()->width() / 2.0, 3}), kBlue, 6));
}

void TestContactsGallery::focusedFieldDimsTheList() {
    QFETCH(QString, suffix);
    Shot shot("PickerFieldFocused" + suffix);
    QVERIFY(shot.picker);
    TextField* field = shot.picker->addContactsTextField();
    QVERIFY(field->hasFocus());
    QVERIFY(field->text().isEmpty());
    // The overlay covers the whole list: the rows' white reads as half black under it.
    QWidget* overlay = shot.picker->blurView();
    QVERIFY(overlay && overlay->isVisible());
    QCOMPARE(overlay->geometry(), shot.table()->geometry());
    auto* aaron = shot.cell<PLContactsTableViewCell>({0, 0});
    QVERIFY(aaron);
    const QColor dimmed = shot.at(aaron, {aaron->width() - 60.0, aaron->height() / 2.0});
    QVERIFY2(near(dimmed, QColor(128, 128, 128), 12), describe(dimmed));
    // The field above it is not dimmed, and its add button has come in at its end.
    QVERIFY2(near(shot.at(field, {field->width() - 4.0, 3}), Qt::white, 8),
             describe(shot.at(field, {field->width() - 4.0, 3})));
    QVERIFY(shot.picker->addNewContactButton()->isVisible());
    QVERIFY(field->geometry().right() < shot.picker->addNewContactButton()->geometry().right());
}

void TestContactsGallery::addMoreModeOffersToAddMembers() {
    QFETCH(QString, suffix);
    Shot shot("PickerAddMore" + suffix);
    QVERIFY(shot.picker && shot.picker->isPresentedToAddMoreContacts());
    QCOMPARE(namesOf(shot.picker->selectedContactsArray()), tools::contactsGallerySelection().mid(0, 2));
    // The bar says what the choice does to the room, with no new-chat picture, white on blue.
    const auto* button = shot.picker->startConversationButton();
    QCOMPARE(button->titleForState(Button::State::Normal), QString("Add members (2)"));
    QVERIFY(button->imageForState(Button::State::Normal).isNull());
    QWidget* bar = shot.picker->bottomView();
    QCOMPARE(bar->mapTo(&shot.window, QPoint(0, bar->height())).y(), shot.window.height());
    QVERIFY(near(shot.at(bar, {bar->width() / 2.0, 3}), kBlue, 6));
    QVERIFY(shot.any(button, button->rect(), [](const QColor& c) { return near(c, Qt::white, 10); }));
    QVERIFY(
        QFontMetrics(button->titleFont()).horizontalAdvance(button->titleForState(Button::State::Normal)) <
        button->width());
}

void TestContactsGallery::rightToLeftMirrorsTheRows() {
    QFETCH(QString, suffix);
    Shot shot("PickerListRightToLeft" + suffix);
    QVERIFY(shot.picker);
    QCOMPARE(shot.picker->view()->layoutDirection(), Qt::RightToLeft);
    // The avatar at the right, the name to its left, ending near it.
    auto* aaron = shot.cell<PLContactsTableViewCell>({0, 0});
    QVERIFY(aaron);
    QWidget* avatar = aaron->contactImageView();
    QWidget* name = aaron->nameLabel();
    const int avatarLeft = avatar->mapTo(aaron, QPoint()).x();
    QVERIFY(avatarLeft > aaron->width() / 2);
    QVERIFY(name->mapTo(aaron, QPoint(name->width(), 0)).x() <= avatarLeft);
    const QColor photo = shot.at(avatar, {avatar->width() / 2.0, avatar->height() / 2.0});
    QVERIFY2(!near(photo, Qt::white, 20), describe(photo));
    // The name's ink lies at its right end, beside the avatar.
    QVERIFY(shot.any(name, QRect(name->width() - 30, 0, 30, name->height()),
                     [](const QColor& c) { return c.lightness() < 120; }));
    auto* index = shot.table()->findChild<SectionIndexBar*>();
    QVERIFY(index && index->isVisible());
    // The index mirrors with the headers: at the left edge, away from their letters at the right; the
    // rows leave it room, so it covers no name, and the avatars keep the right edge.
    const int indexRight = index->mapTo(&shot.window, QPoint(index->width(), 0)).x();
    QCOMPARE(index->mapTo(&shot.window, QPoint()).x(), shot.table()->mapTo(&shot.window, QPoint()).x());
    QVERIFY(aaron->mapTo(&shot.window, QPoint()).x() >= indexRight);
    QVERIFY(name->mapTo(&shot.window, QPoint()).x() >= indexRight);
    QCOMPARE(aaron->mapTo(&shot.window, QPoint(aaron->width(), 0)).x(),
             shot.table()->mapTo(&shot.window, QPoint(shot.table()->width(), 0)).x());
    QWidget* header = shot.table()->headerViewAt(0);
    QVERIFY(header);
    auto* letter = header->findChild<QWidget*>(QStringLiteral("headerTitle"));
    QVERIFY(letter);
    QVERIFY(shot.any(letter, QRect(letter->width() - 20, 0, 20, letter->height()),
                     [](const QColor& c) { return c.blue() > c.red() + 60; }));
    // The field's placeholder starts at the right.
    TextField* field = shot.picker->addContactsTextField();
    QVERIFY(shot.any(field, QRect(field->width() - 40, 0, 32, field->height()),
                     [](const QColor& c) { return near(c, kBlue, 90) && c.blue() > c.red() + 60; }));
}

// Right to left "+" comes in at the field's left end, the field narrowed from there; with three chosen
// the main button lies at the bar's left and Edit at its right, both titles white on the bar's blue.
void TestContactsGallery::rightToLeftMirrorsTheEntryAndTheBar() {
    QFETCH(QString, suffix);
    const int width = tools::contactsGallerySize(suffix).width();
    {
        Shot shot("PickerFieldFocusedRightToLeft" + suffix);
        QVERIFY(shot.picker);
        TextField* field = shot.picker->addContactsTextField();
        QVERIFY(field->hasFocus());
        auto* add = shot.picker->addNewContactButton();
        QVERIFY(add->isVisible());
        QCOMPARE(add->x(), 10);
        QCOMPARE(field->geometry().right() + 1, width - 10);
        QVERIFY(field->x() > add->geometry().right());
        const QColor button = shot.at(add, {add->width() / 2.0, 3});
        QVERIFY2(near(button, kBlue, 16), describe(button));
        QVERIFY(shot.any(add, add->rect(), [](const QColor& c) { return near(c, Qt::white, 10); }));
    }
    Shot shot("PickerSelectionRightToLeft" + suffix);
    QVERIFY(shot.picker);
    auto* main = shot.picker->startConversationButton();
    auto* edit = shot.picker->editButton();
    QCOMPARE(main->titleForState(Button::State::Normal), QString("Make Group (3)"));
    QVERIFY(edit->isVisible());
    QCOMPARE(main->x(), 5);
    QCOMPARE(edit->geometry().right() + 1, width - 5);
    QVERIFY(main->geometry().right() < edit->x());
    for (Button* button : {main, edit})
        QVERIFY2(shot.any(button, button->rect(), [](const QColor& c) { return near(c, Qt::white, 10); }),
                 qPrintable(button->objectName()));
    QWidget* bar = shot.picker->bottomView();
    QCOMPARE(bar->mapTo(&shot.window, QPoint(0, bar->height())).y(), shot.window.height());
}

QTEST_MAIN(TestContactsGallery)
#include "tst_gallery.moc"
