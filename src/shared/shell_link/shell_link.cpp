#include "shared/shell_link/shell_link.h"

#include <objbase.h>
#include <string.h>

namespace {

void Report(ShellLinkSetterFailed onSetterFailed, const char *message) {
    if (onSetterFailed) onSetterFailed(message);
}

int SaveThroughLink(IShellLinkA *link, const char *linkPath, const ShellLinkSpec *spec,
                    ShellLinkSetterFailed onSetterFailed) {
    IPersistFile *file = nullptr;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file)))) return 0;
    HRESULT target = spec->targetItems ? link->SetIDList(spec->targetItems) : link->SetPath(spec->target);
    if (FAILED(target)) Report(onSetterFailed, "SetPath to shortcut failed!");
    if (spec->workingFolder && FAILED(link->SetWorkingDirectory(spec->workingFolder)))
        Report(onSetterFailed, "SetWorkingDirectory to shortcut failed!");
    if (spec->description && FAILED(link->SetDescription(spec->description)))
        Report(onSetterFailed, "SetDescription of shortcut failed!");
    if (spec->iconPath && FAILED(link->SetIconLocation(spec->iconPath, spec->iconIndex)))
        Report(onSetterFailed, "SetIconLocation of shortcut failed!");

    int saved = 0;
    WCHAR wide[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, linkPath, -1, wide, MAX_PATH) && file->Save(wide, TRUE) == S_OK) {
        file->SaveCompleted(wide);
        saved = 1;
    }
    file->Release();
    return saved;
}

}  // namespace

int SaveShellLink(const char *linkPath, const ShellLinkSpec *spec, ShellLinkSetterFailed onSetterFailed) {
    // S_FALSE (already initialised on this thread) must be balanced too; a
    // thread in another apartment model must not be uninitialised by us.
    HRESULT init = CoInitialize(nullptr);
    int saved = 0;
    IShellLinkA *link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void **>(&link)))) {
        saved = SaveThroughLink(link, linkPath, spec, onSetterFailed);
        link->Release();
    }
    if (SUCCEEDED(init)) CoUninitialize();
    return saved;
}

int JoinFolderAndName(const char *folder, const char *name, char *out, size_t size) {
    size_t folderLength = strlen(folder);
    int slash = folderLength == 0 || folder[folderLength - 1] != '\\';
    size_t total = folderLength + (slash ? 1 : 0) + strlen(name);
    if (total + 1 > size) return 0;
    memmove(out, folder, folderLength);
    if (slash) out[folderLength] = '\\';
    strcpy(out + folderLength + (slash ? 1 : 0), name);
    return 1;
}

std::string InFolder(const char *folder, const char *name) {
    char path[MAX_PATH];
    if (!JoinFolderAndName(folder, name, path, sizeof path)) return std::string();
    return path;
}
