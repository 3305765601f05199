#include "smart/SmartLog.h"

Q_LOGGING_CATEGORY(lcSmart, "pelnix.smart", QtWarningMsg)
