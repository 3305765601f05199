#include "core/model/Asset.h"
#include "core/model/Challenge.h"
#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/DeletedMessage.h"
#include "core/model/FormJSON.h"
#include "core/model/Message.h"
#include "core/model/PendingMessageInfo.h"
#include "core/model/RichMediaInfo.h"
#include "core/model/RoomMember.h"
#include "core/model/RoomModelServices.h"
#include "core/model/User.h"
#include "foundation/DateAdditions.h"
#include "foundation/SafeReaders.h"
#include "platform/store/ObjectContext.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <algorithm>
#include <limits>

namespace pelnix {

using SafeKVC::doubleForKey;
using SafeKVC::intForKey;
using SafeKVC::intForKeyPath;
using SafeKVC::stringForKey;

namespace {

bool isUserMe(const std::shared_ptr<User>& user) {
    if (!user)
        return false;
    qint32 me = RoomModelServices::shared().currentUserID();
    return me != 0 && user->userID() == me;
}

} // namespace

std::optional<qint16> Message::typeForTypeString(const QString& typeString) {
    static const QHash<QString, qint16> table{
        {QStringLiteral("smartmessage"), 1},   {QStringLiteral("message"), 2},
        {QStringLiteral("joined"), 3},         {QStringLiteral("left"), 4},
        {QStringLiteral("roomNameUpdate"), 5}, {QStringLiteral("roomImgUpdate"), 5},
        {QStringLiteral("kicked"), 6},         {QStringLiteral("display"), 7},
    };
    auto it = table.constFind(typeString);
    if (it == table.constEnd())
        return std::nullopt;
    return *it;
}

void Message::setTypeString(const QString& typeString) {
    if (typeString == this->typeString())
        return;
    setValue(QStringLiteral("typeString"), typeString);
    if (auto type = typeForTypeString(typeString))
        setType(*type);
}

void Message::setState(const qint16& state) {
    const qint64 unreadBefore = unreadUpdates();
    const bool becameRead = state == 1 && this->state() != 1;
    setValue(QStringLiteral("state"), state);
    if (becameRead)
        setValue(QStringLiteral("updateCount"), qint16(0));
    if (const qint64 delta = unreadUpdates() - unreadBefore; delta != 0)
        if (auto room = this->room())
            room->unreadMessagesChanged(delta);
}

void Message::setUpdateCount(const qint16& count) {
    const qint64 unreadBefore = unreadUpdates();
    setValue(QStringLiteral("updateCount"), count);
    if (const qint64 delta = unreadUpdates() - unreadBefore; delta != 0)
        if (auto room = this->room())
            room->unreadMessagesChanged(delta);
}

void Message::setRoom(const std::shared_ptr<ChatRoom>& room) {
    const auto before = this->room();
    setObject(QStringLiteral("room"), room);
    const auto after = this->room();
    if (before == after)
        return;
    if (const qint64 unread = unreadUpdates(); unread != 0) {
        if (before)
            before->unreadMessagesChanged(-unread);
        if (after)
            after->unreadMessagesChanged(unread);
    }
}

bool Message::updateWithDictionary(const QVariantMap& dictionary, const std::optional<QVariantMap>& textJSON,
                                   bool updateSender, bool compareDate) {
    // A reply or smart-message update without "_id" must not wipe the ID the row is found by.
    if (QString messageId = ModelJSON::idText(dictionary.value(QStringLiteral("_id"))); !messageId.isEmpty())
        setMessageId(messageId);
    qint64 newDate = qint64(doubleForKey(dictionary, QStringLiteral("date")));
    if (compareDate && newDate <= date())
        return false;

    setTypeString(stringForKey(dictionary, QStringLiteral("type")));

    QVariant senderId = dictionary.value(QStringLiteral("sender"));
    auto sender = SafeKVC::intValueOf(senderId) == 0 && senderUser() ? senderUser()
                                                                     : ModelJSON::userOrNewUser(senderId);
    setSenderUser(sender);
    sender->updateWithDictionary(
        SafeKVC::valueForKey(dictionary, QStringLiteral("senderObj"), SafeKVC::ValueClass::Dictionary)
            .toMap());
    bool mine = senderIsMe();

    if (textJSON) {
        const QVariantMap& json = *textJSON;
        QString currentSender = ModelJSON::idText(json.value(QStringLiteral("currentsender")));
        if (!currentSender.isEmpty()) {
            setFromUser(RoomModelServices::shared().userWithID(currentSender));
            mine = lastUpdatedUserIsMe();
        }
        QVariantMap currentSenderUser =
            SafeKVC::valueForKey(json, QStringLiteral("currentsenderuser"), SafeKVC::ValueClass::Dictionary)
                .toMap();
        if (!currentSenderUser.isEmpty()) {
            auto from = fromUser();
            if (!from) {
                from = User::PS_createEntity();
                setFromUser(from);
            }
            from->updateWithDictionary(currentSenderUser);
            if (from->profileName().isEmpty()) {
                QVariantList resps = SafeKVC::valueForKeyPath(json, QStringLiteral("details.detitem.resps"),
                                                              SafeKVC::ValueClass::Array)
                                         .toList();
                QVariantMap first = resps.isEmpty() ? QVariantMap() : resps.first().toMap();
                qint32 respUser = intForKey(first, QStringLiteral("userid"));
                if (respUser != 0 && respUser == from->userID())
                    from->updateWithDictionary(first);
            }
        }
        setDetailsLinkVisibility(stringForKey(json, QStringLiteral("detailsLinkVisibility")));
        int replies = intForKeyPath(json, QStringLiteral("summary.numreq"));
        if (replies == 0)
            replies = intForKeyPath(json, QStringLiteral("summary.numresp"));
        setReplyCount(qint16(replies));
        setDisplayName(stringForKey(json, QStringLiteral("displayname")));
    }

    // The own message keeps the date it was shown with; so does one still waiting in the outbox
    // unless the server's date is later.
    bool keepDate = (mine && date() != 0) || (hasAtLeatOnePendingMessage() && newDate <= date());
    if (!keepDate)
        setDate(newDate);
    setActualDate(newDate);

    QString text = stringForKey(dictionary, QStringLiteral("text"));
    if (text != this->text()) {
        setText(text);
        if (textJSON) {
            QString xslt = stringForKey(*textJSON, QStringLiteral("xslt"));
            setXsltName(xslt.isEmpty() ? stringForKey(*textJSON, QStringLiteral("type")) : xslt);
            setFormId(ModelJSON::idText(textJSON->value(QStringLiteral("formid"))));
            if (displayName().isEmpty())
                setDisplayName(getDisplayNameForFroms(xsltName()));
        }
        if (type() == 1) {
            setHtmlText(QString());
            RoomModelServices::shared().renderSmartMessage(
                std::static_pointer_cast<Message>(shared_from_this()));
        }
        setState(0);
        // A count that would pass its range stays at its largest value instead of wrapping.
        setUpdateCount(qint16(std::min<int>(updateCount() + 1, std::numeric_limits<qint16>::max())));
        QString action = textJSON ? stringForKey(*textJSON, QStringLiteral("latestAction")) : QString();
        if (action.isEmpty())
            action = replyCount() == 0 ? QStringLiteral("init") : QStringLiteral("reply");
        setLatestAction(action);
    }

    if (type() == 5) {
        auto room = this->room();
        setText(this->text().replace(QStringLiteral("$newName"), room ? room->name() : QString()));
    }

    if (updateSender && senderUser() && senderUser()->userID() <= 0) {
        if (auto target = RoomModelServices::shared().userWithID(
                dictionary.value(QStringLiteral("replacements")).toMap().value(QStringLiteral("target"))))
            setSenderUser(target);
    }

    if ((senderIsMe() && replyCount() == 0) || lastUpdatedUserIsMe())
        setState(1);

    return latestActionIsComment() || latestActionIsExpired() || !mine;
}

Message::Ptr Message::messageWithID(const QString& messageId, const ContextPtr& context) {
    if (messageId.isEmpty())
        return {};
    return PS_findFirstByAttribute(QStringLiteral("messageId"), messageId, context);
}

Message::Ptr Message::messageWithFormID(const QString& formId, const ContextPtr& context) {
    if (formId.isEmpty())
        return {};
    return PS_findFirstByAttribute(QStringLiteral("formId"), formId, context);
}

void Message::removeMessage(const Ptr& message) {
    if (!message)
        return;
    if (auto room = message->room(); room && message->unreadUpdates() != 0)
        room->unreadMessagesChanged(-message->unreadUpdates());
    message->PS_deleteEntity();
}

QString Message::getDisplayNameForFroms(const QString& formName) const {
    using K = platform::PredicateKey;
    auto form = FormJSON::PS_findFirstWithPredicate(K(QStringLiteral("name")) == formName &&
                                                    K(QStringLiteral("category")) == QStringLiteral("form"));
    if (!form)
        return {};
    QJsonObject json = QJsonDocument::fromJson(form->data().toUtf8()).object();
    return json.value(QStringLiteral("displayname")).toString();
}

bool Message::expireNowWithCompletionHandler(
    const std::function<void(bool, const PLOptionalError&, const QString&)>& completion) {
    if (type() != 1)
        return false;
    QJsonObject expiry{{QStringLiteral("type"), QStringLiteral("expiry")},
                       {QStringLiteral("formid"), formId()}};
    QString text = QString::fromUtf8(QJsonDocument(expiry).toJson(QJsonDocument::Compact));
    return RoomModelServices::shared().postPrivateMessage(room(), text, false, completion);
}

bool Message::hasAtLeatOnePendingMessage() const {
    // A message not saved yet can only have entries not saved yet: no need to ask the store.
    if (isInserted()) {
        auto* context = managedObjectContext();
        const auto inserted = context ? context->insertedObjects() : QList<platform::ObjectPtr>();
        return std::any_of(inserted.cbegin(), inserted.cend(), [this](const platform::ObjectPtr& o) {
            const auto entry = std::dynamic_pointer_cast<PendingMessageInfo>(o);
            return entry && entry->foreignKey(QStringLiteral("message")) == primaryKey() &&
                   entry->state() != 3;
        });
    }
    for (const auto& entry : pendingMessages())
        if (entry->state() != 3)
            return true;
    return false;
}

bool Message::senderIsMe() const {
    return isUserMe(senderUser());
}

bool Message::lastUpdatedUserIsMe() const {
    return isUserMe(fromUser());
}

QString Message::displayText() const {
    return type() == 1 ? displayName() : text();
}

QString Message::chatWindowTimeString() const {
    // "3:07 PM": Qt writes the lower-case marker for "a", so the upper-case one is asked for.
    static const QLocale locale(QLocale::English, QLocale::UnitedStates);
    return locale.toString(QDateTime::fromSecsSinceEpoch(date() / 1000), QStringLiteral("h:mm AP"));
}

QString Message::dateString() const {
    return DateAdditions::getFormattedDateStringFromDate(QDateTime::fromSecsSinceEpoch(date() / 1000));
}

} // namespace pelnix
