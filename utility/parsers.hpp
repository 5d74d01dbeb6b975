#pragma once
// Small parsers: separated fields, numbers on a data line, day numbers, integer checks, and the
// free-format read that the readers of data lines use.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Fields between separators. The separator is used with its full length, trailing blanks
// included, and the search runs over the whole field of s. A separator of several characters
// is searched for again behind the whole occurrence, and a field begins behind it; an empty
// separator finds nothing (one field).
std::int32_t NUMBEROFSUBSTRINGS(std::string& s, const std::string& separator);
std::string SUBSTRING(const std::string& s, const std::string& separator, std::int32_t n);
// The count of numbers on a data line; minus the count so far at the first character that
// belongs to no number ("!" or "#" starts a comment).
std::int32_t NUMBEROFNUMBERS(std::string_view line);
// Day number of an eight-digit date (YYYYMMDD) in 365-day years, 1 for 1 January 2000; -1 when
// a field cannot be read or the month lies outside 1 to 12.
std::int32_t NUMBEROFDAYS(const std::string& date);
bool CHECKINT(const std::string& s, std::int32_t& n);
bool CHECKINT4(const std::string& s, std::int32_t& n);
bool CHECKINT8(const std::string& s, std::int64_t& n);
// CHECKINT and its twins read the first item of s free-format: true for a whole number (optional
// sign, digits) that fits n; false for a blank s, a null first item, a quoted text, a number with a
// point or exponent, other text, or a value out of range. n is unchanged when false.

// A free-format (list-directed) read of the items of one line, as a Fortran runtime reads it:
// - items are separated by blanks, TABs, a comma, or a comma with blanks round it;
// - nothing between two commas (blanks aside), or before a first comma, is a null value;
// - "r*value" is r copies of value, "r*" alone is r null values (r a whole number above 0);
// - "/" ends the record: the items after it are not read;
// - a quoted text ('...' or "...", the quote doubled inside) is one item, blanks and commas
//   included; the end of the line closes a quote left open.
// A comma at the end of the line adds no null value. Repeats are bounded: once an expansion
// would take the line past 100,000 items, that item stands as it is written (no number) and the
// read ends there.
struct FreeItem {
  bool present = false;  // false for a null value
  std::string text;      // the item as it stands, quotes removed for a quoted text
  bool quoted = false;   // the item was a quoted text (never a number)
};
enum class FreeReadStatus { Ok, RunOut, Bad };
std::vector<FreeItem> freeFormatItems(const std::string& line);
// Reads count numbers from the line into values, item by item. RunOut when the line ends, or a
// null value comes, before count values are read; Bad when an item is no number. Whichever
// comes first decides; values before it are stored.
FreeReadStatus freeFormatReadDoubles(std::string_view line, int count, double* values);
// As freeFormatReadDoubles, for a line whose first doubleCount values are read as doubles and whose
// next singleCount values are read in single precision: each of those is its text rounded once to
// the nearest single, never a double rounded again. A value beyond the range of a single is no
// number.
FreeReadStatus freeFormatReadReals(std::string_view line, int doubleCount, double* doubles, int singleCount,
                                   float* singles);
FreeReadStatus freeFormatReadSingles(std::string_view line, int count, float* values);
// One item read as a real: an optional sign, digits with an optional point (at least one digit),
// and an optional exponent: E, e, D or d with an optional sign, or a sign alone ("1.5+3"), and
// digits. «5.», «-.5», «1.5e3» and «2D-1» read; «abc», «1.2.3», «.», «e5» and quoted texts do
// not, nor does a value beyond the range of a double, nor infinity or NaN.
bool readFreeFormatReal(const FreeItem& item, double& x);
bool readFreeFormatReal(const FreeItem& item, float& x);
