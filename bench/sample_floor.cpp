// The least any program can do that reads a picture's 16-bit samples and writes them back
// changed: the file is read in 1 MiB pieces on every core, each sample mapped through one
// 65,536-entry table (the gamma 1.5 curve), and the piece written at the same place in the
// result. No format is parsed, so the header's bytes are mapped too, and nothing is checked;
// the result is only for timing. It shows where copying through memory, which a kernel
// copy (`cat`) does not pay, puts the floor for the gamma mode.
//
//   sample_floor SOURCE RESULT

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

constexpr std::size_t kPiece = std::size_t{1} << 20;

bool MapPieces(int source, int result, const std::vector<std::uint16_t>& table, std::size_t begin,
               std::size_t end) {
  std::vector<std::uint16_t> samples(kPiece / 2);
  for (std::size_t at = begin; at < end; at += kPiece) {
    const std::size_t bytes = std::min(kPiece, end - at);
    if (pread(source, samples.data(), bytes, static_cast<off_t>(at)) != static_cast<ssize_t>(bytes))
      return false;
    for (std::size_t i = 0; i < bytes / 2; ++i) samples[i] = table[samples[i]];
    if (pwrite(result, samples.data(), bytes, static_cast<off_t>(at)) !=
        static_cast<ssize_t>(bytes))
      return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: sample_floor SOURCE RESULT\n");
    return 2;
  }
  const int source = open(argv[1], O_RDONLY);
  struct stat status {};
  if (source < 0 || fstat(source, &status) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  const int result = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (result < 0) {
    std::perror(argv[2]);
    return 1;
  }
  std::vector<std::uint16_t> table(65536);
  for (std::size_t level = 0; level < table.size(); ++level)
    table[level] = static_cast<std::uint16_t>(
        std::nearbyint(65535.0 * std::pow(static_cast<double>(level) / 65535.0, 1.0 / 1.5)));

  // Whole pieces split between the cores, the last core taking the odd end.
  const auto size = static_cast<std::size_t>(status.st_size);
  const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t share = (size / kPiece + cores - 1) / cores * kPiece;
  std::vector<std::thread> threads;
  std::vector<char> fine(cores, 1);
  for (std::size_t core = 0; core < cores; ++core) {
    const std::size_t begin = std::min(size, core * share);
    const std::size_t end = core + 1 == cores ? size : std::min(size, begin + share);
    threads.emplace_back([&, core, begin, end] {
      fine[core] = MapPieces(source, result, table, begin, end) ? 1 : 0;
    });
  }
  for (std::thread& thread : threads) thread.join();
  if (std::count(fine.begin(), fine.end(), 0) != 0 || close(result) != 0) {
    std::fprintf(stderr, "sample_floor: could not copy %s\n", argv[1]);
    return 1;
  }
  return 0;
}
