#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace pelnix::DataWithBase64 {

// Standard alphabet, "=" padding, no line breaks; empty data gives "".
QString base64EncodedString(const QByteArray& data);
// Lenient: characters outside the alphabet are skipped and "=" ends the data. A "=" right after the
// first character of a group makes the whole text invalid (nullopt). Empty text gives empty data.
std::optional<QByteArray> dataWithBase64EncodedString(const QString& text);

} // namespace pelnix::DataWithBase64
