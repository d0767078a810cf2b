// Store file: for each object its attribute count, then per attribute its
// type, length and bytes; all numbers 32-bit little endian.
#include <stdio.h>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "soft_token.h"

size_t SoftSlot::UsedBytes() const {
    size_t used = 0;
    for (const SoftObject &o : objects)
        for (const auto &a : o.attributes) used += a.second.size();
    return used;
}

static bool Read32(FILE *f, unsigned long *v) {
    unsigned char b[4];
    if (fread(b, 1, 4, f) != 4) return false;
    *v = (unsigned long)b[0] | ((unsigned long)b[1] << 8) | ((unsigned long)b[2] << 16) | ((unsigned long)b[3] << 24);
    return true;
}

static void Write32(FILE *f, unsigned long v) {
    unsigned char b[4] = {(unsigned char)v, (unsigned char)(v >> 8), (unsigned char)(v >> 16),
                          (unsigned char)(v >> 24)};
    fwrite(b, 1, 4, f);
}

static bool IsTrue(const SoftObject &o, CK_ATTRIBUTE_TYPE type, bool otherwise) {
    auto it = o.attributes.find(type);
    if (it == o.attributes.end() || it->second.size() != 1) return otherwise;
    return it->second[0] != 0;
}

static bool ReplaceFile(const std::string &from, const std::string &to) {
#if defined(_WIN32)
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return rename(from.c_str(), to.c_str()) == 0;
#endif
}

bool LoadSoftStore(const std::string &path, std::vector<SoftObject> *objects, CK_OBJECT_HANDLE *next) {
    objects->clear();
    FILE *f = fopen(path.c_str(), "rb");
    if (!f) return true;  // a new token holds nothing yet
    unsigned long count;
    bool ok = true;
    while (ok && Read32(f, &count)) {
        SoftObject o;
        o.handle = (*next)++;
        for (unsigned long i = 0; ok && i < count; i++) {
            unsigned long type, length;
            ok = Read32(f, &type) && Read32(f, &length) && length < (1UL << 24);
            if (!ok) break;
            std::vector<unsigned char> value(length);
            ok = fread(value.data(), 1, length, f) == length;
            o.attributes[(CK_ATTRIBUTE_TYPE)type] = value;
        }
        o.isToken = true;
        o.isPrivate = IsTrue(o, CKA_PRIVATE, false);
        if (ok) objects->push_back(o);
    }
    fclose(f);
    return ok;
}

bool SaveSoftStore(const std::string &path, const std::vector<SoftObject> &objects, bool refuseRename) {
    std::string temporary = path + ".new";
    FILE *f = fopen(temporary.c_str(), "wb");
    if (!f) return false;
    for (const SoftObject &o : objects) {
        if (!o.isToken) continue;
        Write32(f, (unsigned long)o.attributes.size());
        for (const auto &a : o.attributes) {
            Write32(f, (unsigned long)a.first);
            Write32(f, (unsigned long)a.second.size());
            fwrite(a.second.data(), 1, a.second.size(), f);
        }
    }
    // The old store stays until the new one is whole: it is renamed over it.
    bool ok = !ferror(f) && fflush(f) == 0;
    ok = fclose(f) == 0 && ok;
    if (ok && !refuseRename && ReplaceFile(temporary, path)) return true;
    remove(temporary.c_str());
    return false;
}
