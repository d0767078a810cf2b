#include "log_in_bed.h"

#include <string.h>

#include "driver_fixture.h"
#include "maintenance/registry_settings.h"
#include "shell/open_vault.h"
#include "shell/process_state.h"

void StartFromIdleDriver(const ScratchFolder &folder) {
    drivertest::ReleaseEveryVault();
    memset(&g_process, 0, sizeof g_process);
    memset(&g_openVault, 0, sizeof g_openVault);
    strcpy(g_process.programFolder, folder.path.c_str());
    ClearOpenVault();
}

void LeaveIdleDriver() {
    drivertest::ReleaseEveryVault();
    ClearOpenVault();
}

std::unique_ptr<MainWindowThread> StartMainWindow(robot::Answerer &answerer, const char *caption) {
    answerer.OnDialog(caption, [](HWND) {});
    return std::unique_ptr<MainWindowThread>(new MainWindowThread(caption));
}

std::vector<std::string> BoxTextsFrom(robot::Answerer &answerer, size_t first) {
    std::vector<std::string> texts;
    auto seen = answerer.Boxes();
    for (size_t i = first; i < seen.size(); ++i) texts.push_back(seen[i].text);
    return texts;
}
