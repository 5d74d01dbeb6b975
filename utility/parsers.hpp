#pragma once
// Small parsers: separated fields, numbers on a data line, day numbers, integer checks, and the
// free-format read that the readers of data lines use.
#include <cstdint>
#include <string>
#include <vector>

std::int32_t NUMBEROFSUBSTRINGS(std::string& s, const std::string& separator);
std::string SUBSTRING(const std::string& s, const std::string& separator, std::int32_t n);
std::int32_t NUMBEROFNUMBERS(const std::string& line);
std::int32_t NUMBEROFDAYS(const std::string& date);
bool CHECKINT(const std::string& s, std::int32_t& n);
bool CHECKINT4(const std::string& s, std::int32_t& n);
bool CHECKINT8(const std::string& s, std::int64_t& n);

// A free-format (list-directed) read of the items of one line. Items are separated by blanks,
// commas or both; a null item (",," or "n*" repeat forms, "/" ends the record) reads as no value.
struct FreeItem {
  bool present = false;  // false for a null value
  std::string text;      // the item as it stands, quotes removed for a quoted text
};
enum class FreeReadStatus { Ok, RunOut, Bad };
std::vector<FreeItem> freeFormatItems(const std::string& line);
// Reads count numbers from the line into values. RunOut when the line holds fewer values (null
// values included), Bad when an item is no number.
FreeReadStatus freeFormatReadDoubles(const std::string& line, int count, double* values);
