// pickpanel.dll as the setup host uses it: loaded by name, the page created from its template,
// DisableDialogControls found by name and called with the four flags.
#include "DialogTemplate.h"
#include "TestFixtures.h"
#include "UniqueHandle.h"
#include "pickpanel.h"

#include <catch.hpp>

#include <vector>

namespace {

const int kAllIds[] = {1012, 9, 1013, 1200, 1300, 1007, 1000, 1001, 1002, 1003, 1008, 1009, 1010, 1004, 1005, 1006, 1014};

INT_PTR CALLBACK PageProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

// The library is freed even when a case fails half-way, so that the next case loads it afresh.
struct Page {
    CModuleHandle library;
    DisableDialogControlsProc disable;
    HWND window;
    explicit Page(const char* path = "pickpanel.dll") : library(LoadLibraryA(path))
    {
        REQUIRE(library);
        disable = reinterpret_cast<DisableDialogControlsProc>(
            reinterpret_cast<void*>(GetProcAddress(library.Get(), kDisableDialogControlsName)));
        REQUIRE(disable);
        window = CreateDialogParamA(library.Get(), MAKEINTRESOURCEA(13029), nullptr, PageProc, 0);
        REQUIRE(window);
    }
    ~Page() { DestroyWindow(window); }
    std::vector<int> Disabled() const
    {
        std::vector<int> ids;
        for (int id : kAllIds)
            if (!IsWindowEnabled(GetDlgItem(window, id)))
                ids.push_back(id);
        return ids;
    }
    std::string Caption() const
    {
        char text[256];
        GetWindowTextA(window, text, sizeof text);
        return text;
    }
};

std::string LoadText(HMODULE module, int id)
{
    char text[512] = "";
    LoadStringA(module, id, text, sizeof text);
    return text;
}

} // namespace

TEST_CASE("template 13029 holds every style, position, size and text of the page")
{
    CModuleHandle library(LoadLibraryA("pickpanel.dll"));
    REQUIRE(library);
    DialogTemplate d = LoadDialogTemplate(library.Get(), 13029);
    // No caption of its own: DisableDialogControls gives it one.
    CheckTemplateHeader(d, {WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, 0, 0, 0, 316, 205, L""});

    const DWORD base = WS_CHILD | WS_VISIBLE;
    TemplateItem expected[] = {
        {base | BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 197, 185, 51, 14, 1012, 0x80, L"&Next >"},
        {base | BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, 254, 185, 51, 14, 9, 0x80, L"Cancel"},
        {base | BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, 146, 185, 51, 14, 1013, 0x80, L"< &Back"},
        {base | SS_SIMPLE | WS_GROUP, 10, 10, 80, 160, 1200, 0x82, L"@10550;1;1;0,128,128;0,128,128"},
        {base | SS_BLACKFRAME | SS_SUNKEN, 10, 178, 295, 1, 1300, 0x82, L""},
        {base | SS_LEFT | WS_GROUP, 102, 10, 205, 50, 1007, 0x82, L""},
        {base | BS_AUTOCHECKBOX | WS_TABSTOP, 96, 64, 209, 10, 1000, 0x80, L"Corvane Skylane Server"},
        {base | BS_AUTOCHECKBOX | WS_TABSTOP, 96, 94, 209, 10, 1001, 0x80, L"Pellan Mondrel"},
        {base | BS_AUTOCHECKBOX | WS_TABSTOP, 96, 124, 209, 10, 1002, 0x80, L"Pellan Brell"},
        {base | BS_AUTOCHECKBOX | WS_TABSTOP, 96, 152, 212, 10, 1003, 0x80, L"Microsoft Internet Information Server"},
        {base | SS_LEFT | WS_GROUP, 108, 76, 78, 8, 1008, 0x82, L"File to modify:"},
        {base | SS_LEFT | WS_GROUP, 108, 106, 78, 8, 1009, 0x82, L"File to modify:"},
        {base | SS_LEFT | WS_GROUP, 108, 136, 78, 8, 1010, 0x82, L"File to modify:"},
        {base | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 187, 75, 117, 14, 1004, 0x81, L""},
        {base | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 187, 104, 117, 14, 1005, 0x81, L""},
        {base | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 187, 134, 117, 14, 1006, 0x81, L""},
        {base | SS_LEFT | WS_GROUP, 108, 163, 197, 8, 1014, 0x82, L"Registry Information will be modified."},
    };
    CheckTemplateItems(d.items, std::vector<TemplateItem>(std::begin(expected), std::end(expected)));
}

