#include "media/PLRichMediaPosts.h"

#include "core/model/ChatRoomNotifications.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/PLModelManager.h"
#include "core/model/User.h"
#include "foundation/DocumentSaver.h"
#include "media/PLPendingRichMediaUploadsManager.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"
#include "platform/Sandbox.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <algorithm>
#include <memory>

Q_LOGGING_CATEGORY(lcRichMediaPosts, "pelnix.media.posts", QtWarningMsg)

namespace pelnix {

namespace {

constexpr qint16 kWaiting = 1;

QString pendingUploadsFolder() {
    return QLatin1String(DocumentSaver::kPendingRichMediaUploadsFolder);
}

void attach(const PendingMessageInfo::Ptr& entry, const RichMediaInfo::Ptr& row) {
    entry->addRichMediaInfoObject(row);
    row->setPendingmessage(entry);
}

// Announced only once the message, its entry and its media rows are stored.
void announce(const char* notification, const Message::Ptr& message) {
    platform::NotificationCenter::defaultCenter()->post(
        QLatin1String(notification), {}, {{QLatin1String(kMessageIDKey), message->messageId()}});
}

void runPasses();

// One commit holds the message, its entry and its media, so a post shown as queued is in the
// store with everything it needs to go out; only then is it announced and the passes run.
PendingMessageInfo::Ptr queue(ChatRoom& room, const Message::Ptr& message, qint16 type, const QString& text,
                              const RichMediaInfo::List& rows, const char* notification) {
    auto entry = room.createPendingMessage(message, type, kWaiting);
    if (!text.isEmpty())
        entry->setText(text);
    for (const auto& row : rows)
        attach(entry, row);
    room.save();
    if (notification)
        announce(notification, message);
    runPasses();
    return entry;
}

void runPasses() {
    auto* manager = PLModelManager::sharedModelManager();
    manager->postPendingMessages();
    manager->uploadRichMediaFilesToCloud();
}

QString chatletDisplayName(const QString& chatletJSON) {
    return QJsonDocument::fromJson(chatletJSON.toUtf8())
        .object()
        .value(QLatin1String("displayname"))
        .toString();
}

// A held video row gets its thumbnail's preview and size; a single attachment's row height follows
// them. The chat window shows the preview, and the upload pass takes the row.
void describeWithThumbnail(const RichMediaInfo::Ptr& row, const PLMultiMediaInfo& described) {
    if (auto info = PLMultiMediaInfo::multiMediaInfoFromJSONstring(row->uploadedMediaInfo())) {
        info->preview = described.preview;
        info->bigImgSize = described.bigImgSize;
        row->setUploadedMediaInfo(info->representMediaInfoAsString());
    }
    row->save();
    const auto entry = row->pendingmessage();
    if (const auto message = entry ? entry->message() : nullptr) {
        if (entry->type() == PLRichMediaPosts::kRichMediaEntry) {
            message->setDisplayCellHeight(ChatRoom::displayCellHeightForImageSize(described.bigImgSize));
            message->save();
        }
        announce(ChatRoomMessageUpdatedNotification, message);
    }
    PLModelManager::sharedModelManager()->uploadRichMediaFilesToCloud();
}

void makeLatestOwnAction(ChatRoom& room, const Message::Ptr& linkedMessage) {
    linkedMessage->setDate(QDateTime::currentMSecsSinceEpoch());
    room.updateLatestMessage(linkedMessage);
    if (const auto account = CurrentUserInfo::currentUserInfo())
        linkedMessage->setFromUser(account->user());
}

} // namespace

QString PLRichMediaPosts::uploadPlaceholder(const QString& fileID) {
    return QStringLiteral("%1_%2").arg(QLatin1String("PLS3URLPlaceHolder"), fileID);
}

QString PLRichMediaPosts::sanitisedFileName(const QString& fileName, const QString& fallback) {
    QString name;
    name.reserve(fileName.size());
    for (const QChar c : fileName) {
        const bool kept = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                          (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                          (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.') ||
                          c == QLatin1Char('-') || c == QLatin1Char('_');
        name += kept ? c : QLatin1Char('_');
    }
    while (name.startsWith(QLatin1Char('.')))
        name.remove(0, 1);
    if (name.isEmpty() || !platform::Sandbox::isSafePathComponent(name))
        return fallback;
    return name;
}

RichMediaInfo::Ptr PLRichMediaPosts::richmediaInfoFromMultimediaInfo(const PLMultiMediaInfo& info) {
    auto row = RichMediaInfo::PS_createEntity();
    row->setFileName(info.fileName);
    row->setAssetURL(info.assetURL);
    row->setUploadedMediaInfo(info.representMediaInfoAsString());
    row->setState(0);
    row->setMediaId(nextMediaId());
    return row;
}

RichMediaInfo::Ptr
PLRichMediaPosts::richMediaInfoCreatingTemporaryFileForSelection(const PLMediaSelection& selection) {
    Q_ASSERT(platform::isMainThread());
    // A video's thumbnail is never waited for here: the media workers' places it would wait for are
    // given back by this thread. Its row is stored at once, held back from upload until the
    // thumbnail has completed its description.
    const auto handler = std::make_shared<PLMultiMediaHandler>();
    const bool video = selection.mediaType != PLMediaSelection::Image;
    const QByteArray data =
        video ? handler->readVideo(selection) : handler->processImageToUploadWithInfo(selection);
    PLMultiMediaInfo info = handler->currentMediaInfo();
    if (!selection.fileID.isEmpty() && !info.fileID.isEmpty()) {
        info.fileID = selection.fileID;
        info.fileName = selection.fileID + QLatin1Char('.') + QFileInfo(info.fileName).suffix();
    }
    info.caption = selection.caption;
    const auto row = richMediaInfoCreatingTemporaryFile(info, data);
    if (!row || !video)
        return row;
    auto* uploads = PLPendingRichMediaUploadsManager::sharedInstance();
    uploads->holdRichMedia(row);
    handler->readVideoThumbnail(selection.mediaPath, [handler, row, uploads] {
        // Nothing is left to describe after a reset (sign-out) or once the post is gone.
        if (!uploads->releaseRichMedia(row) || row->isDeleted())
            return;
        describeWithThumbnail(row, handler->currentMediaInfo());
    });
    return row;
}

RichMediaInfo::Ptr PLRichMediaPosts::richMediaInfoCreatingTemporaryFile(PLMultiMediaInfo info,
                                                                        const QByteArray& data) {
    Q_ASSERT(platform::isMainThread());
    if (data.isEmpty() || info.fileID.isEmpty()) {
        qCWarning(lcRichMediaPosts) << "media selection gave no file";
        return nullptr;
    }
    // The extension of a picked file is not ours to trust as part of a path.
    info.fileName = sanitisedFileName(info.fileName, sanitisedFileName(info.fileID, QStringLiteral("media")));
    if (!DocumentSaver::writeDataToDirectorySelectedFile(data, pendingUploadsFolder(), info.fileName)) {
        qCWarning(lcRichMediaPosts) << "pending upload file not written" << info.fileName;
        return nullptr;
    }
    return richmediaInfoFromMultimediaInfo(info);
}

PendingMessageInfo::Ptr PLRichMediaPosts::addPendingRichMediaWithMediaInfo(const ChatRoom::Ptr& room,
                                                                           const PLMediaSelection& selection,
                                                                           const Message::Ptr& message,
                                                                           qint16 type) {
    Q_ASSERT(platform::isMainThread());
    if (!room || !message)
        return nullptr;
    RichMediaInfo::List rows;
    if (const auto row = richMediaInfoCreatingTemporaryFileForSelection(selection))
        rows << row;
    return queue(*room, message, type, {}, rows, nullptr);
}

qint64 PLRichMediaPosts::nextMediaId() {
    auto account = CurrentUserInfo::currentUserInfo();
    if (!account)
        return 0;
    account->setRichMediaInfoIdIndex(account->richMediaInfoIdIndex() + 1);
    return account->richMediaInfoIdIndex();
}

Message::Ptr PLRichMediaPosts::postRichMediaForMediaSelection(const ChatRoom::Ptr& room,
                                                              const PLMediaSelection& selection) {
    Q_ASSERT(platform::isMainThread());
    if (!room)
        return nullptr;
    return postRichMedia(*room, richMediaInfoCreatingTemporaryFileForSelection(selection));
}

Message::Ptr PLRichMediaPosts::postRichMediaWithPreparedMedia(const ChatRoom::Ptr& room,
                                                              const PLMultiMediaInfo& info,
                                                              const QByteArray& data) {
    Q_ASSERT(platform::isMainThread());
    if (!room)
        return nullptr;
    return postRichMedia(*room, richMediaInfoCreatingTemporaryFile(info, data));
}

Message::Ptr PLRichMediaPosts::postRichMedia(ChatRoom& room, const RichMediaInfo::Ptr& row) {
    auto message = room.createMessage();
    message->setType(1);
    message->setDisplayName(QStringLiteral("Rich Media"));
    const auto info =
        row ? PLMultiMediaInfo::multiMediaInfoFromJSONstring(row->uploadedMediaInfo()) : std::nullopt;
    message->setDisplayCellHeight(
        ChatRoom::displayCellHeightForImageSize(info ? info->bigImgSize : QSizeF()));
    queue(room, message, kRichMediaEntry, {}, row ? RichMediaInfo::List{row} : RichMediaInfo::List{},
          ChatRoomMessageAddedNotification);
    return message;
}

Message::Ptr PLRichMediaPosts::postChatletWithMessageString(const ChatRoom::Ptr& room,
                                                            const QString& chatletJSON,
                                                            const QList<PLMediaSelection>& selections) {
    Q_ASSERT(platform::isMainThread());
    if (!room)
        return nullptr;
    const auto row =
        selections.isEmpty() ? nullptr : richMediaInfoCreatingTemporaryFileForSelection(selections.first());
    auto message = room->createMessage();
    message->setType(1);
    message->setDisplayName(chatletDisplayName(chatletJSON));
    queue(*room, message, kSmartEntry, chatletJSON, row ? RichMediaInfo::List{row} : RichMediaInfo::List{},
          ChatRoomMessageAddedNotification);
    return message;
}

void PLRichMediaPosts::replyToChatletWithMultipleRichMediaSelectionString(
    const ChatRoom::Ptr& room, const QString& replyJSON, const QList<PLMediaSelection>& selections,
    const Message::Ptr& linkedMessage) {
    Q_ASSERT(platform::isMainThread());
    if (!room || !linkedMessage)
        return;
    RichMediaInfo::List rows;
    for (const auto& selection : selections)
        if (const auto row = richMediaInfoCreatingTemporaryFileForSelection(selection))
            rows << row;
    makeLatestOwnAction(*room, linkedMessage);
    queue(*room, linkedMessage, kReplyWithMediaEntry, replyJSON, rows, ChatRoomMessageUpdatedNotification);
}

RichMediaInfo::Ptr PLRichMediaPosts::firstRichMedia(const PendingMessageInfo& entry) {
    const auto rows = entry.richMediaInfo();
    const auto first = std::min_element(
        rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a->mediaId() < b->mediaId(); });
    return first == rows.end() ? nullptr : *first;
}

void PLRichMediaPosts::removeAssociatedTemporaryFilesIfRichMedia(const PendingMessageInfo& entry) {
    if (!entry.isRichMediaType())
        return;
    const auto row = firstRichMedia(entry);
    if (!row || !platform::Sandbox::isSafePathComponent(row->fileName()))
        return;
    QFile::remove(DocumentSaver::filePathTillFolderName(pendingUploadsFolder(), row->fileName()));
}

bool PLRichMediaPosts::hasAtleaseOneMoreLatestReplyPendingMessage(const PendingMessageInfo& entry) {
    const auto message = entry.message();
    if (!message)
        return false;
    auto entries = message->pendingMessages();
    if (entries.isEmpty())
        return false;
    entries.removeIf([](const auto& e) { return e->isCompletd(); });
    const auto last = std::max_element(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return a->messageId() < b->messageId();
    });
    return last == entries.end() || (*last)->seqId() != entry.seqId();
}

} // namespace pelnix
