#pragma once

#include <QByteArray>
#include <QVariantMap>

namespace pelnix {

// A message's room headers as the compact JSON object a transform worker reads.
//
// Headers are texts and whole numbers, and those are written here: about 8,000 instructions for
// four headers, where Qt's conversion through QJsonObject took 40,000, more than half of what the
// calling thread spent on a message before its worker could start. A map holding any other value (a
// fraction, a date, a list) or a text that is no valid UTF-16 is written by Qt, so that the worker
// reads the very object Qt would have made.
class RoomHeadersJSON {
public:
    static QByteArray compact(const QVariantMap& headers);

private:
    // False, with `out` partly written, when a value is not one this class writes itself.
    static bool writeSimple(const QVariantMap& headers, QByteArray* out);
    static void appendString(const QString& text, QByteArray* out);
};

} // namespace pelnix
