#pragma once

#include <cstddef>
#include <cstdint>

namespace hosei {

// Reads up to `size` bytes at `offset`, through short reads and interruptions; returns the
// count read (less only at the end of the file), or -1 with errno set.
long long ReadAt(int fd, std::uint8_t* buffer, std::size_t size, std::uint64_t offset);

// Writes all `size` bytes at `offset`; returns 0, or the errno of the failure.
int WriteAt(int fd, const std::uint8_t* data, std::size_t size, std::uint64_t offset);

}  // namespace hosei
