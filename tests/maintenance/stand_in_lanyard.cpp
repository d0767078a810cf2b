// Stand-in for lanyard.exe in the preference tests: writes "started" and the
// window-show flag it was given into lanyard-started.txt beside itself. The
// marker is written under another name and then renamed, so that a test that
// sees it sees all of it.
#include <windows.h>
#include <stdio.h>
#include <string.h>

int main() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    char *slash = strrchr(path, '\\');
    if (!length || !slash) return 1;
    strcpy(slash + 1, "lanyard-started.txt");
    char part[MAX_PATH + 8];
    snprintf(part, sizeof part, "%s.part", path);
    STARTUPINFOA startup;
    GetStartupInfoA(&startup);
    FILE *marker = fopen(part, "wb");
    if (!marker) return 1;
    int hidden = (startup.dwFlags & STARTF_USESHOWWINDOW) && startup.wShowWindow == SW_HIDE;
    fprintf(marker, "started %s\n", hidden ? "hidden" : "shown");
    if (fclose(marker) != 0) return 1;
    return MoveFileExA(part, path, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
