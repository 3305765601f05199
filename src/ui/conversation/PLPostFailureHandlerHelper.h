#pragma once

#include "core/model/Message.h"

#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

namespace pelnix {

namespace platform::ui {
class ActionSheet;
class AlertView;
} // namespace platform::ui

// Where the user decides what becomes of the posts the outbox gave up on and of media uploads: the
// failure sheet (resend or discard, one or all), the confirmation to stop a running upload, the restart
// of a stopped one. A resend resets the outbox entries here; a discard is announced with
// "RetryOrDiscardPendingMessageNotification" and carried out by the chat window that shows the room.
//
// Each sheet and alert is bound to the message it was opened for: its answer acts on that message
// and its room, found again by ID when the answer comes, never on a message handled since or on
// whatever row now shows there; when the message or its room is gone by then, the answer does
// nothing. When no chat window shows the room any more, the helper carries out the discard itself,
// as that window would have. Main thread.
class PLPostFailureHandlerHelper : public QObject {
    Q_OBJECT
public:
    enum Action { Discard = 0, Resend = 1 };
    // Outbox entry states and media states used here.
    static constexpr qint16 kEntryWaiting = 1;
    static constexpr qint16 kEntryPosting = 2;
    static constexpr qint16 kEntryForceStopped = 5;
    static constexpr qint16 kMediaNew = 0;
    // A file at this state or beyond is in storage: its upload can no longer be stopped.
    static constexpr qint16 kMediaStored = 5;
    static constexpr qint16 kMediaFailed = 10;
    static constexpr qint16 kRichMediaEntry = 3;
    static constexpr int kStopUploadAlertTag = 100;

    static PLPostFailureHandlerHelper* sharedInstance();

    // The failure sheet for `message` in the window of `view` (the key window when it has none):
    // "Resend" and "Discard" ("Resend all" and "Discard all" under a title of the count for two or
    // more failed posts), no resend for an expired smart message, then "Cancel". Null when there is
    // no window to show it in.
    platform::ui::ActionSheet* showActionSheetInView(QWidget* view, const Message::Ptr& message);
    // What the sheet's button at `index` does for a message whose latest action is or is not
    // "expired": -1 nothing (the cancel button), else an Action.
    static int actionForSheetButton(int index, int cancelIndex, bool expired);

    // A smart message's failed media post, resent at once (the upload view's mark).
    void resendFailedMessage(const Message::Ptr& message);
    // Puts a stopped upload back in line.
    void forceRetryUploadingForMessage(const Message::Ptr& message);
    // Asks "Are you sure you want to cancel uploading?" and stops the upload on "Yes".
    platform::ui::AlertView* forceStopUploadingForMessage(QWidget* view, const Message::Ptr& message);

    // The two actions on a message.
    void discardPendingMessage(const Message::Ptr& message);
    void retryFailedPendingMessage(const Message::Ptr& message);

    // Deletes a message with its outbox entries, their media rows and temporary files, and saves.
    static void removeMessageWithItsPosts(const Message::Ptr& message);

private:
    explicit PLPostFailureHandlerHelper(QObject* parent = nullptr);
    // The message an answer is for, looked up again; null when it or its room changed meanwhile.
    struct Binding {
        QString messageId;
        QString roomId;
        Message::Ptr resolve() const;
    };
    static Binding bindingFor(const Message::Ptr& message);
    static void restartOutbox();
    static void postRetryOrDiscard(const Message::Ptr& message, Action action);
};

} // namespace pelnix