TEST_CASE("the string table holds the page's texts exactly, in English (United States) alone")
{
    CModuleHandle library(LoadLibraryA("pickpanel.dll"));
    REQUIRE(library);
    const char* expected[] = {
        "Corvane Skylane Server",
        "Pellan Mondrel Server",
        "Pellan Brell Server",
        "Microsoft Internet Information Server",
        "File to modify:",
        "Registry information will be modified.",
        "You have chosen to install Web Administration.  The Web Servers shown below are installed on your "
        "computer.  Please check each server that you want to be automatically configured for use with Web "
        "Administration.",
        "Back",
        "Next",
        "Cancel",
        "Configuration of Web Administration",
        "The Web Server configuration file",
        "does not exist!",
    };
    for (int id = 1000; id <= 1012; ++id) {
        INFO("string " << id);
        CHECK(LoadText(library.Get(), id) == expected[id - 1000]);
    }
    // Strings are stored in blocks of sixteen: 1000-1012 lie in two of them.
    for (int block : {1000 / 16 + 1, 1012 / 16 + 1}) {
        INFO("string block " << block);
        CHECK(ResourceLanguages(library.Get(), RT_STRING, MAKEINTRESOURCEA(block)) == std::vector<LANGID>{kEnglishUnitedStates});
    }
}

TEST_CASE("DisableDialogControls sets the caption and disables exactly the flagged rows")
{
    struct Case {
        const char* rule;
        int flags[4];
        std::vector<int> disabled;
        bool nonZero;
    } cases[] = {
        {"no flag: the caption only", {0, 0, 0, 0}, {}, false},
        {"Skylane", {1, 0, 0, 0}, {1000, 1008, 1004}, false},
        {"Mondrel", {0, 7, 0, 0}, {1001, 1009, 1005}, false},
        {"Brell", {0, 0, -1, 0}, {1002, 1010, 1006}, false},
        {"IIS", {0, 0, 0, 1}, {1003, 1014}, false},
        {"all four", {1, 1, 1, 1}, {1000, 1001, 1002, 1003, 1008, 1009, 1010, 1004, 1005, 1006, 1014}, false},
    };
    for (const Case& c : cases) {
        SECTION(c.rule)
        {
            Page page;
            SendDlgItemMessageA(page.window, 1001, BM_SETCHECK, BST_CHECKED, 0);
            SetDlgItemTextA(page.window, 1005, "D:\\MONDREL\\MONCFG.VSF");
            SetDlgItemTextA(page.window, 1007, "message");
            int result = page.disable(page.window, c.flags[0], c.flags[1], c.flags[2], c.flags[3]);
            CHECK(result == 0);
            CHECK(page.Caption() == "Configuration of Web Administration");
            CHECK(page.Disabled() == c.disabled);
            // Nothing else changes: check states and texts stay.
            CHECK(SendDlgItemMessageA(page.window, 1001, BM_GETCHECK, 0, 0) == BST_CHECKED);
            char text[64];
            GetDlgItemTextA(page.window, 1005, text, sizeof text);
            CHECK(std::string(text) == "D:\\MONDREL\\MONCFG.VSF");
            GetDlgItemTextA(page.window, 1007, text, sizeof text);
            CHECK(std::string(text) == "message");

            SECTION("a second call leaves the page as it was; with the IIS flag it returns non-zero")
            {
                int again = page.disable(page.window, c.flags[0], c.flags[1], c.flags[2], c.flags[3]);
                CHECK((again != 0) == (c.flags[3] != 0));
                CHECK(page.Disabled() == c.disabled);
            }
        }
    }
}

TEST_CASE("a page that lacks some controls has them skipped without effect")
{
    Page page;
    DestroyWindow(GetDlgItem(page.window, 1008));
    DestroyWindow(GetDlgItem(page.window, 1014));
    CHECK(page.disable(page.window, 1, 0, 0, 1) == 0); // the IIS row's last control is missing
    CHECK_FALSE(IsWindowEnabled(GetDlgItem(page.window, 1000)));
    CHECK_FALSE(IsWindowEnabled(GetDlgItem(page.window, 1004)));
    CHECK_FALSE(IsWindowEnabled(GetDlgItem(page.window, 1003)));
}

TEST_CASE("the strings come from the library's own module, whatever it is loaded as")
{
    CScratchDir dir;
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    CString original(self);
    original = original.Left(original.GetLength() - static_cast<int>(strlen("pickpanel_tests.exe"))) + "pickpanel.dll";
    REQUIRE(CopyFileA(original, dir / "webpage.plg", FALSE));
    {
        Page page(dir / "webpage.plg");
        CHECK(GetModuleHandleA("pickpanel.dll") == nullptr);
        CHECK(page.disable(page.window, 0, 0, 0, 0) == 0);
        CHECK(page.Caption() == "Configuration of Web Administration");
    }
}
