// The RegisteredTokens key: listing, default token and library look-up.
#include <gtest/gtest.h>

#include <string>

#include "resources/resource.h"
#include "token/operations/registered_tokens.h"
#include "token/operations/token_state.h"
#include "token_test_support.h"

namespace {

class RegisteredTokens : public ::testing::Test {
protected:
    void SetUp() override { ClearRegisteredTokens(); }
    void TearDown() override { ClearRegisteredTokens(); }
};

TEST_F(RegisteredTokens, ListingSkipsTheDefaultAndWhatCannotBeUsed) {
    EXPECT_EQ(0, CountRegisteredTokens()) << "no key at all";
    RegisterToken("Alpha", "C:\\a.dll");
    RegisterToken("beta", "C:\\b.dll");
    RegisterToken("DEFAULTTOKEN", "Alpha");
    DWORD number = 7;
    RegisterRaw("Numeric", REG_DWORD, &number, sizeof number);
    RegisterToken(std::string(120, 'n'), "C:\\long-name.dll");       // name too long for the dialogs
    RegisterToken("Huge", "C:\\" + std::string(400, 'p') + ".dll");  // data too long to read
    EXPECT_EQ(2, CountRegisteredTokens());
    RegisterToken(std::string(99, 'm'), "C:\\m.dll");  // the longest name the dialogs hold
    EXPECT_EQ(3, CountRegisteredTokens());
}

TEST_F(RegisteredTokens, DefaultTokenNeedsALibraryValue) {
    EXPECT_EQ(0, ReadDefaultToken());
    RegisterToken("Alpha", "C:\\a.dll");
    RegisterToken("DefaultToken", "Ghost");
    EXPECT_EQ(0, ReadDefaultToken()) << "names a token without library";
    RegisterToken("DefaultToken", "");
    EXPECT_EQ(0, ReadDefaultToken()) << "empty name";
    RegisterToken("Short", "");
    RegisterToken("DefaultToken", "Short");
    EXPECT_EQ(0, ReadDefaultToken()) << "a library value of one byte (its terminator) is no library";
    RegisterToken("DefaultToken", "alpha");
    EXPECT_EQ(1, ReadDefaultToken());
    EXPECT_STREQ("alpha", g_token.defaultName);
    RegisterToken("DefaultToken", std::string(200, 'x'));
    EXPECT_EQ(0, ReadDefaultToken()) << "a name longer than the buffer is refused";
}

TEST_F(RegisteredTokens, LookUpSetsNameAndPathOnlyOnSuccess) {
    RegisterToken("Alpha", "C:\\tokens\\a.dll");
    ASSERT_EQ(1, LookUpTokenLibrary("Alpha"));
    EXPECT_STREQ("Alpha", g_token.selected.name);
    EXPECT_STREQ("C:\\tokens\\a.dll", g_token.selected.libraryPath);

    EXPECT_EQ(0, LookUpTokenLibrary("Missing"));
    RegisterToken("Long", "C:\\" + std::string(300, 'p'));
    EXPECT_EQ(0, LookUpTokenLibrary("Long")) << "path longer than 259 characters";
    std::string longName(150, 'n');
    RegisterToken(longName, "C:\\n.dll");
    EXPECT_EQ(0, LookUpTokenLibrary(longName.c_str()));
    EXPECT_STREQ("Alpha", g_token.selected.name);
    EXPECT_STREQ("C:\\tokens\\a.dll", g_token.selected.libraryPath);
}

// FillTokenList on the authorisation dialog's template, created modeless.
INT_PTR CALLBACK Quiet(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

struct TokenList {
    HWND dialog =
        CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_TOKEN_AUTHORISATION), nullptr, Quiet, 0);
    ~TokenList() { DestroyWindow(dialog); }
    HWND list() { return GetDlgItem(dialog, IDC_SELECT_TOKEN); }
    int count() { return (int)SendMessageA(list(), CB_GETCOUNT, 0, 0); }
    std::string selected() {
        LRESULT i = SendMessageA(list(), CB_GETCURSEL, 0, 0);
        if (i == CB_ERR) return "<none>";
        char text[400];
        SendMessageA(list(), CB_GETLBTEXT, i, (LPARAM)text);
        return text;
    }
};

TEST_F(RegisteredTokens, FillTokenListSelectsTheDefaultOrTheFirstEntry) {
    {
        TokenList t;
        ASSERT_NE(nullptr, t.dialog);
        EXPECT_EQ(0, FillTokenList(t.dialog));
        EXPECT_EQ(1, t.count());
        EXPECT_EQ("NONE - Click Setup to setup token.", t.selected());
    }
    RegisterToken("Zulu", "C:\\z.dll");
    RegisterToken("alpha", "C:\\a.dll");
    RegisterToken("Mike", "C:\\m.dll");
    {
        TokenList t;
        EXPECT_EQ(3, FillTokenList(t.dialog));
        EXPECT_EQ("alpha", t.selected()) << "no default: first of the sorted list";
    }
    RegisterToken("DefaultToken", "MIKE");
    {
        TokenList t;
        EXPECT_EQ(3, FillTokenList(t.dialog));
        EXPECT_EQ("Mike", t.selected()) << "default compared without case";
    }
    RegisterToken("DefaultToken", "Nobody");
    {
        TokenList t;
        EXPECT_EQ(3, FillTokenList(t.dialog));
        EXPECT_EQ("alpha", t.selected()) << "default without library";
    }
}

}  // namespace
