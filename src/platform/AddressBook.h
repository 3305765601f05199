#pragma once

#include "platform/AddressBookVCardReader.h"
#include "platform/PLError.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>
#include <variant>

class QFileSystemWatcher;

namespace pelnix::platform {

// The device address book: the people of the vCard files (".vcf") in one folder, by default
// "Contacts" in the sandbox's Application Support; the host may name another. Changes to the folder
// or its files are announced by `externalChange`. Main thread.
//
// Access is asked for once, as on a phone: the answer comes from the access policy (granted by
// default; a host or test may deny it or mark it restricted).
class AddressBook : public QObject {
    Q_OBJECT
public:
    enum class Authorization { NotDetermined, Restricted, Denied, Authorized };

    static AddressBook* sharedAddressBook();

    QString folder() const;
    // An empty path goes back to the default folder.
    void setFolder(const QString& path);

    Authorization authorizationStatus() const { return m_authorization; }
    // Sets the status at once (a host's own permission flow, or a test).
    void setAuthorizationStatus(Authorization status) { m_authorization = status; }
    // What a request answers while the status is not determined.
    void setGrantsAccessOnRequest(bool grants) { m_grantsOnRequest = grants; }
    // Settles a not-determined status by the policy; the answer comes on the main thread's next turn.
    void requestAccess(std::function<void(bool granted)> completion);

    // Every person, sorted by first name (then last name); empty without access.
    QList<AddressBookPerson> people() const;
    // The people of the card files in `folder`, sorted as people() sorts them. Safe on any thread: a
    // large book is read off the main thread with the folder that folder() names.
    static QList<AddressBookPerson> readFolder(const QString& folder);
    std::optional<AddressBookPerson> person(qint32 recordID) const;

    static constexpr char ErrorDomain[] = "PLAddressBookErrorDomain";
    enum ErrorCode { AccessDeniedError = 1, EmptyPersonError = 2, WriteError = 3 };
    // Saves a new person as a card file of its own in the folder, written whole or not at all; the
    // watcher then announces the change. Answers the new record ID, or an error (no access, nothing
    // to save, the file could not be written).
    std::variant<qint32, PLError> addPerson(const AddressBookPerson& person);

    // Starts watching the folder and its files (again after a folder change).
    void startWatching();
    void stopWatching();
    bool isWatching() const { return m_watcher != nullptr; }

signals:
    void externalChange();

private:
    AddressBook();
    void rewatch();

    QString m_folder;
    Authorization m_authorization = Authorization::NotDetermined;
    bool m_grantsOnRequest = true;
    QFileSystemWatcher* m_watcher = nullptr;
};

} // namespace pelnix::platform
