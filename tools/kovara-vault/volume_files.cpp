#include "volume_files.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "crypto/core/secure_wipe.h"
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

void AppendUtf8(std::string &text, uint32_t c) {
    if (c < 0x80) {
        text += char(c);
    } else if (c < 0x800) {
        text += char(0xC0 | (c >> 6));
        text += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        text += char(0xE0 | (c >> 12));
        text += char(0x80 | ((c >> 6) & 0x3F));
        text += char(0x80 | (c & 0x3F));
    } else {
        text += char(0xF0 | (c >> 18));
        text += char(0x80 | ((c >> 12) & 0x3F));
        text += char(0x80 | ((c >> 6) & 0x3F));
        text += char(0x80 | (c & 0x3F));
    }
}

// Characters that would act on the terminal instead of showing: the C0 and C1
// controls, DEL, and the marks that reverse the direction of the text after them.
bool IsControl(uint32_t c) {
    return c < 0x20 || (c >= 0x7F && c < 0xA0) || (c >= 0x200E && c <= 0x200F) || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

void AppendEscape(std::string &text, const char *format, uint32_t c) {
    char escaped[12];
    snprintf(escaped, sizeof escaped, format, unsigned(c));
    text += escaped;
}

std::string ShownName(const ntfschar *name, int length) {
    // A name as stored: UTF-16 without any check, so it may hold controls and
    // halves of surrogate pairs. Every name is shown, escaped where it cannot
    // be printed as it is: \xHH for a control, \uHHHH for a lone surrogate and
    // \\ for the backslash itself, so that nothing else reads as an escape.
    std::string text;
    for (int i = 0; i < length; i++) {
        uint32_t c = le16_to_cpu(name[i]);
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < length) {
            uint32_t low = le16_to_cpu(name[i + 1]);
            if (low >= 0xDC00 && low < 0xE000) {
                AppendUtf8(text, 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
                i++;
                continue;
            }
        }
        if (c >= 0xD800 && c < 0xE000) AppendEscape(text, "\\u%04X", c);
        else if (c == '\\') text += "\\\\";
        else if (IsControl(c)) AppendEscape(text, c < 0x100 ? "\\x%02X" : "\\u%04X", c);
        else AppendUtf8(text, c);
    }
    return text;
}

int CollectEntry(void *context, const ntfschar *name, const int nameLength, const int nameType, const s64,
                 const MFT_REF reference, const unsigned) {
    // Short names repeat an entry; the volume's own files are not the user's.
    if (nameType == FILE_NAME_DOS || MREF(reference) < FILE_first_user) return 0;
    std::string entry = ShownName(name, nameLength);
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

// Names are printed escaped, so a hostile name cannot move the cursor,
// recolour the terminal or fake a line of its own.
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
            // One damaged entry does not hide the others: it is named on
            // standard error and the listing goes on.
            std::vector<std::string> unreadable;
            for (const Entry &entry : ReadFolder(inode, Shown(parts))) {
                ntfs_inode *child = ntfs_inode_open(volume, entry.reference);
                if (!child) {
                    fflush(stdout);
                    fprintf(stderr, "kovara-vault: %s: cannot read the entry %s: %s\n", Shown(parts).c_str(),
                            entry.name.c_str(), strerror(errno));
                    unreadable.push_back(entry.name);
                    continue;
                }
                PrintEntry(child, entry.name);
                ntfs_inode_close(child);
            }
            if (!unreadable.empty())
                Refuse(Shown(parts) + ": " + std::to_string(unreadable.size()) + " entr" +
                       (unreadable.size() == 1 ? "y" : "ies") + " could not be read");
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
    OutputFile output;
    try {
        std::string name;
        inode = OpenPath(volume, parts, &name);
        if (IsFolder(inode)) Refuse(inside + ": a folder, not a file (ls lists it)");
        data = ntfs_attr_open(inode, AT_DATA, AT_UNNAMED, 0);
        if (!data) RefuseWithErrno(inside + ": cannot read its data", errno);
        // Only now that the file is there: a failed look-up leaves the target alone.
        CreateOutput(outputPath, force, proof, &output);
        for (s64 at = 0; at < data->data_size;) {
            s64 want = data->data_size - at < s64(buffer.size()) ? data->data_size - at : s64(buffer.size());
            s64 got = ntfs_attr_pread(data, at, want, buffer.data());
            if (got <= 0) RefuseWithErrno(inside + ": read failed at byte " + std::to_string(at), got < 0 ? errno : EIO);
            if (!WriteOutput(output, buffer.data(), size_t(got)))
                RefuseWithErrno(OutputName(output) + ": write failed", errno);
            at += got;
        }
    } catch (...) {
        if (data) ntfs_attr_close(data);
        if (inode) ntfs_inode_close(inode);
        UnmountDecryptedVolume(volume, &device);
        SecureWipe(buffer.data(), buffer.size());
        AbandonOutput(&output);
        throw;
    }
    SecureWipe(buffer.data(), buffer.size());
    ntfs_attr_close(data);
    ntfs_inode_close(inode);
    UnmountDecryptedVolume(volume, &device);
    FinishOutput(&output);
}
