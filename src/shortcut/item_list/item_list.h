// Shell item identifier lists as plain bytes: a run of items, each starting
// with its 16-bit little-endian byte count, ended by a 16-bit zero. Also the
// small text rules of the shortcut library. Portable, no windows.h.
#pragma once
#include <stddef.h>

// Size of a list in bytes: the sum of its items' counts plus the 2-byte
// terminator.
size_t ItemListSize(const unsigned char *list);

// The absolute list of a child item: the parent list without its terminator
// followed by the child list with its terminator. `out` must hold
// ItemListSize(parent) - 2 + ItemListSize(child) bytes; returns that size.
size_t ItemListJoin(const unsigned char *parent, const unsigned char *child, unsigned char *out);

// 1 when the lower-cased name holds the lower-cased text1 and the lower-cased
// text2, each as a plain substring.
int DisplayNameMatches(const char *name, const char *text1, const char *text2);

// Appends ".lnk" to a path that does not end in it (compared without regard
// to case). `size` is the capacity of `path` in bytes, NUL included. Returns 0
// when the result would not fit, leaving the path unchanged.
int EnsureLnkExtension(char *path, size_t size);
