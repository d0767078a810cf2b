// The installation log: bytes of the records as written, and the reader on
// those bytes and on damaged ones.
#include <gtest/gtest.h>

#include <string>

#include "shared/uninst_log/uninst_log.h"

namespace {

TEST(UninstLog, SixRecordsWrittenAndReadBack) {
    const char *paths[] = {
        "C:\\Users\\Public\\Desktop\\Kovara.lnk",          "C:\\Start Menu\\Programs\\Kovara",
        "C:\\Start Menu\\Programs\\Kovara\\Kovara.lnk",    "C:\\Start Menu\\Programs\\Kovara\\Help.lnk",
        "C:\\Start Menu\\Programs\\Kovara\\Uninstall.lnk", "C:\\All\\Start Menu\\Kovara.lnk"};
    std::string log;
    for (int i = 0; i < 6; ++i) log += UninstLogRecord(i == 1 ? kUninstLogFolder : kUninstLogFile, paths[i]);

    const std::string expected =
        "\nFile=C:\\Users\\Public\\Desktop\\Kovara.lnk"
        "\nFolder=C:\\Start Menu\\Programs\\Kovara"
        "\nFile=C:\\Start Menu\\Programs\\Kovara\\Kovara.lnk"
        "\nFile=C:\\Start Menu\\Programs\\Kovara\\Help.lnk"
        "\nFile=C:\\Start Menu\\Programs\\Kovara\\Uninstall.lnk"
        "\nFile=C:\\All\\Start Menu\\Kovara.lnk";
    EXPECT_EQ(expected, log);
    EXPECT_EQ('\n', log.front());
    EXPECT_EQ('k', log.back());

    auto entries = UninstLogRead(log.data(), log.size());
    ASSERT_EQ(6u, entries.size());
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(paths[i], entries[i].path);
        EXPECT_EQ(i == 1 ? "Folder" : "File", entries[i].kindWord);
    }
}

TEST(UninstLog, ReaderTakesTextAfterFirstEqualsAndSkipsWhatHoldsNoPath) {
    // A path may hold "=" itself; carriage returns stay part of the path; a
    // record without "=" and empty records carry nothing; a NUL ends the text.
    const char text[] = "\n\nFile=C:\\a=b.lnk\ngarbage\nFolder=C:\\dir\r\nFile=\nFile=C:\\after\0File=C:\\hidden";
    auto entries = UninstLogRead(text, sizeof text - 1);
    ASSERT_EQ(4u, entries.size());
    EXPECT_EQ("C:\\a=b.lnk", entries[0].path);
    EXPECT_EQ("C:\\dir\r", entries[1].path);
    EXPECT_EQ("", entries[2].path);
    EXPECT_EQ("C:\\after", entries[3].path);

    EXPECT_TRUE(UninstLogRead("", 0).empty());
    EXPECT_TRUE(UninstLogRead("\n\n\n", 3).empty());
    // A log without its leading line feed still gives its first record.
    auto bare = UninstLogRead("File=C:\\x", 9);
    ASSERT_EQ(1u, bare.size());
    EXPECT_EQ("C:\\x", bare[0].path);
}

