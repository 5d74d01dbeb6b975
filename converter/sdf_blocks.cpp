#include "converter/sdf_blocks.hpp"

#include <algorithm>

#include "converter/read_failure.hpp"
#include "platform/console.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"
#include "utility/numbers.hpp"
#include "utility/parsers.hpp"
#include "utility/run_control.hpp"
#include "utility/text.hpp"

namespace {

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

// The arrays hold kSdfMaxPoints places; a longer block stops the run rather than overrun them.
[[noreturn]] void stopOnTooManyPoints(int unit, const std::string& block, std::int64_t lineNo) {
  console::line();
  console::line("ERROR - More than 100,000 points in " + block + " block at line " + AINTEGER8(lineNo) +
                " of file " + fileNameOf(unit) + ".");
  EXITS();
}

// A line that NUMBEROFNUMBERS counts as negative is data only when it starts with a number: the
// END: line that closes a section right after its CUT LINE block counts as negative as well (its
// E is a number character), and it must end the block, not the run.
bool isNumberDataLine(const std::string& line) {
  const int n = NUMBEROFNUMBERS(line);
  if (n > 0) return true;
  if (n == 0) return false;
  double first = 0.0;
  return freeFormatReadDoubles(line, 1, &first) == FreeReadStatus::Ok;
}

// A blank line, a line of text and a keyword line end a SURFACE LINE block: END: counts as
// negative (its E is a number character) and holds a ":". Any other line with numbers is a data
// line, so a value that is no number ("None") stops the run rather than cut the section short.
bool isSurfaceDataLine(std::string_view text) {
  const int n = NUMBEROFNUMBERS(text);
  return n > 0 || (n < 0 && text.find(':') == std::string_view::npos);
}

}  // namespace

bool readSdfLine(int unit, std::string& line, std::int64_t& lineNo, std::size_t* textLength) {
  ++lineNo;
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
  if (textLength) *textLength = std::min(line.size(), kTextLength);
  line.resize(kTextLength, ' ');
  return true;
}

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

void GetSdfCutline(int unit, ZeroArray<double>& cutX, ZeroArray<double>& cutY, int& count, std::int64_t& lineNo,
                   std::string& line) {
  count = 0;
  int stored = 0;
  for (;;) {
    readSdfBlockLine(unit, "CUT LINE", line, lineNo);
    if (!isNumberDataLine(line)) break;
    ++count;
    if (count > kSdfMaxPoints) {
      // The section keeps its first points; every further line is reported and dropped.
      console::line();
      console::line(std::string("ERROR - Exceeeded limit of 100,000 cut lines. Contact") + SUPPORT_CONTACT);
      continue;
    }
    double xy[2] = {0.0, 0.0};
    if (freeFormatReadDoubles(line, 2, xy) != FreeReadStatus::Ok) stopOnBadLine("GetSdfCutline", line, unit, lineNo);
    cutX[count] = xy[0];
    cutY[count] = xy[1];
    stored = count;
  }
  count = stored;
}

void GetSdfnVals(int unit, ZeroArray<float>& nValue, ZeroArray<float>& fraction, int& count, std::int64_t& lineNo,
                 std::string& line) {
  count = 0;
  for (;;) {
    readSdfBlockLine(unit, "NVALUES", line, lineNo);
    if (!isNumberDataLine(line)) return;
    if (count >= kSdfMaxPoints) stopOnTooManyPoints(unit, "NVALUES", lineNo);
    ++count;
    float fn[2] = {0.0f, 0.0f};
    if (freeFormatReadSingles(line, 2, fn) != FreeReadStatus::Ok) stopOnBadLine("GetSdfnVals", line, unit, lineNo);
    fraction[count] = fn[0];
    nValue[count] = fn[1];
  }
}

namespace {

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

  const std::string rest = text.substr(p2 + 1);
  if (NUMBEROFNUMBERS(rest) > 0) {
    if (freeFormatReadSingles(rest, 1, &marker.elevation) != FreeReadStatus::Ok)
      stopOnBadLine("GetSdfLevees", line, unit, lineNo);
    marker.hasElevation = true;
  } else {
    console::line();
    console::line("WARNING - No levee height specified.  Line number: " + AINTEGER8(lineNo));
    marker.elevation = kSdfNoLeveeHeight;
    marker.hasElevation = false;
  }
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

void GetSdfLevees(int unit, int& count, std::vector<SdfLeveeMarker>& markers, std::int64_t& lineNo, std::string& line) {
  count = 0;
  for (;;) {
    readSdfBlockLine(unit, "LEVEE POSITIONS", line, lineNo);
    if (FLAGEXISTS(line, ":")) break;
    if (count >= kSdfMaxLevees) {
      console::line();
      console::line("ERROR - More than 100 levee markers in LEVEE POSITIONS block at line " + AINTEGER8(lineNo) +
                    " of file " + fileNameOf(unit) + ".");
      EXITS();
    }
    ++count;
    readLeveeMarker(unit, line, lineNo, markers[count]);
  }
  reportLeveeCount(count, lineNo);
}

void GetSdfSurfaceLine(int unit, int& count, ZeroArray<double>& surfX, ZeroArray<double>& surfY,
                       ZeroArray<float>& surfZ, std::int64_t& lineNo, std::string& line) {
  count = 0;
  for (;;) {
    // Only the text read is counted: the padding behind it holds no number.
    const std::size_t length = readSdfBlockLine(unit, "SURFACE LINE", line, lineNo);
    if (!isSurfaceDataLine(std::string_view(line).substr(0, length))) return;
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
