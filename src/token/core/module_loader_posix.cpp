#include "token/core/module_loader.h"

#include <dlfcn.h>
#include <sys/stat.h>

void *LoadModule(const char *path) { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }

void *FindModuleSymbol(void *module, const char *name) { return dlsym(module, name); }

void UnloadModule(void *module) {
    if (module) dlclose(module);
}

int ModuleFileAccessible(const char *path) {
    struct stat st;
    return stat(path, &st) == 0;
}
