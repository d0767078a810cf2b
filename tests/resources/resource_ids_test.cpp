// Loads, by identifier, every dialog template, menu, icon and bitmap of the
// vault manager that has landed. One row per resource: add a row when a
// resource lands. Dialog rows also name the title the template must carry, so
// a template under a wrong identifier is caught.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

enum Kind { kDialog, kMenu, kIcon, kBitmap };

struct Row {
    Kind kind;
    int id;
    const char *title;  // dialogs: the caption of the template
};

const Row kResources[] = {
    {kDialog, 300, "Kovara - Setup Your Token"},
    {kDialog, 301, "Kovara - Token Authorisation"},
    {kDialog, 406, "Kovara"},
    {kDialog, 471, "Kovara - Log-In Using User Information Backup"},
    {kDialog, 481, "Kovara - Select Drive To Open Vault On"},
    {kDialog, 546, "Kovara - Authorise Token Use"},
    {kDialog, 221, "About Kovara"},
    {kDialog, 492, "Kovara - Lock Vault and Exit?"},
    {kDialog, 496, "Kovara: Security Alert"},
    {kDialog, 509, "Kovara - Create New User"},
    {kDialog, 513, "Kovara - Your Vault Is Locked"},
    {kDialog, 558, "Kovara - How To Use"},
    {kMenu, 158, nullptr},
    {kIcon, 357, nullptr},
    {kIcon, 364, nullptr},
    {kIcon, 403, nullptr},
    {kDialog, 601, "Kovara - Setup Your Vault"},
    {kDialog, 602, "Kovara - Vault Created"},
    {kDialog, 603, "Kovara - User Information Backup"},
    {kDialog, 303, "Kovara - Restore Key On Token"},
    {kDialog, 549, "Kovara - Change Password"},
    {kDialog, 464, "Kovara - Password Recovery"},
    {kDialog, 462, "Kovara - Recover Your Password"},
    {kDialog, 495, "Kovara - Setup Your Preferences"},
    {kIcon, 487, nullptr},
    {kIcon, 543, nullptr},
    {kBitmap, 452, nullptr},
    {kBitmap, 476, nullptr},
    {kBitmap, 497, nullptr},
    {kBitmap, 511, nullptr},
    {kBitmap, 512, nullptr},
    {kBitmap, 559, nullptr},
};

// The caption of an extended dialog template: after the fixed header come
// the menu and the class (each empty, an ordinal or a string), then the title.
std::string TemplateTitle(const void *data, DWORD size) {
    const WORD *words = static_cast<const WORD *>(data);
    const WORD *end = words + size / sizeof(WORD);
    if (size < 26 || words[0] != 1 || words[1] != 0xFFFF) return "(not an extended template)";
    const WORD *p = words + 13;  // version, signature, help id, styles, count, x, y, cx, cy
    for (int field = 0; field < 2 && p < end; ++field) {
        if (*p == 0xFFFF)
            p += 2;
        else
            while (p < end && *p++) {
            }
    }
    std::string title;
    while (p < end && *p) title += static_cast<char>(*p++);
    return title;
}

std::string Describe(const Row &row) { return "resource " + std::to_string(row.id); }

TEST(Resources, EveryLandedResourceLoadsByItsIdentifier) {
    HMODULE module = GetModuleHandleA(nullptr);
    for (const Row &row : kResources) {
        SCOPED_TRACE(Describe(row));
        switch (row.kind) {
            case kDialog: {
                HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(row.id), MAKEINTRESOURCEA(5));  // RT_DIALOG
                ASSERT_NE(nullptr, found) << "no dialog template";
                HGLOBAL loaded = LoadResource(module, found);
                ASSERT_NE(nullptr, loaded);
                EXPECT_EQ(row.title, TemplateTitle(LockResource(loaded), SizeofResource(module, found)));
                break;
            }
            case kMenu: {
                HMENU menu = LoadMenuA(module, MAKEINTRESOURCEA(row.id));
                EXPECT_NE(nullptr, menu) << "no menu";
                if (menu) DestroyMenu(menu);
                break;
            }
            case kIcon:
                EXPECT_NE(nullptr, LoadIconA(module, MAKEINTRESOURCEA(row.id))) << "no icon";
                break;
            case kBitmap: {
                HBITMAP bitmap = LoadBitmapA(module, MAKEINTRESOURCEA(row.id));
                EXPECT_NE(nullptr, bitmap) << "no bitmap";
                if (bitmap) DeleteObject(bitmap);
                break;
            }
        }
    }
}

}  // namespace
