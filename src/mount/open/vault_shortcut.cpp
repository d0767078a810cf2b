#include <windows.h>
#include <shellapi.h>
#include <stdio.h>

#include "mount/open/mount_vault.h"
#include "shell/state/open_vault.h"
#include "shell/state/process_state.h"
#include "shared/shell_link/shell_link.h"

int MakeVaultShortcut(char letter) {
    g_openVault.shortcutMade = 0;
    char root[4] = {letter, ':', '\\', '\0'};
    SHFILEINFOA info;
    if (SHGetFileInfoA(root, 0, &info, sizeof info, SHGFI_DISPLAYNAME | SHGFI_TYPENAME | SHGFI_USEFILEATTRIBUTES)) {
        char icon[MAX_PATH + 16];
        snprintf(icon, sizeof icon, "%s\\scuticon.ico", g_process.programFolder);
        ShellLinkSpec spec = {};
        spec.target = root;
        spec.iconPath = icon;
        spec.iconIndex = 0;
        spec.description = "Kovara";
        g_openVault.shortcutMade = SaveShellLink(g_process.shortcutPath, &spec, nullptr);
    }
    return g_openVault.shortcutMade;
}
