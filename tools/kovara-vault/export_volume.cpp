#include "export_volume.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "crypto/core/aes_impl.h"
#include "crypto/core/secure_wipe.h"
#include "progress_bar.h"
#include "refusal.h"
#include "secret_input.h"

namespace {

// Large enough for sequential reads, small enough to stay in the core's own
// cache between the read, the decryption and the write.
const size_t kRunBytes = size_t(256) << 10;

struct ExportState {
    const VaultFile *vault;
    const AesContext *context;
    const OutputFile *output;
    uint64_t runs;
    std::atomic<uint64_t> nextRun{0};
    std::mutex lock;
    std::condition_variable turn;
    uint64_t written = 0;  // runs written so far, in order
    bool failed = false;
    std::string failure;
    ProgressBar bar;
};

void Fail(ExportState *state, const std::string &message) {
    std::lock_guard<std::mutex> hold(state->lock);
    if (!state->failed) state->failure = message;
    state->failed = true;
    state->turn.notify_all();
}

// After a run failed to read: the first of its sectors that does not read, so
// that the user learns where the container is damaged.
std::string ReadFailure(const VaultFile &vault, unsigned char *buffer, uint64_t offset, size_t length, int runError) {
    for (size_t at = 0; at < length; at += kSectorSize) {
        if (ReadVaultBytes(vault, buffer, kSectorSize, offset + at)) continue;
        uint64_t sector = (offset + at) / kSectorSize;
        return vault.path + ": cannot read sector " + std::to_string(sector) + " (byte " +
               std::to_string(sector * kSectorSize) + "): " + strerror(errno);
    }
    return vault.path + ": cannot read sectors " + std::to_string(offset / kSectorSize) + " to " +
           std::to_string((offset + length) / kSectorSize - 1) + ": " + strerror(runError);
}

void Work(ExportState *state) {
    unsigned char *buffer = static_cast<unsigned char *>(aligned_alloc(4096, kRunBytes));
    if (!buffer) {
        Fail(state, "not enough memory for the export");
        return;
    }
    for (;;) {
        uint64_t run = state->nextRun.fetch_add(1);
        if (run >= state->runs) break;
        uint64_t offset = run * kRunBytes;
        size_t length = size_t(state->vault->bytes - offset < kRunBytes ? state->vault->bytes - offset : kRunBytes);
        if (!ReadVaultBytes(*state->vault, buffer, length, offset)) {
            Fail(state, ReadFailure(*state->vault, buffer, offset, length, errno));
            break;
        }
        DecryptSectors(state->context, buffer, length, offset / kSectorSize);

        std::unique_lock<std::mutex> hold(state->lock);
        state->turn.wait(hold, [&] { return state->failed || state->written == run; });
        if (state->failed) break;
        hold.unlock();
        // Only the run whose turn it is writes; the others wait above.
        if (!WriteOutput(*state->output, buffer, length)) {
            Fail(state, OutputName(*state->output) + ": write failed: " + strerror(errno));
            break;
        }
        hold.lock();
        state->written++;
        ShowProgress(&state->bar, offset + length);
        state->turn.notify_all();
    }
    SecureWipe(buffer, kRunBytes);
    free(buffer);
}

}  // namespace

void ExportVolume(const VaultProof &proof, int threads, OutputFile *output) {
    AesContext context;
    memset(&context, 0, sizeof context);
    LockInMemory(&context, sizeof context);
    AesSetKey(proof.vaultKey, kVaultKeyLength, 0, &context);
    posix_fadvise(proof.vault.fd, 0, 0, POSIX_FADV_SEQUENTIAL);

    ExportState state;
    state.vault = &proof.vault;
    state.context = &context;
    state.output = output;
    state.runs = (proof.vault.bytes + kRunBytes - 1) / kRunBytes;
    StartProgress(&state.bar, proof.vault.bytes);

    unsigned count = threads > 0 ? unsigned(threads) : std::thread::hardware_concurrency();
    if (count == 0) count = 1;
    if (count > state.runs) count = unsigned(state.runs);
    fprintf(stderr, "decrypting on %u thread%s with %s\n", count, count == 1 ? "" : "s",
            AesVaes512Available() ? "VAES, 512-bit registers"
            : AesVaesAvailable()  ? "VAES"
            : AesNiAvailable()    ? "AES-NI"
                               : "the table-driven AES (no AES-NI on this processor)");
    std::vector<std::thread> workers;
    for (unsigned i = 0; i < count; i++) {
        try {
            workers.emplace_back(Work, &state);
        } catch (const std::system_error &) {
            break;  // the threads already running share the work
        }
    }
    if (workers.empty()) Work(&state);
    for (std::thread &worker : workers) worker.join();
    SecureWipe(&context, sizeof context);
    EndProgress(&state.bar);
    if (state.failed) {
        AbandonOutput(output);
        Refuse(state.failure);
    }
}
