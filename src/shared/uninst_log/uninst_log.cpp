#include "shared/uninst_log/uninst_log.h"

#include <string.h>

const char *UninstLogKindWord(UninstLogKind kind) { return kind == kUninstLogFolder ? "Folder" : "File"; }

std::string UninstLogRecord(UninstLogKind kind, const char *path) {
    std::string record("\n");
    record += UninstLogKindWord(kind);
    record += '=';
    record += path;
    return record;
}

std::vector<UninstLogEntry> UninstLogRead(const char *text, size_t length) {
    const void *nul = memchr(text, '\0', length);
    if (nul) length = static_cast<const char *>(nul) - text;
    std::vector<UninstLogEntry> entries;
    size_t start = 0;
    while (start <= length) {
        const char *end = static_cast<const char *>(memchr(text + start, '\n', length - start));
        size_t stop = end ? static_cast<size_t>(end - text) : length;
        const char *equals = static_cast<const char *>(memchr(text + start, '=', stop - start));
        if (equals) {
            size_t at = static_cast<size_t>(equals - text);
            entries.push_back({std::string(text + start, at - start), std::string(equals + 1, stop - at - 1)});
        }
        start = stop + 1;
    }
    return entries;
}

namespace {

const size_t kLongestPath = 259;

bool SameText(const std::string &a, const std::string &b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// "X:\" followed by something; device paths ("\\?\", "\\.\") and relative
// ones are refused, network paths ("\\server\share\") are let through to the
// comparison with the places.
size_t RootLength(const std::string &path) {
    if (path.size() > 3 && ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z') && path[1] == ':' && path[2] == '\\')
        return 3;
    if (path.size() > 2 && path[0] == '\\' && path[1] == '\\' && path[2] != '?' && path[2] != '.') return 2;
    return 0;
}

// Every component a plain name: Windows would otherwise resolve "." and "..",
// drop trailing dots and spaces, or read a stream or device name.
bool ComponentsArePlain(const std::string &path, size_t root) {
    size_t start = root;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        if (end == start) return false;
        char last = path[end - 1];
        if (last == '.' || last == ' ') return false;
        for (size_t i = start; i < end; ++i) {
            unsigned char c = static_cast<unsigned char>(path[i]);
            if (c < 0x20 || strchr("/:*?\"<>|", c)) return false;
        }
        start = end + 1;
    }
    return true;
}

std::string Parent(const std::string &path) {
    size_t slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool IsPlace(const std::string &folder, const std::string &place) { return !place.empty() && SameText(folder, place); }

}  // namespace

UninstLogVerdict UninstLogCheck(const UninstLogEntry &entry, const UninstLogPlaces &places, std::string *path) {
    bool file = entry.kindWord == "File";
    if (!file && entry.kindWord != "Folder") return kUninstLogUnknownKind;
    std::string named = entry.path;
    if (!named.empty() && named.back() == '\r') named.pop_back();
    if (named.size() > kLongestPath) return kUninstLogTooLong;
    size_t root = RootLength(named);
    if (!root) return kUninstLogNotAbsolute;
    if (!ComponentsArePlain(named, root)) return kUninstLogUnsafeName;
    std::string parent = Parent(named);
    if (file) {
        if (named.size() < 4 || !SameText(named.substr(named.size() - 4), ".lnk")) return kUninstLogNotShortcut;
        if (!IsPlace(parent, places.desktop) && !IsPlace(parent, places.startMenu) &&
            !IsPlace(Parent(parent), places.programs))
            return kUninstLogOutsidePlaces;
    } else if (!IsPlace(parent, places.programs)) {
        return kUninstLogOutsidePlaces;
    }
    *path = named;
    return kUninstLogAccepted;
}
