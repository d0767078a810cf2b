// Preferences: the two Remind values and the start-menu helper; the weekly
// reminders read at start-up against the recorded date of first use; the
// tray's "Backup User Info" after a log-in from backup.
#include <gtest/gtest.h>

#include <string>

#include "import_patch.h"
#include "maintenance/preferences/backup_user_info.h"
#include "maintenance/messages/maintenance_messages.h"
#include "maintenance/preferences/preferences_dialog.h"
#include "maintenance/registry/registry_settings.h"
#include "maintenance/preferences/reminders.h"
#include "user_on_token.h"
#include "resources/resource.h"

namespace {

const char kCaption[] = "Kovara - Setup Your Preferences";

void SetRemindText(const char *key, const char *text) {
    HKEY handle;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr));
    RegSetValueExA(handle, "Remind", 0, REG_SZ, (const BYTE *)text, (DWORD)strlen(text) + 1);
    RegCloseKey(handle);
}

bool RemindValueExists(const char *key) {
    HKEY handle;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
    bool exists = RegQueryValueExA(handle, "Remind", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(handle);
    return exists;
}

// Wine cannot refuse a registry change: the program's own imports are pointed
// at these while a row runs.
LONG WINAPI RefuseSetValue(HKEY, LPCSTR, DWORD, DWORD, const BYTE *, DWORD) { return ERROR_ACCESS_DENIED; }
LONG WINAPI RefuseDeleteValue(HKEY, LPCSTR) { return ERROR_ACCESS_DENIED; }

void ClearFirstUse() {
    HKEY handle;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Kovara", 0, KEY_ALL_ACCESS, &handle) != ERROR_SUCCESS) return;
    RegDeleteValueA(handle, "FirstUse");
    RegCloseKey(handle);
}

// Records the date of first use `days` days before today (UTC).
void FirstUseDaysAgo(int days) {
    SYSTEMTIME now;
    GetSystemTime(&now);
    FILETIME file;
    SystemTimeToFileTime(&now, &file);
    ULARGE_INTEGER ticks = {{file.dwLowDateTime, file.dwHighDateTime}};
    ticks.QuadPart -= (unsigned long long)days * 864000000000ULL;
    file.dwLowDateTime = ticks.LowPart;
    file.dwHighDateTime = ticks.HighPart;
    SYSTEMTIME then;
    FileTimeToSystemTime(&file, &then);
    ASSERT_EQ(1, RecordFirstUse(then.wYear, then.wMonth, then.wDay));
}

class Preferences : public UserOnTokenTest {
protected:
    ReminderFlags flags = {-1, -1};
    void TearDown() override {
        SetReminder(kPasswordReminder, 0);
        SetReminder(kBackupReminder, 0);
        ClearFirstUse();
        UserOnTokenTest::TearDown();
    }
    HWND Open() {
        HWND dialog = runner.Start([] { RunPreferencesDialog(nullptr); }, kCaption);
        EXPECT_NE(nullptr, dialog);
        return dialog;
    }
    void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
    void Save(HWND dialog) {
        robot::PressButton(dialog, IDC_PREF_OK);
        robot::Box saved = AnswerBox(IDOK);
        EXPECT_EQ("Your preferences have been saved.", saved.text);
        EXPECT_EQ((UINT)MB_ICONINFORMATION, saved.icon);
        EXPECT_TRUE(runner.Finish());
    }
};

TEST_F(Preferences, OkWithNothingTickedTurnsBothOffAndYesThenNoLeavesNo) {
    SetReminder(kPasswordReminder, 1);
    SetReminder(kBackupReminder, 1);
    HWND dialog = Open();
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(BST_UNCHECKED, robot::CheckState(dialog, IDC_PREF_PASSWORD_YES)) << "boxes start cleared";
    Save(dialog);
    EXPECT_FALSE(RemindValueExists("SOFTWARE\\Kovara\\PwdReminder"));
    EXPECT_FALSE(RemindValueExists("SOFTWARE\\Kovara\\BkupReminder"));

    dialog = Open();
    ASSERT_NE(nullptr, dialog);
    Click(dialog, IDC_PREF_PASSWORD_YES);
    Click(dialog, IDC_PREF_PASSWORD_NO);
    Click(dialog, IDC_PREF_BACKUP_YES);
    EXPECT_EQ(BST_UNCHECKED, robot::CheckState(dialog, IDC_PREF_PASSWORD_YES));
    EXPECT_EQ(BST_CHECKED, robot::CheckState(dialog, IDC_PREF_PASSWORD_NO));
    Save(dialog);
    EXPECT_EQ(0, ReminderOn(kPasswordReminder));
    EXPECT_EQ(1, ReminderOn(kBackupReminder));
}

TEST_F(Preferences, RefusedRegistryChangeKeepsTheDialogOpen) {
    // Both ticked with the value writes refused: the password reminder, written
    // first, fails and the backup reminder is not written. Nothing ticked with
    // the deletions refused: the backup reminder stays on.
    struct Row {
        const char *function;
        void *standIn;
        int tickYes;
    } rows[] = {
        {"RegSetValueExA", (void *)&RefuseSetValue, 1},
        {"RegDeleteValueA", (void *)&RefuseDeleteValue, 0},
    };
    for (const Row &row : rows) {
        SetReminder(kPasswordReminder, 0);
        SetReminder(kBackupReminder, !row.tickYes);
        ImportPatch refusal(row.function, row.standIn);
        ASSERT_TRUE(refusal.Installed()) << row.function;
        HWND dialog = Open();
        ASSERT_NE(nullptr, dialog);
        if (row.tickYes) {
            Click(dialog, IDC_PREF_PASSWORD_YES);
            Click(dialog, IDC_PREF_BACKUP_YES);
        }
        robot::PressButton(dialog, IDC_PREF_OK);
        robot::Box refused = AnswerBox(IDOK);
        EXPECT_EQ(
            "There was error saving preferences in registry.\nIf you do not have permission to write in registry, "
            "reset your registry permissions, then try again.",
            refused.text)
            << row.function;
        EXPECT_EQ((UINT)MB_ICONWARNING, refused.icon);
        EXPECT_TRUE(robot::WaitForIdle(dialog));
        EXPECT_TRUE(IsWindow(dialog)) << row.function << ": the dialog stays open";
        robot::PressButton(dialog, IDC_PREF_CANCEL);
        EXPECT_TRUE(runner.Finish());
        EXPECT_EQ(0, ReminderOn(kPasswordReminder)) << row.function;
        EXPECT_EQ(!row.tickYes, ReminderOn(kBackupReminder)) << row.function;
    }
}

TEST_F(Preferences, StartMenuBoxStartsLanyardHidden) {
    std::string marker = folder.File("lanyard-started.txt");
    ASSERT_TRUE(CopyFileA(LANYARD_STANDIN, folder.File("lanyard.exe").c_str(), FALSE));
    HWND dialog = Open();
    ASSERT_NE(nullptr, dialog);
    Click(dialog, IDC_PREF_START_MENU_YES);
    Save(dialog);
    EXPECT_TRUE(robot::WaitUntil([&] { return FileExists(marker); }, robot::kWaitMs, "lanyard.exe writes " + marker));
    Bytes text = ReadBytes(marker);
    EXPECT_EQ("started hidden\n", std::string(text.begin(), text.end()));
}

TEST_F(Preferences, LowerCaseYesCountsAsOn) {
    SetRemindText("SOFTWARE\\Kovara\\PwdReminder", "yes");
    SetRemindText("SOFTWARE\\Kovara\\BkupReminder", "Yess");
    ReadReminders(&flags);
    EXPECT_EQ(1, flags.passwordReminderOn);
    EXPECT_EQ(0, flags.backupReminderArmed);
}

TEST_F(Preferences, WeeklyDaysCountFromTheRecordedFirstUse) {
    const std::string reminder =
        "Hi, this is your weekly password updation reminder.You are reminded to update your password.";
    SetReminder(kPasswordReminder, 1);
    SetReminder(kBackupReminder, 1);
    for (int days : {0, 7, 8, 14}) {
        FirstUseDaysAgo(days);
        ReadReminders(&flags);
        robot::Answerer answerer;
        bool weekly = days % 7 == 0;
        if (weekly) answerer.Answer(IDOK);
        WeeklyReminderCheck(nullptr, &flags);
        answerer.Finish();
        auto boxes = answerer.Boxes();
        ASSERT_EQ(weekly ? 1u : 0u, boxes.size()) << "day " << days;
        if (weekly) {
            EXPECT_EQ(reminder, boxes[0].text);
        }
        EXPECT_EQ(weekly ? 1 : 0, flags.backupReminderArmed) << "backup question due on day " << days;
    }
    // Backup reminder alone: no box on any day, the question due only weekly.
    SetReminder(kPasswordReminder, 0);
    for (int days : {7, 8}) {
        FirstUseDaysAgo(days);
        ReadReminders(&flags);
        robot::Answerer none;
        WeeklyReminderCheck(nullptr, &flags);
        none.Finish();
        EXPECT_TRUE(none.Boxes().empty());
        EXPECT_EQ(days == 7 ? 1 : 0, flags.backupReminderArmed);
    }
}

TEST_F(Preferences, FirstStartRecordsTodayAndRemindsOnDayZero) {
    ClearFirstUse();
    SetReminder(kPasswordReminder, 1);
    robot::Answerer answerer;
    answerer.Answer(IDOK);
    SetUpWeeklyReminders(nullptr, &flags);
    answerer.Finish();
    EXPECT_EQ(1u, answerer.Boxes().size());
    int year, month, day;
    ASSERT_EQ(1, ReadFirstUse(&year, &month, &day));
    SYSTEMTIME now;
    GetSystemTime(&now);
    EXPECT_EQ(now.wYear, year);
    EXPECT_EQ(now.wMonth, month);
    EXPECT_EQ(now.wDay, day);
}

TEST_F(Preferences, BackupUserInfoAfterALogInFromBackupOnlyExplains) {
    robot::Answerer answerer;
    answerer.Answer(IDOK);
    MaintenanceResult result = BackupUserInfo(nullptr, 1);
    ShowMaintenanceOutcome(nullptr, result);
    EXPECT_EQ(kUserInfoBackupAfterBackupLogIn, result.outcome);
    answerer.Finish();
    ASSERT_EQ(1u, answerer.Boxes().size()) << "no token authorisation follows";
    EXPECT_EQ(
        "You have already logged in using backup.\nTo create more backup copies, copy the backup files that you "
        "used to log in to locations of your choice.",
        answerer.Boxes()[0].text);
    EXPECT_EQ((UINT)MB_ICONINFORMATION, answerer.Boxes()[0].icon);
}

}  // namespace
