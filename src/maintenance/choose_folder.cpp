#include "maintenance/choose_folder.h"

#include <objbase.h>
#include <shlobj.h>

int ChooseFolder(HWND owner, const char *title, char *path) {
    path[0] = '\0';
    HRESULT com = CoInitialize(NULL);
    BROWSEINFOA browse;
    ZeroMemory(&browse, sizeof browse);
    browse.hwndOwner = owner;
    browse.pszDisplayName = path;
    browse.lpszTitle = title;
    browse.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST item = SHBrowseForFolderA(&browse);
    int chosen = 0;
    if (item) {
        chosen = SHGetPathFromIDListA(item, path) ? 1 : 0;
        CoTaskMemFree(item);
    }
    if (!chosen) path[0] = '\0';
    if (SUCCEEDED(com)) CoUninitialize();
    return chosen;
}
