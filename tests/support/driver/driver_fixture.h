// Helpers for the tests that talk to the running stand-in vault driver.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "kovdev_testbed.h"

namespace drivertest {

extern const unsigned char kVaultKey[32];

// Stops or starts the driver's kernel service; true once it is in that state.
bool SetServiceRunning(bool running);

// State of the stand-in driver, read through its control device.
bool Inspect(KovdevInspect *state);
// Tells the driver how many files are held open on its volume.
bool SetOpenFiles(DWORD count);
// Makes the driver refuse the next `count` volume dismounts (0 ends it).
bool RefuseDismounts(DWORD count);
// Releases any open vault and removes the drive definition, for a clean start.
void ResetDriver(char letter);
// Releases a vault left open by an earlier test and every drive D: to Y:
// bound to the driver, so that a test starts from an idle driver.
void ReleaseEveryVault();

// A drive letter free on this system, searched from Z down.
char FreeLetter();
bool LetterInUse(char letter);

// A fresh folder for containers, removed with its files by the destructor.
struct TempFolder {
    TempFolder();
    ~TempFolder();
    std::string path;  // without a trailing backslash
};

// Builds an open request for a container path with kVaultKey.
std::vector<unsigned char> MakeRequest(const std::string &containerPath, char letter, unsigned sizeMb,
                                       size_t *sentLength);

// Defines the letter on the driver, opens its drive device and sends the request.
// Returns the error of the first failing step, or 0.
DWORD OpenVaultOn(char letter, const std::string &containerPath, unsigned sizeMb);

// File size, or -1 when missing.
long long FileSizeOf(const std::string &path);

}  // namespace drivertest
