#include "CString.h"

#include <catch.hpp>

#include <string>
#include <utility>

TEST_CASE("strings compare and search byte for byte, case folding only ASCII letters")
{
    CString text("Pass /wa/* C:\\PROD\\wa\\*");
    CHECK(text.Find(CString("/WA")) == -1);
    CHECK(text.Upper().Find(CString("/WA")) == 5);
    CHECK(CString("alias").EqualsNoCase(CString("ALIAS")));
    CHECK_FALSE(CString("alias").EqualsNoCase(CString("ALIASES")));
    // Bytes above 127 are not letters here: an e-acute stays as it is.
    CHECK(CString("caf\xE9").Upper() == CString("CAF\xE9"));
    CHECK_FALSE(CString("\xE9").EqualsNoCase(CString("\xC9")));
}

TEST_CASE("strings are counted: NUL bytes are kept and searched like any other")
{
    CString withNul("a\0b,c", 5);
    CHECK(withNul.GetLength() == 5);
    CHECK(withNul.Find(',') == 3);
    CHECK(withNul.Find(CString("b,", 2)) == 2);
    CHECK(withNul.Mid(2) == CString("b,c"));
    CHECK(withNul != CString("a"));
}

TEST_CASE("trimming removes the six white-space characters at both ends only")
{
    CString padded(" \t\r\n\v\f in side \t");
    padded.Trim();
    CHECK(padded == CString("in side"));
    CString blank("   ");
    blank.Trim();
    CHECK(blank.IsEmpty());
}

TEST_CASE("appending a part of the string to itself survives the buffer moving")
{
    CString text("0123456789");
    for (int i = 0; i < 10; ++i)
        text.Append(text.c_str(), text.GetLength());
    CHECK(text.GetLength() == 10 * 1024);
    CHECK(text.Mid(10240 - 10) == CString("0123456789"));
}

TEST_CASE("out-of-range substrings are clipped, never read past the end")
{
    CString text("abc");
    CHECK(text.Mid(5, 2).IsEmpty());
    CHECK(text.Mid(1, 99) == CString("bc"));
    CHECK(text.Left(-1) == CString("abc"));
    CHECK(text.Find('c', 10) == -1);
    CHECK(text.Find(CString("abcd")) == -1);
    text.Truncate(10);
    CHECK(text == CString("abc"));
}

namespace {
// The counted text and c_str() agree: the text handed to the system ends right after it.
bool Holds(const CString& text, const std::string& expected)
{
    return std::string(text.c_str(), text.GetLength()) == expected && text.c_str()[text.GetLength()] == '\0';
}
} // namespace

TEST_CASE("after every change the text is terminated right after its length")
{
    CString text("C:\\OLD\\CONFIG");
    CString empty;
    text = empty;
    CHECK(Holds(text, ""));
    text = CString("C:\\NEW");
    CHECK(Holds(text, "C:\\NEW"));
    const CString& self = text;
    text = self;
    CHECK(Holds(text, "C:\\NEW"));
    text = "";
    CHECK(Holds(text, ""));
    text = "abcdef";
    text.Truncate(2);
    CHECK(Holds(text, "ab"));
    text.Empty();
    CHECK(Holds(text, ""));
    text = "ab";
    text += text;
    CHECK(Holds(text, "abab"));
    text += 'c';
    text += "";
    CHECK(Holds(text, "ababc"));
    text.Append(std::string(5000, 'g').c_str(), 5000); // grows the block several times
    CHECK(Holds(text, "ababc" + std::string(5000, 'g')));
    text = "  x  ";
    text.Trim();
    CHECK(Holds(text, "x"));
    CString fresh;
    fresh.GetBuffer(300);
    CHECK(Holds(fresh, ""));
    char* room = fresh.GetBuffer(300);
    room[0] = 'q';
    fresh.ReleaseBuffer(1);
    CHECK(Holds(fresh, "q"));
    CString moved(std::move(fresh));
    CHECK(Holds(moved, "q"));
    CHECK(Holds(fresh, ""));
}
