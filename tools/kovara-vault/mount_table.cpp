#include "mount_table.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "pipe_text.h"

const char kImageFsType[] = "fuse.kovara-vault";

namespace {

// The table writes space, tab, newline and backslash as three octal digits.
std::string Unescape(const std::string &field) {
    std::string text;
    for (size_t i = 0; i < field.size(); i++) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            int value = 0, digits = 0;
            while (digits < 3 && field[i + 1 + digits] >= '0' && field[i + 1 + digits] <= '7')
                value = value * 8 + (field[i + 1 + digits++] - '0');
            if (digits == 3) {
                text += char(value);
                i += 3;
                continue;
            }
        }
        text += field[i];
    }
    return text;
}

}  // namespace

std::vector<MountEntry> ReadMountTable() {
    std::vector<MountEntry> table;
    std::ifstream in("/proc/self/mountinfo");
    for (std::string line; std::getline(in, line);) {
        // id parent dev root TARGET options [optional fields...] - TYPE SOURCE super-options
        std::istringstream fields(line);
        std::string id, parent, device, root, target, options, field;
        fields >> id >> parent >> device >> root >> target >> options;
        while (fields >> field && field != "-") {
        }
        MountEntry entry;
        fields >> entry.fsType >> entry.source;
        entry.target = Unescape(target);
        entry.source = Unescape(entry.source);
        table.push_back(entry);
    }
    return table;
}

const MountEntry *MountAt(const std::vector<MountEntry> &table, const std::string &target) {
    const MountEntry *found = nullptr;
    for (const MountEntry &entry : table)
        if (entry.target == target) found = &entry;
    return found;
}

int DetachFuseMount(const std::string &target, bool lazy, std::string *message) {
    int output[2];
    if (pipe2(output, O_CLOEXEC) != 0) {
        *message = "cannot start fusermount3";
        return 0;
    }
    pid_t child = fork();
    if (child == 0) {
        dup2(output[1], 1);
        dup2(output[1], 2);
        int devnull = open("/dev/null", O_RDONLY);
        if (devnull >= 0) dup2(devnull, 0);
        if (lazy)
            execlp("fusermount3", "fusermount3", "-u", "-z", "--", target.c_str(), (char *)nullptr);
        else
            execlp("fusermount3", "fusermount3", "-u", "--", target.c_str(), (char *)nullptr);
        dprintf(2, "fusermount3 not found (Debian package fuse3)\n");
        _exit(127);
    }
    close(output[1]);
    std::string text = ReadToEnd(output[0]);
    close(output[0]);
    int status = 0;
    if (child < 0) {
        *message = "cannot start fusermount3";
        return 0;
    }
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    while (!text.empty() && text.back() == '\n') text.pop_back();
    *message = text;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
