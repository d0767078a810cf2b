// kovara-vault mount and unmount: the vault's volume at a folder, read and
// written in place, through our FUSE image and the system's ntfs-3g.
#pragma once
#include "command_line.h"

// Proves the vault as check does, then mounts; returns the exit status once
// the folder is ready (or, with --foreground, once it is unmounted again).
int MountCommand(const Options &options);
// Unmounts ntfs-3g, then the image; returns once the container is synced and
// its lock dropped.
int UnmountCommand(const Options &options);
