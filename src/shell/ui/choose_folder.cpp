#include "shell/ui/choose_folder.h"

#include <shlobj.h>

int ChooseFolder(HWND owner, const char *title, char *path) {
    path[0] = '\0';
    char display[MAX_PATH] = "";
    BROWSEINFOA browse = {};
    browse.hwndOwner = owner;
    browse.pszDisplayName = display;
    browse.lpszTitle = title;
    browse.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST chosen = SHBrowseForFolderA(&browse);
    if (!chosen) return 0;
    BOOL found = SHGetPathFromIDListA(chosen, path);
    IMalloc *shellAllocator = nullptr;
    if (SUCCEEDED(SHGetMalloc(&shellAllocator))) {
        shellAllocator->Free(chosen);
        shellAllocator->Release();
    }
    if (!found || !path[0]) {
        path[0] = '\0';
        return 0;
    }
    return 1;
}
