#include "ui/conversation/ConversationSmartLog.h"

Q_LOGGING_CATEGORY(lcConversationSmart, "pelnix.ui.conversation.smart", QtWarningMsg)
