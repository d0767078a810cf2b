#include "token/core/module_loader.h"

#include <windows.h>

void *LoadModule(const char *path) { return (void *)LoadLibraryA(path); }

void *FindModuleSymbol(void *module, const char *name) { return (void *)GetProcAddress((HMODULE)module, name); }

void UnloadModule(void *module) {
    if (module) FreeLibrary((HMODULE)module);
}

int ModuleFileAccessible(const char *path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }
