#include "core/model/MessageSummary.h"

#include "core/model/Message.h"
#include "core/model/User.h"
#include "platform/store/ObjectContext.h"
#include "platform/store/ObjectModel.h"
#include "platform/store/ObjectStore.h"

namespace pelnix {

MessageSummary MessageSummary::of(const Message& message) {
    MessageSummary summary;
    summary.messageId = message.messageId();
    summary.displayText = message.displayText();
    summary.date = message.date();
    summary.type = message.type();
    summary.state = message.state();
    summary.fromUserKey = message.foreignKey(QStringLiteral("fromUser"));
    summary.senderUserKey = message.foreignKey(QStringLiteral("senderUser"));
    return summary;
}

std::shared_ptr<User> MessageSummary::sender(platform::ObjectContext* context) const {
    if (!context || !context->isLive() || (!fromUserKey && !senderUserKey))
        return nullptr;
    // As the message object's relationships read them: a user deleted here is none.
    const auto* users = context->store()->model()->entityNamed(User::entityName());
    for (const qint64 key : {fromUserKey, senderUserKey})
        if (key && !context->isPendingDelete(key))
            if (auto user = User::cast(context->objectForKey(users, key)))
                return user;
    return nullptr;
}

} // namespace pelnix
