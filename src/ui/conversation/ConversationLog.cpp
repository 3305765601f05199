#include "ui/conversation/ConversationLog.h"

Q_LOGGING_CATEGORY(lcConversation, "pelnix.ui.conversation", QtWarningMsg)
