// Control lines of text control files: reading, comment cutting and command tests.
#include "utility/control_lines.hpp"

#include <algorithm>
#include <cstddef>

#include "utility/files.hpp"
#include "utility/fixed_text.hpp"
#include "utility/messages.hpp"
#include "utility/numbers.hpp"
#include "utility/run_control.hpp"
#include "utility/text.hpp"

namespace {

constexpr std::size_t npos = std::string::npos;

bool isCommentChar(char c) { return c == '#' || c == '!'; }

// Stores text into an out argument: cut or padded to its declared length, or at its own length
// when the caller passed an empty field.
void store(std::string& out, const std::string& text) {
  if (out.empty())
    out = text;
  else
    fixed::assign(out, text);
}

// Steps shared by READLINE and COMMENTLINE, on a line whose TABs are already dealt with: the
// leading blanks go, the result is decided, the comment is cut. True for a data line.
bool cleanDataLine(std::string& line) {
  store(line, TRIMF(line.substr(0, kLongTextLength)));
  const bool data = !fixed::isBlank(line) && !isCommentChar(line[0]);
  const std::size_t k = line.find_first_of("#!");
  if (k != npos) line.replace(k, line.size() - k, line.size() - k, ' ');
  return data;
}

[[noreturn]] void stopOnReadFailure(const std::string& what, std::int32_t unit) {
  fixed::assign(DMESSAGES.dmLines[1], what + formatInteger(unit, 5));
  DMESSAGE(1);
  EXITS();
}

// Either of two spellings of a command, followed by word.
bool eitherForm(const std::string& line, const char* first, const char* second,
                const std::string& word) {
  const std::string w = fixed::trimmed(word);
  return FLAGEXISTS(line, first + w) || FLAGEXISTS(line, second + w);
}

// Characters from 1-based position first to the end; empty beyond the text.
std::string from(const std::string& s, std::size_t first) {
  return first > s.size() ? std::string() : s.substr(first - 1);
}

}  // namespace

bool READLINE(std::int32_t unit, std::string& line) {
  std::string record;
  switch (fuReadLine(unit, record)) {
    case ReadStatus::Ok:
      break;
    case ReadStatus::End:
      stopOnReadFailure("ERROR 0202 - End-of-file encountered reading text line from file unit number",
                        unit);
    case ReadStatus::Error:
      stopOnReadFailure("ERROR 0201 - Reading text line from file unit number", unit);
  }
  store(line, record.substr(0, kLongTextLength));
  fixed::assign(line, REMOVETABS(line.substr(0, kLongTextLength)));
  return cleanDataLine(line);
}

bool COMMENTLINE(std::string& line) { return !cleanDataLine(line); }

bool FLAGEXISTSRET(const std::string& line, const std::string& flag, std::string& rest) {
  const std::string hay = UPPERCASE(line.substr(0, kLongTextLength));
  const std::string needle = UPPERCASE(flag.substr(0, kLongTextLength));
  const std::size_t k = hay.find(needle);
  if (k == npos) {
    store(rest, std::string());
    return false;
  }
  store(rest, line.substr(k + needle.size()));
  return true;
}

bool READGIS(const std::string& line, const std::string& word) {
  return eitherForm(line, "Read MI ", "Read GIS ", word);
}

bool WRITEGIS(const std::string& line, const std::string& word) {
  return eitherForm(line, "Write MI ", "Write GIS ", word);
}

bool READROWCOL(const std::string& line, const std::string& word) {
  return eitherForm(line, "Read MID ", "Read RowCol ", word);
}

bool CHECKLINE(const std::string& line, const std::string& command, const std::string& separator,
               std::int32_t column, std::string& value, std::string& left) {
  // A column outside the line is brought to its nearest end.
  std::size_t col = 0;
  if (column > 0) col = std::min(static_cast<std::size_t>(column), line.size());

  bool splitAtSeparator = false;
  std::string v, l;
  if (!fixed::isBlank(separator)) {
    const std::size_t k = line.find(separator);
    if (k != npos) {
      v = line.substr(k + separator.size());
      l = line.substr(0, k);
      splitAtSeparator = true;
    } else if (col != 0) {
      v = from(line, col + 1);
      l = line.substr(0, col);
    } else {
      l = line;
    }
  } else {
    v = from(line, col + 1);
    l = line.substr(0, col);
  }
  store(value, v);
  store(left, l);

  const bool present = fixed::trimmed(command) == "*" || FLAGEXISTS(l, command);
  return present && (!fixed::isBlank(l) || (!splitAtSeparator && col == 0));
}
