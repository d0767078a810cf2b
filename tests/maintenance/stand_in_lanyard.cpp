// Stand-in for lanyard.exe in the preference tests: writes "started" and the
// window-show flag it was given into lanyard-started.txt beside itself.
#include <windows.h>
#include <stdio.h>
#include <string.h>

int main() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    char *slash = strrchr(path, '\\');
    if (!length || !slash) return 1;
    strcpy(slash + 1, "lanyard-started.txt");
    STARTUPINFOA startup;
    GetStartupInfoA(&startup);
    FILE *marker = fopen(path, "wb");
    if (!marker) return 1;
    int hidden = (startup.dwFlags & STARTF_USESHOWWINDOW) && startup.wShowWindow == SW_HIDE;
    fprintf(marker, "started %s\n", hidden ? "hidden" : "shown");
    fclose(marker);
    return 0;
}
