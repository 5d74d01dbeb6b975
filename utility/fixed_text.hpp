#pragma once
// Fixed-length, blank-padded text.
//
// A field of declared length n is a std::string whose size() is n, blank-padded; trailing blanks
// never count. Routines take text as const std::string& (its size is its declared length) and
// return std::string; a caller stores a result into a field of its own with fit(), which cuts a
// longer text and pads a shorter one, as an assignment to a fixed-length field does. Routines that
// change their argument in place take std::string& and keep its size.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>

// The length of the system's texts: lines, names, messages and the values they carry.
inline constexpr std::size_t kTextLength = 1000;
// The length of a whole data line: the large data line, and the work copy of a line that the text
// routines take.
inline constexpr std::size_t kLongTextLength = 100000;

namespace fixed {

// A block of blanks to compare padding against.
inline constexpr std::size_t kBlankBlockSize = 1024;
constexpr std::array<char, kBlankBlockSize> blankBlock() {
  std::array<char, kBlankBlockSize> b{};
  for (char& c : b) c = ' ';
  return b;
}
inline constexpr std::array<char, kBlankBlockSize> kBlankBlock = blankBlock();

// Position (1-based) of the last character that is not a blank; 0 for a blank text.
inline std::size_t trimLen(std::string_view s) {
  std::size_t n = s.size();
  // A value split from a record mostly ends in a character of its own.
  if (n == 0 || s[n - 1] != ' ') return n;
  // A field is mostly padding. Whole blocks of it go first; then, as a field mostly holds a short
  // text, the padding behind its first 64 or 256 characters in one comparison; the rest 32 and 8
  // at a time.
  auto blanksBetween = [&s](std::size_t from, std::size_t to) {
    return std::memcmp(s.data() + from, kBlankBlock.data(), to - from) == 0;
  };
  while (n > kBlankBlockSize && blanksBetween(n - kBlankBlockSize, n)) n -= kBlankBlockSize;
  if (n <= kBlankBlockSize) {
    if (n > 64 && blanksBetween(64, n))
      n = 64;
    else if (n > 256 && blanksBetween(256, n))
      n = 256;
  }
  constexpr std::uint64_t kEightBlanks = 0x2020202020202020ULL;
  auto differs = [&s](std::size_t at) {
    std::uint64_t word = 0;
    std::memcpy(&word, s.data() + at, 8);
    return word ^ kEightBlanks;
  };
  while (n >= 32 && (differs(n - 32) | differs(n - 24) | differs(n - 16) | differs(n - 8)) == 0) n -= 32;
  while (n >= 8 && differs(n - 8) == 0) n -= 8;
  while (n > 0 && s[n - 1] == ' ') --n;
  return n;
}

// The first and the last W bytes of n (W <= n <= 2W), both read before either is written, so the
// two moves may overlap each other.
template <std::size_t W>
inline void copyEnds(char* dst, const char* src, std::size_t n) {
  char a[W], b[W];
  std::memcpy(a, src, W);
  std::memcpy(b, src + n - W, W);
  std::memcpy(dst, a, W);
  std::memcpy(dst + n - W, b, W);
}

// A short copy without a library call: the writers' fields are a few bytes long, and a call costs
// more than the copy. Two overlapping moves of a fixed size cover every length up to 32.
inline void copyShort(char* dst, const char* src, std::size_t n) {
  if (n > 32) {
    std::memcpy(dst, src, n);
  } else if (n >= 16) {
    copyEnds<16>(dst, src, n);
  } else if (n >= 8) {
    copyEnds<8>(dst, src, n);
  } else if (n >= 4) {
    copyEnds<4>(dst, src, n);
  } else if (n > 0) {
    const char first = src[0], middle = src[n / 2], last = src[n - 1];
    dst[0] = first;
    dst[n / 2] = middle;
    dst[n - 1] = last;
  }
}

// n blanks at dst, short runs without a library call.
inline void fillBlanks(char* dst, std::size_t n) {
  if (n <= 32)
    copyShort(dst, kBlankBlock.data(), n);
  else
    std::memset(dst, ' ', n);
}

// The text without its trailing blanks.
inline std::string trimmed(std::string_view s) { return std::string(s.substr(0, trimLen(s))); }

inline bool isBlank(std::string_view s) { return trimLen(s) == 0; }

// The text without its leading and trailing blanks, where it stands.
inline std::string_view stripped(std::string_view s) {
  s = s.substr(0, trimLen(s));
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  return s;
}

// s cut or blank-padded to exactly n characters.
inline std::string fit(std::string_view s, std::size_t n) {
  std::string r(s.substr(0, n));
  r.resize(n, ' ');
  return r;
}

// Stores value into the field, keeping the field's declared length. The field keeps its storage,
// so a line buffer filled once per record allocates nothing.
inline void assign(std::string& field, std::string_view value) {
  const char* own = field.data();
  const std::less<const char*> before;
  if (!before(value.data(), own) && before(value.data(), own + field.size())) {
    field = fit(value, field.size());  // a part of the field itself
    return;
  }
  const std::size_t k = std::min(field.size(), value.size());
  std::copy(value.data(), value.data() + k, field.data());
  std::fill(field.data() + k, field.data() + field.size(), ' ');
}

// A blank field of declared length n.
inline std::string blanks(std::size_t n) { return std::string(n, ' '); }

// Characters first..last (1-based, inclusive) as a substring; positions beyond the text read as
// blanks, as a slice of a longer blank-padded field would.
inline std::string slice(std::string_view s, std::size_t first, std::size_t last) {
  std::string r;
  for (std::size_t i = first; i <= last; ++i) r += (i >= 1 && i <= s.size()) ? s[i - 1] : ' ';
  return r;
}

}  // namespace fixed
