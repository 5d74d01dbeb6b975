// CSV fields and keyword values.
#include "utility/csv_values.hpp"

#include <cmath>
#include <cstddef>
#include <limits>

#include "platform/console.hpp"
#include "utility/fixed_text.hpp"
#include "utility/messages.hpp"
#include "utility/numbers.hpp"
#include "utility/parsers.hpp"
#include "utility/run_control.hpp"
#include "utility/text.hpp"

namespace {

constexpr std::size_t npos = std::string::npos;

// Position (0-based) of the first character of s from start on for which isEnd is true outside
// a quoted span; npos when there is none.
template <class IsEnd>
std::size_t findOutsideQuotes(const std::string& s, std::size_t start, IsEnd isEnd) {
  bool inSpan = false;
  for (std::size_t i = start; i < s.size(); ++i) {
    const char c = s[i];
    if (!inSpan) {
      if (isQuote(c))
        inSpan = true;
      else if (isEnd(c))
        return i;
    } else if (isQuote(c)) {
      if (i + 1 < s.size() && s[i + 1] == c)
        ++i;  // a doubled quote is text
      else
        inSpan = false;
    }
  }
  return npos;
}

std::size_t nextComma(const std::string& s, std::size_t start) {
  return findOutsideQuotes(s, start, [](char c) { return c == ','; });
}

// The value text in keyword form; found is false when the keyword does not occur.
std::string keywordValue(const std::string& line, const std::string& lowerLine,
                         const std::string& keyword, bool wholeRest, bool& found) {
  const std::string key = LOWERCASE(keyword.substr(0, kLongTextLength));
  found = false;
  if (key.empty()) return std::string();
  const std::size_t k = fixed::trimmed(lowerLine.substr(0, kLongTextLength)).find(key);
  if (k == npos) return std::string();
  found = true;
  const std::string r = k + key.size() < line.size() ? line.substr(k + key.size()) : std::string();
  const std::size_t eq = r.find('=');
  if (eq == npos) {
    fixed::assign(DMESSAGES.dmLines[1],
                  "ERROR 0203 - No \"=\" sign found after keyword \"" + fixed::trimmed(keyword) + "\".");
    DMESSAGE(1);
    EXITS();
  }
  const std::string after = r.substr(eq + 1);
  if (wholeRest) return after;
  const std::size_t comma = nextComma(after, 0);
  return comma == npos ? after : after.substr(0, comma);
}

// Field number column of line in the quote-aware split; blank when there is no such field.
std::string columnValue(const std::string& line, std::int32_t column) {
  if (column < 1) return std::string();
  const std::string s = fixed::trimmed(line.substr(0, kLongTextLength));
  std::size_t start = 0;
  for (std::int32_t k = 1; k < column; ++k) {
    const std::size_t comma = nextComma(s, start);
    if (comma == npos) return std::string();
    start = comma + 1;
  }
  const std::size_t end = nextComma(s, start);
  return s.substr(start, end == npos ? npos : end - start);
}

std::string valueText(const std::string& line, const std::string& lowerLine,
                      const std::string& keyword, std::int32_t column, bool wholeRest) {
  bool found = false;
  std::string v = keywordValue(line, lowerLine, keyword, wholeRest, found);
  if (!found) v = columnValue(line, column);
  return TRIMF(REMOVEQUOTES(v));
}

[[noreturn]] void stopOnUnconvertible(const std::string& text, std::int32_t column, const char* kind,
                                      const std::string& keyword) {
  console::line(" Could not convert \"" + text + "\" in column" + formatInteger(column, 3) + " to " + kind +
                " value for the " + fixed::trimmed(keyword) + " field.");
  EXITS();
}

// The first free-format item of text, as a single-precision real.
bool readSingle(const std::string& text, float& x) {
  const std::vector<FreeItem> items = freeFormatItems(text);
  double v = 0.0;
  if (items.empty() || !readFreeFormatReal(items.front(), v)) return false;
  if (std::fabs(v) > static_cast<double>(std::numeric_limits<float>::max())) return false;
  x = static_cast<float>(v);
  return true;
}

// A formatted numeric field: blanks anywhere in it are ignored.
bool readNumericField(const std::string& field, float& x) {
  FreeItem item;
  item.present = true;
  for (const char c : field)
    if (c != ' ') item.text += c;
  double v = 0.0;
  if (!readFreeFormatReal(item, v)) return false;
  if (std::fabs(v) > static_cast<double>(std::numeric_limits<float>::max())) return false;
  x = static_cast<float>(v);
  return true;
}

}  // namespace

