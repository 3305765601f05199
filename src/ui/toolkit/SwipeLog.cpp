#include "ui/toolkit/SwipeLog.h"

Q_LOGGING_CATEGORY(lcSwipe, "pelnix.ui.swipe", QtWarningMsg)