TEST(UninstLog, OnlyWhatTheInstallerWritesIsAccepted) {
    const UninstLogPlaces places = {"C:\\Public\\Desktop", "C:\\Zoe\\Start Menu\\Programs", "C:\\All\\Start Menu"};
    const std::string group = places.programs + "\\Kovara";
    auto named = [&group](size_t length) {
        return group + "\\" + std::string(length - group.size() - 5, 'x') + ".lnk";
    };
    struct Row {
        const char *kind;
        std::string path;
        UninstLogVerdict verdict;
        std::string acted;
    } rows[] = {
        {"File", places.desktop + "\\Kovara.lnk", kUninstLogAccepted, places.desktop + "\\Kovara.lnk"},
        {"File", "c:\\public\\DESKTOP\\Kovara.LNK", kUninstLogAccepted, "c:\\public\\DESKTOP\\Kovara.LNK"},
        {"Folder", group, kUninstLogAccepted, group},
        {"File", group + "\\Help.lnk", kUninstLogAccepted, group + "\\Help.lnk"},
        {"File", places.startMenu + "\\Kovara.lnk\r", kUninstLogAccepted, places.startMenu + "\\Kovara.lnk"},
        {"Folder", group + "\r", kUninstLogAccepted, group},
        {"File", named(259), kUninstLogAccepted, named(259)},
        {"File", named(260), kUninstLogTooLong, ""},
        {"File", named(259) + "\r", kUninstLogAccepted, named(259)},
        {"file", places.desktop + "\\Kovara.lnk", kUninstLogUnknownKind, ""},
        {"Link", places.desktop + "\\Kovara.lnk", kUninstLogUnknownKind, ""},
        {"File", "Kovara.lnk", kUninstLogNotAbsolute, ""},
        {"File", "..\\..\\Kovara.lnk", kUninstLogNotAbsolute, ""},
        {"File", "C:Kovara.lnk", kUninstLogNotAbsolute, ""},
        {"File", "\\Public\\Desktop\\Kovara.lnk", kUninstLogNotAbsolute, ""},
        {"File", "\\\\?\\C:\\Public\\Desktop\\Kovara.lnk", kUninstLogNotAbsolute, ""},
        {"File", "\\\\.\\C:\\Public\\Desktop\\Kovara.lnk", kUninstLogNotAbsolute, ""},
        {"File", places.desktop + "\\..\\..\\Windows\\Kovara.lnk", kUninstLogUnsafeName, ""},
        {"File", group + "\\..\\Kovara.lnk", kUninstLogUnsafeName, ""},
        {"File", places.desktop + "\\.\\Kovara.lnk", kUninstLogUnsafeName, ""},
        {"File", places.desktop + "\\\\Kovara.lnk", kUninstLogUnsafeName, ""},
        {"File", places.desktop + "\\Kovara.lnk:secret", kUninstLogUnsafeName, ""},
        {"File", places.desktop + "\\Kovara.lnk.", kUninstLogUnsafeName, ""},
        {"File", places.desktop + "/../Kovara.lnk", kUninstLogUnsafeName, ""},
        {"Folder", group + " ", kUninstLogUnsafeName, ""},
        {"File", places.desktop + "\\boot.ini", kUninstLogNotShortcut, ""},
        {"File", group + "\\Kovara.exe", kUninstLogNotShortcut, ""},
        {"File", "C:\\Windows\\Kovara.lnk", kUninstLogOutsidePlaces, ""},
        {"File", places.desktop + "\\Sub\\Kovara.lnk", kUninstLogOutsidePlaces, ""},
        {"File", places.programs + "\\Kovara.lnk", kUninstLogOutsidePlaces, ""},
        {"File", group + "\\Sub\\Kovara.lnk", kUninstLogOutsidePlaces, ""},
        {"File", places.desktop + "X\\Kovara.lnk", kUninstLogOutsidePlaces, ""},
        {"Folder", places.programs, kUninstLogOutsidePlaces, ""},
        {"Folder", group + "\\Sub", kUninstLogOutsidePlaces, ""},
        {"Folder", "C:\\Windows", kUninstLogOutsidePlaces, ""},
        {"Folder", places.desktop + "\\Kovara", kUninstLogOutsidePlaces, ""},
    };
    for (const Row &row : rows) {
        std::string acted = "<untouched>";
        EXPECT_EQ(row.verdict, UninstLogCheck({row.kind, row.path}, places, &acted)) << row.kind << "=" << row.path;
        EXPECT_EQ(row.verdict == kUninstLogAccepted ? row.acted : "<untouched>", acted) << row.path;
    }
    // A place the system did not report accepts nothing.
    std::string acted;
    EXPECT_EQ(kUninstLogOutsidePlaces, UninstLogCheck({"File", "C:\\Kovara.lnk"}, {"", "", ""}, &acted));
    EXPECT_EQ(kUninstLogOutsidePlaces, UninstLogCheck({"File", "\\\\host\\share\\Kovara.lnk"}, places, &acted));
}

}  // namespace
