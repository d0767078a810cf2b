// Item lists as bytes, the display-name match and the ".lnk" rule of the
// shortcut library.
#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "shortcut/item_list/item_list.h"

namespace {

TEST(ItemList, SizeAndAbsoluteListOfAChild) {
    // My Computer: one 20-byte item; the drive: one 25-byte item (count > 255
    // exercises the high byte in the second list).
    std::vector<unsigned char> parent(20 + 2, 0xAB), child(300 + 2, 0xCD);
    parent[0] = 20;
    parent[1] = 0;
    parent[20] = parent[21] = 0;
    child[0] = 300 & 0xFF;
    child[1] = 300 >> 8;
    child[300] = child[301] = 0;
    EXPECT_EQ(22u, ItemListSize(parent.data()));
    EXPECT_EQ(302u, ItemListSize(child.data()));
    const unsigned char empty[2] = {0, 0};
    EXPECT_EQ(2u, ItemListSize(empty));

    std::vector<unsigned char> joined(20 + 302, 0x11);
    ASSERT_EQ(322u, ItemListJoin(parent.data(), child.data(), joined.data()));
    EXPECT_EQ(0, memcmp(joined.data(), parent.data(), 20));
    EXPECT_EQ(0, memcmp(joined.data() + 20, child.data(), 302));
    EXPECT_EQ(322u, ItemListSize(joined.data()));
}

TEST(ItemList, DisplayNameNeedsBothTextsInAnyCase) {
    EXPECT_EQ(1, DisplayNameMatches("Kovara Vault (F:)", "kovara", "(f:)"));
    EXPECT_EQ(1, DisplayNameMatches("KOVARA VAULT (F:)", "Vault", "F:"));
    EXPECT_EQ(0, DisplayNameMatches("Kovara Vault (G:)", "kovara", "F:"));
    EXPECT_EQ(0, DisplayNameMatches("Local Disk (F:)", "kovara", "F:"));
    EXPECT_EQ(0, DisplayNameMatches("Kov", "kovara", ""));
    EXPECT_EQ(1, DisplayNameMatches("anything", "", ""));
}

TEST(ItemList, LnkAddedOnceAndOnlyWhenItFits) {
    char path[260] = "C:\\out\\vault";
    EXPECT_EQ(1, EnsureLnkExtension(path, sizeof path));
    EXPECT_STREQ("C:\\out\\vault.lnk", path);
    EXPECT_EQ(1, EnsureLnkExtension(path, sizeof path));
    EXPECT_STREQ("C:\\out\\vault.lnk", path);
    strcpy(path, "C:\\out\\VAULT.LNK");
    EXPECT_EQ(1, EnsureLnkExtension(path, sizeof path));
    EXPECT_STREQ("C:\\out\\VAULT.LNK", path);
    strcpy(path, "C:\\out\\vault.lnk.txt");
    EXPECT_EQ(1, EnsureLnkExtension(path, sizeof path));
    EXPECT_STREQ("C:\\out\\vault.lnk.txt.lnk", path);

    // 255 characters + ".lnk" = 259 fits in 260; 256 does not.
    memset(path, 'a', 255);
    path[255] = '\0';
    EXPECT_EQ(1, EnsureLnkExtension(path, sizeof path));
    EXPECT_EQ(259u, strlen(path));
    memset(path, 'a', 256);
    path[256] = '\0';
    EXPECT_EQ(0, EnsureLnkExtension(path, sizeof path));
    EXPECT_EQ(256u, strlen(path));
}

}  // namespace
