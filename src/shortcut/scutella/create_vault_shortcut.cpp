#include "shortcut/scutella/create_vault_shortcut.h"

#include <objbase.h>
#include <shlobj.h>
#include <string.h>

#include "shortcut/item_list/item_list.h"
#include "shared/shell_link/shell_link.h"

namespace {

const size_t kPathBlockSize = 512;

// At most 259 characters of text into name.
void CopyBounded(char name[MAX_PATH], const char *text) {
    size_t length = strnlen(text, MAX_PATH - 1);
    memcpy(name, text, length);
    name[length] = '\0';
}

// Display name of an item as ANSI text of at most 259 characters; 0 when the
// folder cannot give it.
int DisplayName(IShellFolder *folder, LPCITEMIDLIST item, char name[MAX_PATH]) {
    STRRET value;
    if (FAILED(folder->GetDisplayNameOf(item, SHGDN_NORMAL, &value))) return 0;
    name[0] = '\0';
    switch (value.uType) {
        case STRRET_WSTR: {
            int converted = WideCharToMultiByte(CP_ACP, 0, value.pOleStr, -1, name, MAX_PATH, nullptr, nullptr);
            CoTaskMemFree(value.pOleStr);
            if (!converted) return 0;
            break;
        }
        case STRRET_OFFSET:
            CopyBounded(name, reinterpret_cast<const char *>(item) + value.uOffset);
            break;
        case STRRET_CSTR:
            CopyBounded(name, value.cStr);
            break;
        default:
            return 0;
    }
    name[MAX_PATH - 1] = '\0';
    return 1;
}

// Makes the shortcut to the item list; the outcome does not matter to the caller.
void SaveDriveShortcut(char *path, LPCITEMIDLIST target) {
    if (!EnsureLnkExtension(path, MAX_PATH)) return;
    ShellLinkSpec spec = {};
    spec.targetItems = target;
    SaveShellLink(path, &spec, nullptr);
}

// Asks My Computer to validate its cached items, so that the shell notices
// the drive's new shortcut and any change of its name.
void RefreshMyComputer(IMalloc *malloc) {
    IShellFolder *desktop = nullptr;
    if (FAILED(SHGetDesktopFolder(&desktop))) return;
    LPITEMIDLIST drivesList = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drivesList))) {
        IShellFolder *drives = nullptr;
        if (SUCCEEDED(
                desktop->BindToObject(drivesList, nullptr, IID_IShellFolder, reinterpret_cast<void **>(&drives)))) {
            SFGAOF attributes = SFGAO_VALIDATE;
            drives->GetAttributesOf(0, nullptr, &attributes);
            drives->Release();
        }
        malloc->Free(drivesList);
    }
    desktop->Release();
}

}  // namespace

extern "C" int WINAPI CreateMyVaultShortcut(const char *text1, const char *text2, const char *shortcutPath,
                                            DWORD reserved1, DWORD reserved2) {
    IMalloc *malloc = nullptr;
    if (FAILED(SHGetMalloc(&malloc))) return 0;
    IShellFolder *desktop = nullptr;
    if (FAILED(SHGetDesktopFolder(&desktop))) {
        malloc->Release();
        return 0;
    }
    LPITEMIDLIST drivesList = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drivesList))) {
        desktop->Release();
        malloc->Release();
        return 0;
    }

    int result = 1;
    IShellFolder *drives = nullptr;
    IEnumIDList *items = nullptr;
    LPITEMIDLIST item = nullptr;
    if (SUCCEEDED(desktop->BindToObject(drivesList, nullptr, IID_IShellFolder, reinterpret_cast<void **>(&drives))) &&
        drives->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &items) == S_OK) {
        // The first item My Computer lists is never taken; matching starts with
        // the second.
        int found = 0;
        char name[MAX_PATH];
        for (int index = 0; !found && items->Next(1, &item, nullptr) == S_OK; ++index) {
            if (!DisplayName(drives, item, name)) break;
            if (index > 0 && DisplayNameMatches(name, text1, text2)) {
                found = 1;
                break;
            }
            malloc->Free(item);
            item = nullptr;
        }

        if (found) {
            size_t size = ItemListSize(reinterpret_cast<const unsigned char *>(drivesList)) - 2 +
                          ItemListSize(reinterpret_cast<const unsigned char *>(item));
            unsigned char *absolute = static_cast<unsigned char *>(malloc->Alloc(size));
            char *path = static_cast<char *>(CoTaskMemAlloc(kPathBlockSize));
            if (!path) {
                result = 0;
            } else if (absolute) {
                memset(absolute, 0, size);
                ItemListJoin(reinterpret_cast<const unsigned char *>(drivesList),
                             reinterpret_cast<const unsigned char *>(item), absolute);
                size_t length = strnlen(shortcutPath, kPathBlockSize - 1);
                memcpy(path, shortcutPath, length);
                path[length] = '\0';
                SaveDriveShortcut(path, reinterpret_cast<LPCITEMIDLIST>(absolute));
            }
            if (path) CoTaskMemFree(path);
            if (absolute) malloc->Free(absolute);
            if (result) RefreshMyComputer(malloc);
        }
    }

    if (item) malloc->Free(item);
    if (items) items->Release();
    if (drives) drives->Release();
    desktop->Release();
    malloc->Free(drivesList);
    malloc->Release();
    return result;
}
