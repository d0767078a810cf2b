#include "import_patch.h"

#include <string.h>

namespace {

void Store(void **slot, void *value) {
    DWORD old;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old)) return;
    *slot = value;
    VirtualProtect(slot, sizeof *slot, old, &old);
}

}  // namespace

ImportPatch::ImportPatch(const char *function, void *replacement) {
    unsigned char *base = reinterpret_cast<unsigned char *>(GetModuleHandleA(NULL));
    IMAGE_NT_HEADERS *nt =
        reinterpret_cast<IMAGE_NT_HEADERS *>(base + reinterpret_cast<IMAGE_DOS_HEADER *>(base)->e_lfanew);
    IMAGE_DATA_DIRECTORY directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!directory.VirtualAddress) return;
    for (IMAGE_IMPORT_DESCRIPTOR *import = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + directory.VirtualAddress);
         import->Name; ++import) {
        if (!import->OriginalFirstThunk) continue;  // no names to match
        IMAGE_THUNK_DATA *bound = reinterpret_cast<IMAGE_THUNK_DATA *>(base + import->FirstThunk);
        IMAGE_THUNK_DATA *names = reinterpret_cast<IMAGE_THUNK_DATA *>(base + import->OriginalFirstThunk);
        for (size_t i = 0; bound[i].u1.Function; ++i) {
            if (IMAGE_SNAP_BY_ORDINAL(names[i].u1.Ordinal)) continue;
            IMAGE_IMPORT_BY_NAME *byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME *>(base + names[i].u1.AddressOfData);
            if (strcmp(reinterpret_cast<const char *>(byName->Name), function) != 0) continue;
            void **slot = reinterpret_cast<void **>(&bound[i].u1.Function);
            if (!original_) original_ = *slot;
            Store(slot, replacement);
            slots_.push_back(slot);
        }
    }
}

ImportPatch::~ImportPatch() {
    for (void **slot : slots_) Store(slot, original_);
}
