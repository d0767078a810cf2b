// Resource identifiers of the vault manager, as the resource script names them.
#pragma once

// Token dialogs.
#define IDD_SETUP_TOKEN 300
#define IDD_TOKEN_AUTHORISATION 301
#define IDD_AUTHORISE_TOKEN_USE 546
#define IDC_TOKEN_PATH_LABEL 1000
#define IDC_TOKEN_NAME_LABEL 1001
#define IDC_TOKEN_OK 1069
#define IDC_TOKEN_BROWSE 1139
#define IDC_TOKEN_CANCEL 1141
#define IDC_TOKEN_OWN_LIBRARY 1292
#define IDC_TOKEN_ETOKEN 1293
#define IDC_TOKEN_HELP 1306
#define IDC_TOKEN_SETUP_NEW 1306
#define IDC_TOKEN_SUPPORT_LINK 1353
#define IDC_TOKEN_LIBRARY_PATH 1356
#define IDC_TOKEN_NAME 1357
#define IDC_TOKEN_IKEY 1358
#define IDC_TOKEN_SCHLUMBERGER 1359
#define IDC_TOKEN_SET_DEFAULT 1361
#define IDC_SELECT_TOKEN 1464
#define IDC_TOKEN_PASSWORD 1466
#define IDC_TOKEN_RESTORE_BACKUP 1469

// Application icon and the file chooser's icon.
#define IDI_KOVARA 487
#define IDI_CHOOSE_FILE 543
// Main window (dialog template 406) and its log-in and new-user pages.
#define IDD_MAIN_WINDOW        406
#define IDC_PAGE_PICTURE       1438
#define IDC_NEW_USER_LABEL     1423
#define IDC_NEW_USER_NAME      1375
#define IDC_NEW_PASSWORD_LABEL 1424
#define IDC_NEW_PASSWORD       1008
#define IDC_RECONFIRM_LABEL    1425
#define IDC_RECONFIRM_PASSWORD 1376
#define IDC_RECOVERY_QUESTION  1426
#define IDC_RECOVERY_YES       1251
#define IDC_RECOVERY_NO        1252
#define IDC_RECOVERY_HELP      1069
#define IDC_CREATE_NEXT        1201
#define IDC_CREATE_CANCEL      1202
#define IDC_CREATION_STATUS    1440
#define IDC_CREATION_PROGRESS  1439
#define IDC_LOGIN_INTRO        1427
#define IDC_LOGIN_USER_LABEL   1428
#define IDC_LOGIN_USER         1197
#define IDC_LOGIN_PASSWORD_LABEL 1429
#define IDC_LOGIN_PASSWORD     219
#define IDC_FORGOT_PASSWORD    1374
#define IDC_PICK_DRIVE         1410
#define IDC_PICK_DRIVE_HELP    1411
#define IDC_PICKED_DRIVE_TEXT  1412
#define IDC_LOGIN_OK           1071
#define IDC_LOGIN_HELP         1070
#define IDC_CREATE_NEW_USER    1413
#define IDC_USE_BACKUP         1477
#define IDC_CHANGE_PASSWORD    1447
#define IDC_LOGIN_STATUS       1446
#define IDC_LOGIN_PROGRESS     1445

// Drive-letter dialog (template 481): radio buttons A: to Z: are
// IDC_DRIVE_A + 0 to IDC_DRIVE_A + 25.
#define IDD_DRIVE_LETTER       481
#define IDC_DRIVE_A            1601

// Log-in-from-backup dialog: the vault file and the whole or split backup
// files, each field filled by its "Browse" button.
#define IDD_LOG_IN_BACKUP            471
#define IDC_BACKUP_SINGLE            1701
#define IDC_BACKUP_SPLIT             1702
#define IDC_BACKUP_VAULT_FILE        1703
#define IDC_BACKUP_VAULT_BROWSE      1704
#define IDC_BACKUP_USER_INFO         1705
#define IDC_BACKUP_USER_INFO_BROWSE  1706
#define IDC_BACKUP_VAULT_INFO        1707
#define IDC_BACKUP_VAULT_INFO_BROWSE 1708
#define IDC_BACKUP_USER_INFO_1       1709
#define IDC_BACKUP_USER_INFO_1_BROWSE 1710
#define IDC_BACKUP_VAULT_INFO_1      1711
#define IDC_BACKUP_VAULT_INFO_1_BROWSE 1712
#define IDC_BACKUP_USER_INFO_2       1713
#define IDC_BACKUP_USER_INFO_2_BROWSE 1714
#define IDC_BACKUP_VAULT_INFO_2      1715
#define IDC_BACKUP_VAULT_INFO_2_BROWSE 1716

