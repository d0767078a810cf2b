#include "new_user_steps.h"

#include <gtest/gtest.h>

#include "resources/resource.h"


void Photograph(HWND window, const char *name) {
    robot::WaitForPainted(window);
    robot::Screenshot(name);
}

namespace {

void PhotographIf(HWND window, const char *prefix, const char *what) {
    if (prefix) Photograph(window, (std::string(prefix) + "-" + what).c_str());
}

}  // namespace

robot::Box AnswerBox(ManagerRun &run, const char *caption, int button) {
    robot::Box seen;
    HWND box = robot::WaitForBox(caption, 30000, run.pid());
    EXPECT_TRUE(box != NULL) << "no box \"" << caption << "\"";
    if (!box) return seen;
    seen = robot::ReadBox(box);
    robot::PressButton(box, button);
    robot::WaitForClose(box);
    return seen;
}

void AuthoriseTokenUse(ManagerRun &run) {
    HWND authorise = run.WaitForDialog("Kovara - Authorise Token Use");
    ASSERT_TRUE(authorise != NULL);
    robot::SetControlText(authorise, IDC_TOKEN_PASSWORD, kTokenPin);
    robot::PressButton(authorise, IDC_TOKEN_OK);
}

HWND CreateUserThroughNewUserPage(ManagerRun &run, HWND main, const NewUser &user) {
    EXPECT_TRUE(robot::IsControlVisible(main, IDC_CREATE_NEXT)) << "no user yet: the new-user page";
    robot::SetControlText(main, IDC_NEW_USER_NAME, user.name);
    robot::SetControlText(main, IDC_NEW_PASSWORD, user.password);
    robot::SetControlText(main, IDC_RECONFIRM_PASSWORD, user.password);
    PhotographIf(main, user.photos, "new-user-page");
    robot::PressButton(main, IDC_CREATE_NEXT);

    AuthoriseTokenUse(run);
    HWND setup = run.WaitForDialog("Kovara - Setup Your Vault", 30000);
    EXPECT_TRUE(setup != NULL);
    if (!setup) return NULL;
    EXPECT_EQ(run.File("Vault"), robot::ControlText(setup, IDC_VAULT_LOCATION));
    EXPECT_EQ(std::string("Kovara_") + user.name, robot::ControlText(setup, IDC_VAULT_NAME));
    EXPECT_EQ(0u, robot::ControlText(setup, IDC_VAULT_FREE_SPACE).find("You Have About "));
    robot::SetControlText(setup, IDC_VAULT_SIZE, user.vaultSizeMb);
    PhotographIf(setup, user.photos, "setup-your-vault");
    robot::PressButton(setup, IDOK);
    robot::Box confirm = AnswerBox(run, "Kovara", IDYES);
    EXPECT_EQ(0u, confirm.text.find("You have selected a create a new vault:")) << confirm.text;

    HWND created = run.WaitForDialog("Kovara - Vault Created", 60000);
    EXPECT_TRUE(created != NULL);
    if (!created) return NULL;
    EXPECT_EQ("Status: Click \"OK\" to begin.", robot::ControlText(created, IDC_FORMAT_STATUS));
    EXPECT_FALSE(robot::IsControlEnabled(main, IDC_CREATE_NEXT)) << "buttons disabled from the format on";
    PhotographIf(created, user.photos, "vault-created");
    robot::PressButton(created, IDOK);

    HWND backup = run.WaitForDialog("Kovara - User Information Backup", 120000);
    EXPECT_TRUE(backup != NULL);
    if (!backup) return NULL;
    robot::PressButton(backup, IDC_CREATION_BACKUP_SINGLE);
    EXPECT_TRUE(robot::WaitUntil([&] { return robot::IsControlEnabled(backup, IDC_CREATION_BACKUP_LOCATION); },
                                 robot::kWaitMs, "Single Backup enables its location field"));
    robot::SetControlText(backup, IDC_CREATION_BACKUP_LOCATION, user.backupFolder.c_str());
    PhotographIf(backup, user.photos, "user-information-backup");
    robot::PressButton(backup, IDYES);
    robot::Box done = AnswerBox(run, "Kovara", IDOK);
    EXPECT_EQ(0u, done.text.find("Backup created successfully!")) << done.text;
    EXPECT_EQ((UINT)MB_ICONINFORMATION, done.icon);

    HWND howToUse = run.WaitForDialog("Kovara - How To Use", 60000);
    EXPECT_TRUE(howToUse != NULL);
    if (howToUse) PhotographIf(howToUse, user.photos, "how-to-use");
    return howToUse;
}

void ExploreVault(HWND howToUse) {
    robot::PressButton(howToUse, IDC_EXPLORE_VAULT);
    EXPECT_TRUE(robot::WaitForClose(howToUse));
}

void LockAndExit(ManagerRun &run, HWND main, const char *photo) {
    PostMessageA(main, WM_COMMAND, IDM_LOCK_AND_EXIT, 0);
    HWND lock = run.WaitForDialog("Kovara - Lock Vault and Exit?");
    ASSERT_TRUE(lock != NULL);
    robot::PressButton(lock, IDOK);
    HWND locked = run.WaitForDialog("Kovara - Your Vault Is Locked", 30000);
    ASSERT_TRUE(locked != NULL);
    if (photo) Photograph(locked, photo);
    robot::PressButton(locked, IDOK);
    EXPECT_EQ(0u, run.WaitForExit());
}
