#pragma once
// Number to text: left-justified text of a 20-character numeric field (20 asterisks when the
// value does not fit). Results are returned without trailing blanks.
#include <cstdint>
#include <string>

std::string AINTEGER(std::int32_t n);
std::string AINTEGER8(std::int64_t n);
std::string AINTEGERPREC0(std::int32_t n, std::int32_t ndig);
std::string AINTEGER8PREC0(std::int64_t n, std::int32_t ndig);
std::string AREAL(float x);
std::string AREAL8(double x);
std::string AREALD(float x, std::int32_t d);
std::string AREALD8(double x, std::int32_t d);

// Fortran-style fixed fields used by the file writers: right-aligned in width, asterisks when
// the value does not fit.
std::string formatInteger(std::int64_t n, int width);
std::string formatFixed(double x, int width, int decimals);
