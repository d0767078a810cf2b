// The small registry operations on SOFTWARE\Kovara (HKEY_LOCAL_MACHINE) that
// the log-in, the open sequence and the lock share. Each opens and closes its
// key; none keeps a handle and none shows a message.
#pragma once
#include <stddef.h>

#include "keys/core/path_size.h"

// DefVaults: one REG_SZ value per user, named as the user, holding the
// container path. 1 or 0.
int RegisterVault(const char *userName, const char *containerPath);
// 1 when the user's value exists and holds more than one character; the path
// (always NUL-terminated inside pathSize bytes, at most 261 read) is copied out.
int FindVault(const char *userName, char *path, size_t pathSize);
int UnregisterVault(const char *userName);
int AnyVaultRegistered();

// VaultStatus\OpenVault: the drive of the open vault ("F:").
int SetOpenVault(const char *drive);
// Deletes the value; a missing key or value is not an error.
void ClearOpenVault();
// 1 with the value's text (NUL-terminated inside textSize bytes), else 0.
int ReadOpenVault(char *text, size_t textSize);
// 1 when the value exists, whatever its type, length or content.
int OpenVaultPresent();

// DriveIcons\<letter>\DefaultIcon = program folder + "\udf.ico". 1 or 0.
int WriteDriveIcon(char letter, const char *programFolder);

// The weekly reminders: PwdReminder\Remind and BkupReminder\Remind.
enum ReminderKind { kPasswordReminder, kBackupReminder };
// On: creates the key if needed and sets Remind to "Yes". Off: deletes the
// value (a missing key or value is fine). 1 or 0.
int SetReminder(ReminderKind kind, int on);
// 1 when Remind exists and reads "Yes" in any case.
int ReminderOn(ReminderKind kind);

// The date of first use: SOFTWARE\Kovara\FirstUse, "YYYY-MM-DD", written on
// the first start. ReadFirstUse is 1 only for a well-formed date.
int ReadFirstUse(int *year, int *month, int *day);
int RecordFirstUse(int year, int month, int day);
