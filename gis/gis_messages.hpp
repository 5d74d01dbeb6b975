#pragma once
// The GIS layer library's messages and stops, shared by its routines: the message lines of the
// library's block, the printer that puts them on the console (and the library log), and the stops
// of a failed read or write and of an impossible state.
#include <string>
#include <string_view>

// A line on the console, echoed to the library log when it is open.
void gisLogLine(const std::string& text);
// Second lines of a message stand under its text.
inline const std::string kMessageIndent(15, ' ');
// Message lines 1 and 2 of the block; lines 3 and 4 blank, so that no earlier text is repeated.
void gisSetMessage(const std::string& line1, const std::string& line2 = "");
// The message lines after nBlank empty lines, on the console and in the library log.
void gisPrintMessage(int nBlank);
// A numbered message: the lines set, printed after one blank line, then the end of the run.
[[noreturn]] void gisFail(const std::string& line1, const std::string& line2 = "");
// A failed write: gisFail with line 1 as given and line 2 naming the file (none when it is blank).
[[noreturn]] void gisWriteFailure(const std::string& line1, const std::string& fileName);
// The warnings about the values of a field (a .dbf field, a .mid column) are given once per layer,
// field and kind: the first value tells the user, a message per record would bury it. warned holds
// the kinds given so far; true, and the kind added, the first time.
inline constexpr unsigned char kWarnedTooWide = 1;
inline constexpr unsigned char kWarnedNotANumber = 2;
bool gisFirstValueWarning(unsigned char& warned, unsigned char kind);
// The warning, with a second line naming the file of unit and the record (none when 0).
void gisWarnValue(int unit, int record, const std::string& line1);
// An impossible internal state: an empty line, "Should not be here [where] - please contact" and the
// support address on the console, then the end of the run.
[[noreturn]] void gisShouldNotBeHere(const std::string& where);
// The handle guard of an entry point: a gisID outside 1..100 stops the run with
// "Should not be here <routine>[gisID=...] - please contact" and the support address.
void gisCheckHandle(std::string_view routine, int gisID);
