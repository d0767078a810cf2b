#include "volume_files.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "decrypting_device.h"
#include "refusal.h"

namespace {

struct Entry {
    std::string name;
    std::vector<ntfschar> wide;
    MFT_REF reference;
};

// Paths inside the vault may be written the Windows way; empty parts are dropped.
std::vector<std::string> PathParts(const std::string &path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path + "/") {
        if (c == '/' || c == '\\') {
            if (!part.empty() && part != ".") parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    return parts;
}

std::string Shown(const std::vector<std::string> &parts) {
    std::string text;
    for (const std::string &part : parts) text += "/" + part;
    return text.empty() ? "/" : text;
}

int CollectEntry(void *context, const ntfschar *name, const int nameLength, const int nameType, const s64,
                 const MFT_REF reference, const unsigned) {
    // Short names repeat an entry; the volume's own files are not the user's.
    if (nameType == FILE_NAME_DOS || MREF(reference) < FILE_first_user) return 0;
    char *text = nullptr;
    if (ntfs_ucstombs(name, nameLength, &text, 0) < 0) return 0;
    std::string entry(text);
    free(text);
    if (entry == "." || entry == "..") return 0;
    static_cast<std::vector<Entry> *>(context)->push_back(Entry{entry, std::vector<ntfschar>(name, name + nameLength), reference});
    return 0;
}

bool IsFolder(ntfs_inode *inode) { return inode->mrec->flags & MFT_RECORD_IS_DIRECTORY; }

std::vector<Entry> ReadFolder(ntfs_inode *folder, const std::string &shown) {
    std::vector<Entry> entries;
    s64 position = 0;
    if (ntfs_readdir(folder, &position, &entries, CollectEntry) != 0)
        RefuseWithErrno(shown + ": cannot read the folder", errno);
    return entries;
}

void PrintEntry(ntfs_inode *inode, const std::string &name) {
    if (IsFolder(inode))
        printf("d %12s  %s\n", "-", name.c_str());
    else
        printf("- %12lld  %s\n", (long long)inode->data_size, name.c_str());
}

// Walks the path from the root folder, matching each part as Windows does:
// without regard to case, by the volume's own upcase table. Returns the open
// inode and its name as stored; refuses when a part is missing.
ntfs_inode *OpenPath(ntfs_volume *volume, const std::vector<std::string> &parts, std::string *storedName) {
    ntfs_inode *inode = ntfs_inode_open(volume, FILE_root);
    if (!inode) RefuseWithErrno("cannot read the root folder of the volume", errno);
    *storedName = "/";
    for (size_t i = 0; i < parts.size(); i++) {
        const std::string shown = Shown(std::vector<std::string>(parts.begin(), parts.begin() + long(i) + 1));
        ntfschar *wanted = nullptr;
        int wantedLength = ntfs_mbstoucs(parts[i].c_str(), &wanted);
        std::vector<Entry> entries;
        if (IsFolder(inode) && wantedLength > 0) {
            try {
                entries = ReadFolder(inode, shown);
            } catch (...) {
                free(wanted);
                ntfs_inode_close(inode);
                throw;
            }
        }
        const Entry *found = nullptr;
        for (const Entry &entry : entries)
            if (ntfs_names_are_equal(entry.wide.data(), entry.wide.size(), wanted, size_t(wantedLength), IGNORE_CASE,
                                     volume->upcase, volume->upcase_len))
                found = &entry;
        free(wanted);
        ntfs_inode_close(inode);
        if (!found) Refuse(shown + ": not found in the vault");
        inode = ntfs_inode_open(volume, found->reference);
        if (!inode) RefuseWithErrno(shown + ": cannot read it", errno);
        *storedName = found->name;
    }
    return inode;
}

}  // namespace

void ListVolumePath(const VaultProof &proof, const std::string &path) {
    DecryptingDevice device;
    ntfs_volume *volume = MountDecryptedVolume(proof, &device);
    const std::vector<std::string> parts = PathParts(path);
    ntfs_inode *inode = nullptr;
    try {
        std::string name;
        inode = OpenPath(volume, parts, &name);
        if (!IsFolder(inode)) {
            PrintEntry(inode, name);
        } else {
            for (const Entry &entry : ReadFolder(inode, Shown(parts))) {
                ntfs_inode *child = ntfs_inode_open(volume, entry.reference);
                if (!child) RefuseWithErrno(Shown(parts) + ": cannot read the entry " + entry.name, errno);
                PrintEntry(child, entry.name);
                ntfs_inode_close(child);
            }
        }
    } catch (...) {
        if (inode) ntfs_inode_close(inode);
        UnmountDecryptedVolume(volume, &device);
        throw;
    }
    ntfs_inode_close(inode);
    UnmountDecryptedVolume(volume, &device);
    if (fflush(stdout) != 0) RefuseWithErrno("standard output: write failed", errno);
}

void CopyVolumeFile(const VaultProof &proof, const std::string &path, const std::string &outputPath, bool force) {
    DecryptingDevice device;
    ntfs_volume *volume = MountDecryptedVolume(proof, &device);
    const std::vector<std::string> parts = PathParts(path);
    const std::string inside = Shown(parts);
    ntfs_inode *inode = nullptr;
    ntfs_attr *data = nullptr;
    std::vector<unsigned char> buffer(size_t(1) << 20);
    OutputFile output{-1, outputPath, false};
    try {
        std::string name;
        inode = OpenPath(volume, parts, &name);
        if (IsFolder(inode)) Refuse(inside + ": a folder, not a file (ls lists it)");
        data = ntfs_attr_open(inode, AT_DATA, AT_UNNAMED, 0);
        if (!data) RefuseWithErrno(inside + ": cannot read its data", errno);
        // Only now that the file is there: a failed look-up leaves the target alone.
        output = CreateOutput(outputPath, force, proof);
        for (s64 at = 0; at < data->data_size;) {
            s64 want = data->data_size - at < s64(buffer.size()) ? data->data_size - at : s64(buffer.size());
            s64 got = ntfs_attr_pread(data, at, want, buffer.data());
            if (got <= 0) RefuseWithErrno(inside + ": read failed at byte " + std::to_string(at), got < 0 ? errno : EIO);
            if (!WriteOutput(output, buffer.data(), size_t(got)))
                RefuseWithErrno((outputPath == "-" ? std::string("standard output") : outputPath) + ": write failed", errno);
            at += got;
        }
    } catch (...) {
        if (data) ntfs_attr_close(data);
        if (inode) ntfs_inode_close(inode);
        UnmountDecryptedVolume(volume, &device);
        AbandonOutput(&output);
        throw;
    }
    ntfs_attr_close(data);
    ntfs_inode_close(inode);
    UnmountDecryptedVolume(volume, &device);
    FinishOutput(&output);
}
