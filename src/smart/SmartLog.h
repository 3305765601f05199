#pragma once

#include <QLoggingCategory>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcSmart)

namespace pelnix {

// A stylesheet's name as a log line shows it. The name comes with the message, so it is shown only
// when it looks like a name (letters, digits, ".", "_" and "-", 64 at most).
QString loggableSheetName(const QString& name);

// A stylesheet that was refused or failed (`what`): the first line of `error`, words of ours, as a
// warning; the lines after it, what libxml2 and libxslt said of the stylesheet, at debug level.
void logSheetFailure(const QString& name, const char* what, const QString& error);

} // namespace pelnix
