// Test helper: turns a plain NTFS image into a vault as the driver stores one,
// through the stand-in driver's own cipher code (each 512-byte sector sealed
// with the sector chaining, its number as the counter), with the user
// information record, its split halves and the vault information file next
// to it, and the record stored on a PKCS#11 token.
//   make_test_vault IMAGE DIR USER PASSWORD WINDOWS-VAULT-PATH [LIB LABEL PIN]
// Writes DIR/Kovara_USER.udf, DIR/KovdevTokenKey.user,
// DIR/KeyPart1_USER.kovdev, DIR/KeyPart2_USER.kovdev and DIR/USER.vault.
#include <stdio.h>
#include <string.h>

#include <fstream>
#include <string>
#include <vector>

#include "crypto/core/derive_key.h"
#include "keys/core/user_info_record.h"
#include "keys/core/vault_info_record.h"
#include "kovdev_crypto.h"
#include "token/core/token_key_object.h"
#include "token/core/token_session_core.h"

namespace {

int Fail(const std::string &message) {
    fprintf(stderr, "make_test_vault: %s\n", message.c_str());
    return 1;
}

bool WriteFile(const std::string &path, const unsigned char *bytes, size_t length) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes), std::streamsize(length));
    return bool(out);
}

bool RandomBytes(unsigned char *bytes, size_t length) {
    std::ifstream in("/dev/urandom", std::ios::binary);
    in.read(reinterpret_cast<char *>(bytes), std::streamsize(length));
    return bool(in);
}

struct WantedLabel {
    std::string label;
};

int TakeLabelled(void *context, const TokenIdentity *token) {
    std::string label(token->label);
    while (!label.empty() && label.back() == ' ') label.pop_back();
    return label == static_cast<WantedLabel *>(context)->label;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 6 && argc != 9) return Fail("usage: IMAGE DIR USER PASSWORD WINDOWS-VAULT-PATH [LIB LABEL PIN]");
    const std::string image = argv[1], dir = argv[2], user = argv[3], password = argv[4], registered = argv[5];

    unsigned char salt[kSaltLength], keyBlock[kUserKeyBlockSize];
    if (!RandomBytes(salt, sizeof salt) || !RandomBytes(keyBlock, sizeof keyBlock)) return Fail("no random bytes");
    unsigned char vaultKey[kVaultKeyLength];
    ComputeVaultKey(keyBlock, kUserKeyBlockSize, vaultKey);
    KovdevCipher cipher;
    if (!KovdevCipherSetKey(&cipher, vaultKey)) return Fail("key not taken");

    std::ifstream in(image, std::ios::binary);
    std::ofstream vault(dir + "/Kovara_" + user + ".udf", std::ios::binary | std::ios::trunc);
    if (!in || !vault) return Fail("cannot open the image or the vault");
    std::vector<unsigned char> run(1 << 20);
    std::vector<unsigned char> firstSector;
    uint64_t sector = 0;
    for (;;) {
        in.read(reinterpret_cast<char *>(run.data()), std::streamsize(run.size()));
        size_t got = size_t(in.gcount());
        if (got == 0) break;
        if (got % 512) return Fail("the image is not a whole number of sectors");
        KovdevCipherEncrypt(&cipher, run.data(), uint32_t(got), sector, 1);  // user mode: AES-NI allowed
        if (firstSector.empty()) firstSector.assign(run.begin(), run.begin() + 512);
        vault.write(reinterpret_cast<const char *>(run.data()), std::streamsize(got));
        sector += got / 512;
    }
    if (!vault.good() || firstSector.empty()) return Fail("cannot write the vault");
    vault.close();

    unsigned char record[kUserInfoSize], part1[kUserInfoPartSize], part2[kUserInfoPartSize], vaultInfo[kVaultInfoSize];
    if (!BuildUserInfo(salt, keyBlock, password.c_str(), registered.c_str(), record))
        return Fail("vault path too long");
    SplitUserInfo(record, part1, part2);
    if (!SealVaultInfoRecord(firstSector.data(), keyBlock, vaultInfo)) return Fail("no digest text");
    if (!WriteFile(dir + "/KovdevTokenKey.user", record, sizeof record) ||
        !WriteFile(dir + "/KeyPart1_" + user + ".kovdev", part1, sizeof part1) ||
        !WriteFile(dir + "/KeyPart2_" + user + ".kovdev", part2, sizeof part2) ||
        !WriteFile(dir + "/" + user + ".vault", vaultInfo, sizeof vaultInfo))
        return Fail("cannot write the key files");

    if (argc == 9) {
        WantedLabel wanted{argv[7]};
        TokenIdentity token, connected;
        if (IdentifyToken(argv[6], TakeLabelled, &wanted, &token) != kTokenOk || !TakeLabelled(&wanted, &token))
            return Fail("no token labelled " + wanted.label);
        TokenBinding binding;
        if (OpenSessionOnToken(argv[6], token.manufacturerId, token.serialNumber, argv[8], &binding, &connected) !=
            kTokenOk)
            return Fail("cannot log in to the token");
        TokenOutcome stored = CreateTokenKeyObject(&binding, record);
        CloseSessionOnToken(&binding);
        if (stored != kTokenOk) return Fail("cannot store the key object");
    }
    return 0;
}
