#include "vault_proof.h"

#include <errno.h>
#include <string.h>

#include "keys/core/user_info_record.h"
#include "keys/core/vault_info_record.h"
#include "crypto/core/secure_wipe.h"
#include "refusal.h"
#include "secret_input.h"
#include "user_info_source.h"

namespace {

// The record, wherever it came from, with the password that opens it. A split
// backup keeps its two parts until the order they go in is settled.
struct OpenedRecord {
    unsigned char record[kUserInfoSize];
    unsigned char userKeyBlock[kUserKeyBlockSize];
    unsigned char part1[kUserInfoPartSize];
    unsigned char part2[kUserInfoPartSize];
    std::string registeredPath;

    OpenedRecord() { LockInMemory(this, sizeof *this); }
    // Wiped on every way out, refusals included.
    ~OpenedRecord() {
        SecureWipe(record, sizeof record);
        SecureWipe(userKeyBlock, sizeof userKeyBlock);
        SecureWipe(part1, sizeof part1);
        SecureWipe(part2, sizeof part2);
    }
};

int TryPassword(const char *password, OpenedRecord *opened) {
    OpenUserKeyBlock(opened->record, password, opened->userKeyBlock);
    return OpenIdentityText(opened->record, opened->userKeyBlock, &opened->registeredPath);
}

std::string LowerCase(const std::string &text) {
    std::string lower = text;
    for (char &c : lower)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return lower;
}

// The Windows file name at the end of a registered path.
std::string WindowsFileName(const std::string &path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Article(const std::string &fileSystem) { return (fileSystem == "NTFS" ? "an " : "a ") + fileSystem; }

// The size of the volume a boot sector describes: NTFS's sector count, or
// FAT's 16- or 32-bit one, times the bytes per sector.
uint64_t ClaimedVolumeBytes(const unsigned char *sector, const std::string &fileSystem) {
    uint64_t bytesPerSector = uint64_t(sector[11]) | uint64_t(sector[12]) << 8, sectors = 0;
    if (fileSystem == "NTFS") {
        for (int i = 7; i >= 0; i--) sectors = sectors << 8 | sector[0x28 + i];
    } else {
        sectors = uint64_t(sector[0x13]) | uint64_t(sector[0x14]) << 8;
        if (!sectors)
            for (int i = 3; i >= 0; i--) sectors = sectors << 8 | sector[0x20 + i];
    }
    return sectors * bytesPerSector;
}

// Reads, decrypts and looks at one sector; refuses when it cannot be read.
// claimed receives the size of the volume the boot sector describes.
int DecryptsToBootSector(const VaultFile &vault, const unsigned char *vaultKey, uint64_t sector, std::string *fileSystem,
                         uint64_t *claimed) {
    unsigned char bytes[kSectorSize];
    if (!ReadVaultBytes(vault, bytes, kSectorSize, sector * kSectorSize))
        RefuseWithErrno(vault.path + ": cannot read sector " + std::to_string(sector) + " of the vault", errno);
    AesContext context;
    memset(&context, 0, sizeof context);
    LockInMemory(&context, sizeof context);
    AesSetKey(vaultKey, kVaultKeyLength, 0, &context);
    DecryptSectors(&context, bytes, kSectorSize, sector);
    SecureWipe(&context, sizeof context);
    int boot = IsBootSector(bytes, fileSystem);
    if (boot) *claimed = ClaimedVolumeBytes(bytes, *fileSystem);
    SecureWipe(bytes, sizeof bytes);
    return boot;
}

// which receives, when the token holds several key objects, the one that opened.
void OpenWithPassword(const Options &options, const char *password, const TokenRecords &tokenRecords,
                      OpenedRecord *opened, std::string *which) {
    const KeySourceOptions &source = options.keySource;
    const std::string wrong = "wrong password for user " + options.userName + ": the user information does not open with it";
    if (source.kind == KeySourceKind::kToken) {
        for (int i = 0; i < tokenRecords.count; i++) {
            memcpy(opened->record, tokenRecords.records[i], kUserInfoSize);
            if (!TryPassword(password, opened)) continue;
            if (tokenRecords.count > 1)
                *which = ", key object " + std::to_string(i + 1) + " of the " + std::to_string(tokenRecords.count) +
                         " it holds";
            return;
        }
        Refuse(wrong);
    }
    if (source.kind != KeySourceKind::kSplitBackup) {
        if (!TryPassword(password, opened)) Refuse(wrong);
        return;
    }
    JoinUserInfo(opened->part1, opened->part2, opened->record);
    if (TryPassword(password, opened)) return;
    // Joined the other way round, the salt comes out right: tell the user
    // which part is which rather than blaming the password.
    JoinUserInfo(opened->part2, opened->part1, opened->record);
    if (TryPassword(password, opened))
        Refuse("split parts in the wrong order: " + source.part2Path + " holds part 1 and " + source.part1Path +
               " part 2; give part 1 first");
    Refuse(wrong);
}

}  // namespace

int OpenIdentityText(const unsigned char *record852, const unsigned char *userKeyBlock256, std::string *path) {
    unsigned char opened[kIdentitySize];
    memcpy(opened, record852 + kIdentityOffset, kIdentitySize);
    BlowfishOpen(userKeyBlock256, opened, kIdentitySize);
    const unsigned char *end = static_cast<const unsigned char *>(memchr(opened, 0, kIdentitySize));
    int wellFormed = end && end > opened;
    for (const unsigned char *p = opened; wellFormed && p < end; ++p)
        if (*p < 0x20 || (*p >= 'A' && *p <= 'Z')) wellFormed = 0;
    for (const unsigned char *p = end; wellFormed && p < opened + kIdentitySize; ++p)
        if (*p) wellFormed = 0;
    if (wellFormed) path->assign(reinterpret_cast<const char *>(opened), size_t(end - opened));
    SecureWipe(opened, sizeof opened);
    return wellFormed;
}

int IsBootSector(const unsigned char *sector, std::string *fileSystem) {
    if (sector[510] != 0x55 || sector[511] != 0xAA) return 0;
    if (memcmp(sector + 3, "NTFS    ", 8) == 0) *fileSystem = "NTFS";
    else if (memcmp(sector + 0x52, "FAT32   ", 8) == 0) *fileSystem = "FAT32";
    else if (memcmp(sector + 0x36, "FAT", 3) == 0) *fileSystem = "FAT";
    else return 0;
    return 1;
}

void ProveVault(const Options &options, VaultProof *proof) {
    const KeySourceOptions &source = options.keySource;
    LockInMemory(proof->vaultKey, sizeof proof->vaultKey);
    proof->vault = OpenVaultFile(options.vaultPath);
    for (const std::string *path : {&source.userInfoPath, &source.part1Path, &source.part2Path, &options.vaultInfoPath})
        if (!path->empty()) proof->keyFiles.push_back(*path);

    // Every file is read and sized before anything secret is asked for.
    OpenedRecord opened;
    std::string sourceText;
    if (source.kind == KeySourceKind::kWholeBackup) {
        ReadWholeBackup(source.userInfoPath, opened.record);
        sourceText = "whole backup " + source.userInfoPath;
    } else if (source.kind == KeySourceKind::kSplitBackup) {
        ReadSplitParts(source.part1Path, source.part2Path, opened.part1, opened.part2);
        sourceText = "split backup " + source.part1Path + " + " + source.part2Path;
    }
    unsigned char vaultInfo[kVaultInfoSize];
    bool haveVaultInfo = !options.vaultInfoPath.empty();
    if (haveVaultInfo) ReadSizedFile(options.vaultInfoPath, kVaultInfoSize, "a vault information file", vaultInfo);
    unsigned char firstSector[kSectorSize];
    if (!ReadVaultBytes(proof->vault, firstSector, kSectorSize, 0))
        RefuseWithErrno(options.vaultPath + ": cannot read the vault", errno);
    TokenRecords tokenRecords;
    if (source.kind == KeySourceKind::kToken) ReadTokenRecords(source, &tokenRecords, &sourceText);

    std::string which;
    {
        Secret password;
        ReadSecret(options.password, "Password of user " + options.userName + ": ", "password", &password);
        OpenWithPassword(options, password.text, tokenRecords, &opened, &which);
    }
    proof->proved.push_back("password of user " + options.userName + ": opens the user information (" + sourceText +
                            which + ")");

    std::string registered = "registered vault path: " + opened.registeredPath;
    if (LowerCase(WindowsFileName(opened.registeredPath)) == LowerCase("Kovara_" + options.userName + ".udf"))
        registered += " (the default vault name of user " + options.userName + ")";
    if (!options.registeredPath.empty()) {
        if (LowerCase(options.registeredPath) != opened.registeredPath)
            Refuse("the user information was made for the vault registered as \"" + opened.registeredPath + "\", not \"" +
                   options.registeredPath + "\"");
        registered += ", as given";
    }
    proof->proved.push_back(registered);

    ComputeVaultKey(opened.userKeyBlock, kUserKeyBlockSize, proof->vaultKey);

    std::string fileSystem;
    uint64_t claimed = 0;
    if (DecryptsToBootSector(proof->vault, proof->vaultKey, 0, &fileSystem, &claimed)) {
        // A container cut short (an interrupted copy) would read as zeros or
        // fail half-way; say so before anything is read from it.
        if (claimed > proof->vault.bytes)
            Refuse(options.vaultPath + ": " + std::to_string(proof->vault.bytes) + " bytes, but its boot sector claims a volume of " +
                   std::to_string(claimed) + " bytes: the vault file is cut short");
        proof->proved.push_back("vault " + options.vaultPath + ": " + std::to_string(proof->vault.bytes) +
                                " bytes, its first sector decrypts to " + Article(fileSystem) + " boot sector");
    } else if (proof->vault.bytes / kSectorSize > 1 &&
               DecryptsToBootSector(proof->vault, proof->vaultKey, proof->vault.bytes / kSectorSize - 1, &fileSystem, &claimed) &&
               fileSystem == "NTFS") {
        // NTFS keeps a copy of its boot sector in the last sector: a damaged
        // first sector need not stand between the user and the files.
        proof->proved.push_back("vault " + options.vaultPath + ": " + std::to_string(proof->vault.bytes) +
                                " bytes, its first sector is damaged, but its last sector decrypts to the NTFS backup boot sector");
    } else {
        Refuse(options.vaultPath + " does not open with the key of user " + options.userName +
               ": its first sector decrypts to no boot sector");
    }

    if (haveVaultInfo) {
        VaultInfoOutcome outcome = CompareVaultInfo(firstSector, proof->vaultKey, vaultInfo);
        if (outcome == kVaultInfoNoDigest) Refuse("cannot compute the digest of the vault's first sector");
        if (outcome != kVaultInfoMatches)
            Refuse(options.vaultInfoPath + " does not belong to this vault: it does not match the vault's first sector under the key of user " +
                   options.userName);
        proof->proved.push_back("vault information " + options.vaultInfoPath + ": matches the vault");
    }
}

void ReleaseProof(VaultProof *proof) {
    SecureWipe(proof->vaultKey, sizeof proof->vaultKey);
    CloseVaultFile(&proof->vault);
}
