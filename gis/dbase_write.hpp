#pragma once
// The dBASE table writers: the header with its field descriptors, and one record split from an
// attribute data line (dbase_write.cpp). gisWriteHeader and gisWriteRecord call them.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "gis/gis_state.hpp"

void dbfWriteHeader(const GisAttributeDefs& defs, DbfSubLayer& dbf);
void dbfdataline(DbfSubLayer& dbf);
void dbfdatalinelarge(DbfSubLayer& dbf);

// Whether a value is a number as a numeric .dbf field or .mid column holds it: an optional sign,
// at least one digit with or without a point, and an optional exponent.
bool gisIsNumberText(std::string_view t);

// The writer's own storage: the values of the last record split from gisDataLine and from
// gisDataLineLarge (1..128 each), and the storage a record is built in; it holds nothing between
// records and is kept only so that no record allocates.
struct DbfValueBuffers {
  std::array<std::string, kDbfMaxFields + 1> values;
  std::array<std::string, kDbfMaxFields + 1> valuesLarge;
  // Places 1..used of each may hold text; every place behind them is empty.
  int used = 0;
  int usedLarge = 0;
  std::array<std::size_t, kDbfMaxFields + 1> plain{};  // per field: the length of a plain number, or 0
  std::array<bool, kDbfMaxFields + 1> character{};     // per field: a character field
  std::string record;                                  // a record built apart from the table's bytes
  void reset() { *this = DbfValueBuffers{}; }
  bool operator==(const DbfValueBuffers&) const = default;
};
extern DbfValueBuffers gDbfValues;
