#include "leading_number.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace hosei {

namespace {

constexpr std::string_view kIdeographicSpace = "\u3000";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view SkipBlanks(std::string_view text) {
  for (;;) {
    if (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
      text.remove_prefix(1);
    } else if (text.starts_with(kIdeographicSpace)) {
      text.remove_prefix(kIdeographicSpace.size());
    } else {
      return text;
    }
  }
}

// from_chars reports overflow and underflow alike; tell them apart by the position of the
// first significant digit relative to the decimal point, plus the exponent.
double OutOfRangeValue(std::string_view mantissa, long long exponent) {
  long long magnitude = 0;
  bool seenPoint = false, seenSignificant = false;
  for (char c : mantissa) {
    if (c == '.') {
      seenPoint = true;
    } else if (!seenSignificant) {
      if (c != '0') {
        seenSignificant = true;
        if (!seenPoint) ++magnitude;
      } else if (seenPoint) {
        --magnitude;
      }
    } else if (!seenPoint) {
      ++magnitude;
    }
  }
  return magnitude + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
}

// The text after its blanks and sign, with the sign taken out.
std::string_view Unsigned(std::string_view text, bool& negative) {
  text = SkipBlanks(text);
  negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  return text;
}

// The length of the digits with at most one decimal point that open `text`, and how many
// digits they hold.
std::size_t MantissaLength(std::string_view text, std::size_t& digits) {
  std::size_t end = 0;
  digits = 0;
  bool point = false;
  while (end < text.size() && (IsDigit(text[end]) || (text[end] == '.' && !point))) {
    if (text[end] == '.')
      point = true;
    else
      ++digits;
    ++end;
  }
  return end;
}

}  // namespace

bool StartsWithNumber(std::string_view text) {
  bool negative = false;
  std::size_t digits = 0;
  MantissaLength(Unsigned(text, negative), digits);
  return digits > 0;
}

double LeadingNumber(std::string_view text) {
  bool negative = false;
  text = Unsigned(text, negative);
  std::size_t digits = 0;
  std::size_t end = MantissaLength(text, digits);
  if (digits == 0) return 0.0;
  const std::size_t mantissaEnd = end;
  long long exponent = 0;
  if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
    std::size_t e = end + 1;
    bool negativeExponent = false;
    if (e < text.size() && (text[e] == '+' || text[e] == '-')) {
      negativeExponent = text[e] == '-';
      ++e;
    }
    if (e < text.size() && IsDigit(text[e])) {
      while (e < text.size() && IsDigit(text[e])) {
        if (exponent < 100000) exponent = exponent * 10 + (text[e] - '0');
        ++e;
      }
      if (negativeExponent) exponent = -exponent;
      end = e;
    }
  }
  const std::string_view number = text.substr(0, end);
  double value = 0.0;
  const auto [ptr, error] = std::from_chars(number.data(), number.data() + number.size(), value,
                                            std::chars_format::general);
  if (error == std::errc::result_out_of_range) {
    value = OutOfRangeValue(text.substr(0, mantissaEnd), exponent);
  } else if (error != std::errc() || ptr != number.data() + number.size()) {
    value = 0.0;
  }
  return negative ? -value : value;
}

std::optional<long long> RoundToRange(double value, long long lowest, long long highest) {
  const double rounded = std::nearbyint(value);
  if (!(rounded >= static_cast<double>(lowest) && rounded <= static_cast<double>(highest)))
    return std::nullopt;
  return static_cast<long long>(rounded);
}

}  // namespace hosei
