#include "DialogTemplate.h"
#include "DialogWatch.h"
#include "ServerSelectDlg.h"

#include <catch.hpp>

#include <iterator>
#include <string>
#include <vector>

namespace {

const char kCaption[] = "Remote Web Administration Configuration";

// The dialog's rows, one per server kind, top to bottom: the box's label and the member it shows.
struct Row {
    const char* label;
    int CServerSelectDlg::*member;
};
const Row kRows[] = {
    {"Corvane Skylane Server (Version 4.x)", &CServerSelectDlg::m_skylaneCheck},
    {"Pellan Mondrel Server", &CServerSelectDlg::m_mondrelCheck},
    {"Pellan Brell Server", &CServerSelectDlg::m_brellCheck},
    {"Microsoft Internet Information Server (Version 1.x 2.x)", &CServerSelectDlg::m_iisCheck},
};
const Row& kBrellRow = kRows[2];

struct ControlSeen {
    int id;
    std::string className;
    DWORD style;
    std::string text;
    RECT rect; // in dialog units
};

// What the watcher saw of the running dialog; checked on the main thread afterwards.
struct Observation {
    bool shown = false;
    DWORD style = 0, exStyle = 0;
    std::string caption;
    int checks[std::size(kRows)] = {-1, -1, -1, -1}; // -1: no box with the row's label
    bool bigIcon = false, smallIcon = false, dragIcon = false;
    std::vector<ControlSeen> controls;
};

enum class Close { ConfigureButton, CancelButton, EscapeKey, CloseBox, EnterOnCheckBox, EnterInEdit };

struct Watch {
    Close how;
    bool clickBrell;
    Observation seen;
};

RECT ToDialogUnits(HWND dialog, HWND control)
{
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    RECT unit = {0, 0, 4, 8};
    MapDialogRect(dialog, &unit);
    RECT d = {r.left * 4 / unit.right, r.top * 8 / unit.bottom, (r.right - r.left) * 4 / unit.right,
              (r.bottom - r.top) * 8 / unit.bottom};
    return d;
}

// A check box as a person finds it: by its label.
HWND Box(HWND dialog, const Row& row)
{
    return FindWindowExA(dialog, nullptr, "Button", row.label);
}

DWORD WINAPI Watcher(void* param)
{
    Watch* watch = static_cast<Watch*>(param);
    HWND dialog = WaitForWindow(kCaption);
    if (!dialog)
        return 0;
    Observation& seen = watch->seen;
    seen.shown = true;
    seen.style = static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE));
    seen.exStyle = static_cast<DWORD>(GetWindowLongA(dialog, GWL_EXSTYLE));
    char text[512];
    GetWindowTextA(dialog, text, sizeof text);
    seen.caption = text;
    for (size_t i = 0; i < std::size(kRows); ++i)
        if (HWND box = Box(dialog, kRows[i]))
            seen.checks[i] = static_cast<int>(SendMessageA(box, BM_GETCHECK, 0, 0));
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_CONFIGURATOR));
    seen.bigIcon = reinterpret_cast<HICON>(SendMessageA(dialog, WM_GETICON, ICON_BIG, 0)) == icon;
    seen.smallIcon = reinterpret_cast<HICON>(SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0)) == icon;
    seen.dragIcon = reinterpret_cast<HICON>(SendMessageA(dialog, WM_QUERYDRAGICON, 0, 0)) == icon;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        ControlSeen c;
        c.id = GetDlgCtrlID(child);
        char cls[64];
        GetClassNameA(child, cls, sizeof cls);
        c.className = cls;
        c.style = static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE));
        GetWindowTextA(child, text, sizeof text);
        c.text = text;
        c.rect = ToDialogUnits(dialog, child);
        seen.controls.push_back(c);
    }

    if (watch->clickBrell)
        SendMessageA(Box(dialog, kBrellRow), BM_CLICK, 0, 0);
    switch (watch->how) {
    case Close::ConfigureButton: PostButtonClick(dialog, 1001); break;
    case Close::CancelButton: PostButtonClick(dialog, 1014); break;
    case Close::EscapeKey: PostKey(Box(dialog, kRows[0]), VK_ESCAPE); break;
    case Close::CloseBox: PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); break;
    case Close::EnterOnCheckBox: PostKey(Box(dialog, kBrellRow), VK_RETURN); break;
    case Close::EnterInEdit: PostKey(GetDlgItem(dialog, 1008), VK_RETURN); break;
    }
    return 0;
}

