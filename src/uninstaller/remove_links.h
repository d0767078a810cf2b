// Removing the shortcuts and the program-group folder that the installation
// log lists, then the log itself.
#pragma once

// 1 when every listed item is gone and the log deleted; 0 after a message.
// Records other than the installer's shortcuts and program group are not
// acted on, and their presence fails the step.
int RemoveLoggedLinks(const char *programFolder);
