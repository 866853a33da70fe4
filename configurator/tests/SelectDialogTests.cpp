#include "DialogTemplate.h"
#include "DialogWatch.h"
#include "ServerSelectDlg.h"
#include "UniqueHandle.h"

#include <catch.hpp>

#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace {

const char kCaption[] = "Remote Web Administration Configuration";

// The dialog's rows, one per server kind, top to bottom: the box with its label and the member it
// shows, and the field of the file that configuring the server changes (none for IIS, whose
// settings are in the registry).
struct Row {
    WORD box;
    const char* label;
    int CServerSelectDlg::*member;
    WORD field;
};
const Row kRows[] = {
    {1003, "Corvane Skylane Server (Version 4.x)", &CServerSelectDlg::m_skylaneCheck, 1007},
    {1004, "Pellan Mondrel Server", &CServerSelectDlg::m_mondrelCheck, 1008},
    {1005, "Pellan Brell Server", &CServerSelectDlg::m_brellCheck, 1009},
    {1006, "Microsoft Internet Information Server (Version 1.x 2.x)", &CServerSelectDlg::m_iisCheck, 0},
};
const Row& kBrellRow = kRows[2];

// What a control is to the user: its class and the styles that make it behave.
struct Kind {
    WORD classAtom;
    DWORD style;
};
const DWORD kShown = WS_CHILD | WS_VISIBLE;
const Kind kCheckBox = {0x80, kShown | WS_TABSTOP | BS_AUTOCHECKBOX}; // ticks itself when clicked
const Kind kFileField = {0x81, kShown | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL}; // a long path scrolls
const Kind kText = {0x82, kShown | WS_GROUP | SS_LEFT}; // the Tab key passes over it
const Kind kButton = {0x80, kShown | WS_TABSTOP | BS_PUSHBUTTON}; // not the default: Enter reads the boxes back

std::wstring Wide(const char* text)
{
    return std::wstring(text, text + strlen(text));
}

int Right(const TemplateItem& item) { return item.x + item.cx; }
int Bottom(const TemplateItem& item) { return item.y + item.cy; }
bool Apart(const TemplateItem& a, const TemplateItem& b)
{
    return Right(a) <= b.x || Right(b) <= a.x || Bottom(a) <= b.y || Bottom(b) <= a.y;
}

// The one control of the template that matches; fails the test when none or several do.
template <typename Match>
const TemplateItem& Only(const DialogTemplate& d, Match match)
{
    std::vector<const TemplateItem*> found;
    for (const TemplateItem& item : d.items)
        if (match(item))
            found.push_back(&item);
    REQUIRE(found.size() == 1);
    return *found[0];
}

const TemplateItem& WithId(const DialogTemplate& d, WORD id)
{
    return Only(d, [id](const TemplateItem& item) { return item.id == id; });
}

void CheckControl(const TemplateItem& item, const Kind& kind, const std::wstring& text)
{
    INFO("control " << item.id << " at " << item.x << "," << item.y);
    CHECK(item.classAtom == kind.classAtom);
    CHECK(item.style == kind.style);
    CHECK((item.text == text));
}

struct ControlSeen {
    int id;
    std::string className, text;
    int x, y, cx, cy; // in dialog units
};

// What the watcher saw of the running dialog; checked on the main thread afterwards.
struct Observation {
    bool shown = false;
    DWORD exStyle = 0;
    int checks[std::size(kRows)] = {-1, -1, -1, -1}; // -1: no box with the row's label
    bool bigIcon = false, smallIcon = false, dragIcon = false;
    std::vector<ControlSeen> controls;
};

enum class Close { ConfigureButton, CancelButton, EscapeKey, CloseBox, EnterOnCheckBox, EnterInEdit };

struct Watch {
    Close how;
    bool clickBrell;
    Observation seen;
    DWORD dialogThread = 0;
};

ControlSeen See(HWND dialog, HWND control)
{
    ControlSeen c;
    c.id = GetDlgCtrlID(control);
    char text[512];
    GetClassNameA(control, text, sizeof text);
    c.className = text;
    GetWindowTextA(control, text, sizeof text);
    c.text = text;
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    RECT unit = {0, 0, 4, 8};
    MapDialogRect(dialog, &unit);
    c.x = r.left * 4 / unit.right;
    c.y = r.top * 8 / unit.bottom;
    c.cx = (r.right - r.left) * 4 / unit.right;
    c.cy = (r.bottom - r.top) * 8 / unit.bottom;
    return c;
}

// A check box as a person finds it: by its label.
HWND Box(HWND dialog, const Row& row)
{
    return FindWindowExA(dialog, nullptr, "Button", row.label);
}

BOOL CALLBACK CloseShown(HWND window, LPARAM)
{
    if (IsWindowVisible(window))
        PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    return TRUE;
}

