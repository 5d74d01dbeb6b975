#pragma once
// Fixed-length, blank-padded text.
//
// A field of declared length n is a std::string whose size() is n, blank-padded; trailing blanks
// never count. Routines take text as const std::string& (its size is its declared length) and
// return std::string; a caller stores a result into a field of its own with fit(), which cuts a
// longer text and pads a shorter one, as an assignment to a fixed-length field does. Routines that
// change their argument in place take std::string& and keep its size.
#include <cstddef>
#include <string>
#include <string_view>

namespace fixed {

// Position (1-based) of the last character that is not a blank; 0 for a blank text.
inline std::size_t trimLen(std::string_view s) {
  std::size_t n = s.size();
  while (n > 0 && s[n - 1] == ' ') --n;
  return n;
}

// The text without its trailing blanks.
inline std::string trimmed(std::string_view s) { return std::string(s.substr(0, trimLen(s))); }

inline bool isBlank(std::string_view s) { return trimLen(s) == 0; }

// s cut or blank-padded to exactly n characters.
inline std::string fit(std::string_view s, std::size_t n) {
  std::string r(s.substr(0, n));
  r.resize(n, ' ');
  return r;
}

// Stores value into the field, keeping the field's declared length.
inline void assign(std::string& field, std::string_view value) { field = fit(value, field.size()); }

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
