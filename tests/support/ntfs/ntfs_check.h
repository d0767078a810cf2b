// Checks a vault container with Debian's ntfs-3g tools: the container is
// decrypted with the vault key into a scratch image, and ntfsinfo and ntfsls
// (Unix programs, started through Wine) read that image.
#pragma once
#include <string>

struct NtfsReport {
    bool ran = false;        // the tools ran and the image was read
    std::string volumeName;  // "Volume Name:"
    unsigned long clusterSize = 0;
    unsigned long long clusters = 0;  // "Volume Size in Clusters:"
    std::string listing;              // ntfsls -a -s of the root folder (system files too)
};

// The Unix path Wine maps a Windows path to, or "" when it maps none.
std::string UnixPathOf(const std::string &windowsPath);

// Runs a command of /bin/sh and returns its standard output and error, or
// false when it did not finish within timeoutMs (Wine gives no process handle,
// so the command writes a result file that is polled).
bool RunUnixCommand(const std::string &command, std::string *output, unsigned long timeoutMs = 120000);

// Decrypts the container (AES-256, sector chaining, sector number as counter)
// under the 32-byte vault key and reads the image with ntfsinfo and ntfsls.
NtfsReport CheckNtfsContainer(const std::string &containerPath, const unsigned char *vaultKey32);
