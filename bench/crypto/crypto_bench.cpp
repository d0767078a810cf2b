// Throughput of the crypto core against OpenSSL (and the constant-time AES
// against BearSSL's constant-time br_aes_ct64), measured in the same run on
// the same buffers, printed as ratios. Run: build/native/bench/crypto_bench
#define OPENSSL_SUPPRESS_DEPRECATED
#include <bearssl.h>
#include <benchmark/benchmark.h>
#include <openssl/blowfish.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/sha.h>
#include <stdio.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

#include "crypto/core/aes_impl.h"
#include "crypto/core/blowfish.h"
#include "crypto/core/derive_key.h"
#include "crypto/core/sha512.h"

namespace {

struct Inputs {
    unsigned char key[32];
    unsigned char salt[kSaltLength];
    unsigned char password[8];
    AesContext aes;
    BlowfishContext blowfish;
    BF_KEY bf;
    std::vector<unsigned char> buffer = std::vector<unsigned char>(128 * 512);

    Inputs() {
        for (int i = 0; i < 32; ++i) key[i] = (unsigned char)(i * 37 + 1);
        for (int i = 0; i < kSaltLength; ++i) salt[i] = (unsigned char)(i * 11 + 5);
        memcpy(password, "Pa55word", 8);
        for (size_t i = 0; i < buffer.size(); ++i) buffer[i] = (unsigned char)(i * 7);
        memset(&aes, 0, sizeof aes);
        AesSetKey(key, 32, 0, &aes);
        BlowfishSetKey(&blowfish, 32, key);
        BF_set_key(&bf, 32, key);
    }
};

Inputs &In() {
    static Inputs inputs;
    return inputs;
}

using SectorFunction = void (*)(unsigned char *, size_t, SectorCounter *, const AesContext *);

void RunSectors(benchmark::State &state, SectorFunction function, int sectors) {
    Inputs &in = In();
    for (auto _ : state) {
        SectorCounter counter = {{0, 0, 0, 0}};
        function(in.buffer.data(), 512 * sectors, &counter, &in.aes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 512 * sectors);
}

// The reference: AES-256-CBC through EVP, key set once, the IV set per sector.
void RunOpenSslSectors(benchmark::State &state, bool encrypt, int sectors) {
    Inputs &in = In();
    EVP_CIPHER_CTX *ctx = EVP_CIPHER_CTX_new();
    EVP_CipherInit_ex(ctx, EVP_aes_256_cbc(), nullptr, in.key, nullptr, encrypt ? 1 : 0);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    for (auto _ : state) {
        for (int s = 0; s < sectors; ++s) {
            unsigned char iv[16] = {(unsigned char)s};
            int outLength = 0;
            EVP_CipherInit_ex(ctx, nullptr, nullptr, nullptr, iv, -1);
            unsigned char *p = in.buffer.data() + 512 * s;
            EVP_CipherUpdate(ctx, p, &outLength, p, 512);
        }
        benchmark::ClobberMemory();
    }
    EVP_CIPHER_CTX_free(ctx);
    state.SetBytesProcessed(int64_t(state.iterations()) * 512 * sectors);
}

// The constant-time reference: BearSSL's br_aes_ct64 in CBC, key set once,
// one call per sector with the sector number as IV, as a caller of it would.
void RunBearSslSectors(benchmark::State &state, bool encrypt, int sectors) {
    Inputs &in = In();
    br_aes_ct64_cbcenc_keys encryptKeys;
    br_aes_ct64_cbcdec_keys decryptKeys;
    br_aes_ct64_cbcenc_init(&encryptKeys, in.key, 32);
    br_aes_ct64_cbcdec_init(&decryptKeys, in.key, 32);
    for (auto _ : state) {
        for (int s = 0; s < sectors; ++s) {
            unsigned char iv[16] = {(unsigned char)s};
            unsigned char *p = in.buffer.data() + 512 * s;
            if (encrypt)
                br_aes_ct64_cbcenc_run(&encryptKeys, iv, p, 512);
            else
                br_aes_ct64_cbcdec_run(&decryptKeys, iv, p, 512);
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 512 * sectors);
}

void RunDeriveKey(benchmark::State &state) {
    Inputs &in = In();
    unsigned char out[kDerivedKeyLength];
    for (auto _ : state) {
        DeriveKey(in.password, 8, in.salt, kSaltLength, kDeriveIterations, out, kDerivedKeyLength);
        benchmark::DoNotOptimize(out);
    }
}

// The reference derivation over OpenSSL's HMAC with one reused context,
// password as message and salt/previous value as key.
void RunOpenSslDeriveKey(benchmark::State &state) {
    Inputs &in = In();
    unsigned char out[kDerivedKeyLength];
    HMAC_CTX *ctx = HMAC_CTX_new();
    for (auto _ : state) {
        for (int index = 1; index <= kDerivedKeyLength / 16; ++index) {
            unsigned char key[kSaltLength + 4];
            memcpy(key, in.salt, kSaltLength);
            key[kSaltLength] = key[kSaltLength + 1] = key[kSaltLength + 2] = 0;
            key[kSaltLength + 3] = (unsigned char)index;
            unsigned char u[EVP_MAX_MD_SIZE], t[16];
            unsigned length;
            HMAC_Init_ex(ctx, key, sizeof key, EVP_md5(), nullptr);
            HMAC_Update(ctx, in.password, 8);
            HMAC_Final(ctx, u, &length);
            memcpy(t, u, 16);
            for (int n = 1; n < kDeriveIterations; ++n) {
                unsigned char previous[16];
                memcpy(previous, u, 16);
                HMAC_Init_ex(ctx, previous, 16, EVP_md5(), nullptr);
                HMAC_Update(ctx, in.password, 8);
                HMAC_Final(ctx, u, &length);
                for (int b = 0; b < 16; ++b) t[b] ^= u[b];
            }
            memcpy(out + 16 * (index - 1), t, 16);
        }
        benchmark::DoNotOptimize(out);
    }
    HMAC_CTX_free(ctx);
}

void RunBlowfish(benchmark::State &state) {
    Inputs &in = In();
    for (auto _ : state) {
        BlowfishEncryptBuffer(in.buffer.data(), 576, &in.blowfish);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 576);
}

void RunBlowfishBlocks(benchmark::State &state) {
    Inputs &in = In();
    for (auto _ : state) {
        for (int at = 0; at < 576; at += 8) BlowfishEncryptBlock(in.buffer.data() + at, &in.blowfish);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 576);
}

void RunOpenSslBlowfish(benchmark::State &state) {
    Inputs &in = In();
    for (auto _ : state) {
        for (int at = 0; at < 576; at += 8) {
            unsigned char *p = in.buffer.data() + at;
            BF_ecb_encrypt(p, p, &in.bf, BF_ENCRYPT);
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 576);
}

void RunSha512(benchmark::State &state) {
    Inputs &in = In();
    unsigned char digest[64];
    for (auto _ : state) {
        Sha512State sha;
        Sha512Init(&sha);
        Sha512Update(&sha, in.buffer.data(), 256);
        Sha512Final(digest, &sha);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 256);
}

void RunOpenSslSha512(benchmark::State &state) {
    Inputs &in = In();
    unsigned char digest[64];
    for (auto _ : state) {
        SHA512_CTX sha;
        SHA512_Init(&sha);
        SHA512_Update(&sha, in.buffer.data(), 256);
        SHA512_Final(digest, &sha);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 256);
}

// Keeps the processor time per iteration (less disturbed than wall time on a shared machine) of every run for the ratio tables.
class CollectingReporter : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, double> seconds;
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &run : runs)
            if (!run.error_occurred && run.run_type == Run::RT_Iteration)
                seconds[run.benchmark_name()] = run.cpu_accumulated_time / double(run.iterations);
        ConsoleReporter::ReportRuns(runs);
    }
};

struct Row {
    const char *label, *ours, *reference;
    double target;          // 0: no target
    bool timeRatio;         // target is on time ours/reference rather than throughput
};

void PrintTable(const char *title, CollectingReporter &reporter, const Row *rows, int count, bool constantTimePath) {
    printf("\n%s\n", title);
    printf("%-34s %12s %12s %8s %8s %s\n", "operation (CPU time)", "ours us", "OpenSSL us", "ratio", "target", "");
    for (int i = 0; i < count; ++i) {
        const Row &row = rows[i];
        std::string ours = std::string(row.ours) + (constantTimePath ? "/constant-time" : "/ours");
        auto a = reporter.seconds.find(ours), b = reporter.seconds.find(row.reference);
        if (a == reporter.seconds.end() || b == reporter.seconds.end()) continue;
        double ratio = row.timeRatio ? a->second / b->second : b->second / a->second;
        char target[16] = "-";
        const char *verdict = "";
        if (row.target > 0 && !constantTimePath) {
            snprintf(target, sizeof target, "%s%.2f", row.timeRatio ? "<=" : ">=", row.target);
            verdict = (row.timeRatio ? ratio <= row.target : ratio >= row.target) ? "met" : "NOT MET";
        }
        // The constant-time path is many times slower than AES-NI: show its ratio in full.
        printf(constantTimePath ? "%-34s %12.3f %12.3f %8.5f %8s %s\n" : "%-34s %12.3f %12.3f %8.2f %8s %s\n", row.label,
               a->second * 1e6, b->second * 1e6, ratio, target, verdict);
    }
}

}  // namespace

