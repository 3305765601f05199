#include "ui/conversation/ConversationMediaLog.h"

Q_LOGGING_CATEGORY(lcConversationMedia, "pelnix.ui.conversation.media", QtWarningMsg)
