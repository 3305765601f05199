#include "GalleryContacts.h"
#include "GalleryPictures.h"

#include "core/model/CurrentUserInfo.h"
#include "core/model/PLAddressBookHelper.h"
#include "core/model/PelnixDataModel.h"
#include "core/model/User.h"
#include "foundation/persistence/PLManagedObject.h"
#include "foundation/persistence/PLPersistence.h"
#include "interface/Pelnix.h"
#include "interface/PelnixSetUp.h"
#include "media/PLImageManager.h"
#include "platform/AddressBook.h"
#include "platform/Sandbox.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Window.h"
#include "ui/contacts/ContactsScreens.h"
#include "ui/contacts/PLContactsViewController.h"
#include "ui/toolkit/PLActivityIndicatorView.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QThreadPool>

namespace pelnix::tools {

using platform::ui::NavigationController;
using platform::ui::ScreenRegistry;
using platform::ui::ViewController;

namespace {
const QString kGallery = QStringLiteral("GalleryContacts");
const QString kLarge = QStringLiteral("@400x720");

struct GalleryUser {
    qint32 id;
    const char* name;
    const char* email;
    const char* colour; // empty: no picture
};

// The service's users beside the address book: Ann is the signed-in user; Carla is also in the
// address book under the same name and address, and shows once.
const QList<GalleryUser>& galleryUsers() {
    static const QList<GalleryUser> users{
        {41, "Ann Lee", "ann@acme.test", "#7b61ff"},
        {42, "Bob Martin", "bob@acme.test", "#e0913a"},
        {43, "Carla Diaz", "carla.diaz@people.test", "#2f9e6e"},
        {44, "Dev Patel", "dev@acme.test", "#3a7be0"},
        {45, "Erin Walsh", "erin@acme.test", ""},
    };
    return users;
}

QString pictureURL(qint32 id) {
    return QStringLiteral("https://pictures.gallery.invalid/user-%1.png").arg(id);
}

QByteArray vCardOf(const GalleryPerson& person, bool withPhones) {
    QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    card += "N:" + person.lastName.toUtf8() + ";" + person.firstName.toUtf8() + ";;;\r\n";
    card += "FN:" + (person.firstName + QLatin1Char(' ') + person.lastName).trimmed().toUtf8() + "\r\n";
    card += "EMAIL;TYPE=INTERNET:" + person.email.toUtf8() + "\r\n";
    if (withPhones && !person.phone.isEmpty())
        card += "TEL;TYPE=CELL:" + person.phone.toUtf8() + "\r\n";
    if (person.photo) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        initialsPicture(initialsOf(person.firstName + QLatin1Char(' ') + person.lastName),
                        QColor::fromHsv(int(qHash(person.email) % 360), 150, 200))
            .scaled(48, 48, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            .save(&buffer, "PNG");
        card += "PHOTO;ENCODING=b;TYPE=PNG:" + png.toBase64() + "\r\n";
    }
    card += "END:VCARD\r\n";
    return card;
}

// A store of the gallery's own unless one is open already (another gallery's): the signed-in Ann,
// the service's users, their pictures in the image cache, the address book and the contact options.
void prepareGalleryWorld() {
    static bool prepared = false;
    if (prepared)
        return;
    prepared = true;
    static QTemporaryDir sandbox;
    PelnixSetUp::connectImageViews();
    if (!PLPersistence::PS_defaultStore()) {
        platform::Sandbox::setRoot(sandbox.path());
        PelnixDataModel::registerDeclaration();
        PLManagedObject::initializeDatabase();
    }
    // A new store's account row comes with an empty user: Ann signs in.
    auto account = CurrentUserInfo::currentUserInfo();
    if (account->user()->email().isEmpty()) {
        account->user()->updateWithDictionary({{"id", 41}, {"name", "Ann Lee"}, {"email", "ann@acme.test"}});
        account->setStatus(3);
    }
    QVariantList users;
    for (const GalleryUser& user : galleryUsers()) {
        QVariantMap json{{"id", user.id},
                         {"name", QString::fromUtf8(user.name)},
                         {"email", QString::fromUtf8(user.email)}};
        if (*user.colour) {
            json.insert("imageUrl", pictureURL(user.id));
            PLImageManager::sharedManager()->imageCache().storeInMemory(
                PLImageCache::keyForURL(QUrl(pictureURL(user.id))),
                initialsPicture(initialsOf(QString::fromUtf8(user.name)), QColor(user.colour)));
        }
        users << json;
    }
    User::updateContacts(users);
    // The contact list counts as fetched: the picker lists the stored users at once.
    account->setUsersListUpdateTime(1);
    account->save();

    const QString folder = QDir(sandbox.path()).filePath(QStringLiteral("GalleryAddressBook"));
    writeContactsAddressBook(folder, int(contactsGalleryPeople().size()), true);
    auto* book = platform::AddressBook::sharedAddressBook();
    book->setFolder(folder);
    book->setAuthorizationStatus(platform::AddressBook::Authorization::Authorized);
    Pelnix::setShowContactOptions(PLContactsViewController::AddressBookSource |
                                  PLContactsViewController::ActiveUsersSource);
}

// The screen the picker is presented over, as the rooms list presents it.
class GalleryHost : public ViewController {
protected:
    QWidget* loadView() override {
        auto* page = new QWidget;
        page->setAutoFillBackground(true);
        return page;
    }
};

// Lets deferred work run: the busy indicator goes on the turn after the read.
void settle() {
    auto* scheduler = platform::ui::Scheduler::shared();
    const QDeadlineTimer deadline(2000);
    do {
        QCoreApplication::processEvents();
        if (scheduler->isVirtualClock())
            scheduler->advance(0);
    } while (PLActivityIndicatorView::isVisible() && !deadline.hasExpired());
}

// The address book answers on the next turn and is read half a second later, off the main thread; its
// people's photos follow them.
void waitUntilLoaded(PLContactsViewController* picker) {
    const QDeadlineTimer deadline(5000);
    auto* scheduler = platform::ui::Scheduler::shared();
    while (!deadline.hasExpired() &&
           (picker->addressBookContacts().isEmpty() || picker->isReadingAddressBook())) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (scheduler->isVirtualClock())
            scheduler->advance(PLContactsViewController::kAddressBookReadDelayMs);
    }
    PLAddressBookHelper::readingPool()->waitForDone();
    settle();
}

PLContactsViewController* presentPicker(ViewController* host, const QString& identifier, bool addMore) {
    if (platform::ui::Window* window = host->window())
        window->resize(contactsGallerySize(identifier));
    ViewController* navigation = ScreenRegistry::shared()->instantiate(
        PLContactsViewController::kStoryboard, PLContactsViewController::kNavigationIdentifier);
    auto* picker = qobject_cast<PLContactsViewController*>(
        qobject_cast<NavigationController*>(navigation)->topViewController());
    picker->configureWithAddedContacts({}, host, addMore);
    if (identifier.contains(QLatin1String("RightToLeft")))
        navigation->view()->setLayoutDirection(Qt::RightToLeft);
    host->presentViewController(navigation, false);
    waitUntilLoaded(picker);
    return picker;
}

void type(platform::ui::TextField* field, const QString& text) {
    field->becomeFirstResponder();
    for (const QChar key : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(key));
        QCoreApplication::sendEvent(field, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(key));
        QCoreApplication::sendEvent(field, &release);
    }
}

