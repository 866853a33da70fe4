// Byte blocks handled many bytes at a time: every rewrite of a large configuration file looks
// at each of its bytes for a line end (and, to remove lines, for a searched text) and copies
// every line. The system's memchr goes a byte at a time on some systems, and its memcpy costs a
// call for every short copy. With SSE2 (every 64-bit processor) sixteen bytes are compared at
// once, otherwise eight, in a general-purpose register.
#pragma once

#include <cstdint>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace byte_block {

inline bool IsEither(char c, char a, char b)
{
    return c == a || c == b;
}

namespace swar {

inline uint64_t Spread(char c)
{
    return 0x0101010101010101ull * static_cast<unsigned char>(c);
}

// The high bit of every byte of `word` that is zero. It may also mark a byte above a zero
// byte, never the lowest one wrongly, and it never misses a zero byte.
inline uint64_t ZeroBytes(uint64_t word)
{
    return (word - 0x0101010101010101ull) & ~word & 0x8080808080808080ull;
}

inline uint64_t Load(const char* from)
{
    uint64_t word;
    memcpy(&word, from, 8); // little-endian: the first byte is the lowest
    return word;
}

inline const char* FindEitherByte(const char* from, const char* end, char a, char b)
{
    const uint64_t spreadA = Spread(a), spreadB = Spread(b);
    for (; end - from >= 8; from += 8) {
        uint64_t word = Load(from);
        uint64_t flags = ZeroBytes(word ^ spreadA) | ZeroBytes(word ^ spreadB);
        if (flags)
            return from + __builtin_ctzll(flags) / 8;
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
    const uint64_t spreadA1 = Spread(a1), spreadA2 = Spread(a2), spreadB1 = Spread(b1), spreadB2 = Spread(b2);
    for (; end - from >= 8; from += 8) {
        uint64_t here = Load(from), next = Load(from + 1);
        uint64_t flags = (ZeroBytes(here ^ spreadA1) | ZeroBytes(here ^ spreadA2)) &
                         (ZeroBytes(next ^ spreadB1) | ZeroBytes(next ^ spreadB2));
        for (; flags; flags &= flags - 1) {
            const char* place = from + __builtin_ctzll(flags) / 8;
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

#ifdef __SSE2__
namespace sse2 {

inline __m128i Load(const char* from)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
}

inline __m128i EqualsEither(__m128i bytes, __m128i a, __m128i b)
{
    return _mm_or_si128(_mm_cmpeq_epi8(bytes, a), _mm_cmpeq_epi8(bytes, b));
}

inline const char* FindEitherByte(const char* from, const char* end, char a, char b)
{
    const __m128i spreadA = _mm_set1_epi8(a), spreadB = _mm_set1_epi8(b);
    for (; end - from >= 16; from += 16) {
        int flags = _mm_movemask_epi8(EqualsEither(Load(from), spreadA, spreadB));
        if (flags)
            return from + __builtin_ctz(flags);
    }
    return swar::FindEitherByte(from, end, a, b);
}

inline const char* FindEitherPair(const char* from, const char* end, char a1, char a2, char b1, char b2)
{
    const __m128i spreadA1 = _mm_set1_epi8(a1), spreadA2 = _mm_set1_epi8(a2);
    const __m128i spreadB1 = _mm_set1_epi8(b1), spreadB2 = _mm_set1_epi8(b2);
    for (; end - from >= 16; from += 16) {
        __m128i pairs = _mm_and_si128(EqualsEither(Load(from), spreadA1, spreadA2),
                                      EqualsEither(Load(from + 1), spreadB1, spreadB2));
        int flags = _mm_movemask_epi8(pairs);
        if (flags)
            return from + __builtin_ctz(flags);
    }
    return swar::FindEitherPair(from, end, a1, a2, b1, b2);
}

} // namespace sse2
#endif

} // namespace byte_block

// The first byte in [from, end) that is `a` or `b`, or end.
inline const char* FindEitherByte(const char* from, const char* end, char a, char b)
{
#ifdef __SSE2__
    return byte_block::sse2::FindEitherByte(from, end, a, b);
#else
    return byte_block::swar::FindEitherByte(from, end, a, b);
#endif
}

// The first place in [from, end) whose byte is a1 or a2 and whose next byte is b1 or b2, or
// end. The byte at end is read too, so it must be there.
inline const char* FindEitherPair(const char* from, const char* end, char a1, char a2, char b1, char b2)
{
#ifdef __SSE2__
    return byte_block::sse2::FindEitherPair(from, end, a1, a2, b1, b2);
#else
    return byte_block::swar::FindEitherPair(from, end, a1, a2, b1, b2);
#endif
}

// Copies count bytes between blocks that do not overlap.
inline void CopyBytes(char* to, const char* from, size_t count)
{
    if (count > 256) {
        memcpy(to, from, count);
        return;
    }
    for (; count >= 8; count -= 8, to += 8, from += 8) {
        uint64_t word = byte_block::swar::Load(from);
        memcpy(to, &word, 8);
    }
    for (; count > 0; --count)
        *to++ = *from++;
}

// Whether `length` bytes of text, read with their ASCII letters upper-cased, equal upperWhat.
inline bool HoldsInUpper(const char* text, const char* upperWhat, int length)
{
    for (int i = 0; i < length; ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c != upperWhat[i])
            return false;
    }
    return true;
}
