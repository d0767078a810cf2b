// MD5 compression of one 64-byte block, shared by the hash and the key derivation.
#pragma once
#include <stdint.h>

void Md5Compress(uint32_t state[4], const unsigned char *block64);
