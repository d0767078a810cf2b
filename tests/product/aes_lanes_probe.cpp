// The constant-time AES of the 32-bit build on files, for the product check
// crypto-lanes-match-openssl-as-32-bit (built for the host with the 32-bit
// build's lanes where no 32-bit program runs): each IN is encrypted and, apart,
// decrypted with the sector chaining from FIRST-SECTOR on, through the
// bitsliced lanes where the length allows and the planes for the rest.
//   aes_lanes_probe KEY-HEX FIRST-SECTOR IN...   writes IN.enc and IN.dec
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "crypto/core/aes_impl.h"

namespace {

bool ReadFile(const std::string &path, std::vector<unsigned char> *bytes) {
    FILE *file = fopen(path.c_str(), "rb");
    if (!file) return false;
    unsigned char chunk[65536];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, file)) > 0;) bytes->insert(bytes->end(), chunk, chunk + n);
    fclose(file);
    return true;
}

bool WriteFile(const std::string &path, const std::vector<unsigned char> &bytes) {
    FILE *file = fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && ok;
}

SectorCounter CounterAt(unsigned long long sector) {
    SectorCounter counter = {{uint32_t(sector), uint32_t(sector >> 32), 0, 0}};
    return counter;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 4 || strlen(argv[1]) != 64) {
        fprintf(stderr, "usage: aes_lanes_probe KEY-HEX(64) FIRST-SECTOR IN...\n");
        return 2;
    }
    unsigned char key[32];
    for (int i = 0; i < 32; i++) {
        char pair[3] = {argv[1][2 * i], argv[1][2 * i + 1], 0};
        key[i] = (unsigned char)strtoul(pair, NULL, 16);
    }
    const unsigned long long first = strtoull(argv[2], NULL, 10);
    AesContext context;
    memset(&context, 0, sizeof context);
    if (AesSetKey(key, sizeof key, 0, &context) != kAesKeyOk) return 1;
    printf("%u-bit build\n", unsigned(sizeof(void *) * 8));
#if UINTPTR_MAX <= 0xFFFFFFFFu || defined(KOVARA_AES_NARROW_LANES)
    printf("32-bit lanes\n");
#endif
    for (int i = 3; i < argc; i++) {
        std::vector<unsigned char> plain;
        if (!ReadFile(argv[i], &plain) || plain.size() % 16) {
            fprintf(stderr, "%s: unreadable or not whole blocks\n", argv[i]);
            return 1;
        }
        std::vector<unsigned char> encrypted = plain, decrypted = plain;
        SectorCounter counter = CounterAt(first);
        SectorEncryptCt(encrypted.data(), encrypted.size(), &counter, &context);
        const unsigned long long sectors = (plain.size() + 511) / 512;
        if (counter.words[0] != uint32_t(first + sectors) || counter.words[1] != uint32_t((first + sectors) >> 32)) {
            fprintf(stderr, "%s: the counter did not advance once per sector\n", argv[i]);
            return 1;
        }
        counter = CounterAt(first);
        SectorDecryptCt(decrypted.data(), decrypted.size(), &counter, &context);
        if (!WriteFile(std::string(argv[i]) + ".enc", encrypted) || !WriteFile(std::string(argv[i]) + ".dec", decrypted)) {
            fprintf(stderr, "%s: cannot write the results\n", argv[i]);
            return 1;
        }
    }
    return 0;
}
