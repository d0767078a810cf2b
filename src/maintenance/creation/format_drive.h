// Formatting a new vault's drive with NTFS through the system's format
// library fmifs.dll (entry point FormatEx), and the "Kovara - Vault Created"
// dialog that runs it.
#pragma once
#include <windows.h>

#include "maintenance/messages/maintenance_outcome.h"

// Formats the drive root (L"X:\\"): NTFS, label "Kovara", full format,
// 4096-byte clusters; shows nothing. kMaintenanceOk when the library reported
// success, kFormatFailed when it reported failure, kFormatLibraryMissing when
// the library or its entry point is missing. progressBar (may be NULL) is set
// to 0 on a reported failure.
MaintenanceOutcome FormatDrive(const WCHAR *driveRoot, HWND progressBar);

// Percentage last reported by the library during a format.
extern unsigned g_formatPercent;

// Runs "Kovara - Vault Created" for the open vault on drive letter: 1 when
// the format step ran, 2 when cancelled. *formatted is 1 only after a
// successful format.
int RunVaultCreatedDialog(HWND owner, char letter, int *formatted);
