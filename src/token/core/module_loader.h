// Loads a shared library by path and finds its exports (LoadLibraryA on
// Windows, dlopen elsewhere). Handles are opaque pointers; null means failure.
#pragma once

void *LoadModule(const char *path);
void *FindModuleSymbol(void *module, const char *name);
void UnloadModule(void *module);
// 1 when the file's attributes can be read (the file exists and can be reached).
int ModuleFileAccessible(const char *path);
