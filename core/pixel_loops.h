#pragma once

#include <cstddef>
#include <cstdint>

namespace hosei {

// The innermost loops. Each has a version for every x86-64 processor and one for those
// with AVX2, chosen once at run time; both give the same bytes.

// Replaces each byte by its entry in the 256-byte table.
void MapBytes(std::uint8_t* bytes, std::size_t count, const std::uint8_t* table);

// The background adjustment on `width` pixels (blue, green, red) of one row.
void AdjustBackgroundRow(std::uint8_t* pixels, int width, int threshold);

// The two versions, for tests that hold them side by side.
void MapBytesPortable(std::uint8_t* bytes, std::size_t count, const std::uint8_t* table);
void AdjustBackgroundRowPortable(std::uint8_t* pixels, int width, int threshold);
bool HasAvx2();
void MapBytesAvx2(std::uint8_t* bytes, std::size_t count, const std::uint8_t* table);
void AdjustBackgroundRowAvx2(std::uint8_t* pixels, int width, int threshold);

}  // namespace hosei
