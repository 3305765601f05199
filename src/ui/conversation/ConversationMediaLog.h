#pragma once

#include <QLoggingCategory>

// The media of a conversation: downloads of attachments, the transfer overlay and the viewers.
Q_DECLARE_LOGGING_CATEGORY(lcConversationMedia)
