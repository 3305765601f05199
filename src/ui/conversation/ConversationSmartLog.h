#pragma once

#include <QLoggingCategory>

// The smart-message screens of the conversation: link actions, the details page, the in-app browser,
// the chatlet composer and the share-contact screens.
Q_DECLARE_LOGGING_CATEGORY(lcConversationSmart)
