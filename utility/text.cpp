// Text tests and cleaning. Trailing blanks never count in a test or a search. The searches of the
// replacements, the same-text tests and the tests that change their argument in place work on a
// copy of the argument cut to a work copy's length, and FLAGEXISTS looks no further than that
// length in the line where it stands, so a very long argument is cut there; every other routine
// takes the whole text. The results are strings that grow as they need, so nothing is overrun.
#include "utility/text.hpp"

#include <cstddef>
#include <string_view>

#include "utility/fixed_text.hpp"

namespace {

constexpr char kTab = '\t';

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// The first n characters of s (all of it when shorter): the work copy of a routine.
std::string workCopy(const std::string& s, std::size_t n) { return s.substr(0, n); }

// The trimmed text of s with every character for which drop(c) is true deleted.
template <class Drop>
std::string deleteWhere(const std::string& s, Drop drop) {
  const std::size_t n = fixed::trimLen(s);
  std::string r;
  r.reserve(n);
  for (std::size_t i = 0; i < n; ++i)
    if (!drop(s[i])) r += s[i];
  return fixed::trimmed(r);
}

// Position (0-based) of the first occurrence of old in s, both compared ignoring case, within
// the line work copy; npos when there is none. A blank old is found at the start.
std::size_t findIgnoringCase(const std::string& s, const std::string& oldText, std::size_t from) {
  const std::string hay = UPPERCASE(workCopy(s, kLongTextLength));
  const std::string needle = UPPERCASE(workCopy(oldText, kLongTextLength));
  if (needle.empty()) return from <= hay.size() ? from : std::string::npos;
  return hay.find(needle, from);
}

// s with the span [k, k + oldLen) replaced by the trimmed new text.
std::string spliceAt(const std::string& s, std::size_t k, std::size_t oldLen,
                     const std::string& newText) {
  std::string r = s.substr(0, k);
  r += fixed::trimmed(newText);
  if (k + oldLen < s.size()) r += s.substr(k + oldLen);
  return r;
}

// The cleaned form that ASAME and ASAMECS compare.
std::string sameForm(const std::string& s, bool foldCase) {
  std::string t = workCopy(REMOVEQUOTES(s), kTextLength);
  t = workCopy(REMOVETABS(t), kTextLength);
  t = TRIMF(t);
  return foldCase ? UPPERCASE(t) : t;
}

}  // namespace

std::string SS256(const std::string& s) { return fixed::fit(fixed::trimmed(s), 256); }

std::string TRIMF(const std::string& s) { return std::string(fixed::stripped(s)); }

std::string REMOVETABS(const std::string& s) {
  return deleteWhere(s, [](char c) { return c == kTab; });
}

std::string REMOVEQUOTES(const std::string& s) { return deleteWhere(s, isQuote); }

std::string REMOVESPACES(const std::string& s) {
  return deleteWhere(s, [](char c) { return c == ' '; });
}

std::string UPPERCASE(const std::string& s) {
  std::string r = fixed::trimmed(s);
  for (char& c : r) c = upper(c);
  return r;
}

std::string LOWERCASE(const std::string& s) {
  std::string r = fixed::trimmed(s);
  for (char& c : r) c = lower(c);
  return r;
}

