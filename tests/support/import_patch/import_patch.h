// Test-bed import patching: the way tests put a stand-in in front of a system
// call of the code under test (Wine cannot be told to fail or fake these
// calls). A module's import address table slots are rewritten in place.
#pragma once
#include <windows.h>

// Points the module's imports of `name` (found by name, or by the address
// `original` when that is not NULL) at `replacement`; returns the slots
// patched (0: the module does not import it).
int PatchImport(HMODULE module, const char *name, void *original, void *replacement);

// Points this program's own import of `name` at `replacement`; returns the
// former target, or NULL when the program does not import it.
void *ReplaceImport(const char *name, void *replacement);
