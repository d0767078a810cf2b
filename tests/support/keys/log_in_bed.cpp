#include "log_in_bed.h"

#include <string.h>

#include "driver_fixture.h"
#include "maintenance/registry/registry_settings.h"
#include "shell/state/open_vault.h"
#include "shell/state/process_state.h"

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

std::unique_ptr<MainWindowUnderTest> StartMainWindow(robot::Answerer &answerer) {
    answerer.OnDialog(kMainWindowUnderTestCaption, [](HWND) {});
    return std::unique_ptr<MainWindowUnderTest>(new MainWindowUnderTest());
}
