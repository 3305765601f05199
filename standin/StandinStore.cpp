#include "StandinStore.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QUuid>

#include <algorithm>

namespace pelnix::standin {

namespace {

using Value = SqliteDatabase::Value;

QByteArray compact(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QJsonObject parseObject(const QString& text) {
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

QString randomText(int bytes) {
    QByteArray data(bytes, Qt::Uninitialized);
    QRandomGenerator::system()->generate(data.begin(), data.end());
    return QString::fromLatin1(data.toHex());
}

QString randomDigits(int count) {
    QString digits;
    for (int i = 0; i < count; ++i)
        digits += QChar('0' + QRandomGenerator::system()->bounded(10));
    return digits;
}

bool isTrue(const QJsonValue& value) {
    if (value.isBool())
        return value.toBool();
    if (value.isDouble())
        return value.toDouble() != 0;
    const QString text = value.toString().trimmed().toLower();
    return text == "true" || text == "1" || text == "yes";
}

QStringList listValue(const QJsonValue& value) {
    QStringList items;
    if (value.isArray()) {
        for (const auto& item : value.toArray())
            items << (item.isDouble() ? QString::number(qint64(item.toDouble())) : item.toString());
    } else {
        items = value.toString().split(',', Qt::SkipEmptyParts);
    }
    for (QString& item : items)
        item = item.trimmed();
    items.removeAll(QString());
    return items;
}

qint64 idValue(const QJsonValue& value) {
    return value.isDouble() ? qint64(value.toDouble()) : value.toString().toLongLong();
}

constexpr const char* kStagedSuffix = ".part";

// Creates the folder for the owner only, or tightens it when it is ours (empty or already holding the
// state). A folder that holds other things (a caller's temporary folder, say) is left as it is.
bool makePrivateFolder(const QString& path) {
    if (!QDir().mkpath(path))
        return false;
    const QDir folder(path);
    if (folder.isEmpty() || folder.exists("standin.sqlite") || folder.exists("objects"))
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return true;
}

constexpr const char* kUserColumns =
    "id, email, name, image_url, big_image_url, phone, country_code, phone_verified, "
    "valid_profile, org, type, registered, last_login, updated FROM users ";

} // namespace

bool StandinStore::open(const std::string& dataDir) {
    std::lock_guard lock(m_mutex);
    const QString folder = QString::fromStdString(dataDir);
    m_objectsDir = folder + "/objects";
    // The state holds passwords, tokens, storage secrets and pending codes: owner only.
    if (!makePrivateFolder(folder) || !makePrivateFolder(m_objectsDir))
        return false;
    if (!m_db.open(dataDir + "/standin.sqlite"))
        return false;
    if (!createSchema() || !migrate())
        return false;
    removeObjectFiles(true); // uploads cut off by a stop
    auto statement = m_db.prepare("SELECT MAX(date) FROM events");
    if (statement.next())
        m_lastDate = std::max(m_lastDate, statement.integer(0));
    auto messages = m_db.prepare("SELECT MAX(date) FROM messages");
    if (messages.next())
        m_lastDate = std::max(m_lastDate, messages.integer(0));
    return true;
}

void StandinStore::close() {
    std::lock_guard lock(m_mutex);
    m_db.close();
}

bool StandinStore::createSchema() {
    return m_db.exec(R"SQL(
CREATE TABLE IF NOT EXISTS settings(key TEXT PRIMARY KEY, value TEXT);
CREATE TABLE IF NOT EXISTS users(id INTEGER PRIMARY KEY, email TEXT UNIQUE, name TEXT DEFAULT '',
  image_url TEXT DEFAULT '', big_image_url TEXT DEFAULT '', phone TEXT DEFAULT '', country_code TEXT DEFAULT '',
  phone_verified INT DEFAULT 0, valid_profile INT DEFAULT 0, org TEXT DEFAULT '', type TEXT DEFAULT 'user',
  otp TEXT DEFAULT '', sms_code TEXT DEFAULT '', registered INT DEFAULT 0, last_login INT DEFAULT 0,
  updated INT DEFAULT 0, removed INT DEFAULT 0);
CREATE TABLE IF NOT EXISTS tokens(token TEXT PRIMARY KEY, user_id INT, password TEXT);
CREATE TABLE IF NOT EXISTS rooms(id TEXT PRIMARY KEY, name TEXT, type TEXT, img_url TEXT, big_img_url TEXT,
  admin_only INT, hide_member_profile INT, create_date INT, is_public INT, closed INT DEFAULT 0);
CREATE TABLE IF NOT EXISTS members(room_id TEXT, user_id INT, status TEXT, joined INT, is_creator INT,
  PRIMARY KEY(room_id, user_id));
CREATE TABLE IF NOT EXISTS invitees(id TEXT PRIMARY KEY, room_id TEXT, name TEXT, type TEXT);
CREATE TABLE IF NOT EXISTS messages(id TEXT PRIMARY KEY, room_id TEXT, seq_id TEXT, date INT, json TEXT,
  sender INT DEFAULT 0);
CREATE INDEX IF NOT EXISTS messages_room_date ON messages(room_id, date);
CREATE TABLE IF NOT EXISTS events(seq INTEGER PRIMARY KEY AUTOINCREMENT, date INT, json TEXT);
CREATE TABLE IF NOT EXISTS event_recipients(user_id INT, seq INT, PRIMARY KEY(user_id, seq));
CREATE TABLE IF NOT EXISTS invitations(id INTEGER PRIMARY KEY, from_user INT, json TEXT, date INT);
CREATE TABLE IF NOT EXISTS device_tokens(user_id INT PRIMARY KEY, reg_id TEXT, use_cert TEXT);
CREATE TABLE IF NOT EXISTS storage_keys(access TEXT PRIMARY KEY, secret TEXT, session_token TEXT);
CREATE TABLE IF NOT EXISTS object_files(bucket TEXT, key TEXT, content_type TEXT, metadata TEXT, file TEXT,
  etag TEXT, PRIMARY KEY(bucket, key));
CREATE TABLE IF NOT EXISTS short_urls(code TEXT PRIMARY KEY, bucket TEXT, key TEXT);
)SQL");
}

bool StandinStore::hasColumn(const char* table, const QString& column) {
    auto statement = m_db.prepare("SELECT 1 FROM pragma_table_info(?) WHERE name = ?");
    statement.bind(1, QString::fromLatin1(table)).bind(2, column);
    return statement.next();
}

bool StandinStore::migrate() {
    // A sequence ID is the sender's own, so it is unique per room and sender.
    if (!hasColumn("messages", "sender") &&
        !m_db.exec("ALTER TABLE messages ADD COLUMN sender INT DEFAULT 0;"
                   "UPDATE messages SET sender = CAST(json_extract(json, '$.sender') AS INTEGER);"))
        return false;
    if (!m_db.exec(
            "DROP INDEX IF EXISTS messages_seq;"
            "CREATE UNIQUE INDEX IF NOT EXISTS messages_sender_seq ON messages(room_id, sender, seq_id) "
            "WHERE seq_id <> '';"))
        return false;
    // Users named at sign-up were once left with an invalid profile.
    if (!m_db.exec("UPDATE users SET valid_profile = 1 WHERE valid_profile = 0 AND name <> '';"))
        return false;
    // Object bodies were kept in the database once; they move to files.
    if (!hasColumn("objects", "data"))
        return true;
    m_db.exec("BEGIN");
    bool moved = true;
    {
        auto legacy = m_db.prepare("SELECT bucket, key, content_type, data, etag FROM objects");
        while (moved && legacy.next()) {
            const QString name = QUuid::createUuid().toString(QUuid::WithoutBraces);
            moved = ObjectFile::write(m_objectsDir + "/" + name, legacy.blob(3)) &&
                    m_db.run("INSERT OR REPLACE INTO object_files(bucket, key, content_type, metadata, file, "
                             "etag) VALUES(?, ?, ?, '{}', ?, ?)",
                             {legacy.text(0), legacy.text(1), legacy.text(2), name, legacy.text(4)});
        }
    }
    if (!moved) {
        m_db.exec("ROLLBACK");
        return false;
    }
    return m_db.exec("DROP TABLE objects; COMMIT");
}

void StandinStore::removeObjectFiles(bool staged) {
    const QStringList names = QDir(m_objectsDir).entryList(QDir::Files);
    for (const QString& name : names) {
        if (name.endsWith(kStagedSuffix) == staged)
            QFile::remove(m_objectsDir + "/" + name);
    }
}

void StandinStore::reset() {
    std::lock_guard lock(m_mutex);
    m_otpFailures.clear();
    removeObjectFiles(false);
    m_db.exec(
        "DELETE FROM settings; DELETE FROM users; DELETE FROM tokens; DELETE FROM rooms; DELETE FROM members;"
        "DELETE FROM invitees; DELETE FROM messages; DELETE FROM events; DELETE FROM event_recipients;"
        "DELETE FROM invitations; DELETE FROM device_tokens; DELETE FROM storage_keys; DELETE FROM "
        "object_files;"
        "DELETE FROM short_urls;");
}

qint64 StandinStore::nextDate() {
    std::lock_guard lock(m_mutex);
    return nextDateLocked();
}

qint64 StandinStore::nextDateLocked() {
    m_lastDate = std::max(m_lastDate + 1, QDateTime::currentMSecsSinceEpoch());
    return m_lastDate;
}

QString StandinStore::newId() {
    return QUuid::createUuid().toString(QUuid::Id128);
}

void StandinStore::setSetting(const QString& key, const QString& value) {
    std::lock_guard lock(m_mutex);
    m_db.run("INSERT OR REPLACE INTO settings(key, value) VALUES(?, ?)", {key, value});
}

QString StandinStore::setting(const QString& key, const QString& fallback) {
    std::lock_guard lock(m_mutex);
    auto statement = m_db.prepare("SELECT value FROM settings WHERE key = ?");
    statement.bind(1, key);
    return statement.next() ? statement.text(0) : fallback;
}

// ---- accounts ------------------------------------------------------------------------------------------

std::optional<StandinStore::User> StandinStore::readUser(SqliteDatabase::Statement& statement) {
    if (!statement.next())
        return std::nullopt;
    User user;
    user.id = statement.integer(0);
    user.email = statement.text(1);
    user.name = statement.text(2);
    user.imageUrl = statement.text(3);
    user.bigImageUrl = statement.text(4);
    user.phone = statement.text(5);
    user.countryCode = statement.text(6);
    user.phoneVerified = statement.integer(7) != 0;
    user.validProfile = statement.integer(8) != 0;
    user.org = statement.text(9);
    user.type = statement.text(10);
    user.registered = statement.integer(11);
    user.lastLogin = statement.integer(12);
    user.updated = statement.integer(13);
    return user;
}

std::optional<StandinStore::User> StandinStore::userByIdLocked(qint64 id) {
    auto statement =
        m_db.prepare((std::string("SELECT ") + kUserColumns + "WHERE id = ? AND removed = 0").c_str());
    statement.bind(1, id);
    return readUser(statement);
}

std::optional<StandinStore::User> StandinStore::userByEmailLocked(const QString& email) {
    auto statement = m_db.prepare(
        (std::string("SELECT ") + kUserColumns + "WHERE email = ? COLLATE NOCASE AND removed = 0").c_str());
    statement.bind(1, email.trimmed());
    return readUser(statement);
}

std::optional<StandinStore::User> StandinStore::userByPhoneLocked(const QString& phone) {
    auto statement = m_db.prepare(
        (std::string("SELECT ") + kUserColumns + "WHERE phone = ? AND phone <> '' AND removed = 0").c_str());
    statement.bind(1, phone);
    return readUser(statement);
}

std::optional<StandinStore::User> StandinStore::authenticate(qint64 userId, const QString& token) {
    std::lock_guard lock(m_mutex);
    if (token.isEmpty())
        return std::nullopt;
    auto statement = m_db.prepare("SELECT user_id FROM tokens WHERE token = ?");
    statement.bind(1, token);
    if (!statement.next() || statement.integer(0) != userId)
        return std::nullopt;
    return userByIdLocked(userId);
}

std::optional<StandinStore::User> StandinStore::userByToken(const QString& token) {
    std::lock_guard lock(m_mutex);
    auto statement = m_db.prepare("SELECT user_id FROM tokens WHERE token = ?");
    statement.bind(1, token);
    if (token.isEmpty() || !statement.next())
        return std::nullopt;
    return userByIdLocked(statement.integer(0));
}

std::optional<StandinStore::User> StandinStore::userById(qint64 id) {
    std::lock_guard lock(m_mutex);
    return userByIdLocked(id);
}

std::optional<StandinStore::User> StandinStore::userByEmail(const QString& email) {
    std::lock_guard lock(m_mutex);
    return userByEmailLocked(email);
}

std::optional<StandinStore::User> StandinStore::registerEmail(const QString& email) {
    std::lock_guard lock(m_mutex);
    const QString address = email.trimmed();
    const auto at = address.indexOf('@');
    if (at <= 0 || at == address.size() - 1 || address.contains(' '))
        return std::nullopt;
    auto user = userByEmailLocked(address);
    if (!user) {
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        auto next = m_db.prepare("SELECT MAX(id) FROM users");
        const qint64 id = std::max<qint64>(1000, next.next() ? next.integer(0) + 1 : 1000);
        // Named from the address, so its profile is valid, as a service that names a user answers.
        m_db.run("INSERT INTO users(id, email, name, valid_profile, org, registered, updated) "
                 "VALUES(?, ?, ?, 1, ?, ?, ?)",
                 {id, address, address.left(at), setting("org", "pelnix"), now, now});
        user = userByIdLocked(id);
    }
    m_db.run("UPDATE users SET otp = ? WHERE id = ?", {randomDigits(6), user->id});
    return user;
}

std::pair<QString, QString> StandinStore::verifyOtp(const QString& email, const QString& code) {
    std::lock_guard lock(m_mutex);
    auto statement = m_db.prepare("SELECT id, otp FROM users WHERE email = ? COLLATE NOCASE AND removed = 0");
    statement.bind(1, email.trimmed());
    if (!statement.next())
        return {};
    if (code.isEmpty() || statement.text(1) != code) {
        ++m_otpFailures[email.trimmed().toLower()];
        return {};
    }
    m_otpFailures.remove(email.trimmed().toLower());
    const qint64 id = statement.integer(0);
    const QString token = randomText(16);
    const QString password = randomText(12);
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    m_db.exec("BEGIN");
    m_db.run("INSERT INTO tokens(token, user_id, password) VALUES(?, ?, ?)", {token, id, password});
    m_db.run("UPDATE users SET otp = '', last_login = ?, updated = ? WHERE id = ?", {now, now, id});
    m_db.exec("COMMIT");
    broadcastContact(id);
    return {token, password};
}

bool StandinStore::isOtpLocked(const QString& email) {
    std::lock_guard lock(m_mutex);
    return m_otpFailures.value(email.trimmed().toLower()) >= kMaxOtpAttempts;
}

void StandinStore::unlockOtp(const QString& email) {
    std::lock_guard lock(m_mutex);
    m_otpFailures.remove(email.trimmed().toLower());
}

QString StandinStore::otp(const QString& email) {
    std::lock_guard lock(m_mutex);
    auto statement = m_db.prepare("SELECT otp FROM users WHERE email = ? COLLATE NOCASE");
    statement.bind(1, email.trimmed());
    return statement.next() ? statement.text(0) : QString();
}

QString StandinStore::smsCode(const QString& email) {
    std::lock_guard lock(m_mutex);
    auto statement = m_db.prepare("SELECT sms_code FROM users WHERE email = ? COLLATE NOCASE");
    statement.bind(1, email.trimmed());
    return statement.next() ? statement.text(0) : QString();
}

std::optional<StandinStore::User> StandinStore::updateProfile(qint64 userId, const QJsonObject& fields) {
    std::lock_guard lock(m_mutex);
    auto user = userByIdLocked(userId);
    if (!user)
        return std::nullopt;
    if (fields.contains("profileName"))
        user->name = fields.value("profileName").toString();
    if (fields.contains("imgUrl")) {
        const QString image = fields.value("imgUrl").toString();
        user->imageUrl = image == "USE_DEFAULT_IMAGE" ? QString() : image;
        if (!fields.contains("bigImgUrl") || image == "USE_DEFAULT_IMAGE")
            user->bigImageUrl = user->imageUrl;
    }
    if (fields.contains("bigImgUrl") && fields.value("imgUrl").toString() != "USE_DEFAULT_IMAGE")
        user->bigImageUrl = fields.value("bigImgUrl").toString();
    // The client sends the account's number with every update and leaves it out once the user has
    // removed it, so the number is what the request carries: none when it carries none. The name and
    // the pictures, which the client leaves out when unchanged, stay as they are.
    const QString phone = fields.value("phone").toString();
    const bool newPhone = phone != user->phone;
    user->phone = phone;
    if (phone.isEmpty())
        user->countryCode.clear();
    else if (fields.contains("countryCode"))
        user->countryCode = fields.value("countryCode").toString();
    user->validProfile = !user->name.isEmpty();
    user->updated = QDateTime::currentMSecsSinceEpoch();
    m_db.run("UPDATE users SET name = ?, image_url = ?, big_image_url = ?, phone = ?, country_code = ?, "
             "valid_profile = ?, updated = ? WHERE id = ?",
             {user->name, user->imageUrl, user->bigImageUrl, user->phone, user->countryCode,
              qint64(user->validProfile), user->updated, userId});
    if (newPhone) {
        // A new number must be verified again; its code goes out through the control API. A removed
        // one has nothing left to verify.
        m_db.run("UPDATE users SET phone_verified = 0, sms_code = ? WHERE id = ?",
                 {phone.isEmpty() ? QString() : randomDigits(6), userId});
        user->phoneVerified = false;
    }
    broadcastContact(userId);
    return user;
}

bool StandinStore::verifyPhone(qint64 userId, const QString& code) {
    std::lock_guard lock(m_mutex);
    auto statement = m_db.prepare("SELECT sms_code FROM users WHERE id = ?");
    statement.bind(1, userId);
    if (!statement.next() || code.isEmpty() || statement.text(0) != code)
        return false;
    m_db.run("UPDATE users SET phone_verified = 1, sms_code = '', updated = ? WHERE id = ?",
             {QDateTime::currentMSecsSinceEpoch(), userId});
    return true;
}

bool StandinStore::resendSmsCode(qint64 userId) {
    std::lock_guard lock(m_mutex);
    auto user = userByIdLocked(userId);
    if (!user || user->phone.isEmpty())
        return false;
    m_db.run("UPDATE users SET sms_code = ? WHERE id = ?", {randomDigits(6), userId});
    return true;
}

void StandinStore::recordDeviceToken(qint64 userId, const QString& regId, const QString& certificate) {
    std::lock_guard lock(m_mutex);
    m_db.run("INSERT OR REPLACE INTO device_tokens(user_id, reg_id, use_cert) VALUES(?, ?, ?)",
             {userId, regId, certificate});
}

void StandinStore::recordInvitation(qint64 userId, const QByteArray& json) {
    std::lock_guard lock(m_mutex);
    m_db.run("INSERT INTO invitations(from_user, json, date) VALUES(?, ?, ?)",
             {userId, QString::fromUtf8(json), QDateTime::currentMSecsSinceEpoch()});
}

QJsonArray StandinStore::invitations() {
    std::lock_guard lock(m_mutex);
    QJsonArray list;
    auto statement = m_db.prepare("SELECT json FROM invitations ORDER BY id");
    while (statement.next())
        list.append(parseObject(statement.text(0)));
    return list;
}

QJsonObject StandinStore::userJson(const User& user) {
    return QJsonObject{{"userId", QString::number(user.id)},
                       {"id", user.id},
                       {"name", user.name},
                       {"email", user.email},
                       {"imageUrl", user.imageUrl},
                       {"bigImgUrl", user.bigImageUrl},
                       {"phone", user.phone},
                       {"countryCode", user.countryCode}};
}

QJsonObject StandinStore::userJsonById(qint64 id) {
    auto user = userByIdLocked(id);
    if (user)
        return userJson(*user);
    return QJsonObject{{"userId", QString::number(id)}, {"id", id}};
}

QJsonObject StandinStore::loginJson(const User& user) {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    QJsonArray phones;
    if (!user.phone.isEmpty()) {
        phones.append(QJsonObject{{"countryCode", user.countryCode},
                                  {"phone", user.phone},
                                  {"status", "ACTIVE"},
                                  {"verificationStatus", user.phoneVerified ? "VERIFIED" : "UNVERIFIED"},
                                  {"createDate", user.registered},
                                  {"updateDate", user.updated}});
    }
    return QJsonObject{{"email", user.email},
                       {"id", user.id},
                       {"org", user.org},
                       {"type", user.type},
                       {"isValidProfile", user.validProfile},
                       {"token", QJsonObject{{"expiry", qint64((now / 1000) + 30 * 24 * 3600)}}},
                       {"profile", QJsonObject{{"description", ""},
                                               {"gender", ""},
                                               {"image", user.imageUrl},
                                               {"bigImgUrl", user.bigImageUrl},
                                               {"lastLoginTime", user.lastLogin},
                                               {"profileName", user.name},
                                               {"userLocation", ""},
                                               {"registrationTime", QString::number(user.registered)},
                                               {"phones", phones}}}};
}

QJsonObject StandinStore::profileJson(const User& user) {
    return QJsonObject{{"id", user.id},
                       {"name", user.name},
                       {"imageUrl", user.imageUrl},
                       {"bigImgUrl", user.bigImageUrl},
                       {"phone", user.phone},
                       {"countryCode", user.countryCode},
                       {"isPhoneVerified", user.phoneVerified}};
}

std::set<qint64> StandinStore::orgUserIds(const QString& org) {
    std::set<qint64> ids;
    auto statement = m_db.prepare("SELECT id FROM users WHERE org = ? AND removed = 0");
    statement.bind(1, org);
    while (statement.next())
        ids.insert(statement.integer(0));
    return ids;
}

QJsonArray StandinStore::contacts(qint64 userId, qint64 after) {
    std::lock_guard lock(m_mutex);
    QJsonArray list;
    auto user = userByIdLocked(userId);
    if (!user)
        return list;
    auto statement = m_db.prepare((std::string("SELECT ") + kUserColumns +
                                   "WHERE org = ? AND removed = 0 AND id <> ? AND updated > ? ORDER BY id")
                                      .c_str());
    statement.bind(1, user->org).bind(2, userId).bind(3, after);
    while (auto contact = readUser(statement))
        list.append(userJson(*contact));
    return list;
}

void StandinStore::broadcastContact(qint64 userId) {
    auto user = userByIdLocked(userId);
    if (!user)
        return;
    std::set<qint64> recipients = orgUserIds(user->org);
    recipients.erase(userId);
    if (recipients.empty())
        return;
    storeEvent(
        QJsonObject{{"type", "echatcontact"}, {"date", nextDateLocked()}, {"message", userJson(*user)}},
        recipients);
}

bool StandinStore::removeUser(qint64 userId) {
    std::lock_guard lock(m_mutex);
    auto user = userByIdLocked(userId);
    if (!user)
        return false;
    const std::set<qint64> recipients = orgUserIds(user->org);
    storeEvent(QJsonObject{{"type", "userremoved"},
                           {"date", nextDateLocked()},
                           {"message", QJsonObject{{"userId", QString::number(userId)}}}},
               recipients);
    m_db.run("UPDATE users SET removed = 1 WHERE id = ?", {userId});
    m_db.run("DELETE FROM tokens WHERE user_id = ?", {userId});
    return true;
}

// ---- rooms --------------------------------------------------------------------------------------------

bool StandinStore::roomExists(const QString& roomId) {
    auto statement = m_db.prepare("SELECT 1 FROM rooms WHERE id = ? AND closed = 0");
    statement.bind(1, roomId);
    return statement.next();
}

bool StandinStore::isMember(const QString& roomId, qint64 userId) {
    auto statement = m_db.prepare("SELECT 1 FROM members WHERE room_id = ? AND user_id = ?");
    statement.bind(1, roomId).bind(2, userId);
    return statement.next();
}

bool StandinStore::isAdmin(const QString& roomId, qint64 userId) {
    auto statement = m_db.prepare("SELECT is_creator FROM members WHERE room_id = ? AND user_id = ?");
    statement.bind(1, roomId).bind(2, userId);
    return statement.next() && statement.integer(0) != 0;
}

std::set<qint64> StandinStore::memberIds(const QString& roomId) {
    std::set<qint64> ids;
    auto statement = m_db.prepare("SELECT user_id FROM members WHERE room_id = ?");
    statement.bind(1, roomId);
    while (statement.next())
        ids.insert(statement.integer(0));
    return ids;
}

bool StandinStore::checkMember(const QString& roomId, qint64 userId, Error& error) {
    if (!roomExists(roomId)) {
        error = {404, "notFound", "Room not found."};
        return false;
    }
    if (!isMember(roomId, userId)) {
        error = {403, "notMember", "You are not a member of this room."};
        return false;
    }
    return true;
}

QJsonObject StandinStore::memberJson(const QString& roomId, qint64 userId) {
    auto statement =
        m_db.prepare("SELECT status, joined, is_creator FROM members WHERE room_id = ? AND user_id = ?");
    statement.bind(1, roomId).bind(2, userId);
    if (!statement.next())
        return {};
    return QJsonObject{{"userId", QString::number(userId)},
                       {"status", statement.text(0)},
                       {"joined", statement.integer(1)},
                       {"isCreator", statement.integer(2) ? 1 : 0},
                       {"user", userJsonById(userId)}};
}

QJsonObject StandinStore::roomJsonLocked(const QString& roomId) {
    auto statement =
        m_db.prepare("SELECT id, name, type, img_url, big_img_url, admin_only, hide_member_profile, "
                     "create_date FROM rooms WHERE id = ?");
    statement.bind(1, roomId);
    if (!statement.next())
        return {};
    QJsonObject room{{"_id", statement.text(0)},
                     {"name", statement.text(1)},
                     {"type", statement.text(2)},
                     {"imgUrl", statement.text(3)},
                     {"bigImgUrl", statement.text(4)},
                     {"adminOnly", statement.integer(5) ? 1 : 0},
                     {"hideMemberProfile", statement.integer(6) ? 1 : 0},
                     {"createDate", statement.integer(7)}};
    QJsonArray members;
    for (qint64 id : memberIds(roomId))
        members.append(memberJson(roomId, id));
    room.insert("members", members);
    room.insert("totalMembers", members.size());
    auto count = m_db.prepare("SELECT COUNT(*) FROM messages WHERE room_id = ?");
    count.bind(1, roomId);
    room.insert("totalMessages", count.next() ? count.integer(0) : 0);
    auto latest = m_db.prepare("SELECT json FROM messages WHERE room_id = ? ORDER BY date DESC LIMIT 1");
    latest.bind(1, roomId);
    if (latest.next())
        room.insert("mostRecentMessage", parseObject(latest.text(0)));
    return room;
}

QJsonArray StandinStore::roomsOf(qint64 userId) {
    std::lock_guard lock(m_mutex);
    QJsonArray list;
    auto statement =
        m_db.prepare("SELECT rooms.id FROM rooms JOIN members ON members.room_id = rooms.id "
                     "WHERE members.user_id = ? AND rooms.closed = 0 ORDER BY rooms.create_date");
    statement.bind(1, userId);
    QStringList ids;
    while (statement.next())
        ids << statement.text(0);
    for (const QString& id : ids)
        list.append(roomJsonLocked(id));
    return list;
}

std::optional<QJsonObject> StandinStore::room(const QString& roomId, qint64 userId, Error& error) {
    std::lock_guard lock(m_mutex);
    if (!roomExists(roomId)) {
        error = {404, "notFound", "Room not found."};
        return std::nullopt;
    }
    auto statement = m_db.prepare("SELECT is_public FROM rooms WHERE id = ?");
    statement.bind(1, roomId);
    const bool isPublic = statement.next() && statement.integer(0) != 0;
    if (!isPublic && !isMember(roomId, userId)) {
        error = {403, "notMember", "You are not a member of this room."};
        return std::nullopt;
    }
    return roomJsonLocked(roomId);
}

std::vector<qint64> StandinStore::resolveContacts(const QJsonObject& form, const QString& roomId,
                                                  qint64 inviterId) {
    std::vector<qint64> ids;
    auto add = [&ids](qint64 id) {
        if (id > 0 && std::find(ids.begin(), ids.end(), id) == ids.end())
            ids.push_back(id);
    };
    for (const QString& member : listValue(form.value("members"))) {
        if (auto user = userByIdLocked(member.toLongLong()))
            add(user->id);
    }
    // People without an account become pending invitations of the room.
    auto invite = [&](const QString& name, const QString& type) {
        m_db.run("INSERT INTO invitees(id, room_id, name, type) VALUES(?, ?, ?, ?)",
                 {newId(), roomId, name, type});
    };
    for (const QString& email : listValue(form.value("emails"))) {
        if (auto user = userByEmailLocked(email))
            add(user->id);
        else
            invite(email, "email");
    }
    for (const QString& phone : listValue(form.value("phones"))) {
        if (auto user = userByPhoneLocked(phone))
            add(user->id);
        else
            invite(phone, "phone");
    }
    std::erase(ids, inviterId);
    return ids;
}

qint64 StandinStore::addMemberLocked(const QString& roomId, qint64 userId, const QString& status,
                                     bool creator) {
    const qint64 joined = QDateTime::currentMSecsSinceEpoch();
    m_db.run(
        "INSERT OR IGNORE INTO members(room_id, user_id, status, joined, is_creator) VALUES(?, ?, ?, ?, ?)",
        {roomId, userId, status, joined, qint64(creator)});
    return joined;
}

std::optional<QJsonObject> StandinStore::createRoom(qint64 creatorId, const QJsonObject& form, Error& error) {
    std::lock_guard lock(m_mutex);
    const QString name = form.value("name").toString().trimmed();
    if (name.isEmpty()) {
        error = {400, "invalidName", "A group needs a name."};
        return std::nullopt;
    }
    const QString roomId = newId();
    const qint64 created = nextDateLocked();
    m_db.exec("BEGIN");
    m_db.run("INSERT INTO rooms(id, name, type, img_url, big_img_url, admin_only, hide_member_profile, "
             "create_date, "
             "is_public) VALUES(?, ?, 'group', ?, ?, ?, ?, ?, 0)",
             {roomId, name, form.value("imgUrl").toString(), form.value("bigImgUrl").toString(),
              qint64(isTrue(form.value("adminOnly"))), qint64(isTrue(form.value("hideMemberProfile"))),
              created});
    addMemberLocked(roomId, creatorId, "active", true);
    const std::vector<qint64> invited = resolveContacts(form, roomId, creatorId);
    for (qint64 id : invited)
        addMemberLocked(roomId, id, "active", false);
    m_db.exec("COMMIT");
    if (!invited.empty()) {
        QJsonArray users;
        for (qint64 id : invited)
            users.append(userJsonById(id));
        QJsonObject event = systemEvent(roomId, "joined", creatorId, "Members joined",
                                        QJsonObject{{"target", QString::number(invited.front())}});
        event.insert("info", QJsonObject{{"users", users}});
        storeRoomMessage(roomId, event, {}, memberIds(roomId));
    }
    const QString welcome = form.value("welcomeMessage").toString();
    if (!welcome.isEmpty()) {
        QJsonObject message{{"type", "message"}, {"text", welcome}};
        storeRoomMessage(roomId, message, {}, memberIds(roomId));
    }
    Q_UNUSED(created);
    return roomJsonLocked(roomId);
}

QJsonObject StandinStore::systemEvent(const QString& roomId, const QString& type, qint64 actorId,
                                      const QString& text, const QJsonObject& replacements) {
    return QJsonObject{{"roomId", roomId},
                       {"type", type},
                       {"sender", QString::number(actorId)},
                       {"senderObj", userJsonById(actorId)},
                       {"text", text},
                       {"replacements", replacements}};
}

QJsonObject StandinStore::storeRoomMessage(const QString& roomId, QJsonObject message, const QString& seqId,
                                           std::set<qint64> recipients) {
    const QString id = newId();
    const qint64 date = nextDateLocked();
    message.insert("_id", id);
    message.insert("roomId", roomId);
    message.insert("date", date);
    if (!seqId.isEmpty())
        message.insert("seqId", seqId);
    m_db.exec("BEGIN");
    m_db.run("INSERT INTO messages(id, room_id, seq_id, date, json, sender) VALUES(?, ?, ?, ?, ?, ?)",
             {id, roomId, seqId, date, QString::fromUtf8(compact(message)),
              message.value("sender").toString().toLongLong()});
    storeEvent(message, recipients);
    m_db.exec("COMMIT");
    return message;
}

void StandinStore::storeEvent(const QJsonObject& event, const std::set<qint64>& recipients) {
    const QByteArray json = compact(event);
    const bool outer = m_db.exec("SAVEPOINT store_event");
    m_db.run("INSERT INTO events(date, json) VALUES(?, ?)",
             {qint64(event.value("date").toDouble()), QString::fromUtf8(json)});
    const qint64 seq = m_db.lastInsertId();
    for (qint64 user : recipients)
        m_db.run("INSERT OR IGNORE INTO event_recipients(user_id, seq) VALUES(?, ?)", {user, seq});
    if (outer)
        m_db.exec("RELEASE store_event");
    // Published while the store lock is held, so live order equals store order.
    m_hub.publish(recipients, EventHub::Item{seq, {"data: " + json.toStdString() + "\n"}, 0});
}

std::optional<QJsonObject> StandinStore::updateRoom(const QString& roomId, qint64 userId,
                                                    const QJsonObject& form, Error& error) {
    std::lock_guard lock(m_mutex);
    if (!checkMember(roomId, userId, error))
        return std::nullopt;
    if (!isAdmin(roomId, userId)) {
        error = {403, "notAdmin", "Only the group admin can change the group."};
        return std::nullopt;
    }
    const QJsonObject before = roomJsonLocked(roomId);
    const QString name = form.contains("newName") ? form.value("newName").toString().trimmed()
                                                  : before.value("name").toString();
    const QString image =
        form.contains("imgUrl") ? form.value("imgUrl").toString() : before.value("imgUrl").toString();
    const QString bigImage = form.contains("bigImgUrl") ? form.value("bigImgUrl").toString()
                                                        : before.value("bigImgUrl").toString();
    const bool adminOnly =
        form.contains("adminOnly") ? isTrue(form.value("adminOnly")) : before.value("adminOnly").toInt() != 0;
    const bool hide = form.contains("hideMemberProfile") ? isTrue(form.value("hideMemberProfile"))
                                                         : before.value("hideMemberProfile").toInt() != 0;
    if (name.isEmpty()) {
        error = {400, "invalidName", "A group needs a name."};
        return std::nullopt;
    }
    m_db.run(
        "UPDATE rooms SET name = ?, img_url = ?, big_img_url = ?, admin_only = ?, hide_member_profile = ? "
        "WHERE id = ?",
        {name, image, bigImage, qint64(adminOnly), qint64(hide), roomId});
    const std::set<qint64> members = memberIds(roomId);
    if (name != before.value("name").toString())
        storeRoomMessage(roomId,
                         systemEvent(roomId, "roomNameUpdate", userId, "Group name changed to $newName",
                                     QJsonObject{{"newName", name}, {"target", QString::number(userId)}}),
                         {}, members);
    if (adminOnly != (before.value("adminOnly").toInt() != 0))
        storeRoomMessage(
            roomId,
            systemEvent(roomId, "roomAdminOnlyUpdate", userId, "Group posting setting changed",
                        QJsonObject{{"adminOnly", adminOnly ? 1 : 0}, {"target", QString::number(userId)}}),
            {}, members);
    if (image != before.value("imgUrl").toString())
        storeRoomMessage(roomId,
                         systemEvent(roomId, "roomImgUpdate", userId, "Group picture changed",
                                     QJsonObject{{"imgUrl", image}, {"target", QString::number(userId)}}),
                         {}, members);
    return roomJsonLocked(roomId);
}

bool StandinStore::changeAdmin(const QString& roomId, qint64 userId, qint64 memberId, Error& error) {
    std::lock_guard lock(m_mutex);
    if (!checkMember(roomId, userId, error))
        return false;
    if (!isAdmin(roomId, userId)) {
        error = {403, "notAdmin", "Only the group admin can hand over the admin role."};
        return false;
    }
    if (!isMember(roomId, memberId)) {
        error = {404, "notMember", "That person is not a member of this room."};
        return false;
    }
    m_db.exec("BEGIN");
    m_db.run("UPDATE members SET is_creator = (user_id = ?) WHERE room_id = ?", {memberId, roomId});
    m_db.exec("COMMIT");
    storeRoomMessage(roomId,
                     systemEvent(roomId, "adminchanged", userId, "Group admin changed",
                                 QJsonObject{{"target", QString::number(memberId)}}),
                     {}, memberIds(roomId));
    return true;
}

std::optional<QJsonArray> StandinStore::invitees(const QString& roomId, qint64 userId, Error& error) {
    std::lock_guard lock(m_mutex);
    if (!checkMember(roomId, userId, error))
        return std::nullopt;
    QJsonArray list;
    auto statement = m_db.prepare("SELECT id, name, type FROM invitees WHERE room_id = ? ORDER BY rowid");
    statement.bind(1, roomId);
    while (statement.next())
        list.append(
            QJsonObject{{"id", statement.text(0)}, {"name", statement.text(1)}, {"type", statement.text(2)}});
    return list;
}

bool StandinStore::removeInvitee(const QString& roomId, qint64 userId, const QString& inviteeId,
                                 Error& error) {
    std::lock_guard lock(m_mutex);
    if (!checkMember(roomId, userId, error))
        return false;
    m_db.run("DELETE FROM invitees WHERE id = ? AND room_id = ?", {inviteeId, roomId});
    if (m_db.changes() == 0) {
        error = {404, "notFound", "No such invitation."};
        return false;
    }
    return true;
}

std::optional<QJsonObject> StandinStore::memberDetails(const QString& roomId, qint64 userId, qint64 memberId,
                                                       Error& error) {
    std::lock_guard lock(m_mutex);
    if (!checkMember(roomId, userId, error))
        return std::nullopt;
    if (!isMember(roomId, memberId)) {
        error = {404, "notMember", "That person is not a member of this room."};
        return std::nullopt;
    }
    // One object that is both the member's user and the details shown to the host.
    QJsonObject details = userJsonById(memberId);
    const QJsonObject member = memberJson(roomId, memberId);
    details.insert("status", member.value("status"));
    details.insert("joined", member.value("joined"));
    details.insert("isCreator", member.value("isCreator"));
    // Whether the phone shown was verified, as the member details reply says it.
    if (const auto user = userByIdLocked(memberId))
        details.insert("isPhoneVerified", user->phoneVerified);
    return details;
}

std::optional<QJsonArray> StandinStore::addMembers(const QString& roomId, qint64 userId,
                                                   const QJsonObject& form, Error& error) {
    std::lock_guard lock(m_mutex);
    if (!roomExists(roomId)) {
        error = {404, "notFound", "Room not found."};
        return std::nullopt;
    }
    auto visibility = m_db.prepare("SELECT is_public FROM rooms WHERE id = ?");
    visibility.bind(1, roomId);
    const bool isPublic = visibility.next() && visibility.integer(0) != 0;
    const QStringList requested = listValue(form.value("members"));
    const bool selfJoin =
        !isMember(roomId, userId) && isPublic && requested == QStringList{QString::number(userId)} &&
        listValue(form.value("emails")).isEmpty() && listValue(form.value("phones")).isEmpty();
    if (!selfJoin && !isMember(roomId, userId)) {
        error = {403, "notMember", "You are not a member of this room."};
        return std::nullopt;
    }
    m_db.exec("BEGIN");
    std::vector<qint64> added =
        selfJoin ? std::vector<qint64>{userId} : resolveContacts(form, roomId, userId);
    std::vector<qint64> fresh;
    for (qint64 id : added) {
        if (!isMember(roomId, id)) {
            addMemberLocked(roomId, id, "invited", false);
            fresh.push_back(id);
        }
    }
    m_db.exec("COMMIT");
    QJsonArray reply;
    for (qint64 id : added)
        reply.append(memberJson(roomId, id));
    if (!fresh.empty()) {
        QJsonObject event = systemEvent(roomId, "joined", userId, "Members joined",
                                        QJsonObject{{"target", QString::number(fresh.front())}});
        if (fresh.size() > 1) {
            QJsonArray users;
            for (qint64 id : fresh)
                users.append(userJsonById(id));
            event.insert("info", QJsonObject{{"users", users}});
        }
        storeRoomMessage(roomId, event, {}, memberIds(roomId));
    }
    return reply;
}

bool StandinStore::removeMember(const QString& roomId, qint64 userId, qint64 memberId, Error& error) {
    std::lock_guard lock(m_mutex);
    if (!checkMember(roomId, userId, error))
        return false;
    const bool leaving = memberId == userId;
    if (!leaving && !isAdmin(roomId, userId)) {
        error = {403, "notAdmin", "Only the group admin can remove members."};
        return false;
    }
    if (!isMember(roomId, memberId)) {
        error = {404, "notMember", "That person is not a member of this room."};
        return false;
    }
    const std::set<qint64> recipients = memberIds(roomId); // the removed member hears it too
    m_db.run("DELETE FROM members WHERE room_id = ? AND user_id = ?", {roomId, memberId});
    if (leaving)
        storeRoomMessage(roomId,
                         systemEvent(roomId, "left", userId, "Member left",
                                     QJsonObject{{"target", QString::number(memberId)}}),
                         {}, recipients);
    else
        storeRoomMessage(roomId,
                         systemEvent(roomId, "kicked", userId, "Member removed",
                                     QJsonObject{{"target", QString::number(memberId)}}),
                         {}, recipients);
    return true;
}

bool StandinStore::closeRoom(const QString& roomId, qint64 userId, Error& error) {
    std::lock_guard lock(m_mutex);
    if (!checkMember(roomId, userId, error))
        return false;
    if (!isAdmin(roomId, userId)) {
        error = {403, "notAdmin", "Only the group admin can close the group."};
        return false;
    }
    storeRoomMessage(roomId,
                     systemEvent(roomId, "roomDeleted", userId, "Group closed",
                                 QJsonObject{{"target", QString::number(userId)}}),
                     {}, memberIds(roomId));
    m_db.run("UPDATE rooms SET closed = 1 WHERE id = ?", {roomId});
    return true;
}

std::optional<QJsonArray> StandinStore::messagesPage(const QString& roomId, qint64 userId,
                                                     const QJsonObject& query, Error& error) {
    std::lock_guard lock(m_mutex);
    if (!checkMember(roomId, userId, error))
        return std::nullopt;
    const bool descending = query.value("order").toString() == "desc";
    const bool after = query.contains("after") || !query.contains("before");
    const qint64 time = query.value(after ? "after" : "before").toString().toLongLong();
    const qint64 limit = query.value("limit").toString().toLongLong();
    std::string sql = "SELECT json FROM messages WHERE room_id = ? AND date ";
    sql += after ? "> ?" : "< ?";
    // A page always takes the messages next to the given time; the order only sorts the reply.
    sql += after ? " ORDER BY date ASC" : " ORDER BY date DESC";
    sql += " LIMIT ?";
    auto statement = m_db.prepare(sql.c_str());
    statement.bind(1, roomId).bind(2, time).bind(3, limit > 0 ? limit : qint64(-1));
    QList<QJsonObject> rows;
    while (statement.next())
        rows.append(parseObject(statement.text(0)));
    if (after == descending)
        std::reverse(rows.begin(), rows.end());
    QJsonArray list;
    for (const auto& row : rows)
        list.append(row);
    return list;
}

std::optional<QJsonObject> StandinStore::postMessage(const QString& roomId, qint64 userId,
                                                     const QString& type, const QString& text,
                                                     const QString& seqId, Error& error) {
    std::lock_guard lock(m_mutex);
    if (!checkMember(roomId, userId, error))
        return std::nullopt;
    if (!seqId.isEmpty()) {
        // A repeated post (the client retries when it did not see the answer) gets the stored message.
        // Sequence IDs are each sender's own: another member may use the same one.
        auto existing =
            m_db.prepare("SELECT json FROM messages WHERE room_id = ? AND sender = ? AND seq_id = ?");
        existing.bind(1, roomId).bind(2, userId).bind(3, seqId);
        if (existing.next())
            return parseObject(existing.text(0));
    }
    auto flags = m_db.prepare("SELECT admin_only FROM rooms WHERE id = ?");
    flags.bind(1, roomId);
    if (flags.next() && flags.integer(0) != 0 && !isAdmin(roomId, userId)) {
        error = {403, "adminOnly", "Only the group admin can post in this group."};
        return std::nullopt;
    }
    if (type != "message" && type != "smartmessage") {
        error = {400, "invalidType", "Unknown message type."};
        return std::nullopt;
    }
    QJsonObject textJson = QJsonDocument::fromJson(text.toUtf8()).object();
    QJsonObject message{{"type", type},
                        {"text", text},
                        {"sender", QString::number(userId)},
                        {"senderObj", userJsonById(userId)}};
    if (type == "smartmessage" && textJson.value("formid").toString().isEmpty() &&
        !textJson.value("formid").isDouble()) {
        // Shares made from the library's own forms (a check-in, a contact, a picture) come without
        // a form ID: the service gives them one, as clients find a smart message by it.
        const QString kind = textJson.value("type").toString();
        if (textJson.isEmpty() || kind == "reply" || kind == "expiry") {
            error = {400, "invalidSmartMessage", "A smart message needs a form ID."};
            return std::nullopt;
        }
        textJson.insert("formid", QUuid::createUuid().toString(QUuid::WithoutBraces));
        message.insert("text", QString::fromUtf8(QJsonDocument(textJson).toJson(QJsonDocument::Compact)));
    }
    const bool expiry = type == "message" && textJson.value("type").toString() == "expiry";
    // A location answer ("locresp") answers its form as a reply does, with the place as its values.
    const bool located = type == "smartmessage" && textJson.value("type").toString() == "locresp";
    const bool reply = (type == "smartmessage" && textJson.value("type").toString() == "reply") || located;
    if (expiry || reply) {
        // Both re-announce the smart message they name instead of showing a row of their own.
        auto form = latestSmartMessageFormLocked(roomId, textJson.value("formid").toString());
        if (!form) {
            error = {404, "notFound", "No smart message with that form ID."};
            return std::nullopt;
        }
        if (reply) {
            if (form->value("latestAction").toString() == "expired") {
                error = {409, "chatletExpired", "Chatlet is expired."};
                return std::nullopt;
            }
            QJsonObject answer = textJson.value("reply").toObject();
            if (located) {
                answer = textJson;
                answer.remove("formid");
                answer.remove("type");
            }
            countReply(*form, answer, userId);
        }
        form->insert("latestAction", expiry ? "expired" : "reply");
        form->insert("currentsender", QString::number(userId));
        form->insert("currentsenderuser", userJsonById(userId));
        message.insert("type", "smartmessage");
        message.insert("text", QString::fromUtf8(QJsonDocument(*form).toJson(QJsonDocument::Compact)));
        return storeRoomMessage(roomId, message, seqId, memberIds(roomId));
    }
    return storeRoomMessage(roomId, message, seqId, memberIds(roomId));
}

std::optional<QJsonObject> StandinStore::latestSmartMessageFormLocked(const QString& roomId,
                                                                      const QString& formId) {
    auto statement = m_db.prepare("SELECT json FROM messages WHERE room_id = ? ORDER BY date DESC");
    statement.bind(1, roomId);
    while (statement.next()) {
        const QJsonObject stored = parseObject(statement.text(0));
        if (stored.value("type").toString() != "smartmessage")
            continue;
        const QJsonObject form = QJsonDocument::fromJson(stored.value("text").toString().toUtf8()).object();
        if (!formId.isEmpty() && form.value("formid").toString() == formId)
            return form;
    }
    return std::nullopt;
}

// An answer counts one vote for every list entry of the content whose "id" it names, and is listed
// among the responses.
void StandinStore::countReply(QJsonObject& form, const QJsonObject& reply, qint64 userId) {
    QJsonObject content = form.value("content").toObject();
    for (auto field = content.begin(); field != content.end(); ++field) {
        if (!field.value().isArray())
            continue;
        QJsonArray entries = field.value().toArray();
        for (qsizetype i = 0; i < entries.size(); ++i) {
            QJsonObject entry = entries.at(i).toObject();
            for (const QJsonValue& answer : reply)
                if (!entry.value("id").toString().isEmpty() &&
                    answer.toString() == entry.value("id").toString())
                    entry.insert("votes", entry.value("votes").toInt() + 1);
            entries[i] = entry;
        }
        field.value() = entries;
    }
    form.insert("content", content);
    QJsonObject summary = form.value("summary").toObject();
    summary.insert("numresp", summary.value("numresp").toInt() + 1);
    form.insert("summary", summary);
    QJsonObject details = form.value("details").toObject();
    QJsonObject item = details.value("detitem").toObject();
    QJsonArray responses = item.value("resps").toArray();
    QJsonObject response = userJsonById(userId);
    response.insert("userid", QString::number(userId));
    response.insert("reply", reply);
    responses.append(response);
    item.insert("resps", responses);
    details.insert("detitem", item);
    form.insert("details", details);
}

QJsonArray StandinStore::publicRooms(const QString& baseUrl) {
    std::lock_guard lock(m_mutex);
    QJsonArray list;
    auto statement = m_db.prepare(
        "SELECT id, name, img_url FROM rooms WHERE is_public = 1 AND closed = 0 ORDER BY create_date");
    while (statement.next()) {
        list.append(QJsonObject{{"_id", statement.text(0)},
                                {"name", statement.text(1)},
                                {"imgUrl", statement.text(2)},
                                {"membersUrl", baseUrl + "rooms/" + statement.text(0) + "/members"}});
    }
    return list;
}

QJsonArray StandinStore::storedMessages(const QString& roomId) {
    std::lock_guard lock(m_mutex);
    QJsonArray list;
    auto statement = m_db.prepare("SELECT json FROM messages WHERE room_id = ? ORDER BY date");
    statement.bind(1, roomId);
    while (statement.next())
        list.append(parseObject(statement.text(0)));
    return list;
}

// ---- event log ----------------------------------------------------------------------------------------

std::vector<StandinStore::StoredEvent> StandinStore::eventsSince(qint64 userId, qint64 after) {
    std::lock_guard lock(m_mutex);
    std::vector<StoredEvent> events;
    auto statement = m_db.prepare("SELECT events.seq, events.json FROM events JOIN event_recipients "
                                  "ON event_recipients.seq = events.seq WHERE event_recipients.user_id = ? "
                                  "AND events.date > ? ORDER BY events.date, events.seq");
    statement.bind(1, userId).bind(2, after);
    while (statement.next())
        events.push_back({statement.integer(0), statement.text(1).toUtf8()});
    return events;
}

QJsonObject StandinStore::injectEvent(qint64 userId, QJsonObject event) {
    std::lock_guard lock(m_mutex);
    if (!event.contains("date"))
        event.insert("date", nextDateLocked());
    storeEvent(event, {userId});
    return event;
}

// ---- seeding ------------------------------------------------------------------------------------------

QJsonObject StandinStore::seed(const QJsonObject& description, Error& error) {
    std::lock_guard lock(m_mutex);
    const QString org = description.value("org").toString(setting("org", "pelnix"));
    if (description.contains("org"))
        m_db.run("INSERT OR REPLACE INTO settings(key, value) VALUES('org', ?)", {org});
    QJsonArray users;
    m_db.exec("BEGIN");
    for (const auto& value : description.value("users").toArray()) {
        const QJsonObject user = value.toObject();
        const QString email = user.value("email").toString();
        qint64 id = idValue(user.value("id"));
        if (id <= 0) {
            auto next = m_db.prepare("SELECT MAX(id) FROM users");
            id = std::max<qint64>(1000, next.next() ? next.integer(0) + 1 : 1000);
        }
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        const QString name = user.value("name").toString(email.section('@', 0, 0));
        if (!m_db.run("INSERT OR REPLACE INTO users(id, email, name, image_url, big_image_url, phone, "
                      "country_code, "
                      "phone_verified, valid_profile, org, registered, last_login, updated) "
                      "VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                      {id, email, name, user.value("imageUrl").toString(), user.value("bigImgUrl").toString(),
                       user.value("phone").toString(), user.value("countryCode").toString(),
                       qint64(isTrue(user.value("phoneVerified"))), qint64(!name.isEmpty()),
                       user.value("org").toString(org), now, now, now})) {
            m_db.exec("ROLLBACK");
            error = {400, "invalidUser", "A seeded user could not be stored (duplicate e-mail?)."};
            return {};
        }
        QString token = user.value("token").toString();
        if (token.isEmpty())
            token = randomText(16);
        m_db.run("INSERT OR REPLACE INTO tokens(token, user_id, password) VALUES(?, ?, ?)",
                 {token, id, randomText(8)});
        users.append(QJsonObject{{"id", id}, {"email", email}, {"token", token}});
    }
    QJsonArray rooms;
    for (const auto& value : description.value("rooms").toArray()) {
        const QJsonObject room = value.toObject();
        QString roomId = room.value("_id").toString(room.value("id").toString());
        if (roomId.isEmpty())
            roomId = newId();
        const QJsonArray members = room.value("members").toArray();
        const qint64 admin = room.contains("admin") ? idValue(room.value("admin"))
                                                    : (members.isEmpty() ? 0 : idValue(members.first()));
        m_db.run("INSERT OR REPLACE INTO rooms(id, name, type, img_url, big_img_url, admin_only, "
                 "hide_member_profile, "
                 "create_date, is_public, closed) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, 0)",
                 {roomId, room.value("name").toString(), room.value("type").toString("group"),
                  room.value("imgUrl").toString(), room.value("bigImgUrl").toString(),
                  qint64(isTrue(room.value("adminOnly"))), qint64(isTrue(room.value("hideMemberProfile"))),
                  nextDateLocked(), qint64(isTrue(room.value("public")))});
        for (const auto& member : members)
            addMemberLocked(roomId, idValue(member), "active", idValue(member) == admin);
        rooms.append(roomId);
    }
    m_db.exec("COMMIT");
    return QJsonObject{{"users", users}, {"rooms", rooms}};
}

// ---- storage ------------------------------------------------------------------------------------------

StandinStore::StorageKey StandinStore::issueStorageKey() {
    StorageKey key;
    key.access = "AKSTANDIN" + randomText(6).toUpper();
    QByteArray secret(30, Qt::Uninitialized);
    QRandomGenerator::system()->generate(secret.begin(), secret.end());
    key.secret = QString::fromLatin1(secret.toBase64()); // contains "/" and "+", as real secrets do
    key.sessionToken = QString::fromLatin1(QByteArray::fromHex(randomText(24).toLatin1()).toBase64());
    addStorageKey(key);
    return key;
}

void StandinStore::addStorageKey(const StorageKey& key) {
    std::lock_guard lock(m_mutex);
    m_db.run("INSERT OR REPLACE INTO storage_keys(access, secret, session_token) VALUES(?, ?, ?)",
             {key.access, key.secret, key.sessionToken});
}

std::optional<StandinStore::StorageKey> StandinStore::storageKey(const QString& access) {
    std::lock_guard lock(m_mutex);
    auto statement = m_db.prepare("SELECT access, secret, session_token FROM storage_keys WHERE access = ?");
    statement.bind(1, access);
    if (!statement.next())
        return std::nullopt;
    return StorageKey{statement.text(0), statement.text(1), statement.text(2)};
}

QString StandinStore::newObjectFilePath() {
    return m_objectsDir + "/" + QUuid::createUuid().toString(QUuid::WithoutBraces) + kStagedSuffix;
}

bool StandinStore::putObject(const QString& bucket, const QString& key, const QString& contentType,
                             const QJsonObject& metadata, const QString& filePath, const QString& etag) {
    const QString name = QFileInfo(filePath).fileName().chopped(int(qstrlen(kStagedSuffix)));
    const QString path = m_objectsDir + "/" + name;
    std::lock_guard lock(m_mutex);
    auto previous = m_db.prepare("SELECT file FROM object_files WHERE bucket = ? AND key = ?");
    previous.bind(1, bucket).bind(2, key);
    const QString replaced = previous.next() ? previous.text(0) : QString();
    if (!QFile::rename(filePath, path)) {
        QFile::remove(filePath);
        return false;
    }
    if (!m_db.run("INSERT OR REPLACE INTO object_files(bucket, key, content_type, metadata, file, etag) "
                  "VALUES(?, ?, ?, ?, ?, ?)",
                  {bucket, key, contentType, QString::fromUtf8(compact(metadata)), name, etag})) {
        QFile::remove(path);
        return false;
    }
    // Answers still reading the replaced body keep it open; the name goes now.
    if (!replaced.isEmpty())
        QFile::remove(m_objectsDir + "/" + replaced);
    return true;
}

std::optional<StandinStore::StoredObject> StandinStore::object(const QString& bucket, const QString& key) {
    std::lock_guard lock(m_mutex);
    auto statement = m_db.prepare(
        "SELECT content_type, etag, metadata, file FROM object_files WHERE bucket = ? AND key = ?");
    statement.bind(1, bucket).bind(2, key);
    if (!statement.next())
        return std::nullopt;
    auto body = ObjectFile::open(m_objectsDir + "/" + statement.text(3));
    if (!body)
        return std::nullopt;
    return StoredObject{statement.text(0), statement.text(1), parseObject(statement.text(2)),
                        std::move(body)};
}

QString StandinStore::shortCode(const QString& bucket, const QString& key) {
    std::lock_guard lock(m_mutex);
    auto exists = m_db.prepare("SELECT 1 FROM object_files WHERE bucket = ? AND key = ?");
    exists.bind(1, bucket).bind(2, key);
    if (!exists.next())
        return {};
    auto known = m_db.prepare("SELECT code FROM short_urls WHERE bucket = ? AND key = ?");
    known.bind(1, bucket).bind(2, key);
    if (known.next())
        return known.text(0);
    const QString code = randomText(6);
    m_db.run("INSERT INTO short_urls(code, bucket, key) VALUES(?, ?, ?)", {code, bucket, key});
    return code;
}

std::optional<StandinStore::StoredObject> StandinStore::objectByShortCode(const QString& code) {
    QString bucket, key;
    {
        std::lock_guard lock(m_mutex);
        auto statement = m_db.prepare("SELECT bucket, key FROM short_urls WHERE code = ?");
        statement.bind(1, code);
        if (!statement.next())
            return std::nullopt;
        bucket = statement.text(0);
        key = statement.text(1);
    }
    return object(bucket, key);
}

} // namespace pelnix::standin
