#pragma once

#include <QByteArray>
#include <cstdint>

namespace pelnix::DataCRC32 {

// The reflected CRC-32 of zlib and ISO-HDLC (polynomial 0xEDB88320).
uint32_t crc32(const QByteArray& data);

} // namespace pelnix::DataCRC32
