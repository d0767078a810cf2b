#include "ntfs_check.h"

#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "crypto/core/aes.h"
#include "crypto/core/sector.h"

namespace {

typedef char *(CDECL *UnixFileNameFn)(const WCHAR *dosName);

std::string TempFile(const char *prefix) {
    char folder[MAX_PATH], path[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    GetTempFileNameA(folder, prefix, 0, path);
    return path;
}

std::string ReadText(const std::string &path) {
    std::string text;
    FILE *file = fopen(path.c_str(), "rb");
    if (!file) return text;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
    fclose(file);
    return text;
}

std::string ValueAfter(const std::string &text, const std::string &key) {
    size_t at = text.find(key);
    if (at == std::string::npos) return "";
    at += key.size();
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    size_t end = text.find('\n', at);
    return text.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

bool DecryptInto(const std::string &containerPath, const unsigned char *key, const std::string &imagePath) {
    FILE *in = fopen(containerPath.c_str(), "rb");
    FILE *out = fopen(imagePath.c_str(), "wb");
    bool ok = in && out;
    AesContext context;
    memset(&context, 0, sizeof context);
    ok = ok && AesSetKey(key, 32, 0, &context) == kAesKeyOk;
    std::vector<unsigned char> chunk(1 << 20);
    unsigned long long sector = 0;
    while (ok) {
        size_t got = fread(chunk.data(), 1, chunk.size(), in);
        if (got == 0) break;
        ok = got % 512 == 0;
        SectorCounter counter = {{(uint32_t)sector, (uint32_t)(sector >> 32), 0, 0}};
        SectorDecrypt(chunk.data(), got, &counter, &context);
        ok = ok && fwrite(chunk.data(), 1, got, out) == got;
        sector += got / 512;
    }
    if (in) fclose(in);
    if (out) fclose(out);
    return ok;
}

}  // namespace

std::string UnixPathOf(const std::string &windowsPath) {
    UnixFileNameFn toUnix =
        (UnixFileNameFn)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    WCHAR wide[MAX_PATH];
    if (!toUnix || !MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH)) return "";
    char *name = toUnix(wide);
    if (!name) return "";
    std::string path = name;
    HeapFree(GetProcessHeap(), 0, name);
    return path;
}

bool RunUnixCommand(const std::string &command, std::string *output, unsigned long timeoutMs) {
    std::string outPath = TempFile("cmd"), resultPath = outPath + ".rc";
    DeleteFileA(resultPath.c_str());
    std::string unixOut = UnixPathOf(outPath), unixResult = UnixPathOf(resultPath);
    if (unixOut.empty() || unixResult.empty()) return false;
    std::string line = "/bin/sh -c \"PATH=/usr/sbin:/sbin:/usr/bin:/bin; { " + command + "; } >'" + unixOut +
                       "' 2>&1; echo $? >'" + unixResult + ".part'; mv '" + unixResult + ".part' '" + unixResult +
                       "'\"";
    std::vector<char> mutableLine(line.begin(), line.end());
    mutableLine.push_back('\0');
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    memset(&process, 0, sizeof process);
    if (!CreateProcessA(NULL, mutableLine.data(), NULL, NULL, FALSE, CREATE_NO_WINDOW, NULL, NULL, &startup, &process))
        return false;
    if (process.hThread) CloseHandle(process.hThread);
    if (process.hProcess) CloseHandle(process.hProcess);
    // The result file is renamed into place after the command's output is
    // complete, so once it is there the output can be read.
    for (DWORD start = GetTickCount(); GetFileAttributesA(resultPath.c_str()) == INVALID_FILE_ATTRIBUTES;) {
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(100);  // the poll interval: a Unix program's end signals nothing to Wine
    }
    *output = ReadText(outPath);
    DeleteFileA(outPath.c_str());
    DeleteFileA(resultPath.c_str());
    return true;
}

NtfsReport CheckNtfsContainer(const std::string &containerPath, const unsigned char *vaultKey32) {
    NtfsReport report;
    std::string image = TempFile("img");
    if (!DecryptInto(containerPath, vaultKey32, image)) return report;
    std::string unixImage = UnixPathOf(image);
    std::string info, listing;
    if (RunUnixCommand("ntfsinfo -m '" + unixImage + "'", &info) &&
        RunUnixCommand("ntfsls -a -s '" + unixImage + "'", &listing)) {
        report.volumeName = ValueAfter(info, "Volume Name:");
        report.clusterSize = strtoul(ValueAfter(info, "Cluster Size:").c_str(), NULL, 10);
        report.clusters = strtoull(ValueAfter(info, "Volume Size in Clusters:").c_str(), NULL, 10);
        report.listing = listing;
        report.ran = !report.volumeName.empty();
    }
    DeleteFileA(image.c_str());
    return report;
}
