#include "shared/setup/file_list_view.h"

#include <commctrl.h>
#include <shellapi.h>
#include <stdio.h>
#include <string.h>

namespace {

const COLORREF kListColour = RGB(198, 224, 240);

void AddColumn(HWND list, int index, const char *title, int width) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<char *>(title);
    column.cx = width;
    column.iSubItem = index;
    ListView_InsertColumn(list, index, &column);
}

void AddEntry(HWND list, const char *fullPath, const char *shown) {
    SHFILEINFOA info = {};
    SHGetFileInfoA(fullPath, 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_TYPENAME);
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = ListView_GetItemCount(list);
    item.pszText = const_cast<char *>(shown);
    item.iImage = info.iIcon;
    int row = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (row >= 0) ListView_SetItemText(list, row, 1, info.szTypeName);
}

int FillFrom(HWND list, const char *folder, const char *relative, int fullPaths, const char *skipName,
             std::string *overlongFolder) {
    char pattern[MAX_PATH];
    // A folder too long to search holds entries the list cannot show either.
    if (snprintf(pattern, sizeof pattern, "%s\\*", folder) >= static_cast<int>(sizeof pattern)) {
        if (overlongFolder && overlongFolder->empty()) *overlongFolder = folder;
        return 0;
    }
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do {
        if (!strcmp(found.cFileName, ".") || !strcmp(found.cFileName, "..")) continue;
        if (skipName && !lstrcmpiA(found.cFileName, skipName)) continue;
        char full[MAX_PATH], shown[MAX_PATH];
        if (snprintf(full, sizeof full, "%s\\%s", folder, found.cFileName) >= static_cast<int>(sizeof full)) {
            if (overlongFolder && overlongFolder->empty()) *overlongFolder = folder;
            continue;
        }
        if (*relative)
            snprintf(shown, sizeof shown, "%s\\%s", relative, found.cFileName);
        else
            snprintf(shown, sizeof shown, "%s", found.cFileName);
        AddEntry(list, full, fullPaths ? full : shown);
        ++count;
        // A junction or a link is one entry: its target lies outside the tree.
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            count += FillFrom(list, full, shown, fullPaths, skipName, overlongFolder);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

}  // namespace

void SetUpFileList(HWND list, const char *firstColumn) {
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    ListView_SetBkColor(list, kListColour);
    ListView_SetTextBkColor(list, kListColour);
    SHFILEINFOA info = {};
    HIMAGELIST icons = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoA("C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    if (icons) ListView_SetImageList(list, icons, LVSIL_SMALL);
    AddColumn(list, 0, firstColumn, 330);
    AddColumn(list, 1, "Type", 100);
    AddColumn(list, 2, "Status", 60);
}

int FillFileList(HWND list, const char *folder, int fullPaths, const char *skipName, std::string *overlongFolder) {
    return FillFrom(list, folder, "", fullPaths, skipName, overlongFolder);
}

int FileListCount(HWND list) { return ListView_GetItemCount(list); }

void FileListName(HWND list, int row, char *name, int size) {
    name[0] = '\0';
    ListView_GetItemText(list, row, 0, name, size);
}

void SetFileListStatus(HWND list, int row, const char *status) {
    ListView_SetItemText(list, row, 2, const_cast<char *>(status));
}
