#include "ui/conversation/AttachmentsLog.h"

Q_LOGGING_CATEGORY(lcAttachments, "pelnix.ui.conversation.attachments", QtWarningMsg)
