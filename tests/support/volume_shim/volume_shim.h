// Test-bed volume shim. Wine answers the volume lock and unlock codes itself
// and fails the dismount code on a driver's volume, so these three codes never
// get the stand-in vault driver's answer. The shim sits in front of
// DeviceIoControl in the process under test (its import table is patched) and
// forwards them to the stand-in driver, which then decides: a volume with open
// files refuses the lock. Devices that do not know the forwarded codes get the
// original call.
#pragma once
#include <windows.h>

// Patches the import tables of the main module and of every module loaded so
// far. Returns the number of import slots patched (0: nothing imported it).
int InstallVolumeShim();

// Points the program's own imports of RegSetValueExA and RegDeleteValueA at
// stand-ins that refuse (ERROR_ACCESS_DENIED) to write or delete the value
// OpenVault while the environment variable KOVSHIM_REFUSE_OPEN_VAULT holds
// "write" or "delete"; every other call passes. Returns the slots patched.
int InstallRegistryRefusals();

// Points the program's own imports of GetVersionExA at a recorder that appends
// each record size it is given to the file KOVSHIM_VERSION_SIZES names, and
// refuses the extended record while KOVSHIM_REFUSE_EXTENDED_VERSION is set.
// Returns the slots patched.
int InstallVersionRecorder();

// Number of volume codes the shim has forwarded in this process.
long VolumeShimForwardCount();

// Starts a program with the shim DLL (dllPath) loaded into it before its first
// instruction runs: created suspended, the DLL loaded by a remote thread, then
// resumed. 1 on success with *process filled.
int StartWithVolumeShim(const char *commandLine, const char *dllPath, PROCESS_INFORMATION *process);
