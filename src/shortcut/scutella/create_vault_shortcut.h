// The shortcut library's one export: a shortcut to the drive under My
// Computer whose display name holds both texts.
#pragma once
#include <windows.h>

// Exported by name, standard calling convention (the callee pops its five
// 32-bit arguments in the 32-bit build). The reserved arguments are not used.
// 0 when the shell allocator, the desktop folder, My Computer or the path
// block could not be had; 1 otherwise, shortcut made or not.
extern "C" int WINAPI CreateMyVaultShortcut(const char *text1, const char *text2, const char *shortcutPath,
                                            DWORD reserved1, DWORD reserved2);
