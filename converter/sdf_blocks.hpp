#pragma once
// The readers of the data blocks of one cross-section (CUT LINE, NVALUES, LEVEE POSITIONS,
// SURFACE LINE) and the line reading that the SDF passes share with them. Each reader starts
// right after its keyword line, reads to the first keyword line, skips empty lines, reads every
// other line as one of its data lines, and leaves the keyword line in the buffer for the pass to
// test.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "converter/sdf_cross_section.hpp"

// The text lines of the SDF file still to be given out: a CR that no LF follows ends a line, as
// an LF does, so a text line that holds such CRs is given out as several SDF lines.
struct SdfLineReader {
  int unit = 0;            // the unit the lines were read from
  std::string rest;        // the text line whose lines are being given out
  std::size_t next = 0;    // where the next of them begins in rest
  bool holdsLines = false; // rest holds lines not yet given out
  void reset() { *this = SdfLineReader{}; }
  bool operator==(const SdfLineReader&) const = default;
};
extern SdfLineReader gSdfLines;

// Reads the next line of the SDF file into the 1000-character buffer, adding 1 to the line
// counter first. A line ends at an LF, at a CR that no LF follows, or at the end of the file; the
// CRs just before an LF belong to that line end. False at the end of the file; a failed read
// stops the run. textLength, when given, is set to the length of the text read, behind which the
// buffer holds only blanks.
bool readSdfLine(int unit, std::string& line, std::int64_t& lineNo, std::size_t* textLength = nullptr);
// No further SDF line can be read from unit.
bool sdfAtEnd(int unit);
// As readSdfLine, but the end of the file inside a block stops the run, naming the block. The
// length of the text read, behind which the buffer holds only blanks.
std::size_t readSdfBlockLine(int unit, std::string_view block, std::string& line, std::int64_t& lineNo);
// The text after the first ":" of a line, without trailing blanks (leading blanks stay).
std::string textAfterColon(const std::string& line);

// What a line is inside a CUT LINE, NVALUES, LEVEE POSITIONS or SURFACE LINE block. A keyword
// line starts, after blanks and TABs, with a letter and holds a ":"; an empty line is blank, or
// blank up to a "!" or "#"; every other line is a data line of the block.
enum class SdfBlockLine { Keyword, Empty, Data };
SdfBlockLine sdfBlockLineKind(std::string_view text);

void GetSdfCutline(int unit, ZeroArray<double>& cutX, ZeroArray<double>& cutY, int& count, std::int64_t& lineNo,
                   std::string& line);
// Change points whose positions do not rise along the block are reported, naming the NVALUES line.
void GetSdfnVals(int unit, ZeroArray<float>& nValue, ZeroArray<float>& fraction, int& count, std::int64_t& lineNo,
                 std::string& line);
void GetSdfLevees(int unit, int& count, std::vector<SdfLeveeMarker>& markers, std::int64_t& lineNo,
                  std::string& line);
void GetSdfSurfaceLine(int unit, int& count, ZeroArray<double>& surfX, ZeroArray<double>& surfY,
                       ZeroArray<float>& surfZ, std::int64_t& lineNo, std::string& line);
