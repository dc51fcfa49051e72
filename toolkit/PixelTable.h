#pragma once

#include <QtGlobal>

#include <array>

// Byte-table passes over image rows (brightness and contrast). Each byte costs one lookup; on
// processors with AVX-512 VBMI, 64 bytes are looked up at once with two 128-entry permutes, which
// makes the pass as fast as copying the image.
namespace PixelTable {

enum class Kernel {
    Best, // the vector kernel where the processor has one
    Portable, // plain C++, split between two threads on large images
};

// True when the processor runs the vector kernel.
bool HasVectorKernel();

// Replaces the first `rowBytes` bytes of each of `height` rows (`stride` apart) by their table
// entries. With `keepFourthByte` the rows hold 32-bit pixels and their top byte (alpha or padding,
// in native byte order) is left as it is.
void MapRows(uchar *bits, qsizetype stride, qsizetype rowBytes, int height,
             const std::array<quint8, 256> &table, bool keepFourthByte,
             Kernel kernel = Kernel::Best);

} // namespace PixelTable
