#include "vault_key_output.h"

#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include "output_file.h"
#include "refusal.h"

void WriteVaultKey(const VaultProof &proof, const Options &options) {
    if (options.keyFd >= 0) {
        const std::string where = "descriptor " + std::to_string(options.keyFd);
        struct stat info;
        if (fstat(options.keyFd, &info) != 0) RefuseWithErrno(where + ": cannot write the key there", errno);
        if (isatty(options.keyFd)) Refuse(where + " is a terminal; the key is never shown: give a pipe or --key-file");
        OutputFile output;
        output.fd = options.keyFd;
        output.path = where;
        int written = WriteOutput(output, proof.vaultKey, sizeof proof.vaultKey);
        int error = errno;
        output.fd = -1;
        // Closed here, so that the reader at the other end of a pipe sees the end of the key.
        if (!written || close(options.keyFd) != 0) RefuseWithErrno(where + ": write failed", written ? errno : error);
        return;
    }
    struct stat existing;
    if (lstat(options.keyFile.c_str(), &existing) == 0) {
        if (S_ISCHR(existing.st_mode))
            Refuse(options.keyFile + " is a terminal or another device; the key is never shown there: give a new file");
        Refuse(options.keyFile + " exists; a key file is always new");
    }
    OutputFile output;
    CreateOutput(options.keyFile, false, proof, &output);
    if (!WriteOutput(output, proof.vaultKey, sizeof proof.vaultKey))
        RefuseWithErrno(options.keyFile + ": write failed", errno);
    FinishOutput(&output);
}
