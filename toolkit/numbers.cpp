// Numbers and strings: sign, float to integer, text to integer and back.
#include "toolkit.h"
#include "text_utf.h"

#include <cmath>
#include <limits>

int TkSign(double value) {
  if (value > 0) return 1;
  if (value < 0) return -1;
  return 0; // zero and NaN
}

int64_t TkFloatToInt(double value) {
  if (!std::isfinite(value)) return 0;
  // 2^63 is exactly representable; anything at or beyond it cannot be converted.
  constexpr double Limit = 9223372036854775808.0;
  if (value >= Limit) return std::numeric_limits<int64_t>::max();
  if (value < -Limit) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(value);
}

namespace {

int DigitValue(char c, int base) {
  int digit;
  if (c >= '0' && c <= '9')
    digit = c - '0';
  else if (c >= 'a' && c <= 'f')
    digit = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F')
    digit = c - 'A' + 10;
  else
    return -1;
  return digit < base ? digit : -1;
}

} // namespace

int64_t TkVal(const std::string &text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i < text.size() && text[i] == '%') {
    base = 2;
    ++i;
  }
  // The magnitude is gathered unsigned and capped one past INT64_MAX, the largest
  // magnitude a negative result can take, so no input length can overflow it.
  constexpr uint64_t Cap = static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + 1;
  uint64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    int digit = DigitValue(text[i], base);
    if (digit < 0) break;
    if (magnitude > (Cap - static_cast<uint64_t>(digit)) / static_cast<uint64_t>(base))
      magnitude = Cap;
    else
      magnitude = magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
  }
  if (negative) return magnitude >= Cap ? std::numeric_limits<int64_t>::min() : -static_cast<int64_t>(magnitude);
  return magnitude >= Cap ? std::numeric_limits<int64_t>::max() : static_cast<int64_t>(magnitude);
}

std::string TkStr(int64_t value) { return std::to_string(value); }

int TkAsc(const std::string &text) {
  if (text.empty()) return 0;
  size_t position = 0;
  return static_cast<int>(TkNextUtf8CodePoint(text, &position));
}
