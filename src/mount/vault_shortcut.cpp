#include <objbase.h>
#include <shlobj.h>
#include <shellapi.h>
#include <stdio.h>

#include "mount/mount_vault.h"
#include "shell/open_vault.h"
#include "shell/process_state.h"

int MakeVaultShortcut(char letter) {
    // A thread already in another apartment refuses: it keeps its own COM
    // state, which only a successful call here may balance.
    HRESULT com = CoInitialize(NULL);
    g_openVault.shortcutMade = 0;
    char root[4] = {letter, ':', '\\', '\0'};
    SHFILEINFOA info;
    if (SHGetFileInfoA(root, 0, &info, sizeof info, SHGFI_DISPLAYNAME | SHGFI_TYPENAME | SHGFI_USEFILEATTRIBUTES)) {
        IShellLinkA *link = NULL;
        if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                       reinterpret_cast<void **>(&link)))) {
            char icon[MAX_PATH + 16];
            snprintf(icon, sizeof icon, "%s\\scuticon.ico", g_process.programFolder);
            link->SetPath(root);
            link->SetIconLocation(icon, 0);
            link->SetDescription("Kovara");
            IPersistFile *file = NULL;
            if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file)))) {
                WCHAR wide[MAX_PATH];
                if (MultiByteToWideChar(CP_ACP, 0, g_process.shortcutPath, -1, wide, MAX_PATH) &&
                    SUCCEEDED(file->Save(wide, TRUE)))
                    g_openVault.shortcutMade = 1;
                file->Release();
            }
            link->Release();
        }
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return g_openVault.shortcutMade;
}