std::string DOUBLEQUOTE(const std::string& s) {
  const std::size_t n = fixed::trimLen(s);
  std::string r;
  r.reserve(n + 8);
  for (std::size_t i = 0; i < n; ++i) {
    r += s[i];
    if (s[i] == '"') r += '"';
  }
  return r;
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

void appendQuotedField(std::string& out, std::string_view value) {
  out += '"';
  for (const char c : value) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

std::string ALPHANUMERICONLY(const std::string& s, char c) {
  const std::size_t n = fixed::trimLen(s);
  std::string r;
  r.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    if (isLetter(s[i]) || isDigit(s[i]))
      r += s[i];
    else if (c != '\0')
      r += c;
  }
  r = fixed::trimmed(r);
  return r.empty() ? std::string("X") : r;
}

std::string CLEANATTRIBUTENAME(const std::string& s) {
  const std::string r =
      deleteWhere(s, [](char c) { return !(isLetter(c) || isDigit(c) || c == '_'); });
  return fixed::fit(r.empty() ? std::string("X") : r, s.size());
}

std::string REPLACE(const std::string& s, const std::string& oldText,
                    const std::string& newText) {
  const std::size_t k = findIgnoringCase(s, oldText, 0);
  if (k == std::string::npos) return s;
  return spliceAt(s, k, fixed::trimLen(workCopy(oldText, kLongTextLength)), newText);
}

// Each pass searches the whole current text again, so an occurrence formed by a replacement is
// replaced as well. Two argument pairs could never end that way: a blank old (found everywhere)
// leaves s as it is, and a new that holds old is done in one pass whose search continues behind
// each inserted text. The result is also kept within the line work copy, and at most that many
// replacements are made, so no pair of arguments can make it grow without end.
//
// The passes are made in one walk from left to right rather than by searching the whole text
// again each time: the text before an occurrence held none, so the next one can only end at or
// after the text put in its place. The walk keeps the text searched so far and, reversed, the
// text still to come, into whose front a replacement is pushed; what the work copy cuts is taken
// off the far end. A growing replacement then costs its own length, not the whole text's.
std::string REPLACEALL(const std::string& s, const std::string& oldText,
                       const std::string& newText) {
  const std::string needle = UPPERCASE(workCopy(oldText, kLongTextLength));
  const std::size_t oldLen = needle.size();
  if (oldLen == 0) return s;
  const std::string inserted = fixed::trimmed(newText);
  const bool newHoldsOld = findIgnoringCase(newText, oldText, 0) != std::string::npos;

  std::string done;                                  // searched, in order
  std::string ahead(s.rbegin(), s.rend());           // still to come, its next character last
  std::size_t aheadEnd = 0;                          // ahead[0, aheadEnd) is cut off
  std::size_t from = 0;                              // no occurrence may start before it
  std::size_t passes = 0;
  auto endsWithNeedle = [&] {
    const std::size_t k = done.size() - oldLen;
    for (std::size_t i = oldLen; i-- > 0;)
      if (upper(done[k + i]) != needle[i]) return false;
    return true;
  };
  // Only the work copy is searched: an occurrence must end within its length.
  while (ahead.size() > aheadEnd && passes < kLongTextLength && done.size() < kLongTextLength) {
    done.push_back(ahead.back());
    ahead.pop_back();
    if (done.size() < oldLen || done.size() - oldLen < from || !endsWithNeedle()) continue;
    ++passes;
    done.resize(done.size() - oldLen);
    if (newHoldsOld) {
      done += inserted;
      from = done.size();
    } else {
      ahead.append(inserted.rbegin(), inserted.rend());
    }
    // The work copy's length, taken off the far end of the text.
    const std::size_t left = ahead.size() - aheadEnd;
    if (done.size() + left > kLongTextLength) {
      const std::size_t over = done.size() + left - kLongTextLength;
      const std::size_t fromAhead = over < left ? over : left;
      aheadEnd += fromAhead;
      done.resize(done.size() - (over - fromAhead));
    }
  }
  done.append(ahead.rbegin(), ahead.rend() - static_cast<std::ptrdiff_t>(aheadEnd));
  return done;
}

bool BLANK(std::string& s) {
  fixed::assign(s, REMOVETABS(workCopy(s, kLongTextLength)));
  return fixed::isBlank(s);
}

bool NUMBERLINE(std::string& s) {
  fixed::assign(s, TRIMF(workCopy(s, kLongTextLength)));
  if (fixed::isBlank(s)) return true;
  const char c = s[0];
  return isDigit(c) || c == '-' || c == '.';
}

bool POSITIVEINTEGERNUMBER(std::string& s) {
  fixed::assign(s, TRIMF(workCopy(s, kLongTextLength)));
  const std::size_t n = fixed::trimLen(s);
  if (n == 0) return false;
  for (std::size_t i = 0; i < n; ++i)
    if (!isDigit(s[i])) return false;
  return true;
}

bool ASAME(const std::string& a, const std::string& b) {
  return sameForm(a, true) == sameForm(b, true);
}

bool ASAMECS(const std::string& a, const std::string& b) {
  return sameForm(a, false) == sameForm(b, false);
}

// Every keyword test of every line comes here, so the line is searched where it stands, folding
// case character by character, with no copy.
bool FLAGEXISTS(std::string_view line, std::string_view flag) {
  const std::string_view hay = line.substr(0, kLongTextLength);
  const std::string_view needle = flag.substr(0, kLongTextLength);
  const std::size_t hayLen = fixed::trimLen(hay);
  const std::size_t needleLen = fixed::trimLen(needle);
  if (needleLen == 0) return true;
  if (needleLen > hayLen) return false;
  const char first = upper(needle[0]);
  for (std::size_t i = 0; i + needleLen <= hayLen; ++i) {
    if (upper(hay[i]) != first) continue;
    std::size_t k = 1;
    while (k < needleLen && upper(hay[i + k]) == upper(needle[k])) ++k;
    if (k == needleLen) return true;
  }
  return false;
}
