#include "DialogTemplate.h"

#include <catch.hpp>

namespace {

const WORD* SkipSzOrOrd(const WORD* p, WORD* ordinal = nullptr, std::wstring* text = nullptr)
{
    if (*p == 0xFFFF) {
        if (ordinal)
            *ordinal = p[1];
        return p + 2;
    }
    const WORD* start = p;
    while (*p)
        ++p;
    if (text)
        text->assign(reinterpret_cast<const wchar_t*>(start), p - start);
    return p + 1;
}

BOOL CALLBACK AddLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR languages)
{
    reinterpret_cast<std::vector<LANGID>*>(languages)->push_back(language);
    return TRUE;
}

} // namespace

std::vector<LANGID> ResourceLanguages(HMODULE module, LPCSTR type, LPCSTR name)
{
    std::vector<LANGID> languages;
    EnumResourceLanguagesA(module, type, name, AddLanguage, reinterpret_cast<LONG_PTR>(&languages));
    return languages;
}

DialogTemplate LoadDialogTemplate(HMODULE module, int id)
{
    REQUIRE(ResourceLanguages(module, RT_DIALOG, MAKEINTRESOURCEA(id)) == std::vector<LANGID>{kEnglishUnitedStates});
    HRSRC found = FindResourceExA(module, RT_DIALOG, MAKEINTRESOURCEA(id), kEnglishUnitedStates);
    REQUIRE(found);
    const DLGTEMPLATE* t = static_cast<const DLGTEMPLATE*>(LockResource(LoadResource(module, found)));
    REQUIRE(t);
    DialogTemplate d;
    d.style = t->style;
    d.exStyle = t->dwExtendedStyle;
    d.x = t->x, d.y = t->y, d.cx = t->cx, d.cy = t->cy;
    const WORD* p = reinterpret_cast<const WORD*>(t + 1);
    d.hasMenu = *p != 0;
    p = SkipSzOrOrd(p);
    d.hasClass = *p != 0;
    p = SkipSzOrOrd(p);
    p = SkipSzOrOrd(p, nullptr, &d.caption);
    if (d.style & DS_SETFONT) {
        d.pointSize = *p++;
        p = SkipSzOrOrd(p, nullptr, &d.font);
    }
    for (int i = 0; i < t->cdit; ++i) {
        p = reinterpret_cast<const WORD*>((reinterpret_cast<ULONG_PTR>(p) + 3) & ~ULONG_PTR(3));
        const DLGITEMTEMPLATE* item = reinterpret_cast<const DLGITEMTEMPLATE*>(p);
        TemplateItem ti = {item->style, item->x, item->y, item->cx, item->cy, item->id, 0, std::wstring()};
        p = reinterpret_cast<const WORD*>(item + 1);
        p = SkipSzOrOrd(p, &ti.classAtom);
        p = SkipSzOrOrd(p, nullptr, &ti.text);
        WORD extra = *p++;
        p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p) + extra);
        d.items.push_back(ti);
    }
    return d;
}

void CheckTemplateHeader(const DialogTemplate& actual, const TemplateHeader& expected)
{
    CHECK(actual.style == expected.style);
    CHECK(actual.exStyle == expected.exStyle);
    CHECK((actual.x == expected.x && actual.y == expected.y && actual.cx == expected.cx && actual.cy == expected.cy));
    CHECK_FALSE(actual.hasMenu);
    CHECK_FALSE(actual.hasClass);
    CHECK((actual.caption == expected.caption));
    CHECK(actual.pointSize == 8);
    CHECK((actual.font == L"MS Sans Serif"));
}

void CheckTemplateItems(const std::vector<TemplateItem>& actual, const std::vector<TemplateItem>& expected)
{
    REQUIRE(actual.size() == expected.size());
    for (size_t i = 0; i < actual.size(); ++i) {
        const TemplateItem& a = actual[i];
        const TemplateItem& e = expected[i];
        INFO("control " << i << " id " << e.id);
        CHECK(a.style == e.style);
        CHECK((a.x == e.x && a.y == e.y && a.cx == e.cx && a.cy == e.cy));
        CHECK(a.id == e.id);
        CHECK(a.classAtom == e.classAtom);
        CHECK((a.text == e.text));
    }
}
