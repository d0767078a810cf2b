#include "installer/uninst_log.h"

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
