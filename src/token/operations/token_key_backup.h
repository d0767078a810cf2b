// Backup and restore of the token key: a copy of the user information record
// held on the token, in a file of the user's choice, and the way back.
#pragma once
#include <windows.h>

// Asks for a folder (again while the file exists there), reads the record from
// the selected token and writes it to folder + nameStem + extension as a new
// file. 1 when the file was written; 0 when cancelled or after a message.
int BackupTokenKey(HWND owner, const char *nameStem, const char *extension, const char *tokenPassword);

// Offers to save the last copy of a token key that could not be stored on the
// token as a whole key backup ("KovdevTokenKey.user", 852 bytes) into a
// folder the user picks; asks again until it is saved or the user confirms
// that it may go. The caller wipes the record afterwards.
void OfferToSaveLastKeyCopy(HWND owner, const unsigned char *record852);

// The checks and the restore behind "&OK" of "Kovara - Restore Key On Token".
// 1 when the record from the file is on the token.
int RestoreTokenKey(HWND dialog, const char *filePath, const char *userName, const char *password,
                    const char *tokenPassword);
