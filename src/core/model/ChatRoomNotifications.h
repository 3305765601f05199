#pragma once

// Room and message notifications of the model. All are posted with object nil on the main thread;
// room notifications carry {"ChatRoomID": roomId}, message notifications {"MessageID": messageId}.
namespace pelnix {

inline constexpr char kChatRoomIDKey[] = "ChatRoomID";
inline constexpr char kMessageIDKey[] = "MessageID";

inline constexpr char NewChatRoomAddedNotification[] = "NewChatRoomAddedNotification";
inline constexpr char ChatRoomUpdatedNotification[] = "ChatRoomUpdatedNotification";
inline constexpr char ChatRoomKickedNotification[] = "ChatRoomKickedNotification";
inline constexpr char ChatRoomClosedNotification[] = "ChatRoomClosedNotification";
inline constexpr char ChatRoomMessageAddedNotification[] = "ChatRoomMessageAddedNotification";
inline constexpr char ChatRoomMessageUpdatedNotification[] = "ChatRoomMessageUpdatedNotification";

} // namespace pelnix
