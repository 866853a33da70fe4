#include "ByteBlock.h"
#include "UpperTextFinder.h"

#include <catch.hpp>

#include <random>
#include <string>
#include <windows.h>

namespace {

const unsigned kSeed = 20261208;
const int kRounds = 3000;
// Line ends, Ctrl-Z, NUL, letters in both cases, bytes above 127 whose "upper case" is not ASCII,
// and a lead byte of code page 932.
const std::string kAlphabet("aAbB/\n\r\x1A\0 \xE0\xC0\x83", 13);

char Pick(std::mt19937& random)
{
    return kAlphabet[random() % kAlphabet.size()];
}

std::string RandomText(std::mt19937& random, size_t length)
{
    std::string text;
    for (size_t i = 0; i < length; ++i)
        text += Pick(random);
    return text;
}

// The searches as one would write them a byte at a time.
const char* PlainFindEither(const char* from, const char* end, char a, char b)
{
    while (from < end && *from != a && *from != b)
        ++from;
    return from;
}

const char* PlainFindPair(const char* from, const char* end, char a1, char a2, char b1, char b2)
{
    for (; from < end; ++from) {
        if ((from[0] == a1 || from[0] == a2) && (from[1] == b1 || from[1] == b2))
            return from;
    }
    return end;
}

const char* PlainFindRunBreak(const char* from, const char* end)
{
    for (const char* at = from; at < end; ++at) {
        if (*at == '\x1A' || (*at == '\n' && (at == from || at[-1] != '\r')))
            return at;
    }
    return end;
}

// Upper-cases the single-byte characters and finds the text where a character starts.
int PlainFindInUpper(std::string text, const std::string& upperWhat)
{
    std::string starts(text.size() + 1, 1);
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size())
            starts[++i] = 0;
        else
            text[i] = AsciiUpper(text[i]);
    }
    size_t at = text.find(upperWhat);
    while (at != std::string::npos && !starts[at])
        at = text.find(upperWhat, at + 1);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

} // namespace

TEST_CASE("the block searches find the first place a byte-by-byte search finds, at any alignment and length")
{
    std::mt19937 random(kSeed);
    const BytePass before = CurrentBytePass();
    for (int round = 0; round < kRounds; ++round) {
        INFO("seed " << kSeed << ", round " << round);
        size_t length = random() % 80;
        std::string text = RandomText(random, length + 1); // the pair search reads one byte beyond
        const char* from = text.data() + random() % (length + 1);
        const char* end = text.data() + length;
        char a1 = Pick(random), a2 = Pick(random), b1 = Pick(random), b2 = Pick(random);

        const char* either = PlainFindEither(from, end, a1, a2);
        const char* pair = PlainFindPair(from, end, a1, a2, b1, b2);
        CHECK(FindEitherByte(from, end, a1, a2) == either);
        CHECK(FindEitherPair(from, end, a1, a2, b1, b2) == pair);
        // Both forms of the pass, on texts long enough for several of their blocks: mostly CR LF
        // ends, now and then a byte of the alphabet; the byte in front of the start (a CR, at
        // times) is not of the line.
        std::string lines;
        for (size_t n = 1 + random() % 120; lines.size() < n;)
            lines += random() % 12 == 0 ? std::string(1, Pick(random)) : random() % 8 == 0 ? "\r\n" : "ab";
        const char* linesEnd = lines.data() + lines.size();
        for (BytePass pass : {BytePass::Words, BytePass::Sse2}) {
            REQUIRE(UseBytePass(pass));
            CHECK(FindRunBreak(lines.data() + 1, linesEnd) == PlainFindRunBreak(lines.data() + 1, linesEnd));
        }
    }
    UseBytePass(before);
}

TEST_CASE("an upper-case text is found where the upper-cased text holds it, ASCII letters only folded", "[cp932]")
{
    SECTION("cases that say what folding means")
    {
        CHECK(CUpperTextFinder(CString("/LINKWELL/*")).FindIn("Pass /LinkWell/* C:\\", 20) == 5);
        CHECK(CUpperTextFinder(CString("\xC0")).FindIn("\xE0", 1) == -1); // not an ASCII letter
        CHECK(CUpperTextFinder(CString("AB")).FindIn("xaB", 3) == 1);
        CHECK(CUpperTextFinder(CString("AB")).FindIn("xa", 2) == -1);
        CHECK(CUpperTextFinder(CString()).FindIn("x", 1) == 0);
        CHECK(CUpperTextFinder(CString("A")).FindIn("bba", 3) == 2);
        CHECK(CUpperTextFinder(CString("LONGER")).FindIn("LONG", 4) == -1);
    }
    SECTION("random texts and texts taken from them")
    {
        std::mt19937 random(kSeed + 1);
        for (int round = 0; round < kRounds; ++round) {
            INFO("seed " << kSeed + 1 << ", round " << round);
            std::string text = RandomText(random, random() % 120);
            std::string wanted;
            if (!text.empty() && random() % 2) {
                size_t start = random() % text.size();
                wanted = text.substr(start, 1 + random() % 6);
            } else {
                wanted = RandomText(random, random() % 4);
            }
            CString upper = CString(wanted.data(), static_cast<int>(wanted.size())).Upper();
            wanted.assign(upper.c_str(), upper.GetLength());
            CUpperTextFinder finder(upper);
            CHECK(finder.FindIn(text.data(), static_cast<int>(text.size())) == PlainFindInUpper(text, wanted));
        }
    }
}
