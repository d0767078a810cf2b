// The weekly reminders: read once when the main window starts, shown on the
// day of first use and every seventh day after it.
#pragma once
#include <windows.h>

// Flags held for one run of the vault manager.
struct ReminderFlags {
    int passwordReminderOn;
    int backupReminderArmed;  // the vault backup question at "Lock and Exit" is due
};

// Sets both flags from the two Remind values.
void ReadReminders(ReminderFlags *flags);

// Whole days between two dates (each taken at midnight), or -1 when either is
// not a valid date.
long DaysBetween(const SYSTEMTIME &first, const SYSTEMTIME &second);

// On weekly days shows the password reminder when it is on; on other days
// clears the backup flag for this run. Without a date of first use nothing
// changes.
void WeeklyReminderCheck(HWND owner, ReminderFlags *flags);

// The reminder set-up of the main window: records the date of first use on
// the first start, reads the reminders and runs the weekly check.
void SetUpWeeklyReminders(HWND owner, ReminderFlags *flags);