DWORD WINAPI Watcher(void* param)
{
    Watch* watch = static_cast<Watch*>(param);
    HWND dialog = WaitForWindow(kCaption);
    if (!dialog) {
        // Whatever the dialog thread shows is closed all the same: a dialog with another caption
        // fails the case instead of holding it for ever.
        EnumThreadWindows(watch->dialogThread, CloseShown, 0);
        return 0;
    }
    Observation& seen = watch->seen;
    seen.shown = true;
    seen.exStyle = static_cast<DWORD>(GetWindowLongA(dialog, GWL_EXSTYLE));
    for (size_t i = 0; i < std::size(kRows); ++i)
        if (HWND box = Box(dialog, kRows[i]))
            seen.checks[i] = static_cast<int>(SendMessageA(box, BM_GETCHECK, 0, 0));
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_CONFIGURATOR));
    seen.bigIcon = reinterpret_cast<HICON>(SendMessageA(dialog, WM_GETICON, ICON_BIG, 0)) == icon;
    seen.smallIcon = reinterpret_cast<HICON>(SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0)) == icon;
    seen.dragIcon = reinterpret_cast<HICON>(SendMessageA(dialog, WM_QUERYDRAGICON, 0, 0)) == icon;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        seen.controls.push_back(See(dialog, child));

    if (watch->clickBrell)
        SendMessageA(Box(dialog, kBrellRow), BM_CLICK, 0, 0);
    switch (watch->how) {
    case Close::ConfigureButton: PostButtonClick(dialog, 1001); break;
    case Close::CancelButton: PostButtonClick(dialog, 1014); break;
    case Close::EscapeKey: PostKey(Box(dialog, kRows[0]), VK_ESCAPE); break;
    case Close::CloseBox: PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); break;
    case Close::EnterOnCheckBox: PostKey(Box(dialog, kBrellRow), VK_RETURN); break;
    case Close::EnterInEdit: PostKey(GetDlgItem(dialog, kBrellRow.field), VK_RETURN); break;
    }
    return 0;
}

INT_PTR RunDialog(CServerSelectDlg& dialog, Watch& watch)
{
    watch.dialogThread = GetCurrentThreadId();
    CKernelHandle thread(CreateThread(nullptr, 0, Watcher, &watch, 0, nullptr));
    INT_PTR result = dialog.DoModal();
    WaitForSingleObject(thread.Get(), 10000);
    return result;
}

} // namespace

TEST_CASE("template 102: a row per server kind, its file below its box, the two buttons at the foot")
{
    DialogTemplate d = LoadDialogTemplate(GetModuleHandleA(nullptr), 102);
    // A button of its own on the taskbar: the dialog has no owner window.
    CheckTemplateHeader(d, {WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_SETFONT, WS_EX_APPWINDOW, 0, 0, 257,
                            183, Wide(kCaption).c_str()});

    // Top to bottom: the introduction, then each row's box and, on the next line, its file field
    // after a label, the boxes in one column.
    const TemplateItem& intro =
        Only(d, [](const TemplateItem& item) { return item.text.find(L"web servers") != std::wstring::npos; });
    CheckControl(intro, kText,
                 L"The following web servers were found on this machine.  Support for remote web administration for "
                 L"Tellura Linkwell Server will be installed on the web servers checked in the list below:");
    int above = Bottom(intro);
    for (const Row& row : kRows) {
        INFO(row.label);
        const TemplateItem& box = WithId(d, row.box);
        CheckControl(box, kCheckBox, Wide(row.label));
        CHECK(box.x == WithId(d, kRows[0].box).x);
        CHECK(box.y >= above);
        above = Bottom(box);
        if (!row.field)
            continue;
        const TemplateItem& field = WithId(d, row.field);
        CheckControl(field, kFileField, L"");
        CHECK(field.y >= above);
        above = Bottom(field);
        const TemplateItem& label = Only(d, [&field](const TemplateItem& item) {
            return item.classAtom == kText.classAtom && item.y >= field.y && Bottom(item) <= Bottom(field) &&
                   Right(item) <= field.x;
        });
        CheckControl(label, kText, L"File to Modify:");
        CHECK(label.x > box.x);
    }
    const TemplateItem& configure = WithId(d, 1001);
    const TemplateItem& cancel = WithId(d, 1014);
    CheckControl(configure, kButton, L"Configure Servers");
    CheckControl(cancel, kButton, L"Cancel");
    CHECK(configure.y >= above);
    CHECK(cancel.y == configure.y);
    CHECK(Right(configure) <= cancel.x);

    // Nothing more (the introduction, four boxes, three fields with their labels, two buttons),
    // all of it inside the dialog, no control over another, and Tab in the product's order.
    CHECK(d.items.size() == 13);
    std::vector<WORD> tabOrder;
    for (const TemplateItem& item : d.items) {
        INFO("control " << item.id << " at " << item.x << "," << item.y);
        CHECK((item.x >= 0 && item.y >= 0 && Right(item) <= d.cx && Bottom(item) <= d.cy));
        for (const TemplateItem& other : d.items)
            CHECK((&other == &item || Apart(item, other)));
        if (item.style & WS_TABSTOP)
            tabOrder.push_back(item.id);
    }
    CHECK(tabOrder == std::vector<WORD>{1001, 1003, 1004, 1005, 1006, 1007, 1008, 1009, 1014});
}

TEST_CASE("the running dialog is template 102 in place, with the program's icon")
{
    DialogTemplate d = LoadDialogTemplate(GetModuleHandleA(nullptr), 102);
    CServerSelectDlg dialog;
    Watch watch{Close::CancelButton, false, {}};
    REQUIRE(RunDialog(dialog, watch) == IDCANCEL);
    const Observation& seen = watch.seen;
    REQUIRE(seen.shown);
    CHECK((seen.exStyle & WS_EX_APPWINDOW) != 0);
    REQUIRE(seen.controls.size() == d.items.size());
    for (size_t i = 0; i < d.items.size(); ++i) {
        const ControlSeen& c = seen.controls[i];
        const TemplateItem& t = d.items[i];
        INFO("control " << i << " id " << t.id);
        CHECK(c.id == t.id);
        CHECK(c.className == (t.classAtom == 0x80 ? "Button" : t.classAtom == 0x81 ? "Edit" : "Static"));
        CHECK((Wide(c.text.c_str()) == t.text));
        // Mapping to pixels and back may round by one unit.
        CHECK((std::abs(c.x - t.x) <= 1 && std::abs(c.y - t.y) <= 1));
        CHECK((std::abs(c.cx - t.cx) <= 1 && std::abs(c.cy - t.cy) <= 1));
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
