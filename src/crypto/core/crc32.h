// The reflected CRC-32 register update of IEEE 802.3 (polynomial EDB88320),
// without the initial and final inversions: the caller chooses the start
// value (the random pool's event checksums start from 0).
#pragma once
#include <stddef.h>
#include <stdint.h>

uint32_t Crc32Update(uint32_t crc, const void *data, size_t length);
