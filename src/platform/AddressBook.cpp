#include "platform/AddressBook.h"

#include "platform/AddressBookVCardWriter.h"

#include "platform/MainThread.h"
#include "platform/Sandbox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QTimer>
#include <QUuid>
#include <algorithm>

Q_LOGGING_CATEGORY(lcAddressBook, "pelnix.addressbook", QtWarningMsg)

namespace pelnix::platform {

namespace {
// Larger files are not address-book exports; they are skipped rather than read whole.
constexpr qint64 kMaximumCardFileSize = 16 * 1024 * 1024;
} // namespace

AddressBook::AddressBook() : QObject(QCoreApplication::instance()) {}

AddressBook* AddressBook::sharedAddressBook() {
    Q_ASSERT(isMainThread());
    static QPointer<AddressBook> shared;
    if (!shared)
        shared = new AddressBook;
    return shared;
}

QString AddressBook::folder() const {
    return m_folder.isEmpty() ? Sandbox::applicationSupport() + QStringLiteral("/Contacts") : m_folder;
}

void AddressBook::setFolder(const QString& path) {
    m_folder = path;
    if (m_watcher)
        rewatch();
}

void AddressBook::requestAccess(std::function<void(bool)> completion) {
    if (m_authorization == Authorization::NotDetermined)
        m_authorization = m_grantsOnRequest ? Authorization::Authorized : Authorization::Denied;
    const bool granted = m_authorization == Authorization::Authorized;
    QTimer::singleShot(0, this, [completion = std::move(completion), granted] {
        if (completion)
            completion(granted);
    });
}

QList<AddressBookPerson> AddressBook::people() const {
    if (m_authorization != Authorization::Authorized)
        return {};
    return readFolder(folder());
}

QList<AddressBookPerson> AddressBook::readFolder(const QString& folder) {
    QList<AddressBookPerson> all;
    const QDir dir(folder);
    const auto files = dir.entryInfoList({QStringLiteral("*.vcf"), QStringLiteral("*.vcard")},
                                         QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo& info : files) {
        if (info.size() > kMaximumCardFileSize) {
            qCWarning(lcAddressBook) << "skipping an oversized card file" << info.fileName();
            continue;
        }
        QFile file(info.absoluteFilePath());
        if (file.open(QIODevice::ReadOnly))
            all += AddressBookVCardReader::read(file.readAll(), info.fileName());
    }
    std::stable_sort(all.begin(), all.end(), [](const AddressBookPerson& a, const AddressBookPerson& b) {
        const int first = QString::localeAwareCompare(a.firstName, b.firstName);
        return first != 0 ? first < 0 : QString::localeAwareCompare(a.lastName, b.lastName) < 0;
    });
    return all;
}

std::optional<AddressBookPerson> AddressBook::person(qint32 recordID) const {
    for (const AddressBookPerson& p : people())
        if (p.recordID == recordID)
            return p;
    return std::nullopt;
}

std::variant<qint32, PLError> AddressBook::addPerson(const AddressBookPerson& person) {
    Q_ASSERT(isMainThread());
    const QString domain = QString::fromLatin1(ErrorDomain);
    if (m_authorization != Authorization::Authorized)
        return PLError(domain, AccessDeniedError, QStringLiteral("The address book may not be changed."));
    if (person.firstName.trimmed().isEmpty() && person.lastName.trimmed().isEmpty() &&
        person.phones.isEmpty() && person.emails.isEmpty())
        return PLError(domain, EmptyPersonError, QStringLiteral("There is nothing to save."));
    // A name of our own making: nothing of the person's reaches the file system.
    const QString uid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QString path = folder() + QLatin1Char('/') + uid + QStringLiteral(".vcf");
    QDir().mkpath(folder());
    const QByteArray card = AddressBookVCardWriter::write(person, uid);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(card) < 0 || !file.commit()) {
        qCWarning(lcAddressBook) << "a card could not be saved:" << file.errorString();
        return PLError(domain, WriteError, QStringLiteral("The contact could not be saved."));
    }
    const auto saved = AddressBookVCardReader::read(card, path);
    return saved.isEmpty() ? qint32(0) : saved.first().recordID;
}

void AddressBook::startWatching() {
    if (m_watcher)
        return;
    m_watcher = new QFileSystemWatcher(this);
    // A file saved by replacing it drops out of the watch: the folder's change re-adds it.
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        rewatch();
        emit externalChange();
    });
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, [this] {
        rewatch();
        emit externalChange();
    });
    rewatch();
}

void AddressBook::stopWatching() {
    delete m_watcher;
    m_watcher = nullptr;
}

void AddressBook::rewatch() {
    if (!m_watcher)
        return;
    const QStringList watched = m_watcher->files() + m_watcher->directories();
    if (!watched.isEmpty())
        m_watcher->removePaths(watched);
    const QString path = folder();
    QDir().mkpath(path);
    m_watcher->addPath(path);
    const QDir dir(path);
    for (const QFileInfo& info :
         dir.entryInfoList({QStringLiteral("*.vcf"), QStringLiteral("*.vcard")}, QDir::Files))
        m_watcher->addPath(info.absoluteFilePath());
}

} // namespace pelnix::platform
