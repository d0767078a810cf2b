#include "shortcut/item_list/item_list.h"

#include <string.h>

namespace {

size_t ItemCount(const unsigned char *item) { return item[0] | (static_cast<size_t>(item[1]) << 8); }

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Plain substring search, both sides lower-cased.
int ContainsLowered(const char *text, const char *part) {
    size_t partLength = strlen(part);
    for (const char *at = text;; ++at) {
        size_t i = 0;
        while (i < partLength && at[i] && LowerAscii(at[i]) == LowerAscii(part[i])) ++i;
        if (i == partLength) return 1;
        if (!*at) return 0;
    }
}

}  // namespace

size_t ItemListSize(const unsigned char *list) {
    size_t size = 0;
    for (size_t count; (count = ItemCount(list + size)) != 0;) size += count;
    return size + 2;
}

size_t ItemListJoin(const unsigned char *parent, const unsigned char *child, unsigned char *out) {
    size_t parentSize = ItemListSize(parent) - 2;
    size_t childSize = ItemListSize(child);
    memcpy(out, parent, parentSize);
    memcpy(out + parentSize, child, childSize);
    return parentSize + childSize;
}

int DisplayNameMatches(const char *name, const char *text1, const char *text2) {
    return ContainsLowered(name, text1) && ContainsLowered(name, text2);
}

int EnsureLnkExtension(char *path, size_t size) {
    size_t length = strlen(path);
    if (length >= 4) {
        const char *tail = path + length - 4;
        if (tail[0] == '.' && LowerAscii(tail[1]) == 'l' && LowerAscii(tail[2]) == 'n' && LowerAscii(tail[3]) == 'k')
            return 1;
    }
    if (length + 5 > size) return 0;
    memcpy(path + length, ".lnk", 5);
    return 1;
}
