#include "shell/ui/choose_file.h"
#include "shell/ui/message_box.h"

#include <commdlg.h>
#include <string.h>

#include "shell/ui/file_dialog_hook.h"

namespace {

const char kDefaultFilter[] = "All file types \0*.*\0";  // ends with \0\0
char g_filter[1024];
bool g_filterSet = false;

void RestoreDefaultFilter() {
    memcpy(g_filter, kDefaultFilter, sizeof kDefaultFilter);
    g_filterSet = true;
}

const char *Filter() {
    if (!g_filterSet) RestoreDefaultFilter();
    return g_filter;
}

bool Readable(const char *path) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

bool EndsWith(const char *path, const char *extension) {
    size_t n = strlen(path), e = strlen(extension);
    return e <= n && lstrcmpiA(path + n - e, extension) == 0;
}

}  // namespace

void SetChooseFileFilter(const char *filterPairs) {
    if (!filterPairs) {
        RestoreDefaultFilter();
        return;
    }
    // Copy pair by pair up to the empty string that ends the list; a list too
    // long for the buffer is cut after its last whole pair.
    size_t used = 0;
    const char *p = filterPairs;
    while (*p) {
        size_t description = strlen(p) + 1;
        size_t pattern = strlen(p + description) + 1;
        if (used + description + pattern + 1 > sizeof g_filter) break;
        memcpy(g_filter + used, p, description + pattern);
        used += description + pattern;
        p += description + pattern;
        if (pattern == 1) break;  // a description without pattern ends the list
    }
    if (!used) {
        RestoreDefaultFilter();
        return;
    }
    g_filter[used] = '\0';
    g_filterSet = true;
}

int ChooseFile(HWND owner, const char *title, int extensionRequired, const char *extension, char *path) {
    const char *filter = Filter();
    for (;;) {
        path[0] = '\0';
        OPENFILENAMEA ofn;
        memset(&ofn, 0, sizeof ofn);
        ofn.lStructSize = sizeof ofn;
        ofn.hwndOwner = owner;
        ofn.hInstance = GetModuleHandleA(nullptr);
        ofn.lpstrFilter = filter;
        ofn.nFilterIndex = 1;
        ofn.lpstrFile = path;
        ofn.nMaxFile = MAX_PATH;
        ofn.lpstrTitle = title;
        ofn.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_NODEREFERENCELINKS |
                    OFN_ENABLEHOOK;
        ofn.lpfnHook = ChooseFileHook;
        if (!GetOpenFileNameA(&ofn)) {
            path[0] = '\0';
            RestoreDefaultFilter();
            return 0;
        }
        if (!Readable(path)) {
            ShowMessageBox(owner, "The selected file either does not exist, or is not accessible.");
            continue;
        }
        if (extensionRequired && extension && !EndsWith(path, extension)) {
            char text[300] = "The selected file name must end with extension ";
            strncat(text, extension, sizeof text - strlen(text) - 1);
            ShowMessageBox(owner, text);
            continue;
        }
        RestoreDefaultFilter();
        return 1;
    }
}
