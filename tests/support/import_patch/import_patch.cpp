#include "import_patch.h"

#include <string.h>

namespace {

bool Patch(void **slot, void *replacement) {
    DWORD old;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old)) return false;
    *slot = replacement;
    VirtualProtect(slot, sizeof *slot, old, &old);
    return true;
}

// Calls visit with each import slot of the module and its name (NULL when
// imported by ordinal or without a name table); stops when visit returns false.
template <typename Visit>
void ForEachImport(HMODULE module, Visit visit) {
    unsigned char *base = reinterpret_cast<unsigned char *>(module);
    auto *dos = reinterpret_cast<IMAGE_DOS_HEADER *>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return;
    auto *nt = reinterpret_cast<IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
    IMAGE_DATA_DIRECTORY directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!directory.VirtualAddress) return;
    for (auto *import = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + directory.VirtualAddress); import->Name;
         ++import) {
        auto *bound = reinterpret_cast<IMAGE_THUNK_DATA *>(base + import->FirstThunk);
        auto *names = import->OriginalFirstThunk
                          ? reinterpret_cast<IMAGE_THUNK_DATA *>(base + import->OriginalFirstThunk)
                          : nullptr;
        for (size_t i = 0; bound[i].u1.Function; ++i) {
            const char *name = nullptr;
            if (names && !IMAGE_SNAP_BY_ORDINAL(names[i].u1.Ordinal))
                name = reinterpret_cast<const char *>(
                    reinterpret_cast<IMAGE_IMPORT_BY_NAME *>(base + names[i].u1.AddressOfData)->Name);
            if (!visit(reinterpret_cast<void **>(&bound[i].u1.Function), name)) return;
        }
    }
}

}  // namespace

int PatchImport(HMODULE module, const char *name, void *original, void *replacement) {
    int patched = 0;
    ForEachImport(module, [&](void **slot, const char *imported) {
        bool match = (original && *slot == original) || (imported && strcmp(imported, name) == 0);
        if (match && *slot != replacement && Patch(slot, replacement)) ++patched;
        return true;
    });
    return patched;
}

void *ReplaceImport(const char *name, void *replacement) {
    void *former = nullptr;
    ForEachImport(GetModuleHandleA(nullptr), [&](void **slot, const char *imported) {
        if (!imported || strcmp(imported, name) != 0) return true;
        void *target = *slot;
        if (Patch(slot, replacement)) former = target;
        return false;
    });
    return former;
}

ImportPatch::ImportPatch(const char *function, void *replacement) {
    ForEachImport(GetModuleHandleA(nullptr), [&](void **slot, const char *imported) {
        if (!imported || strcmp(imported, function) != 0) return true;
        void *target = *slot;
        if (Patch(slot, replacement)) {
            if (!original_) original_ = target;
            slots_.push_back(slot);
        }
        return true;
    });
}

ImportPatch::~ImportPatch() {
    for (void **slot : slots_) Patch(slot, original_);
}
