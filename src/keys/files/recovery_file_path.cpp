#include "keys/files/recovery_file_path.h"

#include <string>

#include "shared/shell_link/shell_link.h"
#include "shell/state/process_state.h"

int RecoveryFilePathOf(const char *userName, char *path, size_t pathSize) {
    return JoinFolderAndName(g_process.programFolder, (std::string("PRF\\") + userName + ".prf").c_str(), path,
                             pathSize);
}