INT_PTR RunDialog(CServerSelectDlg& dialog, Watch& watch)
{
    HANDLE thread = CreateThread(nullptr, 0, Watcher, &watch, 0, nullptr);
    INT_PTR result = dialog.DoModal();
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    return result;
}

} // namespace

TEST_CASE("dialog template 102 holds every style, position and size of the product's layout")
{
    DialogTemplate d = LoadDialogTemplate(GetModuleHandleA(nullptr), 102);
    CheckTemplateHeader(d, {WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_SETFONT, WS_EX_APPWINDOW, 0, 0, 257, 183,
                            L"Remote Web Administration Configuration"});

    const DWORD base = WS_CHILD | WS_VISIBLE;
    TemplateItem expected[] = {
        {base | BS_PUSHBUTTON | WS_TABSTOP, 86, 162, 73, 14, 1001, 0x80, L"Configure Servers"},
        {base | SS_LEFT | WS_GROUP, 19, 7, 222, 35, 0xFFFF, 0x82, L"The following web servers were found on this machine.  Support for remote web administration for Tellura Linkwell Server will be installed on the web servers checked in the list below:"},
        {base | BS_AUTOCHECKBOX | WS_TABSTOP, 17, 57, 156, 10, 1003, 0x80, L"Corvane Skylane Server (Version 4.x)"},
        {base | BS_AUTOCHECKBOX | WS_TABSTOP, 17, 86, 82, 10, 1004, 0x80, L"Pellan Mondrel Server"},
        {base | BS_AUTOCHECKBOX | WS_TABSTOP, 17, 113, 67, 10, 1005, 0x80, L"Pellan Brell Server"},
        {base | BS_AUTOCHECKBOX | WS_TABSTOP, 17, 142, 182, 10, 1006, 0x80, L"Microsoft Internet Information Server (Version 1.x 2.x)"},
        {base | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 91, 69, 137, 14, 1007, 0x81, L""},
        {base | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 91, 97, 138, 14, 1008, 0x81, L""},
        {base | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 91, 125, 138, 14, 1009, 0x81, L""},
        {base | SS_LEFT | WS_GROUP, 30, 71, 50, 8, 0xFFFF, 0x82, L"File to Modify:"},
        {base | SS_LEFT | WS_GROUP, 30, 99, 50, 8, 0xFFFF, 0x82, L"File to Modify:"},
        {base | SS_LEFT | WS_GROUP, 30, 127, 50, 8, 0xFFFF, 0x82, L"File to Modify:"},
        {base | BS_PUSHBUTTON | WS_TABSTOP, 179, 162, 50, 14, 1014, 0x80, L"Cancel"},
    };
    CheckTemplateItems(d.items, std::vector<TemplateItem>(std::begin(expected), std::end(expected)));
}

