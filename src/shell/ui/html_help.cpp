#include "shell/ui/html_help.h"

namespace {

typedef HWND(WINAPI *HtmlHelpEntry)(HWND, LPCSTR, UINT, DWORD_PTR);

enum BindState { kNotTried, kBound, kFailed };

BindState g_state = kNotTried;
HMODULE g_viewer = nullptr;
HtmlHelpEntry g_entry = nullptr;

// The viewer's file as registered for its class, else its usual name.
void ViewerPath(char path[MAX_PATH]) {
    lstrcpyA(path, "hhctrl.ocx");
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32", 0,
                      KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return;
    char value[MAX_PATH + 1];
    DWORD size = MAX_PATH;
    DWORD type = 0;
    if (RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE *>(value), &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ) && size > 1) {
        value[size < MAX_PATH ? size : MAX_PATH] = '\0';
        if (type == REG_SZ) {
            lstrcpynA(path, value, MAX_PATH);
        } else {
            DWORD n = ExpandEnvironmentStringsA(value, path, MAX_PATH);
            if (!n || n > MAX_PATH) lstrcpyA(path, "hhctrl.ocx");
        }
    }
    RegCloseKey(key);
}

void Bind() {
    char path[MAX_PATH];
    ViewerPath(path);
    g_viewer = LoadLibraryA(path);
    // Ordinal 14 is the ANSI entry point of the viewer.
    if (g_viewer)
        g_entry =
            reinterpret_cast<HtmlHelpEntry>(reinterpret_cast<void *>(GetProcAddress(g_viewer, MAKEINTRESOURCEA(14))));
    if (!g_entry) {
        if (g_viewer) FreeLibrary(g_viewer);
        g_viewer = nullptr;
        g_state = kFailed;
        return;
    }
    g_state = kBound;
}

}  // namespace

HWND ShowHtmlHelp(HWND owner, const char *file, UINT command, DWORD_PTR data) {
    if (g_state == kNotTried) Bind();
    if (g_state != kBound) return nullptr;
    return g_entry(owner, file, command, data);
}
