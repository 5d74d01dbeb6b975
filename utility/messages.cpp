#include "utility/messages.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/console.hpp"
#include "platform/process_state.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"
#include "utility/numbers.hpp"
#include "utility/parsers.hpp"
#include "utility/text.hpp"

DMessages DMESSAGES;
namespace {
const bool kEnrolled = processstate::enrol("DMESSAGES", [] { DMESSAGES.reset(); });

constexpr std::size_t kLineLength = 10000;
constexpr std::size_t kPrefixLength = 4;
constexpr double kNoLocation = -99999.0;

// Counter slots: the three kinds, then the same kinds for located messages.
constexpr int kCountError = 1, kCountWarning = 2, kCountCheck = 3;
constexpr int kCountLocatedError = 4, kCountLocatedWarning = 5, kCountLocatedCheck = 6;

// Kind words in the order they are tested, with the columns that hold the message number.
struct Kind {
  const char* word;
  int type;
  int counter;  // 0: not counted
  std::size_t firstColumn;
};
constexpr Kind kKinds[] = {
    {"ERROR", 1, kCountError, 6},
    {"WARNING", 2, kCountWarning, 8},
    {"CHECK", 3, kCountCheck, 6},
    {"UNSTABLE", 4, 0, 9},
};

const Kind* kindOf(const std::string& line1) {
  for (const Kind& k : kKinds)
    if (line1.starts_with(k.word)) return &k;
  return nullptr;
}

// The six characters after the kind word, read free-format; 0 when they hold no number.
int messageNumber(const std::string& line1, std::size_t firstColumn) {
  std::int32_t n = 0;
  if (!CHECKINT(fixed::slice(line1, firstColumn, firstColumn + 5), n)) return 0;
  return n;
}

void classify(DMessages& m) {
  const Kind* kind = kindOf(m.dmLines[1]);
  if (kind == nullptr) {
    m.dmType = 0;
    m.dmNumber = 0;
    return;
  }
  m.dmType = kind->type;
  if (kind->counter > 0) ++m.dmCounters[kind->counter];
  m.dmNumber = messageNumber(m.dmLines[1], kind->firstColumn);
}

// Line 4 joins the non-blank context texts; a blank first context still leaves the "; " of the
// second, so a reader can tell which context was given.
void rebuildContextLine(DMessages& m) {
  std::string line4;
  if (!fixed::isBlank(m.dmContext[1])) line4 = fixed::trimmed(m.dmContext[1]);
  for (int i = 2; i <= 3; ++i)
    if (!fixed::isBlank(m.dmContext[i])) line4 = fixed::trimmed(line4) + "; " + fixed::trimmed(m.dmContext[i]);
  m.dmLines[4] = fixed::fit(line4, kLineLength);
}

// A CSV text field: cut before the quotes are doubled, so a cut never splits a doubled quote
// and leaves a lone one that would run the field into the following rows.
std::string csvText(const std::string& text) {
  return fixed::trimmed(DOUBLEQUOTE(fixed::trimmed(fixed::fit(text, kTextLength))));
}

void writeCsvRecord(const DMessages& m) {
  const std::string message = fixed::trimmed(m.dmLines[1]) + "  " + fixed::trimmed(m.dmLines[2]) + "  " +
                              fixed::trimmed(m.dmLines[3]);
  std::string row = formatInteger(m.dmNumber, 5) + "," + formatInteger(m.dmType, 2) + "," +
                    formatFixed(m.dmLastX, 16, 3) + "," + formatFixed(m.dmLastY, 16, 3) + ", \"" +
                    csvText(message) + "\"";
  for (int i = 1; i <= 3; ++i) row += ", \"" + csvText(m.dmContext[i]) + "\"";
  fuWriteLineOrExit(m.dmMessagesUnit, row);
}

// The printed form of the message: line 1 with its prefix, then each non-blank further line,
// either as lines of their own or joined on one line.
std::vector<std::string> printedLines(const DMessages& m) {
  std::string first = fixed::trimmed(m.dmLines[1]);
  if (!fixed::isBlank(m.dmPrefix)) first = fixed::trimmed(m.dmPrefix) + " " + first;
  std::vector<std::string> lines{first};
  for (int i = 2; i <= 4; ++i) {
    if (fixed::isBlank(m.dmLines[i])) continue;
    if (m.dmSingleLine)
      lines.back() += "  " + fixed::trimmed(m.dmLines[i]);
    else
      lines.push_back(fixed::trimmed(m.dmLines[i]));
  }
  return lines;
}

void printOnConsole(const DMessages& m, int nblank) {
  for (int i = 0; i < nblank; ++i) console::line();
  for (const std::string& l : printedLines(m)) console::line(l);
}

void printOnLog(const DMessages& m, int nblank) {
  for (int i = 0; i < nblank; ++i) fuWriteLineOrExit(m.dmLogUnit, "");
  for (const std::string& l : printedLines(m)) fuWriteLineOrExit(m.dmLogUnit, l);
}

// Where a located message is drawn, how it looks, and which located counter it adds to.
struct LocatedStyle {
  int mifUnit;
  int midUnit;
  const char* font;
  int counter;  // 0: not counted
};

LocatedStyle locatedStyle(const DMessages& m) {
  const std::string& line1 = m.dmLines[1];
  if (line1.starts_with("ERROR"))
    return {m.dmMifUnitWarn, m.dmMidUnitWarn, "Font (\"Arial\",257,0,16711935,0)", kCountLocatedError};
  if (line1.starts_with("WARNING"))
    return {m.dmMifUnitWarn, m.dmMidUnitWarn, "Font (\"Arial\",257,0,16776960,0)", kCountLocatedWarning};
  if (line1.starts_with("UNSTABLE"))
    return {m.dmMifUnitWarn, m.dmMidUnitWarn, "Font (\"Arial\",257,0,16711935,0)", 0};
  if (line1.starts_with("CHECK"))
    return {m.dmMifUnitCheck, m.dmMidUnitCheck, "Font (\"Arial\",257,0,255,16777215)", kCountLocatedCheck};
  return {m.dmMifUnitCheck, m.dmMidUnitCheck, "Font (\"Arial\",257,0,53248,16777215)", 0};
}

std::string quotedLine(const std::string& line) { return fixed::trimmed(DOUBLEQUOTE(line)); }

// A coordinate of the text object: 16 columns with 3 decimals. A value that fills them, or needs
// more, is written whole after one blank, so that two coordinates never run together.
std::string coordinate(double v) {
  const std::string field = formatFixed(v, 16, 3);
  if (field[0] == ' ') return field;
  const std::string whole = formatFixed(v, 400, 3);
  return std::string(1, ' ').append(whole, whole.find_first_not_of(' '));
}

void writeMifText(const DMessages& m, const LocatedStyle& style, double x, double y) {
  const std::string separator = m.dmSingleLine ? "  " : "\\n";
  std::string text = std::string(1, '"').append(quotedLine(m.dmLines[1]));
  int nLines = 1;
  for (int i = 2; i <= 4; ++i) {
    if (fixed::isBlank(m.dmLines[i])) continue;
    text += separator + quotedLine(m.dmLines[i]);
    ++nLines;
  }
  text += "\"";
  // The box starts one line height right of the location and is centred on it vertically.
  const double h = m.dmLabelHeight, w = m.dmLabelWidth;
  const double halfBox = nLines * h / 2.0;
  const int u = style.mifUnit;
  fuWriteLineOrExit(u, "Text");
  fuWriteLineOrExit(u, text);
  fuWriteLineOrExit(u, "    " + coordinate(x + h) + coordinate(y - halfBox) + coordinate(x + h + w) +
                           coordinate(y + halfBox));
  fuWriteLineOrExit(u, std::string("    ") + style.font);
  fuWriteLineOrExit(u, "    Label Line Arrow " + coordinate(x) + coordinate(y));
}

void writeMidRow(const DMessages& m, const LocatedStyle& style) {
  std::string row = "\"";
  for (int i = 1; i <= 4; ++i)
    if (!fixed::isBlank(m.dmLines[i])) row += quotedLine(m.dmLines[i]) + "  ";
  row += "\"";
  fuWriteLineOrExit(style.midUnit, row);
}

}  // namespace

