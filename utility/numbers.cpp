// Number to text, as a Fortran runtime writes an Iw or Fw.d field: right-aligned, rounded to
// the nearest, asterisks when the value does not fit. The A... routines write a 20-character
// field and hand it on left-justified.
#include "utility/numbers.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <system_error>

#include "utility/fixed_text.hpp"

namespace {

constexpr int kField = 20;

std::string asterisks(int width) { return std::string(width > 0 ? width : 0, '*'); }

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
  return static_cast<int>(text.size()) > width ? asterisks(width) : rightAligned(text, static_cast<std::size_t>(width));
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

// Room for the digits of every field the writers use; a value or a decimal count too large for
// it takes the slower way above.
constexpr int kDigitRoom = 128;

// Bit width of 5^d: x times 10^d is exact in a double when x's significant bits and these fit
// its 53 (the factor 2^d only moves the exponent).
constexpr int kMaxExactDecimals = 22;  // 10^22 is the largest power of ten a double holds exactly
constexpr std::array<int, kMaxExactDecimals + 1> fivePowerBits() {
  std::array<int, kMaxExactDecimals + 1> bits{};
  std::uint64_t p = 1;
  for (int d = 0; d <= kMaxExactDecimals; ++d, p *= 5) bits[d] = std::bit_width(p);
  return bits;
}
constexpr std::array<int, kMaxExactDecimals + 1> kFivePowerBits = fivePowerBits();
constexpr std::array<double, kMaxExactDecimals + 1> kTens = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                             1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                             1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The digits of a finite x with a few decimals from whole-number arithmetic, for a value whose
// product with 10^decimals is exact in a double (every single-precision value the writers print
// is one): rounding that exact product to a whole number, ties to even, is the rounding printf
// does on the exact value. False when x is not such a value.
bool scaledWhole(double x, int decimals, std::uint64_t& whole) {
  if (decimals > kMaxExactDecimals) return false;
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
  const std::uint64_t exponent = (bits >> 52) & 0x7FF;
  if (exponent == 0 && x != 0.0) return false;  // subnormal
  if (x != 0.0) {
    const std::uint64_t significand = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
    const int used = 53 - std::countr_zero(significand);
    if (used + kFivePowerBits[static_cast<std::size_t>(decimals)] > 53) return false;
  }
  const double scaled = std::fabs(x) * kTens[static_cast<std::size_t>(decimals)];
  if (!(scaled < 9.0e15)) return false;  // whole numbers below 2^53 are exact
  // Rounded to the nearest whole number, a tie to the even one; both parts are exact.
  whole = static_cast<std::uint64_t>(static_cast<std::int64_t>(scaled));
  const double rest = scaled - static_cast<double>(static_cast<std::int64_t>(whole));
  // Without a branch: which way a value rounds is as good as random.
  whole += static_cast<std::uint64_t>((rest > 0.5) | ((rest == 0.5) & ((whole & 1) != 0)));
  return true;
}

// The count of decimal digits of v, 0 for 0; from its bit width, without a division.
int decimalDigits(std::uint64_t v) {
  static constexpr std::uint64_t kPowers[] = {1ULL,
                                              10ULL,
                                              100ULL,
                                              1000ULL,
                                              10000ULL,
                                              100000ULL,
                                              1000000ULL,
                                              10000000ULL,
                                              100000000ULL,
                                              1000000000ULL,
                                              10000000000ULL,
                                              100000000000ULL,
                                              1000000000000ULL,
                                              10000000000000ULL,
                                              100000000000000ULL,
                                              1000000000000000ULL,
                                              10000000000000000ULL,
                                              100000000000000000ULL,
                                              1000000000000000000ULL,
                                              10000000000000000000ULL};
  const int estimate = (std::bit_width(v) * 1233) >> 12;  // log10(2) is about 1233/4096
  return estimate - static_cast<int>(v < kPowers[estimate]) + 1;
}

// The characters of the scaled whole number written out with its decimals: the sign, at least
// one digit before the point, the point and the decimals.
int scaledLength(std::uint64_t whole, int decimals, bool negative) {
  const int before = std::max(decimalDigits(whole) - decimals, 1);
  return static_cast<int>(negative) + before + 1 + decimals;
}

// Writes the scaled whole number backward so as to end at end; the first character.
char* scaledDigitsBefore(char* end, std::uint64_t whole, int decimals, bool negative) {
  // From the last digit, two at a time: the decimals, the point, at least one digit before it.
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  char* p = end;
  int left = decimals;
  for (; left >= 2; left -= 2, whole /= 100) {
    p -= 2;
    std::memcpy(p, kPairs + 2 * (whole % 100), 2);
  }
  if (left == 1) {
    *--p = static_cast<char>('0' + whole % 10);
    whole /= 10;
  }
  *--p = '.';
  for (; whole >= 100; whole /= 100) {
    p -= 2;
    std::memcpy(p, kPairs + 2 * (whole % 100), 2);
  }
  if (whole >= 10) {
    p -= 2;
    std::memcpy(p, kPairs + 2 * whole, 2);
  } else {
    *--p = static_cast<char>('0' + whole);
  }
  if (negative) *--p = '-';
  return p;
}

// The digits of a finite x as fixedDigits gives them, into buf: std::to_chars with a precision
// writes the digits printf writes, without a locale or an allocation. The count, or -1 when buf
// is too small.
int fixedDigitsTo(char* buf, int size, double x, int decimals) {
  const auto [end, ec] = std::to_chars(buf, buf + size, x, std::chars_format::fixed, decimals);
  if (ec != std::errc()) return -1;
  int n = static_cast<int>(end - buf);
  if (decimals == 0) {
    if (n >= size) return -1;
    buf[n++] = '.';
  }
  return n;
}

// The field of a finite x with a valid decimal count into out (width characters).
void finiteFieldTo(char* out, double x, int width, int decimals) {
  std::uint64_t whole = 0;
  const bool scaled = scaledWhole(x, decimals, whole);
  const bool negative = std::signbit(x);
  // The common field that holds its digits is written where it stands: digits written to a
  // buffer and read back at once would wait for their stores.
  if (scaled && scaledLength(whole, decimals, negative) <= width) {
    char* first = scaledDigitsBefore(out + width, whole, decimals, negative);
    fixed::fillBlanks(out, static_cast<std::size_t>(first - out));
    return;
  }
  char buf[kDigitRoom];
  const char* text = scaled ? scaledDigitsBefore(buf + kDigitRoom, whole, decimals, negative) : nullptr;
  int n = 0;
  std::string slow;
  if (text) {
    n = static_cast<int>(buf + kDigitRoom - text);
  } else {
    n = fixedDigitsTo(buf, kDigitRoom, x, decimals);
    text = buf;
    if (n < 0) {
      if (width + 1 < kDigitRoom) {  // longer than the room, so longer than the field
        std::memset(out, '*', static_cast<std::size_t>(width));
        return;
      }
      slow = fixedDigits(x, decimals);
      text = slow.data();
      n = static_cast<int>(slow.size());
    }
  }
  if (n > width) {
    // The zero before the point is optional and is the first thing to give way.
    if (n == width + 1 && text[0] == '0' && text[1] == '.') {
      ++text;
      --n;
    } else if (n == width + 1 && n >= 3 && text[0] == '-' && text[1] == '0' && text[2] == '.') {
      out[0] = '-';
      std::memcpy(out + 1, text + 2, static_cast<std::size_t>(n - 2));
      return;
    } else {
      std::memset(out, '*', static_cast<std::size_t>(width));
      return;
    }
  }
  fixed::fillBlanks(out, static_cast<std::size_t>(width - n));
  fixed::copyShort(out + (width - n), text, static_cast<std::size_t>(n));
}

// The whole formatFixed field into out, which holds width characters (width above 0).
void fixedFieldTo(char* out, double x, int width, int decimals) {
  if (!std::isfinite(x)) {
    const std::string field = nonFiniteField(x, width);
    std::memcpy(out, field.data(), static_cast<std::size_t>(width));
  } else if (decimals < 0 || decimals > width - 1) {
    // The point and the decimals alone must fit; this also keeps a wild count from being used.
    std::memset(out, '*', static_cast<std::size_t>(width));
  } else {
    finiteFieldTo(out, x, width, decimals);
  }
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

std::string rightAligned(std::string_view text, std::size_t width) {
  std::string field(width > text.size() ? width - text.size() : 0, ' ');
  field += text;
  return field;
}

std::string formatInteger(std::int64_t n, int width) {
  if (width <= 0) return std::string();
  char digits[24];
  const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, n);
  const std::string text(digits, ec == std::errc() ? end : digits);
  if (static_cast<int>(text.size()) > width) return asterisks(width);
  return rightAligned(text, static_cast<std::size_t>(width));
}

std::string formatFixed(double x, int width, int decimals) {
  if (width <= 0) return std::string();
  std::string field(static_cast<std::size_t>(width), ' ');
  fixedFieldTo(field.data(), x, width, decimals);
  return field;
}

void appendFixed(std::string& out, double x, int width, int decimals) {
  if (width <= 0) return;
  const std::size_t at = out.size();
  out.resize(at + static_cast<std::size_t>(width));
  fixedFieldTo(out.data() + at, x, width, decimals);
}

void appendFixedOrWhole(std::string& out, double x, int width, int decimals) {
  const std::size_t at = out.size();
  appendFixed(out, x, width, decimals);
  // A field that holds its value never starts with an asterisk: digits, a sign, a blank or a point.
  if (at < out.size() && out[at] != '*') return;
  out.resize(at);
  if (!std::isfinite(x)) {
    out += std::isnan(x) ? "NaN" : (x < 0 ? "-Infinity" : "Infinity");
    return;
  }
  const int places = std::max(decimals, 0);
  char buf[kDigitRoom];
  const int n = fixedDigitsTo(buf, kDigitRoom, x, places);
  if (n >= 0)
    out.append(buf, static_cast<std::size_t>(n));
  else
    out += fixedDigits(x, places);
}

std::string formatFixedOrWhole(double x, int width, int decimals) {
  std::string field;
  appendFixedOrWhole(field, x, width, decimals);
  return field;
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
