#include "media/s3/DataCRC32.h"

#include <array>

namespace pelnix::DataCRC32 {

namespace {
constexpr std::array<uint32_t, 256> makeTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}
constexpr auto kTable = makeTable();
} // namespace

uint32_t crc32(const QByteArray& data) {
    uint32_t crc = 0xFFFFFFFFu;
    for (const char byte : data)
        crc = kTable[(crc ^ static_cast<uint8_t>(byte)) & 0xFFu] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

} // namespace pelnix::DataCRC32
