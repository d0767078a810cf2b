#include "maintenance/preferences/reminders.h"

#include <stdlib.h>

#include "shell/ui/message_box.h"
#include "maintenance/registry/registry_settings.h"

namespace {

const unsigned long long kDayIn100ns = 864000000000ULL;

int MidnightFileTime(const SYSTEMTIME &date, unsigned long long *ticks) {
    SYSTEMTIME midnight = {};
    midnight.wYear = date.wYear;
    midnight.wMonth = date.wMonth;
    midnight.wDay = date.wDay;
    FILETIME fileTime;
    if (!SystemTimeToFileTime(&midnight, &fileTime)) return 0;
    *ticks = (static_cast<unsigned long long>(fileTime.dwHighDateTime) << 32) | fileTime.dwLowDateTime;
    return 1;
}

SYSTEMTIME TodayUtc() {
    SYSTEMTIME now;
    GetSystemTime(&now);
    return now;
}

}  // namespace

void ReadReminders(ReminderFlags *flags) {
    flags->passwordReminderOn = ReminderOn(kPasswordReminder);
    flags->backupReminderArmed = ReminderOn(kBackupReminder);
}

long DaysBetween(const SYSTEMTIME &first, const SYSTEMTIME &second) {
    unsigned long long a, b;
    if (!MidnightFileTime(first, &a) || !MidnightFileTime(second, &b)) return -1;
    return static_cast<long>((a > b ? a - b : b - a) / kDayIn100ns);
}

void WeeklyReminderCheck(HWND owner, ReminderFlags *flags) {
    int year, month, day;
    if (!ReadFirstUse(&year, &month, &day)) return;
    SYSTEMTIME firstUse = {};
    firstUse.wYear = static_cast<WORD>(year);
    firstUse.wMonth = static_cast<WORD>(month);
    firstUse.wDay = static_cast<WORD>(day);
    long days = DaysBetween(firstUse, TodayUtc());
    if (days < 0) return;
    if (days % 7 != 0) {
        flags->backupReminderArmed = 0;
        return;
    }
    if (flags->passwordReminderOn)
        ShowMessageBox(owner,
                       "Hi, this is your weekly password updation reminder."
                       "You are reminded to update your password.",
                       kKovaraCaption, MB_OK | MB_ICONINFORMATION);
}

void SetUpWeeklyReminders(HWND owner, ReminderFlags *flags) {
    int year, month, day;
    if (!ReadFirstUse(&year, &month, &day)) {
        SYSTEMTIME today = TodayUtc();
        RecordFirstUse(today.wYear, today.wMonth, today.wDay);
    }
    ReadReminders(flags);
    WeeklyReminderCheck(owner, flags);
}
