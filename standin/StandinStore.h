#pragma once

#include "EventHub.h"
#include "ObjectFile.h"
#include "SqliteDatabase.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace pelnix::standin {

// The service's state in SQLite (organisation, users, tokens, rooms, members, messages, the event log,
// invitations, storage keys and objects, whose bodies are files beside it) and the rules that change
// it. One mutex serialises every operation; events are published to the hub after they are stored and
// in store order.
class StandinStore {
public:
    struct Error {
        int status = 400;
        QString code;
        QString reason;
    };

    struct User {
        qint64 id = 0;
        QString email, name, imageUrl, bigImageUrl, phone, countryCode, org, type;
        bool phoneVerified = false;
        bool validProfile = false;
        qint64 registered = 0, lastLogin = 0, updated = 0;
    };

    struct StoredEvent {
        qint64 seq = 0;
        QByteArray json;
    };

    struct StorageKey {
        QString access, secret, sessionToken;
    };

    struct StoredObject {
        QString contentType;
        QString etag;
        // The "x-amz-meta-" headers it was stored with, by lower-case name.
        QJsonObject metadata;
        // Open for reading, so a newer upload of the same key cannot pull it away mid-answer.
        std::shared_ptr<ObjectFile> body;
    };

    explicit StandinStore(EventHub& hub) : m_hub(hub) {}

    bool open(const std::string& dataDir);
    void close();
    void reset();

    // A strictly increasing clock in ms, so every stored event has its own date.
    qint64 nextDate();

    // Accounts. Addresses are looked up trimmed, as sign-up stores them, and without regard to the case of
    // ASCII letters.
    std::optional<User> authenticate(qint64 userId, const QString& token);
    std::optional<User> userByToken(const QString& token);
    std::optional<User> userById(qint64 id);
    std::optional<User> userByEmail(const QString& email);
    // Creates the account on first registration; issues a new one-time code.
    std::optional<User> registerEmail(const QString& email);
    // On a matching code: a new session token and password. Both empty on failure; a wrong code counts
    // towards the address's lock.
    std::pair<QString, QString> verifyOtp(const QString& email, const QString& code);
    // After kMaxOtpAttempts wrong codes an address can neither verify nor ask for a new code until the
    // lock is lifted (kept in memory only).
    static constexpr int kMaxOtpAttempts = 5;
    bool isOtpLocked(const QString& email);
    void unlockOtp(const QString& email);
    QString otp(const QString& email);
    QString smsCode(const QString& email);
    std::optional<User> updateProfile(qint64 userId, const QJsonObject& fields);
    bool verifyPhone(qint64 userId, const QString& code);
    bool resendSmsCode(qint64 userId);
    void recordDeviceToken(qint64 userId, const QString& regId, const QString& certificate);
    void recordInvitation(qint64 userId, const QByteArray& json);
    QJsonArray invitations();
    QJsonArray contacts(qint64 userId, qint64 after);
    bool removeUser(qint64 userId);

    QJsonObject loginJson(const User& user);
    QJsonObject profileJson(const User& user);
    static QJsonObject userJson(const User& user);

    // Rooms, members and messages. Each returns nothing and fills `error` on refusal.
    QJsonArray roomsOf(qint64 userId);
    std::optional<QJsonObject> room(const QString& roomId, qint64 userId, Error& error);
    std::optional<QJsonObject> createRoom(qint64 creatorId, const QJsonObject& form, Error& error);
    std::optional<QJsonObject> updateRoom(const QString& roomId, qint64 userId, const QJsonObject& form,
                                          Error& error);
    bool changeAdmin(const QString& roomId, qint64 userId, qint64 memberId, Error& error);
    std::optional<QJsonArray> invitees(const QString& roomId, qint64 userId, Error& error);
    bool removeInvitee(const QString& roomId, qint64 userId, const QString& inviteeId, Error& error);
    std::optional<QJsonObject> memberDetails(const QString& roomId, qint64 userId, qint64 memberId,
                                             Error& error);
    std::optional<QJsonArray> addMembers(const QString& roomId, qint64 userId, const QJsonObject& form,
                                         Error& error);
    bool removeMember(const QString& roomId, qint64 userId, qint64 memberId, Error& error);
    bool closeRoom(const QString& roomId, qint64 userId, Error& error);
    std::optional<QJsonArray> messagesPage(const QString& roomId, qint64 userId, const QJsonObject& query,
                                           Error& error);
    std::optional<QJsonObject> postMessage(const QString& roomId, qint64 userId, const QString& type,
                                           const QString& text, const QString& seqId, Error& error);
    QJsonArray publicRooms(const QString& baseUrl);
    QJsonArray storedMessages(const QString& roomId);

