#include "GalleryScreens.h"
#include "GalleryPictures.h"

#include "platform/ui/ActionSheet.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/TableView.h"
#include "platform/ui/Window.h"

#include <QLabel>
#include <QVBoxLayout>

namespace pelnix::tools {

using namespace platform::ui;

namespace {
const QStringList kFirstNames{"Aarav", "Bea",   "Chen", "Dana", "Emil", "Farah", "Gus",   "Hana",  "Ivo",
                              "Jun",   "Kemal", "Lena", "Mira", "Nils", "Omar",  "Pia",   "Quinn", "Rosa",
                              "Sven",  "Tara",  "Umar", "Vera", "Wen",  "Xena",  "Yusuf", "Zoe"};

// Contacts A to Z with the section index, long enough to need virtualisation.
class ContactsController : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    ContactsController() {
        setTitle(QStringLiteral("Contacts"));
        for (int s = 0; s < 26; ++s) {
            QStringList rows;
            for (int i = 0; i < 100; ++i)
                rows << QStringLiteral("%1 %2").arg(kFirstNames[s]).arg(QChar(u'A' + (i * 7) % 26)) +
                            QString::number(i);
            m_sections << rows;
            m_titles << QString(QChar(u'A' + s));
        }
    }
    int numberOfSectionsInTableView(TableView*) override { return int(m_sections.size()); }
    int numberOfRowsInSection(TableView*, int section) override { return int(m_sections[section].size()); }
    TableViewCell* cellForRowAtIndexPath(TableView* table, const IndexPath& path) override {
        TableViewCell* cell = table->dequeueReusableCell(QStringLiteral("contact"));
        if (!cell)
            cell = new TableViewCell(TableViewCell::Style::Subtitle, QStringLiteral("contact"));
        cell->textLabel()->setText(m_sections[path.section][path.row]);
        cell->detailTextLabel()->setText(
            QStringLiteral("+1 555 01%1").arg(path.row, 2, 10, QLatin1Char('0')));
        cell->setAccessoryType(path.row % 3 == 0 ? TableViewCell::Accessory::Checkmark
                                                 : TableViewCell::Accessory::DisclosureIndicator);
        return cell;
    }
    QString titleForHeaderInSection(TableView*, int section) override { return m_titles[section]; }
    QStringList sectionIndexTitlesForTableView(TableView*) override { return m_titles; }
    qreal heightForRowAtIndexPath(TableView*, const IndexPath&) override { return 56; }

protected:
    QWidget* loadView() override {
        auto* table = new TableView;
        table->setDataSource(this);
        table->setDelegate(this);
        return table;
    }

private:
    QList<QStringList> m_sections;
    QStringList m_titles;
};

// A plain page with a headline and a paragraph.
class PageController : public ViewController {
public:
    PageController(const QString& title, const QString& body) : m_body(body) { setTitle(title); }

protected:
    QWidget* loadView() override {
        auto* view = new QWidget;
        view->setAutoFillBackground(true);
        QPalette palette = view->palette();
        palette.setColor(QPalette::Window, Qt::white);
        view->setPalette(palette);
        auto* layout = new QVBoxLayout(view);
        layout->setContentsMargins(20, 24, 20, 20);
        auto* headline = new Label(title());
        headline->setFont(galleryFont(22, true));
        auto* body = new Label(m_body);
        body->setFont(galleryFont(15));
        body->setNumberOfLines(0);
        body->setAlignsTop(true);
        body->setTextColor(QColor(64, 64, 64));
        layout->addWidget(headline);
        layout->addWidget(body, 1);
        return view;
    }

private:
    QString m_body;
};

ViewController* navigationStack() {
    auto* rooms = new PageController(QStringLiteral("Rooms"), QStringLiteral("The list of rooms."));
    rooms->navigationItem()->setRightBarButtonItem(new BarButtonItem(BarButtonItem::SystemItem::Add));
    auto* nav = new NavigationController(rooms);
    auto* info =
        new PageController(QStringLiteral("Group Info"),
                           QStringLiteral("Members, media and settings of the group. The bar shows the back "
                                          "button to the rooms, and Edit and Done on the right."));
    info->navigationItem()->setRightBarButtonItems({new BarButtonItem(BarButtonItem::SystemItem::Done),
                                                    new BarButtonItem(BarButtonItem::SystemItem::Edit)});
    nav->pushViewController(info, false);
    return nav;
}
} // namespace

void registerGalleryScreens() {
    auto* registry = ScreenRegistry::shared();
    const QString gallery = QStringLiteral("Gallery");
    registry->registerScreen(gallery, QStringLiteral("NavigationStack"), navigationStack);
    registry->registerScreen(
        gallery, QStringLiteral("Alert"),
        [] {
            return new NavigationController(
                new PageController(QStringLiteral("Chat"), QStringLiteral("A conversation.")));
        },
        [](ViewController* controller) {
            auto* alert =
                new AlertView(QStringLiteral("Leave group?"),
                              QStringLiteral("You will no longer receive messages from this group."),
                              QStringLiteral("Cancel"), {QStringLiteral("Leave")});
            alert->show(controller->window());
        });
    registry->registerScreen(
        gallery, QStringLiteral("ActionSheet"),
        [] {
            return new NavigationController(
                new PageController(QStringLiteral("Chat"), QStringLiteral("A conversation.")));
        },
        [](ViewController* controller) {
            auto* sheet = new ActionSheet(QStringLiteral("This message could not be sent."),
                                          QStringLiteral("Cancel"), QStringLiteral("Discard"),
                                          {QStringLiteral("Resend"), QStringLiteral("Resend all")});
            sheet->show(controller->window());
        });
    registry->registerScreen(gallery, QStringLiteral("IndexedTable"),
                             [] { return new NavigationController(new ContactsController); });
    registry->setInitialScreen(gallery, QStringLiteral("NavigationStack"));
}

} // namespace pelnix::tools
