// Identifiers of the installer's resources.
#pragma once

#define IDI_SETUP_KOVARA 101
#define IDD_INSTALL_KOVARA 200
#define IDC_INSTALL_PATH 201
#define IDC_INSTALL_FOLDER 202
#define IDC_SHORTCUT_NAME 203
#define IDC_BROWSE 204
#define IDC_FILE_LIST 205
#define IDC_INSTALL_STATUS 206
#define IDC_INSTALL 207
