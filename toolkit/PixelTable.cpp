#include "PixelTable.h"

#include <algorithm>
#include <thread>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define VM_PIXELTABLE_X86 1
#include <immintrin.h>
#endif

namespace PixelTable {

namespace {

void MapRowsPortable(uchar *bits, qsizetype stride, qsizetype rowBytes, int firstRow, int endRow,
                     const std::array<quint8, 256> &table, bool keepFourthByte)
{
    if (!keepFourthByte) {
        for (int y = firstRow; y < endRow; ++y) {
            uchar *row = bits + y * stride;
            for (qsizetype i = 0; i < rowBytes; ++i)
                row[i] = table[row[i]];
        }
        return;
    }
    // One lookup a colour channel, already shifted into place; the top byte is carried over.
    std::array<quint32, 256> red {}, green {}, blue {};
    for (size_t i = 0; i < 256; ++i) {
        red[i] = quint32(table[i]) << 16;
        green[i] = quint32(table[i]) << 8;
        blue[i] = quint32(table[i]);
    }
    const qsizetype width = rowBytes / 4;
    for (int y = firstRow; y < endRow; ++y) {
        auto *row = reinterpret_cast<quint32 *>(bits + y * stride);
        for (qsizetype x = 0; x < width; ++x) {
            const quint32 p = row[x];
            row[x] = (p & 0xFF000000u) | red[(p >> 16) & 0xFF] | green[(p >> 8) & 0xFF]
                | blue[p & 0xFF];
        }
    }
}

#ifdef VM_PIXELTABLE_X86
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void
MapRowsVbmi(uchar *bits, qsizetype stride, qsizetype rowBytes, int height,
            const std::array<quint8, 256> &table, bool keepFourthByte)
{
    const __m512i t0 = _mm512_loadu_si512(table.data());
    const __m512i t1 = _mm512_loadu_si512(table.data() + 64);
    const __m512i t2 = _mm512_loadu_si512(table.data() + 128);
    const __m512i t3 = _mm512_loadu_si512(table.data() + 192);
    // Byte 3 of every 4: the top byte of a 32-bit pixel in memory.
    const __mmask64 keep = keepFourthByte ? __mmask64(0x8888888888888888ull) : __mmask64(0);
    for (int y = 0; y < height; ++y) {
        uchar *row = bits + y * stride;
        qsizetype x = 0;
        for (; x + 64 <= rowBytes; x += 64) {
            const __m512i v = _mm512_loadu_si512(row + x);
            const __m512i low = _mm512_permutex2var_epi8(t0, v, t1); // entries 0 … 127
            const __m512i high = _mm512_permutex2var_epi8(t2, v, t3); // entries 128 … 255
            __m512i r = _mm512_mask_blend_epi8(_mm512_movepi8_mask(v), low, high);
            r = _mm512_mask_blend_epi8(keep, r, v);
            _mm512_storeu_si512(row + x, r);
        }
        if (x < rowBytes) {
            const __mmask64 tail = __mmask64((1ull << (rowBytes - x)) - 1);
            const __m512i v = _mm512_maskz_loadu_epi8(tail, row + x);
            const __m512i low = _mm512_permutex2var_epi8(t0, v, t1);
            const __m512i high = _mm512_permutex2var_epi8(t2, v, t3);
            __m512i r = _mm512_mask_blend_epi8(_mm512_movepi8_mask(v), low, high);
            r = _mm512_mask_blend_epi8(keep, r, v);
            _mm512_mask_storeu_epi8(row + x, tail, r);
        }
    }
}
#endif

} // namespace

bool HasVectorKernel()
{
#ifdef VM_PIXELTABLE_X86
    static const bool has = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw")
        && __builtin_cpu_supports("avx512vbmi");
    return has;
#else
    return false;
#endif
}

void MapRows(uchar *bits, qsizetype stride, qsizetype rowBytes, int height,
             const std::array<quint8, 256> &table, bool keepFourthByte, Kernel kernel)
{
    if (!bits || rowBytes <= 0 || height <= 0)
        return;
#ifdef VM_PIXELTABLE_X86
    if (kernel == Kernel::Best && HasVectorKernel()) {
        MapRowsVbmi(bits, stride, rowBytes, height, table, keepFourthByte);
        return;
    }
#endif
    // Lookups bound by one core: large images are split between two threads.
    constexpr qint64 kParallelBytes = qint64(4) << 20;
    if (rowBytes * height < kParallelBytes || std::thread::hardware_concurrency() < 2) {
        MapRowsPortable(bits, stride, rowBytes, 0, height, table, keepFourthByte);
        return;
    }
    const int split = height / 2;
    std::thread worker(
        [&] { MapRowsPortable(bits, stride, rowBytes, split, height, table, keepFourthByte); });
    MapRowsPortable(bits, stride, rowBytes, 0, split, table, keepFourthByte);
    worker.join();
}

} // namespace PixelTable
