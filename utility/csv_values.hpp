#pragma once
// CSV fields and keyword values: one value taken out of a comma-separated row or out of a
// keyword line ("keyword = value").
//
// CSVCOLUMN and CSVVALUE split at every comma. The EXTRACT routines and EXTRACTFIRSTWORD split
// outside quoted spans only: a double quote or an apostrophe opens a span and either closes it;
// two of the same quote in a row inside a span are text. Fields are numbered from 1.
#include <cstdint>
#include <string>

// The number of the first field equal to name as ASAME compares; default when none is.
std::int32_t CSVCOLUMN(const std::string& line, const std::string& name, std::int32_t defaultColumn);
// Field n read as a number (blanks inside it ignored, an exponent accepted); false and 0 when
// the field is missing, blank or no number.
bool CSVVALUE(const std::string& line, std::int32_t n, float& value);

// The value of keyword (searched ignoring case in lowerLine, the caller's lower-case copy of
// line) from behind its "=", or else field number column of line. A blank keyword names no
// keyword: the column is used. Quote characters are deleted from the value and its leading
// blanks removed. A keyword without "=" behind it ends the run (ERROR 0203); so does a value
// that is no number for EXTRACTINTEGER and EXTRACTREAL, which return the default for a
// missing or blank value.
std::int32_t EXTRACTINTEGER(const std::string& line, const std::string& lowerLine,
                            const std::string& keyword, std::int32_t column,
                            std::int32_t defaultValue);
float EXTRACTREAL(const std::string& line, const std::string& lowerLine, const std::string& keyword,
                  std::int32_t column, float defaultValue);
// The value up to the next comma outside a quoted span.
std::string EXTRACTSTRING(const std::string& line, const std::string& lowerLine,
                          const std::string& keyword, std::int32_t column);
// In the keyword form, the whole rest of the line behind the "=".
std::string EXTRACTSTRINGREM(const std::string& line, const std::string& lowerLine,
                             const std::string& keyword, std::int32_t column);
// The first word of line (up to the first blank outside a quoted span, quotes deleted); line
// keeps its length and loses the word and the blanks behind it.
std::string EXTRACTFIRSTWORD(std::string& line);
