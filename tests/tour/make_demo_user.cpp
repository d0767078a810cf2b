// Makes the demo user of the guided tour in a prefix laid out like an
// installed system: a vault file in the program folder's Vault folder, its
// vault information file in Key, the DefVaults entry, and the user's record
// on the registered token. Until user creation is part of the program, the
// key files' test fixtures do the work.
//   make_demo_user PROGRAM_FOLDER USER PASSWORD TOKEN_NAME TOKEN_PASSWORD
#include <windows.h>

#include <cstdio>
#include <string>

#include "key_fixture.h"
#include "keys/key_files.h"
#include "maintenance/registry_settings.h"
#include "token/token_operations.h"

int main(int argc, char **argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: make_demo_user PROGRAM_FOLDER USER PASSWORD TOKEN_NAME TOKEN_PASSWORD\n");
        return 2;
    }
    const std::string folder = argv[1], user = argv[2], password = argv[3];
    const char *tokenName = argv[4], *tokenPassword = argv[5];
    const std::string vaultPath = folder + "\\Vault\\" + user + ".udf";
    const long long vaultBytes = 8ll * 1048576;

    TestUser demo(user, password, vaultPath, 7);
    MakeVaultFile(vaultPath, demo.vaultKey, vaultBytes);
    if (!FileExists(vaultPath)) {
        std::fprintf(stderr, "make_demo_user: cannot write %s\n", vaultPath.c_str());
        return 1;
    }
    WriteBytes(folder + "\\Key\\" + user + ".vault", VaultInfoFor(vaultPath, demo.keyBlock));
    if (RegisterVault(user.c_str(), vaultPath.c_str()) != 1) {
        std::fprintf(stderr, "make_demo_user: cannot register the vault of %s\n", user.c_str());
        return 1;
    }
    if (SelectToken(NULL, tokenName) != 1 || SealUserInfo(NULL, demo.salt.data(), demo.keyBlock.data(),
                                                          password.c_str(), vaultPath.c_str(), tokenPassword) != 1) {
        std::fprintf(stderr, "make_demo_user: cannot store the user's record on token %s\n", tokenName);
        return 1;
    }
    std::printf("demo user %s: vault %s (%lld MB)\n", user.c_str(), vaultPath.c_str(), vaultBytes / 1048576);
    return 0;
}
