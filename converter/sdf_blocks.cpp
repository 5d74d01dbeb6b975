#include "converter/sdf_blocks.hpp"

#include <algorithm>
#include <utility>

#include "converter/read_failure.hpp"
#include "platform/console.hpp"
#include "platform/process_state.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"
#include "utility/numbers.hpp"
#include "utility/parsers.hpp"
#include "utility/run_control.hpp"
#include "utility/text.hpp"

SdfLineReader gSdfLines;
namespace {
const bool kEnrolled = processstate::enrol("gSdfLines", [] { gSdfLines.reset(); });

std::string fileNameOf(int unit) { return fixed::trimmed(fuName(unit)); }

// The message of a data line that cannot be read: routine, then the line between empty lines,
// then where it stands.
[[noreturn]] void stopOnBadLine(const std::string& routine, const std::string& line, int unit, std::int64_t lineNo) {
  console::line();
  console::line("ERROR - Reading following line in file in sub " + routine);
  console::line();
  console::line(fixed::trimmed(line));
  console::line();
  reportReadPlace({unit, lineNo});
  EXITS();
}

// The arrays hold kSdfMaxPoints places; a longer block stops the run rather than overrun them or
// lose its further points.
[[noreturn]] void stopOnTooManyPoints(int unit, const std::string& block, std::int64_t lineNo) {
  console::line();
  console::line("ERROR - More than 100,000 points in " + block + " block at line " + AINTEGER8(lineNo) +
                " of file " + fileNameOf(unit) + ".");
  EXITS();
}

// The next line of the text line held, into line.
void takeHeldLine(std::string& line) {
  SdfLineReader& held = gSdfLines;
  const std::size_t cr = held.rest.find('\r', held.next);
  const std::size_t end = (cr == std::string::npos) ? held.rest.size() : cr;
  line.assign(held.rest, held.next, end - held.next);
  held.next = end + 1;
  held.holdsLines = cr != std::string::npos;
}

// Reads lines of the block up to its next data line (true) or its keyword line (false), which
// stays in the buffer; empty lines are passed over.
bool readBlockDataLine(int unit, std::string_view block, std::string& line, std::int64_t& lineNo) {
  for (;;) {
    const std::size_t length = readSdfBlockLine(unit, block, line, lineNo);
    const SdfBlockLine kind = sdfBlockLineKind(std::string_view(line).substr(0, length));
    if (kind != SdfBlockLine::Empty) return kind == SdfBlockLine::Data;
  }
}

}  // namespace

bool readSdfLine(int unit, std::string& line, std::int64_t& lineNo, std::size_t* textLength) {
  ++lineNo;
  SdfLineReader& held = gSdfLines;
  if (held.holdsLines && held.unit == unit) {
    takeHeldLine(line);
  } else {
    // Read straight into the line buffer, which keeps its storage from line to line, and padded
    // (or cut) to its length there.
    const ReadStatus status = fuReadLine(unit, line);
    if (status == ReadStatus::End) {
      line = fixed::blanks(kTextLength);
      if (textLength) *textLength = 0;
      return false;
    }
    if (status == ReadStatus::Error) {
      console::line();
      console::line("ERROR - Unable to read line " + AINTEGER8(lineNo) + " of file " + fileNameOf(unit) + ".");
      EXITS();
    }
    // CRs before the LF (a CR LF file converted once more) are all part of the line end.
    while (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find('\r') != std::string::npos) {
      held.unit = unit;
      held.next = 0;
      std::swap(held.rest, line);
      takeHeldLine(line);
    }
  }
  if (textLength) *textLength = std::min(line.size(), kTextLength);
  line.resize(kTextLength, ' ');
  return true;
}

bool sdfAtEnd(int unit) { return !(gSdfLines.holdsLines && gSdfLines.unit == unit) && fuAtEnd(unit); }

std::size_t readSdfBlockLine(int unit, std::string_view block, std::string& line, std::int64_t& lineNo) {
  std::size_t textLength = 0;
  if (readSdfLine(unit, line, lineNo, &textLength)) return textLength;
  console::line();
  console::line("ERROR - Unexpected end of file " + fileNameOf(unit) + " in " + std::string(block) + " block after line " +
                AINTEGER8(lineNo - 1) + ".");
  EXITS();
}

std::string textAfterColon(const std::string& line) {
  const std::size_t colon = line.find(':');
  if (colon == std::string::npos) return std::string();
  return fixed::trimmed(line.substr(colon + 1));
}

SdfBlockLine sdfBlockLineKind(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos || text[first] == '!' || text[first] == '#') return SdfBlockLine::Empty;
  const char c = text[first];
  const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  if (letter && text.find(':', first) != std::string_view::npos) return SdfBlockLine::Keyword;
  return SdfBlockLine::Data;
}

void GetSdfCutline(int unit, ZeroArray<double>& cutX, ZeroArray<double>& cutY, int& count, std::int64_t& lineNo,
                   std::string& line) {
  count = 0;
  while (readBlockDataLine(unit, "CUT LINE", line, lineNo)) {
    if (count >= kSdfMaxPoints) stopOnTooManyPoints(unit, "CUT LINE", lineNo);
    ++count;
    double xy[2] = {0.0, 0.0};
    if (freeFormatReadDoubles(line, 2, xy) != FreeReadStatus::Ok) stopOnBadLine("GetSdfCutline", line, unit, lineNo);
    cutX[count] = xy[0];
    cutY[count] = xy[1];
  }
}

