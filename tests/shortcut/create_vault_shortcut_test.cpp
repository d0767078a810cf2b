// scutella.dll bound by name, as an outside program binds it: which drive of
// My Computer it takes, what it saves, and the shared joining of folder and
// name.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <string>
#include <vector>

#include "shared/shell_link/shell_link.h"

namespace {

typedef int(WINAPI *CreateMyVaultShortcutProc)(const char *, const char *, const char *, DWORD, DWORD);

struct Drive {
    std::string name;  // display name
    std::string path;  // file-system path of the item, when it has one
};

// The items My Computer lists, in its order.
std::vector<Drive> MyComputerItems() {
    std::vector<Drive> items;
    IShellFolder *desktop = nullptr, *drives = nullptr;
    LPITEMIDLIST drivesList = nullptr;
    if (FAILED(SHGetDesktopFolder(&desktop))) return items;
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drivesList)) &&
        SUCCEEDED(desktop->BindToObject(drivesList, nullptr, IID_IShellFolder, reinterpret_cast<void **>(&drives)))) {
        IEnumIDList *list = nullptr;
        if (drives->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &list) == S_OK) {
            LPITEMIDLIST item;
            while (list->Next(1, &item, nullptr) == S_OK) {
                Drive drive;
                STRRET name;
                char text[MAX_PATH] = "";
                if (SUCCEEDED(drives->GetDisplayNameOf(item, SHGDN_NORMAL, &name)) &&
                    SUCCEEDED(StrRetToBufA(&name, item, text, MAX_PATH)))
                    drive.name = text;
                LPITEMIDLIST absolute = ILCombine(drivesList, item);
                if (absolute && SHGetPathFromIDListA(absolute, text)) drive.path = text;
                ILFree(absolute);
                CoTaskMemFree(item);
                items.push_back(drive);
            }
            list->Release();
        }
        drives->Release();
    }
    CoTaskMemFree(drivesList);
    desktop->Release();
    return items;
}

bool Exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string LinkTarget(const std::string &path) {
    std::string target = "<unreadable>";
    IShellLinkA *link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void **>(&link)))) {
        IPersistFile *file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file)))) {
            WCHAR wide[MAX_PATH];
            MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
            char text[MAX_PATH] = "";
            if (SUCCEEDED(file->Load(wide, STGM_READ)) && SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, 0)))
                target = text;
            file->Release();
        }
        link->Release();
    }
    return target;
}

class ShortcutLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        library_ = LoadLibraryA(KOVARA_SCUTELLA_DLL);
        ASSERT_TRUE(library_ != nullptr) << KOVARA_SCUTELLA_DLL;
        create_ = reinterpret_cast<CreateMyVaultShortcutProc>(GetProcAddress(library_, "CreateMyVaultShortcut"));
        ASSERT_TRUE(create_ != nullptr);
        CreateDirectoryA(kFolder, nullptr);
        items_ = MyComputerItems();
        ASSERT_GE(items_.size(), 2u) << "My Computer lists fewer than two items";
        // Each test's own expectations need names that tell the items apart.
        ASSERT_NE(items_[0].name, items_[1].name);
    }
    void TearDown() override {
        if (library_) FreeLibrary(library_);
        CoUninitialize();
    }
    static constexpr const char *kFolder = "C:\\scutella_test";
    HMODULE library_ = nullptr;
    CreateMyVaultShortcutProc create_ = nullptr;
    std::vector<Drive> items_;
};

