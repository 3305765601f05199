#include "ui/shell/ShellLog.h"

Q_LOGGING_CATEGORY(lcShell, "pelnix.ui.shell", QtWarningMsg)
