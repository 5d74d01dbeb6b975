// Number to text, as a Fortran runtime writes an Iw or Fw.d field: right-aligned, rounded to
// the nearest, asterisks when the value does not fit. The A... routines write a 20-character
// field and hand it on left-justified.
#include "utility/numbers.hpp"

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <string>

namespace {

constexpr int kField = 20;

std::string asterisks(int width) { return std::string(width > 0 ? width : 0, '*'); }

std::string rightAligned(const std::string& text, int width) {
  return std::string(static_cast<std::size_t>(width) - text.size(), ' ') + text;
}

std::string leftJustified(const std::string& field) {
  const std::size_t first = field.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : field.substr(first);
}

// Infinity and NaN as a Fortran runtime spells them in a field of this width.
std::string nonFiniteField(double x, int width) {
  std::string text;
  if (std::isnan(x)) {
    text = "NaN";
  } else {
    const bool negative = x < 0;
    const int room = width - (negative ? 1 : 0);
    if (room >= 8)
      text = "Infinity";
    else if (room >= 3)
      text = "Inf";
    else
      return asterisks(width);
    if (negative) text = "-" + text;
  }
  return static_cast<int>(text.size()) > width ? asterisks(width) : rightAligned(text, width);
}

// The digits of x with exactly decimals places, the point always written.
std::string fixedDigits(double x, int decimals) {
  const int n = std::snprintf(nullptr, 0, "%#.*f", decimals, x);
  if (n <= 0) return std::string();
  std::string text(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(text.data(), text.size(), "%#.*f", decimals, x);
  text.resize(static_cast<std::size_t>(n));
  return text;
}

// Trailing zeros of the decimals go; the point stays, so a whole number still reads as a real.
std::string withoutTrailingZeros(std::string text) {
  if (text.find('.') == std::string::npos) return text;
  while (!text.empty() && text.back() == '0') text.pop_back();
  return text;
}

// Decimals for a single-precision value: more for smaller magnitudes, so about five figures show.
int singleDecimals(float x) {
  const float a = std::fabs(x);
  static const float kBounds[] = {0.01f, 0.1f, 1.0f, 10.0f, 100.0f, 1000.0f};
  int decimals = 6;
  for (const float bound : kBounds) {
    if (a < bound) return decimals;
    --decimals;
  }
  return 0;
}

// Decimals for a double-precision value: about ten figures.
int doubleDecimals(double x) {
  const double a = std::fabs(x);
  double bound = 1.0;
  for (int decimals = 10; decimals > 0; --decimals) {
    if (a < bound) return decimals;
    bound *= 10.0;
  }
  return 0;
}

}  // namespace

std::string formatInteger(std::int64_t n, int width) {
  if (width <= 0) return std::string();
  const std::string text = std::to_string(n);
  if (static_cast<int>(text.size()) > width) return asterisks(width);
  return rightAligned(text, width);
}

std::string formatFixed(double x, int width, int decimals) {
  if (width <= 0) return std::string();
  if (!std::isfinite(x)) return nonFiniteField(x, width);
  // The point and the decimals alone must fit; this also keeps a wild count from being used.
  if (decimals < 0 || decimals > width - 1) return asterisks(width);
  std::string text = fixedDigits(x, decimals);
  if (static_cast<int>(text.size()) > width) {
    // The zero before the point is optional and is the first thing to give way.
    if (static_cast<int>(text.size()) == width + 1 && text.compare(0, 2, "0.") == 0)
      text.erase(0, 1);
    else if (static_cast<int>(text.size()) == width + 1 && text.compare(0, 3, "-0.") == 0)
      text.erase(1, 1);
    else
      return asterisks(width);
  }
  return rightAligned(text, width);
}

std::string AINTEGER(std::int32_t n) { return leftJustified(formatInteger(n, kField)); }

std::string AINTEGER8(std::int64_t n) { return leftJustified(formatInteger(n, kField)); }

std::string AINTEGER8PREC0(std::int64_t n, std::int32_t ndig) {
  std::string field = formatInteger(n, kField);
  // Zeros fill the blanks from the column that gives ndig digits up to the number; the last
  // column always holds a digit of its own. A count of 0 or less asks for no zeros.
  if (n >= 0 && ndig >= 1) {
    const int first = ndig >= kField ? 1 : kField + 1 - ndig;  // 1-based column
    for (int col = first; col <= kField - 1 && field[col - 1] == ' '; ++col) field[col - 1] = '0';
  }
  return leftJustified(field);
}

std::string AINTEGERPREC0(std::int32_t n, std::int32_t ndig) { return AINTEGER8PREC0(n, ndig); }

std::string AREAL(float x) {
  return leftJustified(withoutTrailingZeros(formatFixed(x, kField, singleDecimals(x))));
}

std::string AREAL8(double x) {
  return leftJustified(withoutTrailingZeros(formatFixed(x, kField, doubleDecimals(x))));
}

std::string AREALD(float x, std::int32_t d) { return leftJustified(formatFixed(x, kField, d)); }

std::string AREALD8(double x, std::int32_t d) { return leftJustified(formatFixed(x, kField, d)); }
