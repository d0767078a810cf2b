// The installation log "uninst.log": what the installer made outside the
// program folder (shortcut files and the program-group folder), in order of
// creation. Written by the installer, read back by the uninstaller.
//
// Bytes: each record is a line feed (0x0A), its kind word, "=", and a full
// path. No carriage returns, no terminating NUL, nothing after the last path.
#pragma once
#include <stddef.h>

#include <string>
#include <vector>

enum UninstLogKind { kUninstLogFile, kUninstLogFolder };

// "File" or "Folder".
const char *UninstLogKindWord(UninstLogKind kind);

// The bytes of one record, as they are appended to the log.
std::string UninstLogRecord(UninstLogKind kind, const char *path);

// One path read back from a log.
struct UninstLogEntry {
    std::string kindWord;  // the text before the first "="
    std::string path;      // the text after the first "="
};

// Splits a log's text into records at line feeds; a record's path is the text
// after its first "=". Empty records and records without "=" carry no path and
// are skipped. A NUL byte ends the text.
std::vector<UninstLogEntry> UninstLogRead(const char *text, size_t length);
