#pragma once
// Number to text: left-justified text of a 20-character numeric field (20 asterisks when the
// value does not fit). Results are returned without trailing blanks.
#include <cstdint>
#include <string>
#include <string_view>

std::string AINTEGER(std::int32_t n);
std::string AINTEGER8(std::int64_t n);
// ndig below 1 asks for no leading zeros; above 20 it counts as 20.
std::string AINTEGERPREC0(std::int32_t n, std::int32_t ndig);
std::string AINTEGER8PREC0(std::int64_t n, std::int32_t ndig);
std::string AREAL(float x);
std::string AREAL8(double x);
// d decimals; a negative d, or one that leaves no room in the field, gives asterisks.
std::string AREALD(float x, std::int32_t d);
std::string AREALD8(double x, std::int32_t d);

// text behind blanks that fill a field of width; a longer text stands whole.
std::string rightAligned(std::string_view text, std::size_t width);

// Fortran-style fixed fields used by the file writers: right-aligned in width, asterisks when
// the value does not fit. formatFixed rounds to the nearest, always writes the point, drops the
// zero before the point of a value below 1 when that alone makes it fit, keeps the sign of a
// negative value that rounds to zero, and writes Infinity, Inf or NaN for values that are not
// finite.
std::string formatInteger(std::int64_t n, int width);
std::string formatFixed(double x, int width, int decimals);
// The same field appended to out: no allocation once out has room, for the writers' per-point
// records.
void appendFixed(std::string& out, double x, int width, int decimals);
// The same field, but a value too wide for it is written in full: all its digits with the
// decimals asked for and no blanks, wider than the field. A reader then takes the value itself,
// where asterisks would read as no value or as 0. Values that fit are written as above.
std::string formatFixedOrWhole(double x, int width, int decimals);
void appendFixedOrWhole(std::string& out, double x, int width, int decimals);
