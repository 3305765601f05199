#pragma once

// Notifications among the conversation screens, posted and delivered on the main thread.
namespace pelnix {

// A message cell turned its message read: {"message": the message's ID}.
inline constexpr char PLChatWindowCellMarkedAsReadNotification[] =
    "chat window cell marked as read notification";
inline constexpr char kChatWindowMessageKey[] = "message";
// A cell of the chat window left the screen: {"cell": the cell, as a QObject pointer}.
inline constexpr char PLChatWindowCellDidMoveOutOfScreenNotification[] =
    "chat window cell did move out of screen";
inline constexpr char kChatWindowCellKey[] = "cell";
// The failed-post sheet's answer, with exactly two keys: "PostFailurePendingMessageKey", the `seqId` of
// the message's latest outbox entry, and "PostFailureActionKey", 0 discard or 1 resend.
inline constexpr char RetryOrDiscardPendingMessageNotification[] = "RetryOrDiscardPendingMessageNotification";
inline constexpr char PLFailedPendingMessageKey[] = "PostFailurePendingMessageKey";
inline constexpr char PLPendingMessagePostFailureActionTypeKey[] = "PostFailureActionKey";

} // namespace pelnix
