#pragma once

#include <filesystem>

namespace hosei::test {

// Writes a valid 24-bit bitmap of any size in an instant: the headers, then every pixel row
// as a hole in the file that reads as black and takes no disk space.
void WriteSparseBitmap(const std::filesystem::path& path, int width, int height);

// The most memory the process has held at once, in MiB ("Maximum resident set size").
double PeakResidentMiB();

}  // namespace hosei::test
