// Removing the product's registry entries (HKEY_LOCAL_MACHINE).
#pragma once

// 1 when Software\Kovara is gone: after the plain pass, or after the second,
// recursive pass that runs when the first counted a failure.
int RemoveKovaraRegistry();
