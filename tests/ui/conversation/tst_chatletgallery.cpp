// The smart-message screens of the gallery as the screenshot tool renders them, checked by pixels at
// computed points.
#include "BarTitleFonts.h"
#include "ConversationGalleryShot.h"
#include "DeliveredRowTimes.h"
#include "GalleryChatlets.h"
#include "MirroredGeometry.h"
#include "TestSandbox.h"

#include "core/model/Message.h"
#include "core/model/PLModelManager.h"
#include "foundation/persistence/PLPersistence.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "platform/ui/Animator.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/Screenshot.h"
#include "platform/ui/SectionIndexBar.h"
#include "platform/ui/TableView.h"
#include "platform/ui/Window.h"
#include "ui/conversation/PLAddressBookContactCell.h"
#include "ui/conversation/PLAddressBookContactViewController.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLChatWindowSearchViewController.h"
#include "ui/conversation/PLChatWindowViewController.h"
#include "ui/conversation/PLChatletFormView.h"
#include "ui/conversation/PLChatletListFieldView.h"
#include "ui/conversation/PLChatletTextFieldView.h"
#include "ui/conversation/PLContactDetailCell.h"
#include "ui/conversation/PLContactDetailViewController.h"
#include "ui/conversation/PLPagePlaceholderView.h"
#include "ui/conversation/PLPostChatletViewController.h"
#include "ui/conversation/PLReplyWebViewController.h"
#include "ui/conversation/PLSmartMessageCell.h"
#include "ui/toolkit/PLCustomSeparatorView.h"
#include "ui/toolkit/PLSwipeViewController.h"
#include "ui/toolkit/ToolkitStyle.h"

#include <QApplication>
#include <QDir>
#include <QTest>
#include <optional>

using namespace pelnix;
using namespace pelnix::platform::ui;

namespace {

const QString kStoryboard = QStringLiteral("GalleryChatlets");

struct GalleryShot : pelnix::test::GalleryScreenShot {
    // At the size the screen is about, or once brought to `renderedAt` as the tool's larger pictures.
    explicit GalleryShot(const QString& identifier, std::optional<QSize> renderedAt = std::nullopt)
        : GalleryScreenShot(kStoryboard, identifier, QSize(375, 667), renderedAt) {}
    // The pages are large: every other point is read.
    bool any(const QWidget* view, const QRect& area, const std::function<bool(const QColor&)>& test) const {
        return GalleryScreenShot::any(view, area, test, 2);
    }
    NavigationController* navigation() const { return qobject_cast<NavigationController*>(controller); }
    ViewController* top() const { return navigation() ? navigation()->topViewController() : controller; }
};

using pelnix::test::describe;
using pelnix::test::near;

bool dark(const QColor& c) {
    return c.lightness() < 110;
}
bool linkBlue(const QColor& c) {
    return c.blue() > 150 && c.red() < 90 && c.green() < 90;
}

PLSmartMessageCell* smartCellFor(PLChatWindowViewController* chat, const QString& formId) {
    const auto& rows = chat->rowList().rows();
    for (int i = 0; i < rows.size(); ++i)
        if (const auto message = rows[i].message(); message && message->formId() == formId)
            return qobject_cast<PLSmartMessageCell*>(
                chat->collectionView()->cellForItemAtIndexPath(IndexPath::forItem(i)));
    return nullptr;
}

} // namespace

