// Test-bed import patching: the way tests put a stand-in in front of a system
// call of the code under test (Wine cannot be told to fail or fake these
// calls, such as a refused registry write or a disk that fills halfway
// through a copy). A module's import address table slots are rewritten in
// place; system modules keep their own imports.
#pragma once
#include <windows.h>

#include <vector>

// Points the module's imports of `name` (found by name, or by the address
// `original` when that is not NULL) at `replacement`; returns the slots
// patched (0: the module does not import it).
int PatchImport(HMODULE module, const char *name, void *original, void *replacement);

// Points this program's own import of `name` at `replacement`; returns the
// former target, or NULL when the program does not import it.
void *ReplaceImport(const char *name, void *replacement);

// Points the test program's own imports of one system function at a stand-in
// for as long as the object lives. The code under test is linked into the
// test program, so its calls go to the stand-in.
class ImportPatch {
public:
    ImportPatch(const char *function, void *replacement);
    ~ImportPatch();
    ImportPatch(const ImportPatch &) = delete;
    ImportPatch &operator=(const ImportPatch &) = delete;

    bool Installed() const { return !slots_.empty(); }
    // The function the imports pointed at before, for the stand-in to call on.
    template <class Function>
    Function Original() const {
        return reinterpret_cast<Function>(original_);
    }

private:
    std::vector<void **> slots_;
    void *original_ = nullptr;
};
