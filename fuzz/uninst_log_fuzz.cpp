// The installation log as the uninstaller reads it: any bytes give records
// whose kind word and path hold neither a line feed nor a NUL and lie inside
// the text, and records written by the installer's writer come back as written.
#include <stdlib.h>
#include <string.h>

#include <string>

#include "fuzz_input.h"
#include "shared/uninst_log/uninst_log.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const char *text = reinterpret_cast<const char *>(data);
    size_t taken = 0;
    for (const UninstLogEntry &entry : UninstLogRead(text, size)) {
        if (entry.kindWord.find_first_of(std::string("\n\0=", 3)) != std::string::npos) abort();
        if (entry.path.find_first_of(std::string("\n\0", 2)) != std::string::npos) abort();
        taken += entry.kindWord.size() + 1 + entry.path.size();
    }
    if (taken > size) abort();

    // The same bytes as paths of written records: each record reads back.
    FuzzedDataProvider in(data, size);
    std::string log;
    std::vector<std::string> paths;
    while (in.remaining_bytes()) {
        std::string path = in.ConsumeRandomLengthString(300);
        for (char &c : path)
            if (c == '\n' || c == '\0') c = '_';
        log += UninstLogRecord(paths.size() % 2 ? kUninstLogFolder : kUninstLogFile, path.c_str());
        paths.push_back(path);
    }
    std::vector<UninstLogEntry> back = UninstLogRead(log.data(), log.size());
    if (back.size() != paths.size()) abort();
    for (size_t i = 0; i < paths.size(); ++i)
        if (back[i].path != paths[i] || back[i].kindWord != (i % 2 ? "Folder" : "File")) abort();
    return 0;
}