class TestChatletGallery : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QDir().mkpath(QStringLiteral("screenshots"));
        CustomFontRegistration::loadCustomFonts();
        Animator::setInstant(true);
        tools::registerChatletGalleryScreens();
    }
    void cleanupTestCase() {
        PLModelManager::destroySharedInstance();
        PLPersistence::cleanUp();
    }

    void everyScreenRendersAtItsSize_data() {
        QTest::addColumn<QString>("identifier");
        for (const QString& identifier : ScreenRegistry::shared()->identifiers(kStoryboard))
            QTest::addRow("%s", qPrintable(identifier)) << identifier;
    }
    void everyScreenRendersAtItsSize() {
        QFETCH(QString, identifier);
        GalleryShot shot(identifier);
        QVERIFY(shot.controller);
        QCOMPARE(shot.window.size(), tools::chatletGallerySize(identifier));
        QVERIFY(!shot.image.isNull());
    }

    // The poll, the location and the contact render as pages whose heights size their rows.
    void theRoomShowsItsChatletsAsPages_data() {
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("320 x 568") << "ChatRoomWithChatlets"
                                   << QStringList{"GALLERY-POLL", "GALLERY-LOCATION"};
        QTest::newRow("400 x 720") << "ChatRoomWithChatlets400x720"
                                   << QStringList{"GALLERY-POLL", "GALLERY-LOCATION", "GALLERY-CONTACT"};
    }
    void theRoomShowsItsChatletsAsPages() {
        QFETCH(QString, identifier);
        QFETCH(QStringList, shown);
        GalleryShot shot(identifier);
        auto* chat = qobject_cast<PLChatWindowViewController*>(shot.navigation()->viewControllers().value(0));
        QVERIFY(chat);
        for (const QString& formId : shown) {
            PLSmartMessageCell* cell = smartCellFor(chat, formId);
            QVERIFY2(cell, qPrintable(formId));
            QVERIFY2(cell->isPageShown(), qPrintable(formId));
            QCOMPARE(cell->height(), int(Message::messageWithFormID(formId)->displayCellHeight()));
            // Text (or a link) in the first lines of the page.
            QWidget* page = cell->webView();
            QVERIFY2(shot.any(page, QRect(4, 4, page->width() - 8, 30),
                              [](const QColor& c) { return dark(c) || linkBlue(c); }),
                     qPrintable(formId));
        }
        // The poll's action links are drawn in link blue, three of them on one line.
        PLSmartMessageCell* poll = smartCellFor(chat, QStringLiteral("GALLERY-POLL"));
        QWidget* page = poll->webView();
        QVERIFY(shot.any(page, QRect(4, page->height() - 50, page->width() - 8, 46), linkBlue));
        // The replied-by line under it.
        QCOMPARE(poll->repliedByLabel()->text(), QStringLiteral("Carol"));
        QCOMPARE(poll->repliedBySuffixLabel()->text(), QStringLiteral("replied"));
        // The floating scroll buttons leave every time in view readable.
        const QString covered = pelnix::test::markUnderAScrollButton(shot, chat);
        QVERIFY2(covered.isEmpty(), qPrintable(covered));
    }

    void theStaleMarkAndItsPopover_data() {
        QTest::addColumn<QSize>("renderedAt"); // empty: the phone the screen is set up at
        QTest::newRow("320 x 568") << QSize();
        QTest::newRow("1024 x 768") << QSize(1024, 768);
    }
    void theStaleMarkAndItsPopover() {
        QFETCH(QSize, renderedAt);
        GalleryShot shot(QStringLiteral("StaleMarkPopover"),
                         renderedAt.isEmpty() ? std::nullopt : std::optional<QSize>(renderedAt));
        auto* cell = shot.controller->view()->findChild<PLSmartMessageCell*>();
        QVERIFY(cell);
        // Under the room's bar, as the chat window shows the row, and as wide as the window.
        QVERIFY(shot.navigation());
        NavigationBar* bar = shot.navigation()->navigationBar();
        QVERIFY(bar->isVisibleTo(&shot.window));
        QCOMPARE(bar->titleText(), QStringLiteral("Lunch club"));
        QCOMPARE(bar->width(), shot.window.width());
        QCOMPARE(cell->width(), shot.window.width());
        QVERIFY(cell->mapTo(&shot.window, QPoint()).y() >= bar->height());
        QWidget* mark = cell->staleMessageIndicatorImageView();
        QVERIFY(mark->isVisible());
        // The mark's orange shows through the popover's dimming only where the popover is not; the
        // popover's own face is light.
        QVERIFY(cell->staleIndicatorInfoPopoverController());
        auto* popover = cell->stalePopOverView();
        QVERIFY(popover && popover->isVisible());
        const QColor face = shot.at(popover, {4, popover->height() - 4.0});
        QVERIFY2(face.lightness() > 200, describe(face));
        QVERIFY(shot.any(popover->messageLabel(), popover->messageLabel()->rect(), dark));
        const QColor okTitle =
            shot.at(popover->dismissButton(), QRectF(popover->dismissButton()->rect()).center());
        QVERIFY2(okTitle.lightness() > 150 || near(okTitle, QColor(0, 134, 202), 80), describe(okTitle));
        // The popover stands at the mark it tells about.
        const int markX = mark->mapTo(&shot.window, QPoint(mark->width() / 2, 0)).x();
        const QRect area(popover->mapTo(&shot.window, QPoint()), popover->size());
        QVERIFY2(area.left() - 24 <= markX && markX <= area.right() + 24,
                 qPrintable(QStringLiteral("mark at %1, popover from %2 to %3")
                                .arg(markX)
                                .arg(area.left())
                                .arg(area.right())));
    }

    // A poll whose page cannot load shows a box naming it over its note, both lines at the box's
    // leading edge: the left left to right; right to left the box lies mirrored and each line ends at
    // its right, as far from it as it starts from the left left to right; turned back at run time, the
    // lines start at the left again.
    void thePagePlaceholderReadsFromItsLeadingEdge() {
        const auto box = [](const GalleryShot& shot) {
            auto* cell = shot.controller->view()->findChild<PLSmartMessageCell*>();
            return cell ? cell->pagePlaceholder() : nullptr;
        };
        // The first and last inked columns of the name's line (the box's upper half) and the note's.
        const auto lines = [](const GalleryShot& shot, const PLPagePlaceholderView* view) {
            QList<std::pair<int, int>> spans;
            for (const int top : {2, view->height() / 2}) {
                int first = -1;
                int last = -1;
                for (int x = 2; x < view->width() - 2; ++x)
                    for (int y = top; y < top + view->height() / 2 - 2; ++y)
                        if (shot.at(view, QPointF(x, y)).lightness() < 200) {
                            if (first < 0)
                                first = x;
                            last = x;
                            break;
                        }
                spans << std::pair{first, last};
            }
            return spans;
        };
        GalleryShot leftToRight(QStringLiteral("PagePlaceholder"));
        PLPagePlaceholderView* plain = box(leftToRight);
        QVERIFY(plain && plain->isVisible());
        QCOMPARE(plain->name(), QStringLiteral("Poll"));
        GalleryShot rightToLeft(QStringLiteral("PagePlaceholderRightToLeft"));
        PLPagePlaceholderView* mirrored = box(rightToLeft);
        QVERIFY(mirrored && mirrored->isVisible());
        QCOMPARE(mirrored->geometry(),
                 test::mirroredIn(mirrored->parentWidget()->width(), plain->geometry()));
        const auto plainLines = lines(leftToRight, plain);
        const auto mirroredLines = lines(rightToLeft, mirrored);
        for (int line = 0; line < 2; ++line) {
            const auto [first, last] = plainLines[line];
            const auto [mirroredFirst, mirroredLast] = mirroredLines[line];
            QVERIFY2(first >= 8 && first <= 13, qPrintable(QString::number(first)));
            const int fromTheRight = mirrored->width() - 1 - mirroredLast;
            QVERIFY2(fromTheRight >= 8 && fromTheRight <= 13, qPrintable(QString::number(fromTheRight)));
            // As wide as left to right, but for a column of antialiasing.
            QVERIFY(qAbs((mirroredLast - mirroredFirst) - (last - first)) <= 1);
        }
        const QImage mirroredPicture = rightToLeft.image;
        rightToLeft.controller->view()->setLayoutDirection(Qt::LeftToRight);
        // Laid out again, the row fades its time in once more: the picture waits for it.
        QVERIFY(test::DeliveredRowTimes::await(&rightToLeft.window));
        const QString turnedBack = rightToLeft.retake(QStringLiteral("TurnedBack"));
        QCOMPARE(lines(rightToLeft, box(rightToLeft))[0].first, plainLines[0].first);
        // Both pictures are kept, each as it was taken: the turned one beside the mirrored one.
        QVERIFY(turnedBack != rightToLeft.pathOf());
        const auto asKept = [](const QImage& picture) {
            return picture.convertToFormat(QImage::Format_RGB32);
        };
        QCOMPARE(asKept(QImage(rightToLeft.pathOf())), asKept(mirroredPicture));
        QCOMPARE(asKept(QImage(turnedBack)), asKept(rightToLeft.image));
    }

    void theDetailsPageShowsThePollsResults() {
        GalleryShot shot(QStringLiteral("ChatletDetails"));
        auto* details = qobject_cast<PLReplyWebViewController*>(shot.top());
        QVERIFY(details);
        QWidget* page = details->webview();
        QVERIFY(shot.any(page, QRect(4, 4, page->width() / 2, 80), dark));
        QVERIFY(shot.any(page, QRect(4, 150, page->width() / 2, 100), linkBlue));
        QVERIFY(near(shot.at(page, {page->width() - 5.0, page->height() - 5.0}), Qt::white, 4));
    }

    void searchCountsItsResults_data() {
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<QString>("band");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QSize>("renderedAt"); // empty: the phone the screen is set up at
        for (const QSize size : {QSize(), QSize(1024, 768)}) {
            const QByteArray at = size.isEmpty() ? QByteArray() : QByteArray(" at 1024 x 768");
            QTest::newRow("results" + at) << "SearchWithResults"
                                          << "1 result found" << 1 << size;
            QTest::newRow("none" + at) << "SearchWithoutResults"
                                       << "No results found" << 0 << size;
        }
    }
    void searchCountsItsResults() {
        QFETCH(QString, identifier);
        QFETCH(QString, band);
        QFETCH(int, rows);
        QFETCH(QSize, renderedAt);
        GalleryShot shot(identifier, renderedAt.isEmpty() ? std::nullopt : std::optional<QSize>(renderedAt));
        auto* search = qobject_cast<PLChatWindowSearchViewController*>(shot.top());
        QVERIFY(search);
        QCOMPARE(search->searchResultsLabel()->text(), band);
        QCOMPARE(search->searchCollectionView()->numberOfItemsInSection(0), rows);
        QWidget* holder = search->resultsHolderView();
        QVERIFY2(near(shot.at(holder, {4, holder->height() / 2.0}), QColor(0xEF, 0xEF, 0xF4), 4),
                 describe(shot.at(holder, {4, holder->height() / 2.0})));
        QVERIFY(shot.any(search->searchResultsLabel(), search->searchResultsLabel()->rect(), dark));
        // The search bar lies over the navigation bar.
        QVERIFY(search->searchView()->isVisible());
        QCOMPARE(search->searchView()->geometry().top(),
                 shot.navigation()->navigationBar()->geometry().top());
        // It spans the bar at any window width: the field runs to Cancel, which ends at the right edge.
        QCOMPARE(search->searchView()->geometry(), shot.navigation()->navigationBar()->geometry());
        QCOMPARE(search->searchView()->width(), shot.window.width());
        QWidget* cancel = search->searchView()->cancelButton();
        QVERIFY(cancel->mapTo(&shot.window, QPoint(cancel->width(), 0)).x() > shot.window.width() - 16);
        QWidget* field = search->searchView()->searchTextField();
        QVERIFY(field->width() > shot.window.width() - cancel->width() - 48);
    }

    void theContactListHasItsIndexAndBlueHeaders() {
        GalleryShot shot(QStringLiteral("ShareContactList"));
        auto* list = qobject_cast<PLAddressBookContactViewController*>(shot.top());
        QVERIFY(list);
        QVERIFY(list->addressBookContacts().size() >= 31);
        QCOMPARE(list->sectionTitles().last(), QStringLiteral("#"));
        auto* table = list->contactsTableView();
        auto* index = table->findChild<SectionIndexBar*>();
        QVERIFY(index && index->isVisible());
        QWidget* header = table->headerViewAt(0);
        QVERIFY(header);
        QVERIFY(shot.any(header, QRect(10, 2, 40, header->height() - 4),
                         [](const QColor& c) { return near(c, QColor(0, 134, 202), 60); }));
    }

    // Right to left the index lies at the left and each header's title at the right, opposite it; the
    // header's and the rows' lines start at the left and stop short of the right edge.
    void theContactListMirrorsRightToLeft() {
        GalleryShot shot(QStringLiteral("ShareContactListRightToLeft"));
        auto* list = qobject_cast<PLAddressBookContactViewController*>(shot.top());
        QVERIFY(list);
        auto* table = list->contactsTableView();
        auto* index = table->findChild<SectionIndexBar*>();
        QVERIFY(index && index->isVisible());
        QVERIFY(index->mapTo(&shot.window, QPoint()).x() < 20);
        QWidget* header = table->headerViewAt(0);
        QVERIFY(header);
        const auto blue = [](const QColor& c) { return near(c, QColor(0, 134, 202), 60); };
        const int width = header->width();
        QVERIFY(shot.any(header, QRect(width - 50, 2, 40, header->height() - 4), blue));
        QVERIFY(!shot.any(header, QRect(0, 2, width / 2, header->height() - 4), blue));
        const auto line = [](const QColor& c) { return c.lightness() < 235; };
        QVERIFY(shot.any(header, QRect(0, header->height() - 1, 4, 1), line));
        QVERIFY(!shot.any(header, QRect(width - 12, header->height() - 1, 12, 1), line));
        auto* row = table->findChild<PLAddressBookContactCell*>();
        QVERIFY(row);
        const QRect separator = row->customSeparatorView()->geometry();
        QCOMPARE(separator.x(), 0);
        QCOMPARE(separator.right() + 1, row->customSeparatorView()->parentWidget()->width() - 15);
    }

    void theContactDetailTicksTwoValues() {
        GalleryShot shot(QStringLiteral("ShareContactDetail"));
        auto* detail = qobject_cast<PLContactDetailViewController*>(shot.top());
        QVERIFY(detail);
        for (const IndexPath path : {IndexPath{0, 0}, IndexPath{1, 0}}) {
            auto* cell = qobject_cast<PLContactDetailCell*>(
                detail->contactDetailtableView()->cellForRowAtIndexPath(path));
            QVERIFY(cell && cell->isShownAsSelected());
            auto* tick = cell->selectionStateImageView();
            const QColor centre = shot.at(tick, {tick->width() / 2.0 - 6, tick->height() / 2.0 - 6});
            QVERIFY2(centre.saturation() > 100, describe(centre));
        }
        auto* unticked = qobject_cast<PLContactDetailCell*>(
            detail->contactDetailtableView()->cellForRowAtIndexPath({0, 1}));
        QVERIFY(unticked && !unticked->isShownAsSelected());
    }

    // Right to left the picture, each row's icon and tick lie where left to right puts them, mirrored in
    // the window and drawn alike: the picture and icons at the right, the ticks at the left; the name
    // and the values end at the right.
    void theContactDetailMirrorsRightToLeft() {
        const auto parts = [](PLContactDetailViewController* detail) {
            QList<QWidget*> shown{detail->contactImageView(), detail->nameLabel()};
            for (const IndexPath path : {IndexPath{0, 0}, IndexPath{0, 1}, IndexPath{1, 0}}) {
                auto* cell = qobject_cast<PLContactDetailCell*>(
                    detail->contactDetailtableView()->cellForRowAtIndexPath(path));
                shown << cell->fieldTypeImageView() << cell->selectionStateImageView()
                      << cell->emailOrPhoneLabel();
            }
            return shown;
        };
        QList<pelnix::test::ShownPart> mirrored;
        {
            GalleryShot shot(QStringLiteral("ShareContactDetail"));
            auto* detail = qobject_cast<PLContactDetailViewController*>(shot.top());
            QVERIFY(detail);
            for (QWidget* part : parts(detail))
                mirrored << pelnix::test::shownPart(shot.image, part);
        }
        GalleryShot shot(QStringLiteral("ShareContactDetailRightToLeft"));
        auto* detail = qobject_cast<PLContactDetailViewController*>(shot.top());
        QVERIFY(detail);
        const QList<QWidget*> shown = parts(detail);
        for (int i = 0; i < shown.size(); ++i) {
            const pelnix::test::ShownPart part = pelnix::test::shownPart(shot.image, shown[i]);
            QCOMPARE(part.inWindow, pelnix::test::mirroredIn(shot.window.width(), mirrored[i].inWindow));
            if (qobject_cast<ImageView*>(shown[i]))
                QVERIFY2(part.look == mirrored[i].look, qPrintable(shown[i]->objectName()));
            else // the text's ink ends near the right, and starts past the middle
                QVERIFY(shot.any(shown[i], QRect(shown[i]->width() - 12, 0, 12, shown[i]->height()), dark) &&
                        !shot.any(shown[i], QRect(0, 0, shown[i]->width() / 3, shown[i]->height()), dark));
        }
    }

    void theComposerShowsAPollForm_data() {
        QTest::addColumn<QString>("identifier");
        QTest::newRow("320 x 568") << "ComposerPollForm";
        QTest::newRow("400 x 720") << "ComposerPollForm400x720";
    }
    void theComposerShowsAPollForm() {
        QFETCH(QString, identifier);
        GalleryShot shot(identifier);
        auto* form = qobject_cast<PLPostChatletViewController*>(shot.top());
        QVERIFY(form && form->formView());
        auto* title = qobject_cast<PLChatletTextFieldView*>(form->formView()->fieldView("title"));
        QWidget* input = title->input();
        // The form opens with the keys in its first field, framed in the accent colour; the others
        // keep the plain frame.
        QVERIFY2(near(shot.at(input, {0, input->height() / 2.0}), ToolkitStyle::accentColor(), 40),
                 describe(shot.at(input, {0, input->height() / 2.0})));
        auto* first =
            qobject_cast<PLChatletListFieldView*>(form->formView()->fieldView("options"))->entryFields()[0];
        QVERIFY2(near(shot.at(first, {0, first->height() / 2.0}), ToolkitStyle::borderColor(), 40),
                 describe(shot.at(first, {0, first->height() / 2.0})));
        // Fields follow each other closely, whatever the window's height.
        auto* question = form->formView()->fieldView("question");
        QVERIFY(question->mapTo(form->view(), QPoint(0, 0)).y() -
                    (title->mapTo(form->view(), QPoint(0, 0)).y() + title->height()) <
                20);
        // Nothing runs past the right edge.
        QVERIFY(input->mapTo(&shot.window, QPoint(input->width(), 0)).x() <= shot.window.width());
    }

    void theComposerSaysAFormIsTooLarge_data() {
        QTest::addColumn<QString>("identifier");
        QTest::newRow("320 x 568") << "ComposerFormTooLarge";
        QTest::newRow("400 x 720") << "ComposerFormTooLarge400x720";
    }
    void theComposerSaysAFormIsTooLarge() {
        QFETCH(QString, identifier);
        GalleryShot shot(identifier);
        auto* form = qobject_cast<PLPostChatletViewController*>(shot.top());
        QVERIFY(form && form->formView());
        QVERIFY(form->formView()->isTooLarge());
        QVERIFY(!form->sendBarButtonItem()->isEnabled());
        // The disabled Send reads as disabled: grey, not the tint.
        QWidget* send = form->sendBarButtonItem()->view();
        QVERIFY(send);
        QVERIFY(
            !shot.any(send, send->rect(), [](const QColor& c) { return c.blue() > 150 && c.red() < 90; }));
        QVERIFY(shot.any(send, send->rect(), [](const QColor& c) { return c.lightness() < 225; }));
        platform::ui::Label* notice = form->formView()->titleLabel();
        QCOMPARE(notice->text(), QStringLiteral("This form is too large to show."));
        QVERIFY(notice->isVisible());
        // Drawn whole inside the window, on one or two lines.
        const QRect area = notice->rect();
        QVERIFY(notice->mapTo(&shot.window, QPoint(area.width(), area.height())).x() <= shot.window.width());
        QVERIFY(notice->mapTo(&shot.window, QPoint(0, 0)).x() >= 0);
        QVERIFY(area.height() < 3 * notice->fontMetrics().height());
        QVERIFY2(notice->sizeThatFits(QSizeF(area.width(), 1e6)).height() <= area.height(),
                 qPrintable(QString::number(area.height())));
        QVERIFY(shot.any(notice, area, dark));
    }

    void theComposerPicksFromCategories() {
        GalleryShot shot(QStringLiteral("ComposerPicker"));
        auto* composer = qobject_cast<PLPostChatletViewController*>(shot.top());
        QVERIFY(composer && composer->pickerViewController());
        QWidget* indicator = composer->pickerViewController()->selectionIndicatorView();
        QVERIFY(indicator->isVisible());
        QVERIFY2(
            near(shot.at(indicator, QRectF(indicator->rect()).center()), ToolkitStyle::accentColor(), 30),
            describe(shot.at(indicator, QRectF(indicator->rect()).center())));
    }

    // The composer's bar buttons, on the picker and on a form, title in the library's font.
    void barButtonsTitleInTheLibraryFont_data() {
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<int>("titled");
        QTest::newRow("picker: Cancel") << "ComposerPicker" << 1;
        QTest::newRow("poll form: Send") << "ComposerPollForm" << 1;
    }
    void barButtonsTitleInTheLibraryFont() {
        QFETCH(QString, identifier);
        QFETCH(int, titled);
        GalleryShot shot(identifier);
        QVERIFY(shot.navigation());
        pelnix::test::verifyBarTitlesInFont(shot.navigation()->navigationBar(), titled);
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestChatletGallery t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_chatletgallery.moc"
