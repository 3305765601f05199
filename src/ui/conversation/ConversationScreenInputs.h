#pragma once

#include <QMetaType>
#include <QString>
#include <functional>
#include <memory>

namespace pelnix {

class Message;

// What the chat window hands the screens it opens through the screen registry, by property name
// (a declared Q_PROPERTY or a dynamic property, read before the screen's view loads), so that it needs
// none of their headers. Delegates are the chat window itself as a QObject: a screen casts it to the
// delegate interface it expects (PLPostChatletDelegate, PLShareContactDelegate) and holds it weakly.
// (The screens of this library's own, such as the search and the chatlet composer, are made directly.)
namespace ConversationScreenInputs {

// QString: the room the screen is about.
inline constexpr char kRoomId[] = "roomId";
// QObject*: the PLPostChatletDelegate for what the screen composes.
inline constexpr char kPostChatletDelegate[] = "postChatletDelegate";
// QObject*: the controller that presents the attachment sheet's pickers and screens.
inline constexpr char kInViewController[] = "inViewController";
// PLConversationClearedHandler of group information and of member detail.
inline constexpr char kGroupInfoCompletion[] = "groupInfoViewControllerCompletionHandler";
inline constexpr char kMemberDetailCompletion[] = "memberDetailViewControllerCompletionHandler";
// Member detail: qint32 user ID, bool one-to-one, bool with the group's options.
inline constexpr char kUserId[] = "userID";
inline constexpr char kIsOneToOneChat[] = "isOneToOneChat";
inline constexpr char kShouldShowGroupInfoOptions[] = "shouldShowGroupInfoOptions";
// Profile: int, 1 when pushed over a conversation.
inline constexpr char kProfileNavigationType[] = "profileNavigationType";

} // namespace ConversationScreenInputs

// Told true when the screen cleared the conversation.
using PLConversationClearedHandler = std::function<void(bool cleared)>;

} // namespace pelnix

Q_DECLARE_METATYPE(pelnix::PLConversationClearedHandler)
