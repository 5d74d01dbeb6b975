#pragma once
// The readers of the data blocks of one cross-section (CUT LINE, NVALUES, LEVEE POSITIONS,
// SURFACE LINE) and the line reading that the SDF passes share with them. Each reader starts
// right after its keyword line, reads to the first line that is not one of its data lines and
// leaves that line in the buffer for the pass to test.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "converter/sdf_cross_section.hpp"

// Reads the next line of the SDF file into the 1000-character buffer, adding 1 to the line
// counter first. False at the end of the file; a failed read stops the run. textLength, when
// given, is set to the length of the text read, behind which the buffer holds only blanks.
bool readSdfLine(int unit, std::string& line, std::int64_t& lineNo, std::size_t* textLength = nullptr);
// As readSdfLine, but the end of the file inside a block stops the run, naming the block. The
// length of the text read, behind which the buffer holds only blanks.
std::size_t readSdfBlockLine(int unit, std::string_view block, std::string& line, std::int64_t& lineNo);
// The text after the first ":" of a line, without trailing blanks (leading blanks stay).
std::string textAfterColon(const std::string& line);

void GetSdfCutline(int unit, ZeroArray<double>& cutX, ZeroArray<double>& cutY, int& count, std::int64_t& lineNo,
                   std::string& line);
void GetSdfnVals(int unit, ZeroArray<float>& nValue, ZeroArray<float>& fraction, int& count, std::int64_t& lineNo,
                 std::string& line);
void GetSdfLevees(int unit, int& count, std::vector<SdfLeveeMarker>& markers, std::int64_t& lineNo, std::string& line);
void GetSdfSurfaceLine(int unit, int& count, ZeroArray<double>& surfX, ZeroArray<double>& surfY,
                       ZeroArray<float>& surfZ, std::int64_t& lineNo, std::string& line);
