#include "crypto/core/crc32.h"

namespace {

struct Crc32Table {
    uint32_t entry[256];
    constexpr Crc32Table() : entry() {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entry[i] = c;
        }
    }
};

constexpr Crc32Table kTable;

}  // namespace

uint32_t Crc32Update(uint32_t crc, const void *data, size_t length) {
    const unsigned char *p = static_cast<const unsigned char *>(data);
    for (size_t i = 0; i < length; ++i) crc = kTable.entry[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}
