#pragma once
// The MIF/MID writers: the .mif header, one object, and the .mid row of a data line
// (mif_write.cpp). gisWriteHeader, gisWriteObject and gisWriteRecord call them.
#include <string>
#include <string_view>

#include "gis/gis_state.hpp"

void mifWriteObject(GisObject& gisO, int mifUnit, const std::string& style1, const std::string& style2);
void mifWriteHeader(const GisAttributeDefs& defs, int unit);
// The columns of an output layer as its header declared them, for the checks of its .mid rows.
void mifKeepColumns(MifLayer& mif, const GisAttributeDefs& defs);
// The .mid row of a data line: the line without trailing blanks, in which a value of a numeric
// column that is no number (the asterisks of a number too wide for the width it was written in,
// say) is left empty, with a warning once per layer and column. The row lives until the next call.
std::string_view midRow(MifLayer& mif, const std::string& line);