int main(int argc, char **argv) {
    const struct {
        const char *name;
        bool encrypt;
        int sectors;
        bool bulk;
    } sectorCases[] = {{"SectorDecrypt/1", false, 1, false},
                       {"SectorDecrypt/128", false, 128, false},
                       {"SectorDecryptBulk/128", false, 128, true},
                       {"SectorEncrypt/1", true, 1, false},
                       {"SectorEncrypt/128", true, 128, false}};
    for (const auto &c : sectorCases) {
        std::string name = c.name;
        SectorFunction ours = c.encrypt ? SectorEncrypt : c.bulk ? SectorDecryptBulk : SectorDecrypt;
        SectorFunction constantTime = c.encrypt ? SectorEncryptCt : SectorDecryptCt;
        int sectors = c.sectors;
        bool encrypt = c.encrypt;
        benchmark::RegisterBenchmark((name + "/ours").c_str(),
                                     [=](benchmark::State &s) { RunSectors(s, ours, sectors); });
        benchmark::RegisterBenchmark((name + "/constant-time").c_str(),
                                     [=](benchmark::State &s) { RunSectors(s, constantTime, sectors); });
        benchmark::RegisterBenchmark((name + "/openssl").c_str(),
                                     [=](benchmark::State &s) { RunOpenSslSectors(s, encrypt, sectors); });
        if (!c.bulk)
            benchmark::RegisterBenchmark((name + "/bearssl-ct64").c_str(),
                                         [=](benchmark::State &s) { RunBearSslSectors(s, encrypt, sectors); });
    }
    benchmark::RegisterBenchmark("DeriveKey/ours", RunDeriveKey)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("DeriveKey/openssl", RunOpenSslDeriveKey)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Blowfish576/ours", RunBlowfish);
    benchmark::RegisterBenchmark("Blowfish576/blocks/ours", RunBlowfishBlocks);
    benchmark::RegisterBenchmark("Blowfish576/openssl", RunOpenSslBlowfish);
    benchmark::RegisterBenchmark("Sha512/256/ours", RunSha512);
    benchmark::RegisterBenchmark("Sha512/256/openssl", RunOpenSslSha512);

    benchmark::Initialize(&argc, argv);
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const Row rows[] = {
        {"SectorDecrypt, 1 sector", "SectorDecrypt/1", "SectorDecrypt/1/openssl", 0.9, false},
        {"SectorDecrypt, 128 sectors", "SectorDecrypt/128", "SectorDecrypt/128/openssl", 0.9, false},
        {"SectorEncrypt, 1 sector", "SectorEncrypt/1", "SectorEncrypt/1/openssl", 0, false},
        {"SectorEncrypt, 128 sectors", "SectorEncrypt/128", "SectorEncrypt/128/openssl", 3.0, false},
        {"SectorDecryptBulk, 128 sectors", "SectorDecryptBulk/128", "SectorDecrypt/128/openssl", 0, false},
        {"DeriveKey (8, 20, 1000, 256) time", "DeriveKey", "DeriveKey/openssl", 1.1, true},
        {"Blowfish, 576 bytes", "Blowfish576", "Blowfish576/openssl", 1.0, false},
        {"Blowfish, 576 bytes, block calls", "Blowfish576/blocks", "Blowfish576/openssl", 0, false},
        {"SHA-512, 256 bytes", "Sha512/256", "Sha512/256/openssl", 0, false},
    };
    printf("\nAES path in use: %s; bulk decryption: %s\n", AesNiAvailable() ? "AES-NI" : "constant-time",
           AesVaes512Available() ? "VAES, 512-bit registers"
           : AesVaesAvailable()  ? "VAES"
           : AesNiAvailable()    ? "AES-NI"
                                 : "constant-time");
    PrintTable("Throughput ratio ours/OpenSSL (DeriveKey: time ratio ours/reference)", reporter, rows, 9, false);
    PrintTable("Constant-time AES path (no AES-NI) against OpenSSL", reporter, rows, 4, true);

    // The constant-time path against the constant-time reference on the same bytes.
    const Row ctRows[] = {
        {"SectorDecrypt, 1 sector", "SectorDecrypt/1", "SectorDecrypt/1/bearssl-ct64", 0, false},
        {"SectorDecrypt, 128 sectors", "SectorDecrypt/128", "SectorDecrypt/128/bearssl-ct64", 1.0, false},
        {"SectorEncrypt, 1 sector", "SectorEncrypt/1", "SectorEncrypt/1/bearssl-ct64", 0, false},
        {"SectorEncrypt, 128 sectors", "SectorEncrypt/128", "SectorEncrypt/128/bearssl-ct64", 1.0, false},
    };
    printf("\nConstant-time AES path against BearSSL br_aes_ct64 CBC\n");
    printf("%-34s %12s %12s %8s %8s %s\n", "operation (CPU time)", "ours us", "BearSSL us", "ratio", "target", "");
    for (const Row &row : ctRows) {
        auto a = reporter.seconds.find(std::string(row.ours) + "/constant-time");
        auto b = reporter.seconds.find(row.reference);
        if (a == reporter.seconds.end() || b == reporter.seconds.end()) continue;
        double ratio = b->second / a->second;
        char target[16] = "-";
        if (row.target > 0) snprintf(target, sizeof target, ">=%.2f", row.target);
        printf("%-34s %12.3f %12.3f %8.2f %8s %s\n", row.label, a->second * 1e6, b->second * 1e6, ratio, target,
               row.target > 0 ? (ratio >= row.target ? "met" : "NOT MET") : "");
    }
    benchmark::Shutdown();
    return 0;
}
