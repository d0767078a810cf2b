/* scutella.h - shortcut library of Kovara.
 *
 * Bind the export by name:
 *   HMODULE lib = LoadLibraryA("scutella.dll");
 *   CreateMyVaultShortcutProc make = (CreateMyVaultShortcutProc)
 *       GetProcAddress(lib, "CreateMyVaultShortcut");
 *
 * CreateMyVaultShortcut looks under My Computer for a drive whose display
 * name contains both texts (case does not matter; the first item that My
 * Computer lists is never taken) and saves a shortcut to it at shortcutPath
 * (".lnk" is added when missing; at most 259 characters in all). The two
 * reserved arguments are not used: pass 0.
 *
 * Returns 0 when the shell could not be reached, else 1, whether or not a
 * drive was found and the shortcut saved.
 */
#ifndef SCUTELLA_H
#define SCUTELLA_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int(WINAPI *CreateMyVaultShortcutProc)(const char *text1, const char *text2, const char *shortcutPath,
                                                DWORD reserved1, DWORD reserved2);

#ifdef __cplusplus
}
#endif

#endif
