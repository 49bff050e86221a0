#pragma once

#include <optional>
#include <string_view>

namespace hosei {

// The value of the number a field text starts with, as Execute reads its fields:
// leading blanks skipped, an optional sign, digits with at most one decimal point and an
// optional exponent. Anything else ends the number; a text without one gives 0. Hex
// notation, "inf" and "nan" are not numbers here. Too large a number gives an infinity.
double LeadingNumber(std::string_view text);

// Whether the text has a number at its start for LeadingNumber to read (leading blanks and
// a sign allowed), rather than reading as 0 for want of one.
bool StartsWithNumber(std::string_view text);

// Rounds to the nearest integer, ties to even; nothing when the result leaves the range.
std::optional<long long> RoundToRange(double value, long long lowest, long long highest);

}  // namespace hosei
