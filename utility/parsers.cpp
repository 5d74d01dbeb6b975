// Small parsers: separated fields, the numbers of a data line, day numbers, integer checks and
// the free-format read of a line's items.
#include "utility/parsers.hpp"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string_view>

#include "utility/fixed_text.hpp"
#include "utility/text.hpp"

namespace {

constexpr std::size_t npos = std::string::npos;
// No line of a data file needs more values than this; repeat counts beyond it are not expanded.
constexpr std::size_t kMaxFreeItems = 100000;

bool isBlankChar(char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool endsItem(char c) { return isBlankChar(c) || c == ',' || c == '/'; }

// ---- Free-format items ------------------------------------------------------------------------

// Reads the line's items one after another; pos is the 0-based reading position.
class FreeItemReader {
 public:
  explicit FreeItemReader(const std::string& line) : line_(line) {}

  std::vector<FreeItem> readAll() {
    skipBlanks();
    while (pos_ < line_.size() && !full_) {
      const char c = line_[pos_];
      if (c == '/') break;  // the record ends here
      if (c == ',') {
        // Nothing stood between this comma and the previous separator: a null value.
        items_.push_back(FreeItem{});
        ++pos_;
        skipBlanks();
        continue;
      }
      readValue();
      skipSeparator();
    }
    return std::move(items_);
  }

 private:
  void skipBlanks() {
    while (pos_ < line_.size() && isBlankChar(line_[pos_])) ++pos_;
  }

  // Blanks, then at most one comma and the blanks behind it.
  void skipSeparator() {
    skipBlanks();
    if (pos_ < line_.size() && line_[pos_] == ',') {
      ++pos_;
      skipBlanks();
    }
  }

  // One value with its optional repeat count.
  void readValue() {
    const std::size_t start = pos_;
    std::size_t repeat = 1;
    if (readRepeatCount(repeat)) {
      if (pos_ >= line_.size() || endsItem(line_[pos_])) {
        add(FreeItem{}, repeat, start);  // "r*": r null values
        return;
      }
    }
    FreeItem item;
    item.present = true;
    if (line_[pos_] == '"' || line_[pos_] == '\'') {
      item.quoted = true;
      item.text = readQuoted();
    } else {
      const std::size_t from = pos_;
      while (pos_ < line_.size() && !endsItem(line_[pos_])) ++pos_;
      item.text = line_.substr(from, pos_ - from);
    }
    add(item, repeat, start);
  }

  // "r*" at the reading position: moves past it and gives r. A zero count, or digits without a
  // star, leave the position unchanged and are read as an ordinary item.
  bool readRepeatCount(std::size_t& repeat) {
    std::size_t p = pos_;
    std::size_t r = 0;
    while (p < line_.size() && isDigit(line_[p])) {
      if (r <= kMaxFreeItems) r = r * 10 + static_cast<std::size_t>(line_[p] - '0');
      ++p;
    }
    if (p == pos_ || p >= line_.size() || line_[p] != '*' || r == 0) return false;
    repeat = r;
    pos_ = p + 1;
    return true;
  }

  // A quoted text from the opening quote at the reading position; a doubled quote stands for one.
  std::string readQuoted() {
    const char quote = line_[pos_++];
    std::string text;
    while (pos_ < line_.size()) {
      const char c = line_[pos_++];
      if (c != quote) {
        text += c;
      } else if (pos_ < line_.size() && line_[pos_] == quote) {
        text += quote;
        ++pos_;
      } else {
        break;
      }
    }
    // Characters run on behind the closing quote up to the next separator belong to the item.
    while (pos_ < line_.size() && !endsItem(line_[pos_])) text += line_[pos_++];
    return text;
  }

  // Adds repeat copies of item. A repeat that would overflow the bound stands as written.
  void add(const FreeItem& item, std::size_t repeat, std::size_t start) {
    if (repeat > kMaxFreeItems - items_.size()) {
      FreeItem raw;
      raw.present = true;
      raw.text = line_.substr(start, pos_ - start);
      if (items_.size() < kMaxFreeItems) items_.push_back(raw);
      full_ = true;
      return;
    }
    items_.insert(items_.end(), repeat, item);
    if (items_.size() >= kMaxFreeItems) full_ = true;
  }

  const std::string& line_;
  std::size_t pos_ = 0;
  bool full_ = false;
  std::vector<FreeItem> items_;
};

// ---- Numbers as items -------------------------------------------------------------------------

std::size_t skipDigits(std::string_view t, std::size_t p) {
  while (p < t.size() && isDigit(t[p])) ++p;
  return p;
}

// The normal form of an item in a buffer of its own: an item is at most a line long, and the
// form adds one character to it.
class NormalText {
 public:
  explicit NormalText(std::size_t itemLength) {
    if (itemLength + 2 > sizeof small_) {
      large_.resize(itemLength + 2);
      data_ = large_.data();
    }
  }
  void clear() { n_ = 0; }
  NormalText& operator+=(char c) {
    data_[n_++] = c;
    return *this;
  }
  void append(std::string_view t, std::size_t pos, std::size_t count) {
    t.copy(data_ + n_, count, pos);
    n_ += count;
  }
  // The text, NUL-terminated for the C conversion.
  const char* c_str() {
    data_[n_] = '\0';
    return data_;
  }
  std::size_t size() const { return n_; }

 private:
  char small_[64];
  std::string large_;
  char* data_ = small_;
  std::size_t n_ = 0;
};

// The item in the form a C++ conversion reads ("1.5D+3" -> "1.5e+3", "1.5+3" -> "1.5e+3",
// leading "+" dropped); false when it is not a real as a list-directed read takes it.
bool realSyntax(std::string_view t, NormalText& normal) {
  std::size_t p = 0;
  normal.clear();
  if (p < t.size() && (t[p] == '+' || t[p] == '-')) {
    if (t[p] == '-') normal += '-';
    ++p;
  }
  const std::size_t intStart = p;
  p = skipDigits(t, p);
  std::size_t digits = p - intStart;
  normal.append(t, intStart, p - intStart);
  if (p < t.size() && t[p] == '.') {
    normal += '.';
    const std::size_t fracStart = ++p;
    p = skipDigits(t, p);
    digits += p - fracStart;
    normal.append(t, fracStart, p - fracStart);
  }
  if (digits == 0) return false;
  if (p == t.size()) return true;

  const char c = t[p];
  if (c == 'e' || c == 'E' || c == 'd' || c == 'D') ++p;
  else if (c != '+' && c != '-') return false;
  normal += 'e';
  if (p < t.size() && (t[p] == '+' || t[p] == '-')) normal += t[p++];
  const std::size_t expStart = p;
  p = skipDigits(t, p);
  if (p == expStart || p != t.size()) return false;
  normal.append(t, expStart, p - expStart);
  return true;
}

// The C conversion of a normal form that from_chars finds out of range.
double convertOutOfRange(const char* text, double) { return std::strtod(text, nullptr); }
float convertOutOfRange(const char* text, float) { return std::strtof(text, nullptr); }

// The normal form converted once, in the precision of x.
template <class Real>
bool convertReal(NormalText& normal, Real& x) {
  Real v = 0;
  const char* first = normal.c_str();
  const char* last = first + normal.size();
  const auto [ptr, ec] = std::from_chars(first, last, v);
  if (ec == std::errc() && ptr == last) {
    x = v;
    return std::isfinite(v);
  }
  if (ec != std::errc::result_out_of_range) return false;
  // Out of range: a value too small for the precision reads as (nearly) zero, one too large fails.
  v = convertOutOfRange(first, v);
  if (!std::isfinite(v)) return false;
  x = v;
  return true;
}

// A plain decimal item ([sign]digits[.digits], no exponent) of at most 15 digits: the whole number
// its digits make and the power of ten that divides it.
struct PlainDecimal {
  std::uint64_t whole = 0;
  std::size_t decimals = 0;
  bool negative = false;
};

// The common item of a data line, a plain decimal of at most 15 digits, found in one pass; pos
// moves behind it. False, with pos unchanged, for any other item, left to the full parse.
inline bool scanPlainDecimal(std::string_view line, std::size_t& pos, PlainDecimal& d) {
  const std::size_t n = line.size();
  std::size_t p = pos;
  const bool negative = p < n && line[p] == '-';
  if (p < n && (line[p] == '+' || line[p] == '-')) ++p;
  // Unsigned, so that a long run of digits wraps harmlessly before it is refused.
  std::uint64_t whole = 0;
  const std::size_t first = p;
  for (; p < n && isDigit(line[p]); ++p) whole = whole * 10 + static_cast<std::uint64_t>(line[p] - '0');
  std::size_t digits = p - first;
  std::size_t decimals = 0;
  if (p < n && line[p] == '.') {
    const std::size_t from = ++p;
    for (; p < n && isDigit(line[p]); ++p) whole = whole * 10 + static_cast<std::uint64_t>(line[p] - '0');
    decimals = p - from;
    digits += decimals;
  }
  if (digits == 0 || digits > 15 || (p < n && !endsItem(line[p]))) return false;
  d.whole = whole;
  d.decimals = decimals;
  d.negative = negative;
  pos = p;
  return true;
}

// The whole number and the power of ten are both exact doubles, so the one division is rounded
// correctly, as the full conversion rounds.
bool plainValue(const PlainDecimal& d, double& x) {
  constexpr double kTens[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  double v = static_cast<double>(d.whole);
  if (d.decimals > 0) v /= kTens[d.decimals];
  x = d.negative ? -v : v;
  return true;
}

// The single nearest the decimal, from the double quotient q, which is the decimal rounded once.
// Every point halfway between two singles is a double and rounding keeps order, so q lies on the
// decimal's side of each halfway point or on the point itself; only there may rounding q again
// differ from rounding the decimal, and only there does the full conversion decide. A value of at
// most 15 digits lies among the normal singles, whose halfway points are the doubles whose 29 bits
// below a single's precision read 1 followed by zeros.
bool plainValue(const PlainDecimal& d, float& x) {
  double q = 0.0;
  plainValue(d, q);
  constexpr std::uint64_t kBelowSingle = (std::uint64_t{1} << 29) - 1;
  constexpr std::uint64_t kHalfway = std::uint64_t{1} << 28;
  if ((std::bit_cast<std::uint64_t>(q) & kBelowSingle) == kHalfway) return false;
  x = static_cast<float>(q);
  return true;
}

// The text of an unquoted item read as a real, in the precision of x.
template <class Real>
bool readRealText(std::string_view t, Real& x) {
  std::size_t pos = 0;
  PlainDecimal plain;
  if (scanPlainDecimal(t, pos, plain) && pos == t.size() && plainValue(plain, x)) return true;
  NormalText normal(t.size());
  return realSyntax(t, normal) && convertReal(normal, x);
}

// Where the values of one read go: the first doubleCount as doubles, the rest as singles.
struct RealTargets {
  int doubleCount;
  double* doubles;
  float* singles;

  bool storePlain(int i, const PlainDecimal& d) const {
    return i < doubleCount ? plainValue(d, doubles[i]) : plainValue(d, singles[i - doubleCount]);
  }
  bool storeText(int i, std::string_view t) const {
    return i < doubleCount ? readRealText(t, doubles[i]) : readRealText(t, singles[i - doubleCount]);
  }
  bool storeItem(int i, const FreeItem& item) const {
    return i < doubleCount ? readFreeFormatReal(item, doubles[i]) : readFreeFormatReal(item, singles[i - doubleCount]);
  }
};

// The read on the items where they stand, without the item list: a data line of plain numbers is
// read without a copy or an allocation. False when the line holds a repeat count, which only the
// full reader expands; status is then not set.
bool readRealsInPlace(std::string_view line, int count, const RealTargets& targets, FreeReadStatus& status) {
  std::size_t pos = 0;
  auto skipBlanks = [&] {
    while (pos < line.size() && isBlankChar(line[pos])) ++pos;
  };
  skipBlanks();
  for (int i = 0; i < count; ++i) {
    // The end of the line or of the record, or a null value, before the count is read.
    if (pos >= line.size() || line[pos] == '/' || line[pos] == ',') {
      status = FreeReadStatus::RunOut;
      return true;
    }
    if (line[pos] == '"' || line[pos] == '\'') {
      status = FreeReadStatus::Bad;  // a quoted text is never a number
      return true;
    }
    const std::size_t from = pos;
    PlainDecimal plain;
    if (!scanPlainDecimal(line, pos, plain) || !targets.storePlain(i, plain)) {
      pos = skipDigits(line, from);
      if (pos > from && pos < line.size() && line[pos] == '*') return false;
      while (pos < line.size() && !endsItem(line[pos])) ++pos;
      if (!targets.storeText(i, line.substr(from, pos - from))) {
        status = FreeReadStatus::Bad;
        return true;
      }
    }
    if (i + 1 == count) break;  // what follows the last item asked for is never looked at
    // The separator: blanks, then at most one comma and the blanks behind it.
    skipBlanks();
    if (pos < line.size() && line[pos] == ',') {
      ++pos;
      skipBlanks();
    }
  }
  status = FreeReadStatus::Ok;
  return true;
}

FreeReadStatus readReals(std::string_view line, int count, const RealTargets& targets) {
  FreeReadStatus status = FreeReadStatus::Ok;
  const std::string_view work = line.substr(0, kLongTextLength);
  if (readRealsInPlace(work, count, targets, status)) return status;
  const std::vector<FreeItem> items = freeFormatItems(std::string(work));
  for (int i = 0; i < count; ++i) {
    const std::size_t k = static_cast<std::size_t>(i);
    if (k >= items.size() || !items[k].present) return FreeReadStatus::RunOut;
    if (!targets.storeItem(i, items[k])) return FreeReadStatus::Bad;
  }
  return FreeReadStatus::Ok;
}

// A whole number with an optional sign, within [lo, hi].
bool readWholeNumber(const std::string& t, std::int64_t lo, std::int64_t hi, std::int64_t& n) {
  std::size_t p = 0;
  bool negative = false;
  if (p < t.size() && (t[p] == '+' || t[p] == '-')) negative = t[p++] == '-';
  if (p == t.size()) return false;
  // Accumulate as a negative value, which reaches the most negative 64-bit number.
  std::int64_t v = 0;
  const std::int64_t floor = std::numeric_limits<std::int64_t>::min();
  for (; p < t.size(); ++p) {
    if (!isDigit(t[p])) return false;
    const int d = t[p] - '0';
    if (v < (floor + d) / 10) return false;
    v = v * 10 - d;
  }
  if (!negative) {
    if (v == floor) return false;
    v = -v;
  }
  if (v < lo || v > hi) return false;
  n = v;
  return true;
}

// A whole number within the range of Int; n is unchanged when false.
template <class Int>
bool readWholeNumber(const std::string& t, Int& n) {
  std::int64_t v = 0;
  if (!readWholeNumber(t, std::numeric_limits<Int>::min(), std::numeric_limits<Int>::max(), v)) return false;
  n = static_cast<Int>(v);
  return true;
}

template <class Int>
bool checkInteger(const std::string& s, Int& n) {
  const std::vector<FreeItem> items = freeFormatItems(s.substr(0, kLongTextLength));
  if (items.empty() || !items.front().present || items.front().quoted) return false;
  return readWholeNumber(items.front().text, n);
}

// ---- Fixed integer fields ---------------------------------------------------------------------

// An integer field of a formatted read: blanks are ignored, a blank field is 0, a sign may lead.
bool readIntegerField(const std::string& field, std::int32_t& n) {
  std::string t;
  for (const char c : field)
    if (c != ' ') t += c;
  if (t.empty()) {
    n = 0;
    return true;
  }
  return readWholeNumber(t, n);
}

// ---- Separated fields -------------------------------------------------------------------------

// Where the search for the next field starts behind an occurrence at pos. The next field begins
// behind the whole separator, so a separator of several characters is never counted inside
// itself.
std::size_t behind(std::size_t pos, const std::string& separator) { return pos + separator.size(); }

}  // namespace

std::vector<FreeItem> freeFormatItems(const std::string& line) {
  return FreeItemReader(line).readAll();
}

bool readFreeFormatReal(const FreeItem& item, double& x) {
  if (!item.present || item.quoted) return false;
  return readRealText(item.text, x);
}

bool readFreeFormatReal(const FreeItem& item, float& x) {
  if (!item.present || item.quoted) return false;
  return readRealText(item.text, x);
}

FreeReadStatus freeFormatReadDoubles(std::string_view line, int count, double* values) {
  return readReals(line, count, RealTargets{count, values, nullptr});
}

FreeReadStatus freeFormatReadReals(std::string_view line, int doubleCount, double* doubles, int singleCount,
                                   float* singles) {
  return readReals(line, doubleCount + singleCount, RealTargets{doubleCount, doubles, singles});
}

FreeReadStatus freeFormatReadSingles(std::string_view line, int count, float* values) {
  return readReals(line, count, RealTargets{0, nullptr, values});
}

std::int32_t NUMBEROFSUBSTRINGS(std::string& s, const std::string& separator) {
  fixed::assign(s, REMOVETABS(s.substr(0, kLongTextLength)));
  if (fixed::isBlank(s)) return 0;
  std::int32_t count = 1;
  if (separator.empty()) return count;
  for (std::size_t p = s.find(separator); p != npos; p = s.find(separator, behind(p, separator)))
    ++count;
  return count;
}

std::string SUBSTRING(const std::string& s, const std::string& separator, std::int32_t n) {
  if (n <= 0) return std::string();
  std::size_t start = 0;
  if (separator.empty()) {
    if (n > 1) return std::string();
  } else {
    for (std::int32_t k = 1; k < n; ++k) {
      const std::size_t p = s.find(separator, start);
      if (p == npos) return std::string();
      start = behind(p, separator);
    }
  }
  std::size_t end = separator.empty() ? npos : s.find(separator, start);
  if (end == npos) end = fixed::trimLen(s);
  if (end <= start) return std::string();
  return TRIMF(s.substr(start, end - start).substr(0, kLongTextLength));
}

namespace {

// What each character is to NUMBEROFNUMBERS, looked up once per character of every data line.
enum CountClass : unsigned char { kOther, kComment, kNumberChar, kBlank, kComma };

constexpr std::array<unsigned char, 256> countClasses() {
  std::array<unsigned char, 256> t{};
  for (int c = '0'; c <= '9'; ++c) t[c] = kNumberChar;
  for (const char c : {'e', 'E', '-', '.'}) t[static_cast<unsigned char>(c)] = kNumberChar;
  t['!'] = t['#'] = kComment;
  t[' '] = t['\t'] = kBlank;
  t[','] = kComma;
  return t;
}
constexpr std::array<unsigned char, 256> kCountClass = countClasses();

}  // namespace

std::int32_t NUMBEROFNUMBERS(std::string_view line) {
  const std::size_t n = fixed::trimLen(line);
  const char* const text = line.data();
  auto classAt = [text](std::size_t i) { return kCountClass[static_cast<unsigned char>(text[i])]; };
  // A data line is runs of number characters between blanks and commas: each run is passed over
  // in a tight loop of its own. A comma with at most blanks since the comma before it counts an
  // empty value.
  bool afterComma = false;
  std::int32_t count = 0;
  for (std::size_t i = 0; i < n;) {
    const unsigned char cls = classAt(i);
    if (cls == kNumberChar) {
      ++count;
      afterComma = false;
      do ++i;
      while (i < n && classAt(i) == kNumberChar);
    } else if (cls == kBlank) {
      ++i;
    } else if (cls == kComma) {
      count += static_cast<std::int32_t>(afterComma);
      afterComma = true;
      ++i;
    } else {
      return cls == kOther ? -count : count;  // other text, or a comment
    }
  }
  return count;
}

std::int32_t NUMBEROFDAYS(const std::string& date) {
  static const std::int32_t kDaysBefore[12] = {0,   31,  59,  90,  120, 151,
                                               181, 212, 243, 273, 304, 334};
  std::int32_t year = 0;
  std::int32_t month = 0;
  std::int32_t day = 0;
  if (!readIntegerField(fixed::slice(date, 1, 4), year) ||
      !readIntegerField(fixed::slice(date, 5, 6), month) ||
      !readIntegerField(fixed::slice(date, 7, 8), day))
    return -1;
  if (month < 1 || month > 12) return -1;
  if (month == 2 && day > 28) day = 28;
  return year * 365 + kDaysBefore[month - 1] + day - 730000;
}

bool CHECKINT(const std::string& s, std::int32_t& n) { return checkInteger(s, n); }

bool CHECKINT4(const std::string& s, std::int32_t& n) { return CHECKINT(s, n); }

bool CHECKINT8(const std::string& s, std::int64_t& n) { return checkInteger(s, n); }