// User creation: "Kovara - Setup Your Vault" (location, name and size of the
// new vault), "Kovara - Vault Created" (the format) and "Kovara - User
// Information Backup" (the backup offered at the end of a creation).
#define IDD_SETUP_VAULT          601
#define IDC_VAULT_LOCATION       1801
#define IDC_VAULT_BROWSE         1802
#define IDC_VAULT_NAME           1803
#define IDC_VAULT_SIZE           1804
#define IDC_VAULT_FREE_SPACE     1805
#define IDD_VAULT_CREATED        602
#define IDC_FORMAT_STATUS        1811
#define IDC_FORMAT_PROGRESS      1812
#define IDD_USER_INFO_BACKUP     603
#define IDC_CREATION_BACKUP_SINGLE     1821
#define IDC_CREATION_BACKUP_SPLIT      1822
#define IDC_CREATION_BACKUP_LOCATION   1823
#define IDC_CREATION_BACKUP_BROWSE     1824
#define IDC_CREATION_BACKUP_LOCATION_1 1825
#define IDC_CREATION_BACKUP_BROWSE_1   1826
#define IDC_CREATION_BACKUP_LOCATION_2 1827
#define IDC_CREATION_BACKUP_BROWSE_2   1828

// Pictures of the vault manager.
#define IDI_VAULT_OPEN         357
#define IDI_VAULT_LOCKED       364
#define IDI_USER_ALERT         403
#define IDB_NEW_USER           452
#define IDB_LOG_IN             476
#define IDB_SECURITY_ALERT     497
#define IDB_CREATE_USER        511
#define IDB_VAULT_LOCKED       512
#define IDB_HOW_TO_USE         559

// The product name, twice ("Kovara").
#define IDS_APP_TITLE          103
#define IDS_WINDOW_CLASS       109

// Tray menu "Systray" and the commands of the tray and the exit question.
#define IDM_SYSTRAY            158
#define IDM_HELP_CONTENTS      32882
#define IDM_QUICK_TUTORIAL     32917
#define IDM_ABOUT              32918
#define IDM_PREFERENCES        32908
#define IDM_BACKUP_USER_INFO   32919
#define IDM_BACKUP_VAULT       32920
#define IDM_UPDATE_SOFTWARE    32910
#define IDM_SUBMIT_SUGGESTIONS 32911
#define IDM_EXPLORE            32863
#define IDM_LOCK_AND_EXIT      32916
#define IDM_EXIT               32881

// About box.
#define IDD_ABOUT              221
#define IDC_ABOUT_VERSION      1311
#define IDC_ABOUT_LINK         1317

// Lock-and-exit dialog and the security alert dialog (status text shared).
#define IDD_LOCK_AND_EXIT      492
#define IDC_LOCK_PROGRESS      1443
#define IDC_LOCK_STATUS        1444
#define IDD_SECURITY_ALERT     496
#define IDC_ALERT_PROGRESS     1462
#define IDC_ALERT_PICTURE      1463

// Notices: "Create New User" and "Your Vault Is Locked".
#define IDD_CREATE_USER_NOTICE 509
#define IDC_NOTICE_PICTURE     1480
#define IDD_VAULT_LOCKED_NOTICE 513
#define IDC_VAULT_LOCKED_LINK  1481

// "How To Use" window.
#define IDD_HOW_TO_USE         558
#define IDC_HOW_TO_USE_PICTURE 1482
#define IDC_HOW_TO_USE_PATH    1450
#define IDC_EXPLORE_VAULT      1451
#define IDC_HOW_TO_USE_DRIVE   1499

// Restoring a token key from its backup file ("Kovara - Restore Key On Token").
#define IDD_RESTORE_KEY_ON_TOKEN     303
#define IDC_RESTORE_FILE             1318
#define IDC_RESTORE_BROWSE           1139
#define IDC_RESTORE_USER             1375
#define IDC_RESTORE_PASSWORD         1008
#define IDC_RESTORE_TOKEN_PASSWORD   1466
#define IDC_RESTORE_OK               1069
#define IDC_RESTORE_CANCEL           1141

// Change of password (template 549).
#define IDD_CHANGE_PASSWORD          549
#define IDC_CHANGE_USER              1448
#define IDC_CHANGE_TOKEN_PASSWORD    1468
#define IDC_CHANGE_OLD_PASSWORD      1170
#define IDC_CHANGE_NEW_PASSWORD      1171
#define IDC_CHANGE_RECONFIRM         1008
#define IDC_CHANGE_OK                1449
#define IDC_CHANGE_CANCEL            1169

// Password recovery: the questions asked at creation and the recovery dialog
// (template 462).
#define IDD_RECOVERY_QUESTIONS       464
#define IDD_RECOVER_PASSWORD         462
#define IDC_RECOVERY_ANSWER_1        1801
#define IDC_RECOVERY_ANSWER_2        1802
#define IDC_RECOVERY_ANSWER_3        1803
#define IDC_RECOVERY_NEXT            1804
#define IDC_RECOVERY_BACK            1805
#define IDC_RECOVER_USER             1806
#define IDC_RECOVER_SUBMIT           1807
#define IDC_RECOVER_CANCEL           1808

// Preferences (template 495).
#define IDD_PREFERENCES              495
#define IDC_PREF_PASSWORD_YES        1821
#define IDC_PREF_PASSWORD_NO         1822
#define IDC_PREF_BACKUP_YES          1823
#define IDC_PREF_BACKUP_NO           1824
#define IDC_PREF_START_MENU_YES      1825
#define IDC_PREF_OK                  1826
#define IDC_PREF_CANCEL              1827