std::int32_t CSVCOLUMN(const std::string& line, const std::string& name, std::int32_t defaultColumn) {
  std::string rest = REMOVETABS(line.substr(0, kLongTextLength));
  const std::string cleanName = name.substr(0, kTextLength);
  for (std::int32_t n = 1; !fixed::isBlank(rest); ++n) {
    const std::size_t comma = rest.find(',');
    if (ASAME(rest.substr(0, comma), cleanName)) return n;
    if (comma == npos) break;
    rest = rest.substr(comma + 1);
  }
  return defaultColumn;
}

bool CSVVALUE(const std::string& line, std::int32_t n, float& value) {
  value = 0.0f;
  std::string rest = line.substr(0, kLongTextLength);
  for (std::int32_t k = 1; k < n; ++k) {
    const std::size_t comma = rest.find(',');
    if (comma == npos) return false;
    rest = rest.substr(comma + 1);
  }
  const std::string field = fixed::trimmed(rest.substr(0, rest.find(',')));
  if (fixed::isBlank(field)) return false;
  float v = 0.0f;
  if (!readNumericField(field, v)) return false;
  value = v;
  return true;
}

std::int32_t EXTRACTINTEGER(const std::string& line, const std::string& lowerLine,
                            const std::string& keyword, std::int32_t column,
                            std::int32_t defaultValue) {
  const std::string text = valueText(line, lowerLine, keyword, column, false);
  if (text.empty()) return defaultValue;
  const std::vector<FreeItem> items = freeFormatItems(text);
  if (items.empty() || !items.front().present) return defaultValue;  // a null value is no value
  std::int32_t n = 0;
  if (!CHECKINT(text, n)) stopOnUnconvertible(text, column, "an integer", keyword);
  return n;
}

float EXTRACTREAL(const std::string& line, const std::string& lowerLine, const std::string& keyword,
                  std::int32_t column, float defaultValue) {
  const std::string text = valueText(line, lowerLine, keyword, column, false);
  if (text.empty()) return defaultValue;
  const std::vector<FreeItem> items = freeFormatItems(text);
  if (items.empty() || !items.front().present) return defaultValue;
  float x = 0.0f;
  if (!readSingle(text, x)) stopOnUnconvertible(text, column, "a real", keyword);
  return x;
}

std::string EXTRACTSTRING(const std::string& line, const std::string& lowerLine,
                          const std::string& keyword, std::int32_t column) {
  return valueText(line, lowerLine, keyword, column, false);
}

std::string EXTRACTSTRINGREM(const std::string& line, const std::string& lowerLine,
                             const std::string& keyword, std::int32_t column) {
  return valueText(line, lowerLine, keyword, column, true);
}

std::string EXTRACTFIRSTWORD(std::string& line) {
  // The whole line: a long word must neither be cut nor take the words behind it with it.
  const std::string text = fixed::trimmed(line);
  // The word starts at the first character that is not a blank, so leading blanks never make
  // an empty first word.
  const std::size_t start = text.find_first_not_of(' ');
  if (start == npos) {
    fixed::assign(line, std::string());
    return std::string();
  }
  const std::size_t end = findOutsideQuotes(text, start, [](char c) { return c == ' '; });
  const std::string word = TRIMF(REMOVEQUOTES(text.substr(start, end == npos ? npos : end - start)));
  fixed::assign(line, end == npos ? std::string() : TRIMF(text.substr(end)));
  return word;
}
