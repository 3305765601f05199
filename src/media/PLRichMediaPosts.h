#pragma once

#include "core/model/ChatRoom.h"
#include "core/model/Message.h"
#include "core/model/PendingMessageInfo.h"
#include "core/model/RichMediaInfo.h"
#include "media/PLMultiMediaHandler.h"

#include <QList>

namespace pelnix {

// The outbox's posts that carry media files: each file is prepared by the media handler and
// written to the pending uploads folder, then the message, its entry and the media rows are
// committed together before the post is announced and the posting and upload passes run. A video's
// thumbnail is read later, through the media workers' queue: its row waits for it before uploading,
// and so does the post. Main thread only.
class PLRichMediaPosts {
public:
    static constexpr qint16 kSmartEntry = 1;
    static constexpr qint16 kRichMediaEntry = 3;
    static constexpr qint16 kReplyWithMediaEntry = 4;

    // A single attachment: its text is made when its upload completes.
    static Message::Ptr postRichMediaForMediaSelection(const ChatRoom::Ptr& room,
                                                       const PLMediaSelection& selection);
    // The same for a file already prepared by a media handler: its description and upload bytes.
    static Message::Ptr postRichMediaWithPreparedMedia(const ChatRoom::Ptr& room,
                                                       const PLMultiMediaInfo& info, const QByteArray& data);
    // A smart message whose text refers to the first selection's file by its upload placeholder;
    // the other selections are not sent.
    static Message::Ptr postChatletWithMessageString(const ChatRoom::Ptr& room, const QString& chatletJSON,
                                                     const QList<PLMediaSelection>& selections);
    // A reply to `linkedMessage` with one media row per selection whose file could be written.
    static void replyToChatletWithMultipleRichMediaSelectionString(const ChatRoom::Ptr& room,
                                                                   const QString& replyJSON,
                                                                   const QList<PLMediaSelection>& selections,
                                                                   const Message::Ptr& linkedMessage);
    // A new entry of `type` for `message` with the selection's media (none when its file could not
    // be written), committed, then the posting and upload passes run.
    static PendingMessageInfo::Ptr addPendingRichMediaWithMediaInfo(const ChatRoom::Ptr& room,
                                                                    const PLMediaSelection& selection,
                                                                    const Message::Ptr& message, qint16 type);
    // Prepares the selection and writes its bytes to the pending uploads folder; null when that
    // fails. The row is not committed: it belongs to the entry it is added to. A video's row is held
    // back from upload until its thumbnail has been read and stored in its description (preview, big
    // image size, a single attachment's row height), which is then announced as an update.
    static RichMediaInfo::Ptr
    richMediaInfoCreatingTemporaryFileForSelection(const PLMediaSelection& selection);
    // Writes prepared bytes under the description's (sanitised) file name; null when that fails.
    static RichMediaInfo::Ptr richMediaInfoCreatingTemporaryFile(PLMultiMediaInfo info,
                                                                 const QByteArray& data);
    static RichMediaInfo::Ptr richmediaInfoFromMultimediaInfo(const PLMultiMediaInfo& info);

    // "PLS3URLPlaceHolder_<fileID>": stands for the file's short URL in a smart message's text.
    static QString uploadPlaceholder(const QString& fileID);
    // The file name under which a file is kept in the pending uploads folder: a single path
    // component made of letters, digits, '.', '-' and '_' that does not start with a dot.
    static QString sanitisedFileName(const QString& fileName, const QString& fallback);

    // The next order number of a media row, from the account's counter (stored back with the row).
    static qint64 nextMediaId();
    // The entry's media row with the lowest order number, or null.
    static RichMediaInfo::Ptr firstRichMedia(const PendingMessageInfo& entry);
    // A single attachment's file is deleted with its post.
    static void removeAssociatedTemporaryFilesIfRichMedia(const PendingMessageInfo& entry);
    // Whether a later reply of the same message is still to complete after `entry`.
    static bool hasAtleaseOneMoreLatestReplyPendingMessage(const PendingMessageInfo& entry);

private:
    static Message::Ptr postRichMedia(ChatRoom& room, const RichMediaInfo::Ptr& row);
};

} // namespace pelnix
