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

// The folders where the installer puts what it logs, each a full path without
// a trailing backslash (empty when the system did not report it).
struct UninstLogPlaces {
    std::string desktop;    // all-users desktop: "Kovara.lnk"
    std::string programs;   // the installing user's Programs menu: the program group
    std::string startMenu;  // all-users Start menu: "Kovara.lnk"
};

// Whether a record read back names something the installer could have made.
enum UninstLogVerdict {
    kUninstLogAccepted,
    kUninstLogUnknownKind,  // neither "File" nor "Folder"
    kUninstLogTooLong,      // longer than 259 characters
    kUninstLogNotAbsolute,  // no drive root, a device path, or a relative one
    kUninstLogUnsafeName,   // empty, ".", ".." or trimmed path components, or characters no file name holds
    kUninstLogNotShortcut,  // a File record whose name does not end in ".lnk"
    kUninstLogOutsidePlaces,
};

// Checks one record against what the installer writes: a File record is a
// ".lnk" directly in the desktop or the Start menu, or directly in a folder
// directly under Programs; a Folder record is directly under Programs. A
// record saved with a carriage return before its line feed is read without
// it. *path receives the path to act on when the record is accepted.
// Comparison with the places ignores ASCII case.
UninstLogVerdict UninstLogCheck(const UninstLogEntry &entry, const UninstLogPlaces &places, std::string *path);
