#include "maintenance/creation/format_drive.h"

#include <commctrl.h>

unsigned g_formatPercent;

namespace {

// The format library's notifications used here, and its hard-disk media type.
enum : DWORD { kFormatProgress = 0, kFormatDone = 11 };
const DWORD kHardDiskMedia = 12;
const ULONG kClusterBytes = 4096;

typedef BOOLEAN(WINAPI *FormatCallback)(DWORD command, DWORD subAction, PVOID actionInfo);
typedef VOID(WINAPI *FormatExFn)(PWCHAR driveRoot, DWORD mediaType, PWCHAR fileSystem, PWCHAR label,
                                 BOOLEAN quickFormat, ULONG clusterSize, FormatCallback callback);

// The library calls back on the formatting thread while FormatEx runs; one
// format runs at a time.
int g_formatFailed;
HWND g_formatProgressBar;

BOOLEAN WINAPI FormatProgress(DWORD command, DWORD subAction, PVOID actionInfo) {
    if (command == kFormatProgress && actionInfo) {
        g_formatPercent = *(const DWORD *)actionInfo;
    } else if (command == kFormatDone && actionInfo && *(const BOOLEAN *)actionInfo == 0) {
        g_formatFailed = 1;
        if (g_formatProgressBar) SendMessageA(g_formatProgressBar, PBM_SETPOS, 0, 0);
    }
    return TRUE;
}

}  // namespace

MaintenanceOutcome FormatDrive(const WCHAR *driveRoot, HWND progressBar) {
    HMODULE library = LoadLibraryA("fmifs.dll");
    FormatExFn formatEx = library ? (FormatExFn)(void *)GetProcAddress(library, "FormatEx") : NULL;
    if (!formatEx) return kFormatLibraryMissing;
    // The library stays loaded for the rest of the run.
    WCHAR root[4] = {driveRoot[0], L':', L'\\', 0};
    WCHAR fileSystem[] = L"NTFS";
    WCHAR label[] = L"Kovara";
    g_formatFailed = 0;
    g_formatPercent = 0;
    g_formatProgressBar = progressBar;
    formatEx(root, kHardDiskMedia, fileSystem, label, FALSE, kClusterBytes, FormatProgress);
    g_formatProgressBar = NULL;
    return g_formatFailed ? kFormatFailed : kMaintenanceOk;
}
