// Digest text: each byte of an MD5 digest as its decimal value, concatenated.
#pragma once
#include <stddef.h>

enum { kDigestTextSize = 49 };  // up to 48 digits and the terminating NUL

// Portable rendering; text needs room for 3 * digestLength + 1 bytes.
void RenderDigestText(const unsigned char *digest, size_t digestLength, char *text);

// MD5 over exactly 512 bytes rendered as digest text. 1 on success, 0 on failure.
int DigestTextOfSector(const unsigned char *sector512, char *text);
