#pragma once

#include <QLoggingCategory>

// The attachment sheet, the upload preview and the image upload helper.
Q_DECLARE_LOGGING_CATEGORY(lcAttachments)