std::optional<platform::ui::IndexPath> rowOf(PLContactsViewController* picker, const QString& name) {
    auto* table = picker->contactsTableView();
    for (int s = 0; s < table->numberOfSections(); ++s)
        for (int r = 0; r < table->numberOfRows(s); ++r)
            if (picker->contactForIndexPath({s, r}).profileName() == name)
                return platform::ui::IndexPath{s, r};
    return std::nullopt;
}

void registerState(const QString& state, std::function<void(PLContactsViewController*)> act,
                   bool addMore = false) {
    for (const QString& suffix : {QString(), kLarge}) {
        const QString identifier = state + suffix;
        ScreenRegistry::shared()->registerScreen(
            kGallery, identifier,
            [] {
                prepareGalleryWorld();
                return new GalleryHost;
            },
            [identifier, act, addMore](ViewController* host) {
                PLContactsViewController* picker = presentPicker(host, identifier, addMore);
                if (act)
                    act(picker);
                settle();
            });
    }
}
} // namespace

const QList<GalleryPerson>& contactsGalleryPeople() {
    static const QList<GalleryPerson> people{
        {"Aaron", "Blake", "aaron.blake@people.test", "+1 555-0101", true},
        {"Abigail", "Stone", "abigail.stone@people.test", "", false},
        {"Adele", "Moreau", "adele.moreau@people.test", "", false},
        {"Ahmed", "Karim", "ahmed.karim@people.test", "+44 20 7946 0102", false},
        {"Alice", "Nguyen", "alice.nguyen@people.test", "", true},
        {"Bianca", "Russo", "bianca.russo@people.test", "", false},
        {"Bruno", "Costa", "bruno.costa@people.test", "", false},
        {"Carla", "Diaz", "carla.diaz@people.test", "", false},
        {"Chen", "Wei", "chen.wei@people.test", "+86 10 5555 0103", false},
        {"Cora", "Lind", "cora.lind@people.test", "", false},
        {"Dana", "Fox", "dana.fox@people.test", "", true},
        {"Daniel", "Weiss", "daniel.weiss@people.test", "", false},
        {"Elena", "Petrova", "elena.petrova@people.test", "", false},
        {QStringLiteral("\u00c9mile"), "Roux", "emile.roux@people.test", "", false},
        {"Farid", "Haddad", "farid.haddad@people.test", "+33 1 55 55 01 04", false},
        {"Grace", "Kim", "grace.kim@people.test", "", true},
        {"Gustav", "Berg", "gustav.berg@people.test", "", false},
        {"Hana", "Sato", "hana.sato@people.test", "", false},
        {"Hugo", "Stein", "hugo.stein@people.test", "", false},
        {"Ines", "Duarte", "ines.duarte@people.test", "", false},
        {"Jonas", "Meyer", "jonas.meyer@people.test", "+49 30 5555 0105", false},
        {"Julia", "Rossi", "julia.rossi@people.test", "", false},
        {"Kofi", "Mensah", "kofi.mensah@people.test", "", true},
        {"Laura", "Vidal", "laura.vidal@people.test", "", false},
        {"Liam", "Walsh", "liam.walsh@people.test", "", false},
        {"Maria", "Santos", "maria.santos@people.test", "+55 11 5555 0106", false},
        {"Mateo", "Ruiz", "mateo.ruiz@people.test", "", false},
        {"Mei", "Tanaka", "mei.tanaka@people.test", "", false},
        {"Nina", "Kowalski", "nina.kowalski@people.test", "", false},
        {"Olga", "Ivanova", "olga.ivanova@people.test", "", false},
        {"Paolo", "Conti", "paolo.conti@people.test", "", false},
        {"Priya", "Shah", "priya.shah@people.test", "+91 22 5555 0107", true},
        {"Rosa", "Blanco", "rosa.blanco@people.test", "", false},
        {"Sofia", "Lopez", "sofia.lopez@people.test", "", false},
        {"Sven", "Olsen", "sven.olsen@people.test", "", false},
        {"Tariq", "Aziz", "tariq.aziz@people.test", "", false},
        {"Vera", "Novak", "vera.novak@people.test", "", false},
        {"Yusuf", "Demir", "yusuf.demir@people.test", "+90 212 555 0108", false},
        {"Zoe", "Adams", "zoe.adams-and-partners-studio@people.test", "", false},
        {"8th Floor", "Desk", "desk.8@people.test", "", false},
    };
    return people;
}

