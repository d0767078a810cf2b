// The system's table of mounts (/proc/self/mountinfo) and the one way we take
// a FUSE mount down (fusermount3, which also works for a user who is not root).
#pragma once
#include <string>
#include <vector>

struct MountEntry {
    std::string target;  // where it is mounted
    std::string fsType;  // "fuse" for ntfs-3g over a file, "fuse.kovara-vault" for our image
    std::string source;  // ntfs-3g: the image file; our image: the container
};

extern const char kImageFsType[];

std::vector<MountEntry> ReadMountTable();
// The mount on top at target (the last one listed), or nullptr.
const MountEntry *MountAt(const std::vector<MountEntry> &table, const std::string &target);

// Runs fusermount3 -u (with -z: lazily, once the last user is gone). 1 when it
// succeeded; otherwise its message is in *message.
int DetachFuseMount(const std::string &target, bool lazy, std::string *message);
