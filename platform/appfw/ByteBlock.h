// Byte blocks handled many bytes at a time: every rewrite of a large configuration file looks
// at each of its bytes for a line end (and, to remove lines, for a searched text) and copies
// every line. The system's memchr goes a byte at a time on some systems, and its memcpy costs a
// call for every short copy. A word of four bytes is compared at once in a general-purpose
// register, which every processor the modules are made for has. The one pass that tells where
// the runs of whole lines break also has a 16-byte form for processors with SSE2, chosen when
// the system says the processor has it; both forms give the same answers and both run in the
// tests.
#pragma once

#include <cstdint>
#include <cstring>

// A single-byte ASCII letter upper-cased; every other byte as it stands.
inline char AsciiUpper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

namespace byte_block {

inline bool IsEither(char c, char a, char b)
{
    return c == a || c == b;
}

namespace swar {

typedef uint32_t Word;
const int kWordBytes = sizeof(Word);
const Word kOnes = 0x01010101u;
const Word kHighBits = 0x80808080u;

inline Word Spread(char c)
{
    return kOnes * static_cast<unsigned char>(c);
}

// The high bit of every byte of `word` that is zero. It may also mark a byte above a zero
// byte, never the lowest one wrongly, and it never misses a zero byte.
inline Word ZeroBytes(Word word)
{
    return (word - kOnes) & ~word & kHighBits;
}

inline Word Load(const char* from)
{
    Word word;
    memcpy(&word, from, kWordBytes); // little-endian: the first byte is the lowest
    return word;
}

// The first marked byte's place in the word.
inline int FirstMarked(Word flags)
{
    return __builtin_ctz(flags) / 8;
}

inline const char* FindEitherByte(const char* from, const char* end, char a, char b)
{
    const Word spreadA = Spread(a), spreadB = Spread(b);
    for (; end - from >= kWordBytes; from += kWordBytes) {
        Word word = Load(from);
        Word flags = ZeroBytes(word ^ spreadA) | ZeroBytes(word ^ spreadB);
        if (flags)
            return from + FirstMarked(flags);
    }
    for (; from < end; ++from) {
        if (IsEither(*from, a, b))
            return from;
    }
    return end;
}

// The flags of two words may mark a place that is no pair; the tail check sorts those out.
inline const char* FindEitherPair(const char* from, const char* end, char a1, char a2, char b1, char b2)
{
    const Word spreadA1 = Spread(a1), spreadA2 = Spread(a2), spreadB1 = Spread(b1), spreadB2 = Spread(b2);
    for (; end - from >= kWordBytes; from += kWordBytes) {
        Word here = Load(from), next = Load(from + 1);
        Word flags = (ZeroBytes(here ^ spreadA1) | ZeroBytes(here ^ spreadA2)) &
                     (ZeroBytes(next ^ spreadB1) | ZeroBytes(next ^ spreadB2));
        for (; flags; flags &= flags - 1) {
            const char* place = from + FirstMarked(flags);
            if (IsEither(place[0], a1, a2) && IsEither(place[1], b1, b2))
                return place;
        }
    }
    for (; from < end; ++from) {
        if (IsEither(from[0], a1, a2) && IsEither(from[1], b1, b2))
            return from;
    }
    return end;
}

} // namespace swar

} // namespace byte_block

// The first byte in [from, end) that is `a` or `b`, or end.
inline const char* FindEitherByte(const char* from, const char* end, char a, char b)
{
    return byte_block::swar::FindEitherByte(from, end, a, b);
}

// Just behind the next LF in [text, end): whole lines always have one there.
inline const char* NextLineStart(const char* text, const char* end)
{
    return FindEitherByte(text, end, '\n', '\n') + 1;
}

// The first place in [from, end) whose byte is a1 or a2 and whose next byte is b1 or b2, or
// end. The byte at end is read too, so it must be there.
inline const char* FindEitherPair(const char* from, const char* end, char a1, char a2, char b1, char b2)
{
    return byte_block::swar::FindEitherPair(from, end, a1, a2, b1, b2);
}

// The first place in [from, end) where a run of lines that each end in CR LF breaks: an end mark
// (Ctrl-Z) or an LF whose line does not end in CR LF. `from` is where a line starts (an LF there
// ends an empty line, with no CR of its own); end when the run goes on to the end.
const char* FindRunBreak(const char* from, const char* end);

// The first place in [from, end - 1) whose byte and the next, each with bit 5 cleared (letters of
// either case alike), are one of the pairs (first byte in the low 8 bits, both folded so); end
// when there is none. 16 bytes at a time: only where CurrentBytePass() is SSE2.
const char* FindFoldedPairInSse2(const char* from, const char* end, const unsigned short* pairs, int pairCount);

// The two forms of that pass: 16 bytes at a time, and a word of four at a time.
enum class BytePass { Sse2, Words };
// The form in use: SSE2 where the system says the processor has it.
BytePass CurrentBytePass();
// For the tests: the form to use from now on, so that both run; SSE2 is taken only where the
// processor has it. False when the form cannot be had here.
bool UseBytePass(BytePass pass);

// Copies count bytes between blocks that do not overlap.
inline void CopyBytes(char* to, const char* from, size_t count)
{
    if (count > 256) {
        memcpy(to, from, count);
        return;
    }
    for (; count >= byte_block::swar::kWordBytes; count -= byte_block::swar::kWordBytes) {
        byte_block::swar::Word word = byte_block::swar::Load(from);
        memcpy(to, &word, byte_block::swar::kWordBytes);
        to += byte_block::swar::kWordBytes;
        from += byte_block::swar::kWordBytes;
    }
    for (; count > 0; --count)
        *to++ = *from++;
}

// Whether `length` bytes of text, read with their ASCII letters upper-cased, equal upperWhat.
inline bool HoldsInUpper(const char* text, const char* upperWhat, int length)
{
    for (int i = 0; i < length; ++i) {
        if (AsciiUpper(text[i]) != upperWhat[i])
            return false;
    }
    return true;
}