void writeContactsAddressBook(const QString& folder, int count, bool withPhones) {
    QDir dir(folder);
    dir.mkpath(QStringLiteral("."));
    for (const QString& old : dir.entryList({QStringLiteral("*.vcf")}, QDir::Files))
        dir.remove(old);
    const auto& people = contactsGalleryPeople();
    for (int i = 0; i < qMin(count, int(people.size())); ++i) {
        const GalleryPerson& person = people.at(i);
        QFile file(
            dir.filePath(QStringLiteral("%1-%2.vcf").arg(i, 2, 10, QLatin1Char('0')).arg(person.email)));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(vCardOf(person, withPhones));
    }
}

QSize contactsGallerySize(const QString& identifier) {
    return identifier.endsWith(kLarge) ? QSize(400, 720) : QSize(320, 568);
}

QString contactsGallerySearchText() {
    return QStringLiteral("an");
}

QString contactsGalleryTypedAddress() {
    return QStringLiteral("sam.rivera@studio.test");
}

QStringList contactsGallerySelection() {
    return {QStringLiteral("Aaron Blake"), QStringLiteral("Abigail Stone"), QStringLiteral("Ahmed Karim")};
}

void registerContactsGalleryScreens() {
    ContactsScreens::registerScreens();
    // The picker under its own name, as a host embeds it, once its sources are read.
    ScreenRegistry::shared()->registerScreen(
        PLContactsViewController::kStoryboard, PLContactsViewController::kNavigationIdentifier,
        [] {
            prepareGalleryWorld();
            return new NavigationController(new PLContactsViewController);
        },
        [](ViewController* navigation) {
            if (auto* picker = qobject_cast<PLContactsViewController*>(
                    qobject_cast<NavigationController*>(navigation)->topViewController()))
                waitUntilLoaded(picker);
        });
    registerState(QStringLiteral("PickerList"), {});
    registerState(QStringLiteral("PickerSearching"), [](PLContactsViewController* picker) {
        type(picker->addContactsTextField(), contactsGallerySearchText());
    });
    registerState(QStringLiteral("PickerTypedAddress"), [](PLContactsViewController* picker) {
        type(picker->addContactsTextField(), contactsGalleryTypedAddress());
        picker->addNewContactButton()->click();
    });
    const auto chooseSelection = [](PLContactsViewController* picker) {
        for (const QString& name : contactsGallerySelection())
            if (const auto path = rowOf(picker, name))
                picker->didSelectRowAtIndexPath(picker->contactsTableView(), *path);
        picker->contactsTableView()->scrollToTop(false);
    };
    registerState(QStringLiteral("PickerSelection"), chooseSelection);
    // The field clicked into for typing, nothing typed yet: the list dimmed under it. The field took
    // the keys as the picker showed; the click comes after they were elsewhere.
    const auto takeField = [](PLContactsViewController* picker) {
        picker->addContactsTextField()->clearFocus();
        picker->addContactsTextField()->setFocus(Qt::MouseFocusReason);
    };
    registerState(QStringLiteral("PickerFieldFocused"), takeField);
    // Opened from a room to add people to it: two chosen.
    registerState(
        QStringLiteral("PickerAddMore"),
        [](PLContactsViewController* picker) {
            for (const QString& name : contactsGallerySelection().mid(0, 2))
                if (const auto path = rowOf(picker, name))
                    picker->didSelectRowAtIndexPath(picker->contactsTableView(), *path);
            picker->contactsTableView()->scrollToTop(false);
        },
        true);
    registerState(QStringLiteral("PickerListRightToLeft"), {});
    // Mirrored: "+" at the field's left end, and with three chosen the main button at the bar's left.
    registerState(QStringLiteral("PickerFieldFocusedRightToLeft"), takeField);
    registerState(QStringLiteral("PickerSelectionRightToLeft"), chooseSelection);
}

} // namespace pelnix::tools
