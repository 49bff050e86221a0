#include "fits_header.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <string_view>

#include "photo_source.h"
#include "positioned_io.h"

namespace hosei {

namespace {

std::string_view Keyword(std::string_view card) {
  std::string_view name = card.substr(0, std::min<std::size_t>(card.size(), 8));
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  return name;
}

// The value of a card "KEYWORD = value / comment", without the spaces around it.
std::string_view Value(std::string_view card) {
  if (card.size() < 10 || card.substr(8, 2) != "= ") return {};
  std::string_view value = card.substr(10);
  value = value.substr(0, value.find('/'));
  const auto first = value.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return value.substr(first, value.find_last_not_of(' ') - first + 1);
}

std::optional<long long> Integer(std::string_view card) {
  std::string_view value = Value(card);
  if (!value.empty() && value.front() == '+') value.remove_prefix(1);
  long long number = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
  if (error != std::errc{} || end != value.data() + value.size()) return std::nullopt;
  return number;
}

void Note(std::string_view card, FitsHeaderScan& scan) {
  const std::string_view name = Keyword(card);
  std::string once(name);
  if (name == "BITPIX") {
    scan.bitpix = Integer(card);
  } else if (name == "NAXIS") {
    scan.naxis = Integer(card);
  } else if (name == "PCOUNT") {
    scan.pcount = Integer(card).value_or(-1);
  } else if (name == "GCOUNT") {
    scan.gcount = Integer(card).value_or(-1);
  } else if (name == "GROUPS") {
    scan.groups = true;
  } else if (name == "ZIMAGE") {
    scan.compressedImage = Value(card) == "T";
  } else if (name.size() > 5 && name.substr(0, 5) == "NAXIS") {
    int n = 0;
    const auto [end, error] = std::from_chars(name.data() + 5, name.data() + name.size(), n);
    const auto value = Integer(card);
    if (error != std::errc{} || end != name.data() + name.size() || !value) return;
    scan.axes[n] = *value;
    once = "NAXIS" + std::to_string(n);
  } else if (name != "BZERO" && name != "BSCALE" && name != "BLANK") {
    return;
  }
  if (!scan.seen.insert(once).second) scan.repeated = true;
}

// a * b, or nothing beyond `limit` (both at least 0).
std::optional<long long> Times(long long a, long long b, long long limit) {
  if (b != 0 && a > limit / b) return std::nullopt;
  return a * b;
}

}  // namespace

FileError ScanFitsHeader(int fd, long long start, std::size_t maxCards, const PhotoSource& source,
                         const std::string& path, FitsHeaderScan& scan) {
  std::array<std::uint8_t, kFitsBlockBytes> block;
  scan = {};
  for (long long at = start;; at += kFitsBlockBytes) {
    if (source.stopRequested()) return StoppedReading(path);
    const long long got = ReadAt(fd, block.data(), block.size(), static_cast<std::uint64_t>(at));
    if (got < 0) return FileError{FileProblem::kReadFailed, path, std::strerror(errno)};
    for (std::size_t c = 0; c + kFitsCardBytes <= static_cast<std::size_t>(got);
         c += kFitsCardBytes) {
      const std::string_view card(reinterpret_cast<const char*>(&block[c]), kFitsCardBytes);
      if (Keyword(card) == "END") {
        scan.dataStart = at + static_cast<long long>(kFitsBlockBytes);
        return {};
      }
      if (++scan.cards > maxCards)
        return UnsupportedPhoto(path, ProblemDetail::kFitsTooManyCards, {std::to_string(maxCards)});
      Note(card, scan);
    }
    if (got < static_cast<long long>(block.size()))
      return CorruptPhoto(path, ProblemDetail::kFitsHeaderCutBeforeEnd);
  }
}

std::optional<long long> FitsDataBytes(const FitsHeaderScan& scan, long long limit) {
  if (!scan.bitpix || !scan.naxis || *scan.naxis < 0 || *scan.naxis > 999) return std::nullopt;
  const long long bits = *scan.bitpix;
  if (bits != 8 && bits != 16 && bits != 32 && bits != 64 && bits != -32 && bits != -64)
    return std::nullopt;
  const long long pcount = scan.pcount.value_or(0), gcount = scan.gcount.value_or(1);
  if (pcount < 0 || gcount < 0) return std::nullopt;
  std::optional<long long> samples = *scan.naxis == 0 ? 0 : 1;
  for (int n = 1; n <= *scan.naxis && samples; ++n) {
    const auto axis = scan.axes.find(n);
    if (axis == scan.axes.end() || axis->second < 0) return std::nullopt;
    samples = Times(*samples, axis->second, limit);
  }
  if (!samples || *samples > limit - pcount) return std::nullopt;
  const auto groups = Times(*samples + pcount, gcount, limit);
  return groups ? Times(*groups, (bits < 0 ? -bits : bits) / 8, limit) : std::nullopt;
}

bool DescribesFitsLayout(const std::string& card) {
  // As cfitsio writes the card: other characters than printable ASCII become spaces, and
  // the keyword is upper case.
  std::string name = card.substr(0, 8);
  for (char& c : name)
    c = c < ' ' || c > '~' ? ' ' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (name == "SIMPLE" || name == "BITPIX" || name == "NAXIS" || name == "EXTEND" ||
      name == "CHECKSUM" || name == "DATASUM")
    return true;
  return name.size() > 5 && name.compare(0, 5, "NAXIS") == 0 &&
         std::all_of(name.begin() + 5, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace hosei