DMessages::DMessages() {
  for (int i = 1; i <= 4; ++i) dmLines[i] = fixed::blanks(kLineLength);
  for (int i = 1; i <= 3; ++i) dmContext[i] = fixed::blanks(kLineLength);
  dmPrefix = fixed::blanks(kPrefixLength);
}

void DMESSAGE(int nblank) {
  DMessages& m = DMESSAGES;
  classify(m);
  if (m.dmMessagesUnit > 0 && m.dmType != 0) writeCsvRecord(m);
  rebuildContextLine(m);
  if (nblank >= 0) printOnConsole(m, nblank);
  if (nblank >= -1 && m.dmLogUnit > 0) printOnLog(m, nblank > 0 ? nblank : 0);
  DMESSAGECLEAR();
}

void DMESSAGEXY(int nblank, double x, double y) {
  DMessages& m = DMESSAGES;
  m.dmPrefix = fixed::fit("XY: ", kPrefixLength);
  const LocatedStyle style = locatedStyle(m);
  if (style.counter > 0) ++m.dmCounters[style.counter];
  rebuildContextLine(m);
  // A host may use located messages without the map layers; the message is then only printed.
  if (style.mifUnit > 0 && fuIsOpen(style.mifUnit)) writeMifText(m, style, x, y);
  if (style.midUnit > 0 && fuIsOpen(style.midUnit)) writeMidRow(m, style);
  m.dmLastX = x;
  m.dmLastY = y;
  DMESSAGE(nblank);
}

void DMESSAGECLEAR() {
  DMessages& m = DMESSAGES;
  for (int i = 1; i <= 4; ++i) m.dmLines[i] = fixed::blanks(kLineLength);
  for (int i = 1; i <= 3; ++i) m.dmContext[i] = fixed::blanks(kLineLength);
  m.dmPrefix = fixed::blanks(kPrefixLength);
  m.dmLastX = kNoLocation;
  m.dmLastY = kNoLocation;
  m.dmSingleLine = false;
}

void DMESSAGERESETCOUNTERS() { DMESSAGES.dmCounters.fill(0); }

void DLINE(int unit) {
  const std::string rule(80, '_');
  console::line(rule);
  if (unit > 0) fuWriteLineOrExit(unit, rule);
}
