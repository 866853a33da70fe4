#include "ByteBlock.h"

#include <windows.h>

#include <emmintrin.h>

namespace {

const char kCtrlZ = '\x1A';

// The byte at `at` breaks the run: an end mark, or an LF whose line has no CR before it.
bool BreaksRun(const char* from, const char* at)
{
    return *at == kCtrlZ || (*at == '\n' && (at == from || at[-1] != '\r'));
}

const char* FindRunBreakInWords(const char* from, const char* end)
{
    using namespace byte_block::swar;
    const Word spreadLf = Spread('\n'), spreadMark = Spread(kCtrlZ);
    const char* at = from;
    for (; end - at >= kWordBytes; at += kWordBytes) {
        const Word word = Load(at);
        // A marked byte may be none of the two; each is looked at again.
        for (Word flags = ZeroBytes(word ^ spreadLf) | ZeroBytes(word ^ spreadMark); flags; flags &= flags - 1) {
            const char* place = at + FirstMarked(flags);
            if (BreaksRun(from, place))
                return place;
        }
    }
    for (; at < end; ++at) {
        if (BreaksRun(from, at))
            return at;
    }
    return end;
}

// Only ever called where the processor has SSE2; the rest of the module is built without it.
__attribute__((target("sse2"), force_align_arg_pointer)) const char* FindRunBreakInSse2(const char* from, const char* end)
{
    const __m128i lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r'), mark = _mm_set1_epi8(kCtrlZ);
    unsigned crBefore = 0; // `from` starts a line: an LF there has no CR of its line before it
    const char* at = from;
    for (; end - at >= 16; at += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        const unsigned lfs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lf)));
        const unsigned marks = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, mark)));
        if (lfs | marks) {
            const unsigned crs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, cr)));
            const unsigned breaks = (marks | (lfs & ~((crs << 1) | crBefore))) & 0xFFFFu;
            if (breaks)
                return at + __builtin_ctz(breaks);
        }
        crBefore = at[15] == '\r' ? 1u : 0u;
    }
    for (; at < end; ++at) {
        if (BreaksRun(from, at))
            return at;
    }
    return end;
}

bool IsFoldedPair(const char* at, const unsigned short* pairs, int pairCount)
{
    const unsigned pair = (static_cast<unsigned char>(at[0]) & 0xDFu) | ((static_cast<unsigned char>(at[1]) & 0xDFu) << 8);
    for (int p = 0; p < pairCount; ++p) {
        if (pairs[p] == pair)
            return true;
    }
    return false;
}

bool ProcessorHasSse2()
{
    // A system that does not know the question (NT 4.0) says no: it would not keep the registers.
    return IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE) != FALSE;
}

BytePass g_bytePass = ProcessorHasSse2() ? BytePass::Sse2 : BytePass::Words;

} // namespace

__attribute__((target("sse2"), force_align_arg_pointer)) const char* FindFoldedPairInSse2(const char* from, const char* end,
                                                                  const unsigned short* pairs, int pairCount)
{
    const __m128i fold = _mm_set1_epi8(static_cast<char>(0xDF));
    const int kMostPairs = 8;
    __m128i firsts[kMostPairs], seconds[kMostPairs];
    const int spread = pairCount < kMostPairs ? pairCount : kMostPairs;
    for (int p = 0; p < spread; ++p) {
        firsts[p] = _mm_set1_epi8(static_cast<char>(pairs[p] & 0xFF));
        seconds[p] = _mm_set1_epi8(static_cast<char>(pairs[p] >> 8));
    }
    const char* at = from;
    for (; end - at > 16 && spread == pairCount; at += 16) {
        const __m128i here = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), fold);
        const __m128i next = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1)), fold);
        __m128i found = _mm_setzero_si128();
        for (int p = 0; p < spread; ++p)
            found = _mm_or_si128(found, _mm_and_si128(_mm_cmpeq_epi8(here, firsts[p]), _mm_cmpeq_epi8(next, seconds[p])));
        const unsigned places = static_cast<unsigned>(_mm_movemask_epi8(found));
        if (places)
            return at + __builtin_ctz(places);
    }
    for (; end - at > 1; ++at) {
        if (IsFoldedPair(at, pairs, pairCount))
            return at;
    }
    return end;
}

const char* FindRunBreak(const char* from, const char* end)
{
    return g_bytePass == BytePass::Sse2 ? FindRunBreakInSse2(from, end) : FindRunBreakInWords(from, end);
}

BytePass CurrentBytePass()
{
    return g_bytePass;
}

bool UseBytePass(BytePass pass)
{
    if (pass == BytePass::Sse2 && !ProcessorHasSse2())
        return false;
    g_bytePass = pass;
    return true;
}