    // Event log
    std::vector<StoredEvent> eventsSince(qint64 userId, qint64 after);
    // Stores an event addressed to one user (the date is added when missing) and publishes it.
    QJsonObject injectEvent(qint64 userId, QJsonObject event);

    // Seeding for tests and the demo: {"org", "users": [...], "rooms": [...]}.
    QJsonObject seed(const QJsonObject& description, Error& error);
    void setSetting(const QString& key, const QString& value);
    QString setting(const QString& key, const QString& fallback = {});

    // Storage
    StorageKey issueStorageKey();
    void addStorageKey(const StorageKey& key);
    std::optional<StorageKey> storageKey(const QString& access);
    // Where an upload is written before putObject takes it; the caller removes it when it gives up.
    QString newObjectFilePath();
    // Makes the written file the object's body, replacing the earlier one. The file is gone on failure.
    bool putObject(const QString& bucket, const QString& key, const QString& contentType,
                   const QJsonObject& metadata, const QString& filePath, const QString& etag);
    std::optional<StoredObject> object(const QString& bucket, const QString& key);
    // A short code that serves the object; empty when the object is unknown.
    QString shortCode(const QString& bucket, const QString& key);
    std::optional<StoredObject> objectByShortCode(const QString& code);

private:
    bool createSchema();
    bool migrate();
    bool hasColumn(const char* table, const QString& column);
    void removeObjectFiles(bool staged);
    std::optional<User> readUser(SqliteDatabase::Statement& statement);
    std::optional<User> userByIdLocked(qint64 id);
    std::optional<User> userByEmailLocked(const QString& email);
    std::optional<User> userByPhoneLocked(const QString& phone);
    QJsonObject userJsonById(qint64 id);
    QJsonObject roomJsonLocked(const QString& roomId);
    QJsonObject memberJson(const QString& roomId, qint64 userId);
    bool roomExists(const QString& roomId);
    bool isMember(const QString& roomId, qint64 userId);
    bool isAdmin(const QString& roomId, qint64 userId);
    std::set<qint64> memberIds(const QString& roomId);
    std::set<qint64> orgUserIds(const QString& org);
    bool checkMember(const QString& roomId, qint64 userId, Error& error);
    qint64 nextDateLocked();
    QString newId();
    std::vector<qint64> resolveContacts(const QJsonObject& form, const QString& roomId, qint64 inviterId);
    qint64 addMemberLocked(const QString& roomId, qint64 userId, const QString& status, bool creator);
    // Stores a room message (also a system event), logs it as an event for `recipients` and publishes it.
    // The newest stored version of the smart message with that form ID.
    std::optional<QJsonObject> latestSmartMessageFormLocked(const QString& roomId, const QString& formId);
    void countReply(QJsonObject& form, const QJsonObject& reply, qint64 userId);
    QJsonObject storeRoomMessage(const QString& roomId, QJsonObject message, const QString& seqId,
                                 std::set<qint64> recipients);
    QJsonObject systemEvent(const QString& roomId, const QString& type, qint64 actorId, const QString& text,
                            const QJsonObject& replacements);
    void storeEvent(const QJsonObject& event, const std::set<qint64>& recipients);
    void broadcastContact(qint64 userId);

    EventHub& m_hub;
    std::recursive_mutex m_mutex;
    QHash<QString, int> m_otpFailures; // by lower-case address
    SqliteDatabase m_db;
    QString m_objectsDir;
    qint64 m_lastDate = 0;
};

} // namespace pelnix::standin
