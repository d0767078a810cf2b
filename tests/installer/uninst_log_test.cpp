// The installation log: bytes of the records as written, and the reader on
// those bytes and on damaged ones.
#include <gtest/gtest.h>

#include <string>

#include "installer/uninst_log.h"

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

}  // namespace
