#pragma once

#include <QString>
#include <QStringList>

namespace pelnix::RoomsTexts {

// The bundle's text for an English key.
QString localized(const char* key);
// The bundle's text for a format key with its "%@", "%ld", "%lu" and "%d" placeholders filled in
// order, each argument isolated in its own direction; placeholders without an argument become ""
// and extra arguments are ignored.
QString localizedFormat(const char* key, const QStringList& arguments);

} // namespace pelnix::RoomsTexts
