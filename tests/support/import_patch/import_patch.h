// Import patch: points the test program's own imports of one system function
// at a stand-in for as long as the object lives. The code under test is linked
// into the test program, so its calls go to the stand-in; system modules keep
// their own. Used where Wine cannot be made to fail a call for real (a
// refused registry write, a disk that fills halfway through a copy).
#pragma once
#include <windows.h>

#include <vector>

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
