// Formatting a new vault's drive through fmifs.dll: the stand-in format
// library in the prefix's system folder, the stand-in vault driver, and the
// container checked with ntfs-3g after the vault is released.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "driver_fixture.h"
#include "maintenance/creation/format_drive.h"
#include "maintenance/messages/maintenance_messages.h"
#include "maintenance/messages/support_address.h"
#include "ntfs_check.h"
#include "robot.h"

namespace {

std::string SystemFile(const char *name) {
    char folder[MAX_PATH];
    GetSystemDirectoryA(folder, MAX_PATH);
    return std::string(folder) + "\\" + name;
}

void SetFault(const char *fault) {
    std::string path = SystemFile("fmifs-fault.txt");
    if (!fault) {
        DeleteFileA(path.c_str());
        return;
    }
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    DWORD written;
    WriteFile(file, fault, (DWORD)strlen(fault), &written, NULL);
    CloseHandle(file);
}

// Unloads the library that earlier formats left loaded.
void UnloadFormatLibrary() {
    while (HMODULE library = GetModuleHandleA("fmifs.dll")) FreeLibrary(library);
}

// Formats and shows the outcome as the vault created dialog does.
MaintenanceOutcome Format(char letter) {
    WCHAR root[] = L"?:\\";
    root[0] = (WCHAR)letter;
    MaintenanceOutcome outcome = FormatDrive(root, NULL);
    ShowMaintenanceOutcome(NULL, MaintenanceOutcomeOf(outcome));
    return outcome;
}

class FormatTest : public ::testing::Test {
protected:
    void SetUp() override {
        drivertest::ReleaseEveryVault();
        SetFault(NULL);
        letter = drivertest::FreeLetter();
        container = folder.path + "\\format.udf";
    }
    void TearDown() override {
        SetFault(NULL);
        drivertest::ResetDriver(letter);
    }
    drivertest::TempFolder folder;
    std::string container;
    char letter = 0;
};

// The library and its entry point missing give the one warning with the
// support address, and the format fails without touching the drive.
TEST_F(FormatTest, MissingLibraryOrEntryPointIsReportedAndFails) {
    const std::string library = SystemFile("fmifs.dll"), kept = SystemFile("fmifs-kept.dll");
    const std::string expected = std::string("Operating System library file \"fmifs.dll\" not found.\n") +
                                 "Secure storage for the vault can not be created.\n\nFor any questions contact " +
                                 SupportAddress();
    UnloadFormatLibrary();
    ASSERT_TRUE(MoveFileExA(library.c_str(), kept.c_str(), MOVEFILE_REPLACE_EXISTING));
    {
        robot::Answerer answerer;
        answerer.Answer(IDOK);
        EXPECT_EQ(kFormatLibraryMissing, Format('Q'));
        ASSERT_TRUE(CopyFileA(SystemFile("fmifs_without_format.dll").c_str(), library.c_str(), FALSE));
        answerer.Answer(IDOK);
        EXPECT_EQ(kFormatLibraryMissing, Format('Q'));
        UnloadFormatLibrary();
        answerer.Finish();
        auto boxes = answerer.Boxes();
        ASSERT_EQ(2u, boxes.size());
        for (const auto &box : boxes) {
            EXPECT_EQ("Kovara", box.caption);
            EXPECT_EQ(expected, box.text);
            EXPECT_EQ((UINT)MB_ICONWARNING, box.icon);
        }
    }
    EXPECT_TRUE(MoveFileExA(kept.c_str(), library.c_str(), MOVEFILE_REPLACE_EXISTING));
}

// A format the library reports as failed is a failure; the next format in the
// same run starts with a clear failure flag and lays down a genuine NTFS
// volume: label "Kovara", 4096-byte clusters, the whole drive.
TEST_F(FormatTest, FailureFlagStartsClearAndTheVolumeIsNtfs) {
    const unsigned sizeMb = 8;
    ASSERT_EQ(0u, drivertest::OpenVaultOn(letter, container, sizeMb));
    SetFault("done-failure");
    {
        robot::Answerer answerer;
        EXPECT_EQ(kFormatFailed, Format(letter));
        answerer.Finish();
        EXPECT_TRUE(answerer.Boxes().empty()) << "the creation tells a failed format";
    }
    SetFault(NULL);
    EXPECT_EQ(kMaintenanceOk, Format(letter));
    EXPECT_EQ(100u, g_formatPercent);
    drivertest::ResetDriver(letter);

    NtfsReport report = CheckNtfsContainer(container, drivertest::kVaultKey);
    ASSERT_TRUE(report.ran);
    EXPECT_EQ("Kovara", report.volumeName);
    EXPECT_EQ(4096u, report.clusterSize);
    // The last cluster's room holds the backup boot sector.
    EXPECT_EQ(sizeMb * 1048576ull / 4096 - 1, report.clusters);
    EXPECT_NE(std::string::npos, report.listing.find("$MFT"));
    EXPECT_NE(std::string::npos, report.listing.find("$Volume"));
}

}  // namespace
