// A dialog template read back from a module's resources, as the resource compiler laid it down
// (DLGTEMPLATE form, English (United States)).
#pragma once

#include <string>
#include <vector>
#include <windows.h>

struct TemplateItem {
    DWORD style;
    short x, y, cx, cy;
    WORD id;
    WORD classAtom; // 0x80 button, 0x81 edit, 0x82 static; 0 when the class is named by text
    std::wstring text;
};

struct DialogTemplate {
    DWORD style = 0, exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    bool hasMenu = false, hasClass = false;
    std::wstring caption, font;
    WORD pointSize = 0;
    std::vector<TemplateItem> items;
};

const LANGID kEnglishUnitedStates = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

// The languages a module holds a resource in. The product's resources are in English (United
// States) alone: a second language would be what a machine of that language loads instead.
std::vector<LANGID> ResourceLanguages(HMODULE module, LPCSTR type, LPCSTR name);

// Fails the test when the template is missing or not in English (United States) alone.
DialogTemplate LoadDialogTemplate(HMODULE module, int id);

// What a template's header makes of the dialog's window.
struct TemplateHeader {
    DWORD style, exStyle;
    short x, y, cx, cy;
    const wchar_t* caption;
};

// Checks the header: these, no menu, no window class of its own, and the font of the product's
// dialogs (8-point MS Sans Serif).
void CheckTemplateHeader(const DialogTemplate& actual, const TemplateHeader& expected);

// Compares the controls one by one: style, rectangle, id, class and text.
void CheckTemplateItems(const std::vector<TemplateItem>& actual, const std::vector<TemplateItem>& expected);
