#pragma once

#include <QtGlobal>

class QNetworkReply;

namespace pelnix::platform {

// Qt's HTTP/1 client, under load, can finish a reply whose connection closed before its announced
// body as a whole one, with no error: a status of 200 and fewer bytes than its Content-Length, or
// none. Every reader of a reply asks this at its end and takes such a reply for a dropped connection.
//
// Whether the finished `reply`, of whose body its reader took `received` bytes, announced more. Qt
// drops the length of a body it decodes, so a length still there counts the bytes read. A reply
// without a length (chunked, or ended by the connection) stands as Qt reported it, and so does one
// that never carries a body whatever its headers say (HEAD, 1xx, 204, 304).
bool isCutShort(const QNetworkReply* reply, qint64 received);

} // namespace pelnix::platform
