#pragma once
#include <cstdint>
#include <string>

// Where a line that could not be read stands in its file: a unit of 0 names no place.
struct ReadPlace {
  int unit = 0;
  std::int64_t lineNo = 0;
};

// The converter's two read-error reports, shared by the projection file and the centre lines:
// a read that ran out of values ("ERROR reading data"), or one that met data it could not read
// (the line is shown). A place, when given, is named after the report. Both end the run through
// EXITS.
[[noreturn]] void stopOnDataReadFailure(bool ranOut, const std::string& line, ReadPlace place = {});
// Names the file and the number of a line that could not be read, so that a file cut off inside
// a block, whose last line is then only part of a data line, can be found and mended.
void reportReadPlace(ReadPlace place);
