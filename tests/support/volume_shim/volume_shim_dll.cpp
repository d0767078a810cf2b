// The shim as a DLL for programs started by the test bed: loading it patches
// the program's imports.
#include "volume_shim.h"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        InstallVolumeShim();
        InstallRegistryRefusals();
        InstallVersionRecorder();
    }
    return TRUE;
}