TEST_F(ShortcutLibrary, SecondItemMatchedGetsShortcutWithExtensionAddedOrKept) {
    const Drive &drive = items_[1];
    std::string bare = std::string(kFolder) + "\\drive";
    DeleteFileA((bare + ".lnk").c_str());
    // Both texts, in another case than the display name's.
    std::string upper = drive.name;
    for (char &c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(1, create_(upper.c_str(), drive.name.substr(0, 1).c_str(), bare.c_str(), 0, 0));
    ASSERT_TRUE(Exists(bare + ".lnk")) << drive.name;
    EXPECT_FALSE(Exists(bare));
    if (!drive.path.empty()) EXPECT_EQ(drive.path, LinkTarget(bare + ".lnk"));

    for (const char *name : {"\\Kept.lnk", "\\Kept2.LNK"}) {
        std::string path = std::string(kFolder) + name;
        DeleteFileA(path.c_str());
        EXPECT_EQ(1, create_(drive.name.c_str(), drive.name.c_str(), path.c_str(), 0, 0));
        EXPECT_TRUE(Exists(path)) << path;
        EXPECT_FALSE(Exists(path + ".lnk")) << path;
    }
}

TEST_F(ShortcutLibrary, FirstItemOneTextOrNoMatchWritesNothingAndReturnsOne) {
    struct Case {
        std::string text1, text2, file;
    } cases[] = {
        {items_[0].name, items_[0].name, "first"},
        {items_[1].name, "no such text anywhere", "one_text"},
        {"no such drive", "none at all", "no_match"},
    };
    for (const Case &c : cases) {
        std::string path = std::string(kFolder) + "\\" + c.file + ".lnk";
        DeleteFileA(path.c_str());
        EXPECT_EQ(1, create_(c.text1.c_str(), c.text2.c_str(), path.c_str(), 0, 0)) << c.file;
        EXPECT_FALSE(Exists(path)) << c.file;
    }
}

#if defined(__i386__)
// Calls the export as a 32-bit outside program does: five 4-byte arguments
// pushed, the callee to take them off again. Returns the bytes the call left
// on the stack (0 for the standard convention with 20 bytes of arguments) and
// the function's answer in *answer.
struct ShortcutArguments {
    const char *text1, *text2, *path;
    DWORD reserved1, reserved2;
};
int StackLeftByCall(CreateMyVaultShortcutProc function, const ShortcutArguments &arguments, int *answer) {
    int left = 0, result = 0;
    asm volatile(
        "mov %%esp, %%esi\n\t"
        "pushl 16(%[args])\n\t"
        "pushl 12(%[args])\n\t"
        "pushl 8(%[args])\n\t"
        "pushl 4(%[args])\n\t"
        "pushl (%[args])\n\t"
        "call *%[function]\n\t"
        "mov %%esi, %%ecx\n\t"
        "sub %%esp, %%ecx\n\t"
        "mov %%esi, %%esp\n\t"
        : "=a"(result), "=c"(left)
        : [args] "r"(&arguments), [function] "r"(function)
        : "esi", "edx", "memory");
    *answer = result;
    return left;
}

// A 32-bit caller that binds the export by name and pushes 20 bytes gets them
// taken off by the library, with and without a shortcut written.
TEST_F(ShortcutLibrary, ThirtyTwoBitCallerPushesTwentyBytesAndTheLibraryTakesThem) {
    const Drive &drive = items_[1];
    std::string path = std::string(kFolder) + "\\stdcall.lnk";
    DeleteFileA(path.c_str());
    int answer = 0;
    ShortcutArguments written = {drive.name.c_str(), drive.name.c_str(), path.c_str(), 0, 0};
    EXPECT_EQ(0, StackLeftByCall(create_, written, &answer)) << "bytes left on the stack";
    EXPECT_EQ(1, answer);
    EXPECT_TRUE(Exists(path));
    ShortcutArguments nothing = {"no such drive", "none at all", path.c_str(), 0, 0};
    EXPECT_EQ(0, StackLeftByCall(create_, nothing, &answer)) << "bytes left on the stack";
    EXPECT_EQ(1, answer);
}
#endif

TEST(JoinFolderAndName, BackslashOnlyWhenTheFolderLacksOne) {
    char out[MAX_PATH];
    ASSERT_EQ(1, JoinFolderAndName("C:\\", "Kovara.lnk", out, sizeof out));
    EXPECT_STREQ("C:\\Kovara.lnk", out);
    ASSERT_EQ(1, JoinFolderAndName("C:\\Start Menu", "Kovara.lnk", out, sizeof out));
    EXPECT_STREQ("C:\\Start Menu\\Kovara.lnk", out);
    char tiny[12];
    EXPECT_EQ(0, JoinFolderAndName("C:\\Start", "Kovara.lnk", tiny, sizeof tiny));
}

}  // namespace
