/* The one way of reading and writing multi-byte numbers in byte buffers,
   little-endian (Le) and big-endian (Be), for the crypto core and the driver
   protocol. Loads take the source; stores take the destination, then the
   value. Plain C so that the stand-in driver can include it. */
#pragma once
#include <stdint.h>

static inline uint16_t LoadLe16(const unsigned char *p) { return (uint16_t)(p[0] | (p[1] << 8)); }

static inline void StoreLe16(unsigned char *p, uint16_t v) {
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
}

static inline uint32_t LoadLe32(const unsigned char *p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

static inline void StoreLe32(unsigned char *p, uint32_t v) {
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
    p[2] = (unsigned char)(v >> 16);
    p[3] = (unsigned char)(v >> 24);
}

static inline uint32_t LoadBe32(const unsigned char *p) {
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | (uint32_t)p[3];
}

static inline void StoreBe32(unsigned char *p, uint32_t v) {
    p[0] = (unsigned char)(v >> 24);
    p[1] = (unsigned char)(v >> 16);
    p[2] = (unsigned char)(v >> 8);
    p[3] = (unsigned char)v;
}

static inline uint64_t LoadLe64(const unsigned char *p) {
    return (uint64_t)LoadLe32(p) | (uint64_t)LoadLe32(p + 4) << 32;
}

static inline void StoreLe64(unsigned char *p, uint64_t v) {
    StoreLe32(p, (uint32_t)v);
    StoreLe32(p + 4, (uint32_t)(v >> 32));
}

static inline uint64_t LoadBe64(const unsigned char *p) {
    return (uint64_t)LoadBe32(p) << 32 | (uint64_t)LoadBe32(p + 4);
}

static inline void StoreBe64(unsigned char *p, uint64_t v) {
    StoreBe32(p, (uint32_t)(v >> 32));
    StoreBe32(p + 4, (uint32_t)v);
}
