#include "token/operations/registered_tokens.h"

#include <string.h>

#include "resources/resource.h"
#include "token/operations/token_state.h"

const char kRegisteredTokensKey[] = "SOFTWARE\\Kovara\\RegisteredTokens";
const char kDefaultTokenValue[] = "DefaultToken";
const char kNoTokenEntry[] = "NONE - Click Setup to setup token.";

namespace {

enum { kEnumBuffer = 360 };

struct RegistryKey {
    HKEY key = nullptr;
    ~RegistryKey() {
        if (key) RegCloseKey(key);
    }
};

int OpenTokensKey(RegistryKey *k) {
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRegisteredTokensKey, 0, KEY_READ, &k->key) == ERROR_SUCCESS;
}

// Reads a REG_SZ value of at most size - 1 bytes into text, zero-terminated;
// returns its data length (terminator included as stored), 0 when absent,
// too long or of another type.
DWORD ReadText(HKEY key, const char *name, char *text, DWORD size) {
    DWORD type = 0, length = size - 1;
    if (RegQueryValueExA(key, name, nullptr, &type, (BYTE *)text, &length) != ERROR_SUCCESS || type != REG_SZ) return 0;
    text[length] = 0;
    return length;
}

}  // namespace

int ListRegisteredTokens(HWND comboBox) {
    RegistryKey k;
    if (!OpenTokensKey(&k)) return 0;
    DWORD values = 0;
    if (RegQueryInfoKeyA(k.key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return 0;
    int count = 0;
    for (DWORD i = 0; i < values; i++) {
        char name[kEnumBuffer], data[kEnumBuffer];
        DWORD nameLength = sizeof name, dataLength = sizeof data, type = 0;
        if (RegEnumValueA(k.key, i, name, &nameLength, nullptr, &type, (BYTE *)data, &dataLength) != ERROR_SUCCESS ||
            type != REG_SZ)
            continue;
        if (lstrcmpiA(name, kDefaultTokenValue) == 0) continue;
        // A name the dialogs could not hold is left out rather than cut short.
        if (nameLength >= kTokenNameLimit) continue;
        count++;
        if (comboBox) SendMessageA(comboBox, CB_ADDSTRING, 0, (LPARAM)name);
    }
    return count;
}

int CountRegisteredTokens() { return ListRegisteredTokens(nullptr); }

int ReadDefaultToken() {
    RegistryKey k;
    if (!OpenTokensKey(&k)) return 0;
    char name[kTokenNameLimit], path[kTokenPathLimit];
    if (ReadText(k.key, kDefaultTokenValue, name, sizeof name) <= 1) return 0;
    if (ReadText(k.key, name, path, sizeof path) <= 1) return 0;
    lstrcpynA(g_token.defaultName, name, sizeof g_token.defaultName);
    return 1;
}

int LookUpTokenLibrary(const char *name) {
    if (!name || strlen(name) >= kTokenNameLimit) return 0;
    RegistryKey k;
    if (!OpenTokensKey(&k)) return 0;
    char path[kTokenPathLimit];
    if (ReadText(k.key, name, path, sizeof path) <= 1) return 0;
    lstrcpynA(g_token.selected.name, name, sizeof g_token.selected.name);
    lstrcpynA(g_token.selected.libraryPath, path, sizeof g_token.selected.libraryPath);
    return 1;
}

int FillTokenList(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_SELECT_TOKEN);
    int count = ListRegisteredTokens(list);
    if (count == 0) {
        SendMessageA(list, CB_ADDSTRING, 0, (LPARAM)kNoTokenEntry);
        SendMessageA(list, CB_SETCURSEL, 0, 0);
        return 0;
    }
    if (!ReadDefaultToken()) {
        SendMessageA(list, CB_SETCURSEL, 0, 0);
        return count;
    }
    // The box's own search is case-insensitive but matches prefixes: look for
    // the exact entry.
    int entries = (int)SendMessageA(list, CB_GETCOUNT, 0, 0);
    int match = CB_ERR;
    for (int i = 0; i < entries && match == CB_ERR; i++) {
        char entry[kTokenNameLimit];
        if (SendMessageA(list, CB_GETLBTEXTLEN, i, 0) >= (LRESULT)sizeof entry) continue;
        SendMessageA(list, CB_GETLBTEXT, i, (LPARAM)entry);
        if (lstrcmpiA(entry, g_token.defaultName) == 0) match = i;
    }
    SendMessageA(list, CB_SETCURSEL, match, 0);
    return count;
}