TEST_CASE("the running dialog shows the template's texts in place, with the program's icon")
{
    CServerSelectDlg dialog;
    Watch watch{Close::CancelButton, false, {}};
    REQUIRE(RunDialog(dialog, watch) == IDCANCEL);
    const Observation& seen = watch.seen;
    REQUIRE(seen.shown);
    CHECK(seen.caption == kCaption);
    CHECK((seen.exStyle & WS_EX_APPWINDOW) != 0);

    struct Expected {
        int id;
        const char* cls;
        RECT rect;
        const char* text;
    } expected[] = {
        {1001, "Button", {86, 162, 73, 14}, "Configure Servers"},
        {0xFFFF, "Static", {19, 7, 222, 35},
         "The following web servers were found on this machine.  Support for remote web administration for Tellura "
         "Linkwell Server will be installed on the web servers checked in the list below:"},
        {1003, "Button", {17, 57, 156, 10}, "Corvane Skylane Server (Version 4.x)"},
        {1004, "Button", {17, 86, 82, 10}, "Pellan Mondrel Server"},
        {1005, "Button", {17, 113, 67, 10}, "Pellan Brell Server"},
        {1006, "Button", {17, 142, 182, 10}, "Microsoft Internet Information Server (Version 1.x 2.x)"},
        {1007, "Edit", {91, 69, 137, 14}, ""},
        {1008, "Edit", {91, 97, 138, 14}, ""},
        {1009, "Edit", {91, 125, 138, 14}, ""},
        {0xFFFF, "Static", {30, 71, 50, 8}, "File to Modify:"},
        {0xFFFF, "Static", {30, 99, 50, 8}, "File to Modify:"},
        {0xFFFF, "Static", {30, 127, 50, 8}, "File to Modify:"},
        {1014, "Button", {179, 162, 50, 14}, "Cancel"},
    };
    REQUIRE(seen.controls.size() == sizeof expected / sizeof expected[0]);
    for (size_t i = 0; i < seen.controls.size(); ++i) {
        const ControlSeen& c = seen.controls[i];
        const Expected& e = expected[i];
        INFO("control " << i << " id " << e.id);
        CHECK(c.id == e.id);
        CHECK(c.className == e.cls);
        CHECK(c.text == e.text);
        // Mapping to pixels and back may round by one unit.
        CHECK(std::abs(c.rect.left - e.rect.left) <= 1);
        CHECK(std::abs(c.rect.top - e.rect.top) <= 1);
        CHECK(std::abs(c.rect.right - e.rect.right) <= 1);
        CHECK(std::abs(c.rect.bottom - e.rect.bottom) <= 1);
    }
    CHECK(seen.bigIcon);
    CHECK(seen.smallIcon);
    CHECK(seen.dragIcon);
}

TEST_CASE("the boxes show what discovery found, and each way of closing ends the dialog as the product does")
{
    // Each case finds other servers, so that any two rows differ in some case, before and after
    // the Brell box is clicked: a box showing, or read back into, another row's member fails.
    struct Case {
        const char* rule;
        Close how;
        INT_PTR result;
        int found[std::size(kRows)]; // the members the dialog starts with
        int after[std::size(kRows)]; // the members after the Brell box is clicked and the dialog closed
    } cases[] = {
        {"Configure Servers ends with OK and reads nothing back", Close::ConfigureButton, IDOK, {1, 1, 0, 0}, {1, 1, 0, 0}},
        {"Cancel", Close::CancelButton, IDCANCEL, {0, 1, 0, 1}, {0, 1, 0, 1}},
        {"Esc", Close::EscapeKey, IDCANCEL, {0, 0, 1, 1}, {0, 0, 1, 1}},
        {"the close box", Close::CloseBox, IDCANCEL, {1, 0, 1, 1}, {1, 0, 1, 1}},
        {"Enter on a check box reads the boxes back", Close::EnterOnCheckBox, IDOK, {1, 1, 1, 0}, {1, 1, 0, 0}},
        {"Enter in an edit field reads the boxes back", Close::EnterInEdit, IDOK, {1, 0, 0, 0}, {1, 0, 1, 0}},
    };
    for (const Case& c : cases) {
        SECTION(c.rule)
        {
            CServerSelectDlg dialog;
            for (size_t i = 0; i < std::size(kRows); ++i)
                dialog.*kRows[i].member = c.found[i];
            Watch watch{c.how, true, {}};
            CHECK(RunDialog(dialog, watch) == c.result);
            REQUIRE(watch.seen.shown);
            for (size_t i = 0; i < std::size(kRows); ++i) {
                INFO(kRows[i].label);
                CHECK(watch.seen.checks[i] == (c.found[i] ? BST_CHECKED : BST_UNCHECKED));
                CHECK(dialog.*kRows[i].member == c.after[i]);
            }
        }
    }
}