void GetSdfnVals(int unit, ZeroArray<float>& nValue, ZeroArray<float>& fraction, int& count, std::int64_t& lineNo,
                 std::string& line) {
  const std::int64_t keywordLine = lineNo;
  bool inOrder = true;
  count = 0;
  while (readBlockDataLine(unit, "NVALUES", line, lineNo)) {
    if (count >= kSdfMaxPoints) stopOnTooManyPoints(unit, "NVALUES", lineNo);
    ++count;
    float fn[2] = {0.0f, 0.0f};
    if (freeFormatReadSingles(line, 2, fn) != FreeReadStatus::Ok) stopOnBadLine("GetSdfnVals", line, unit, lineNo);
    if (count > 1 && fn[0] < fraction[count - 1]) inOrder = false;
    fraction[count] = fn[0];
    nValue[count] = fn[1];
  }
  if (inOrder) return;
  console::line();
  console::line("WARNING - The change points of the NVALUES block at line " + AINTEGER8(keywordLine) +
                " are not in order of position: each surface point takes the n of the change point with the "
                "greatest position at or before it.");
}

namespace {

// The elevation after a marker's second comma: a number there is read; blank, or text that is no
// number ("None", "nan"), gives the marker no height of its own. A number beyond the range of
// the single-precision elevation, or an empty value with more behind it ("L, 0.5,, 101"), stops
// the run, as either would lose the height.
void readLeveeElevation(int unit, const std::string& line, const std::string& rest, std::int64_t lineNo,
                        SdfLeveeMarker& marker) {
  if (freeFormatReadSingles(rest, 1, &marker.elevation) == FreeReadStatus::Ok) {
    marker.hasElevation = true;
    return;
  }
  double wide = 0.0;
  const FreeReadStatus asDouble = freeFormatReadDoubles(rest, 1, &wide);
  const bool moreBehind = rest.find_first_not_of(" \t") != std::string::npos;
  if (asDouble == FreeReadStatus::Ok || (asDouble == FreeReadStatus::RunOut && moreBehind))
    stopOnBadLine("GetSdfLevees", line, unit, lineNo);
  console::line();
  console::line("WARNING - No levee height specified.  Line number: " + AINTEGER8(lineNo));
  marker.elevation = kSdfNoLeveeHeight;
  marker.hasElevation = false;
}

// One marker line: id, fraction and elevation, separated by its first two commas.
void readLeveeMarker(int unit, const std::string& line, std::int64_t lineNo, SdfLeveeMarker& marker) {
  const std::string text = fixed::trimmed(line);
  const std::size_t p1 = text.find(',');
  const std::size_t p2 = (p1 == std::string::npos) ? std::string::npos : text.find(',', p1 + 1);
  if (p2 == std::string::npos) stopOnBadLine("GetSdfLevees", line, unit, lineNo);

  const std::vector<FreeItem> idItems = freeFormatItems(text.substr(0, p1));
  if (idItems.empty() || !idItems.front().present) stopOnBadLine("GetSdfLevees", line, unit, lineNo);
  marker.id = fixed::fit(idItems.front().text, kSdfLeveeIdLength);

  if (freeFormatReadSingles(text.substr(p1 + 1, p2 - p1 - 1), 1, &marker.fraction) != FreeReadStatus::Ok)
    stopOnBadLine("GetSdfLevees", line, unit, lineNo);
  readLeveeElevation(unit, line, text.substr(p2 + 1), lineNo, marker);
}

void reportLeveeCount(int count, std::int64_t lineNo) {
  const std::string at = AINTEGER8(lineNo);
  if (count == 2) return;
  console::line();
  if (count == 0)
    console::line("WARNING - No levee points detected. Line number: " + at);
  else if (count == 1)
    console::line("WARNING - Only one levee points detected for section. Line number: " + at);
  else
    console::line("WARNING - More than two levee points detected for section. Line number: " + at);
}

}  // namespace

void GetSdfLevees(int unit, int& count, std::vector<SdfLeveeMarker>& markers, std::int64_t& lineNo,
                  std::string& line) {
  count = 0;
  while (readBlockDataLine(unit, "LEVEE POSITIONS", line, lineNo)) {
    if (count >= kSdfMaxLevees) {
      console::line();
      console::line("ERROR - More than 100 levee markers in LEVEE POSITIONS block at line " + AINTEGER8(lineNo) +
                    " of file " + fileNameOf(unit) + ".");
      EXITS();
    }
    ++count;
    readLeveeMarker(unit, line, lineNo, markers[count]);
  }
  // An empty block ended by the keyword line of the next (a NODE NAME line that holds the keyword
  // opens one) is no block of its own: the next one is counted.
  if (count == 0 && FLAGEXISTS(line, "LEVEE POSITIONS")) return;
  reportLeveeCount(count, lineNo);
}

void GetSdfSurfaceLine(int unit, int& count, ZeroArray<double>& surfX, ZeroArray<double>& surfY,
                       ZeroArray<float>& surfZ, std::int64_t& lineNo, std::string& line) {
  count = 0;
  while (readBlockDataLine(unit, "SURFACE LINE", line, lineNo)) {
    if (count >= kSdfMaxPoints) stopOnTooManyPoints(unit, "SURFACE LINE", lineNo);
    ++count;
    // x and y are doubles, z a single read as one.
    double xy[2] = {0.0, 0.0};
    float z = 0.0f;
    if (freeFormatReadReals(line, 2, xy, 1, &z) != FreeReadStatus::Ok)
      stopOnBadLine("GetSdfSurfaceLine", line, unit, lineNo);
    surfX[count] = xy[0];
    surfY[count] = xy[1];
    surfZ[count] = z;
  }
}
