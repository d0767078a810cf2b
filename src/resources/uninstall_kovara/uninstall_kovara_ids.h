// Identifiers of the uninstaller's resources.
#pragma once

#define IDI_UNINSTALL_KOVARA 101
#define IDD_UNINSTALL_KOVARA 300
#define IDC_UNINSTALL 301
#define IDC_UNINSTALL_STATUS 302
#define IDC_REMOVE_LIST 303
// Result labels of the five step rows: IDC_STEP_RESULT_FIRST + 0 .. 4.
#define IDC_STEP_RESULT_FIRST 310
