// MIF/MID text layers: the .mif header from the attribute definitions, one .mif object with its
// style lines, and the .mid row of a data line.
#include <cstdio>
#include <string>
#include <string_view>

#include "gis/dbase_write.hpp"
#include "gis/gis_messages.hpp"
#include "gis/gis_state.hpp"
#include "gis/mif_write.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"
#include "utility/run_control.hpp"
#include "utility/text.hpp"

namespace {

constexpr int kCoordWidth = 16;

// A coordinate in fixed notation, right-aligned in 16 columns. A value that needs 16 columns or
// more gets one leading blank and the columns it needs, so that neighbours never run together.
std::string mifCoord(double v, int decimals) {
  const int len = std::snprintf(nullptr, 0, "%.*f", decimals, v);
  std::string s(static_cast<std::size_t>(len > 0 ? len : 0), ' ');
  if (len > 0) std::snprintf(s.data(), s.size() + 1, "%.*f", decimals, v);
  if (s.size() < static_cast<std::size_t>(kCoordWidth)) return std::string(kCoordWidth - s.size(), ' ') + s;
  return " " + s;
}

std::string vertexLine(int i) {
  const GisCoordBuffer& buf = gGis.gisCoordBuffer;
  return mifCoord(buf.x[i], 6) + mifCoord(buf.y[i], 6);
}

// Built by appending: GCC 12 warns falsely about a literal joined in front of a string.
std::string blankThenCount(int n) { return std::string(1, ' ').append(std::to_string(n)); }

void put(int unit, const std::string& text) {
  if (!fuWriteLine(unit, text)) gisWriteFailure("ERROR 0439 - Writing .mif file object coordinates.", fuName(unit));
}

void putVertices(int unit, int first, int count) {
  for (int i = first; i < first + count; ++i) put(unit, vertexLine(i));
}

// Vertex count of part i: up to the next part's start, or to the last vertex for the last part.
int partVertexCount(const GisObject& o, int i) {
  return i < o.nr ? o.ir[i + 1] - o.ir[i] : gGis.gisCoordBuffer.n - o.ir[o.nr] + 1;
}

// Parts of a multiple polyline or of a region of several polygons: " count", then its vertices.
void putParts(int unit, const GisObject& o) {
  for (int i = 1; i <= o.nr; ++i) {
    const int count = partVertexCount(o, i);
    put(unit, blankThenCount(count));
    putVertices(unit, o.ir[i], count);
  }
}

enum class Written { Object, None, Unsupported };

// Writes the object's lines, the first set flag deciding its kind.
Written putObject(const GisObject& o, int unit) {
  const GisCoordBuffer& buf = gGis.gisCoordBuffer;
  const int n = buf.n;
  if (o.isPoint) {
    put(unit, "Point " + vertexLine(1));
  } else if (o.isMultiPoint) {
    put(unit, "MultiPoint " + std::to_string(n));
    putVertices(unit, 1, n);
  } else if (o.isLine) {
    put(unit, "Line " + vertexLine(1) + vertexLine(2));
  } else if (o.isPline) {
    put(unit, "Pline " + std::to_string(n));
    putVertices(unit, 1, n);
  } else if (o.isPlineMultiple) {
    put(unit, "Pline Multiple " + std::to_string(o.nr));
    putParts(unit, o);
  } else if (o.isRegion && o.nr < 2) {
    put(unit, "Region 1");
    put(unit, blankThenCount(n));
    putVertices(unit, 1, n);
  } else if (o.isRegion) {
    put(unit, "Region " + std::to_string(o.nr));
    putParts(unit, o);
  } else if (o.isText) {
    put(unit, "Text");
    put(unit, fixed::trimmed(gGis.gisDataLine));
    put(unit, "    " + mifCoord(buf.x[2], 3) + mifCoord(buf.y[2], 3) + mifCoord(buf.x[3], 3) +
                  mifCoord(buf.y[3], 3));
  } else if (o.isNone) {
    put(unit, "none");
    return Written::None;
  } else {
    return Written::Unsupported;
  }
  return Written::Object;
}

// The parts must lie within the vertex buffer: the dispatch checks this, a direct caller may not.
bool partsFitBuffer(const GisObject& o) {
  const int n = gGis.gisCoordBuffer.n;
  if (n < 0 || n > kGisMaxVertices) return false;
  if (o.isPoint || o.isMultiPoint || o.isLine || o.isPline) return true;
  const bool usesParts = o.isPlineMultiple || (o.isRegion && o.nr >= 2);
  if (!usesParts) return true;
  if (o.nr > kGisMaxParts || o.ir[1] < 1) return false;
  for (int i = 2; i <= o.nr; ++i)
    if (o.ir[i] <= o.ir[i - 1]) return false;
  return o.ir[o.nr] <= n;
}

}  // namespace

void mifWriteObject(GisObject& gisO, int mifUnit, const std::string& style1, const std::string& style2) {
  if (!partsFitBuffer(gisO)) gisShouldNotBeHere("mifWriteObject");
  gisO.isComplete = false;
  const Written written = putObject(gisO, mifUnit);
  if (written == Written::Unsupported)
    gisFail(std::string("ERROR 0350 - Trying to write a MIF object that is not yet supported.  Please contact") +
            SUPPORT_CONTACT);
  // Style lines follow every object with geometry; the second only after the first.
  if (written == Written::Object && !fixed::isBlank(style1)) {
    put(mifUnit, fixed::trimmed(style1));
    if (!fixed::isBlank(style2)) put(mifUnit, fixed::trimmed(style2));
  }
  gisO.isComplete = true;
}

void mifWriteHeader(const GisAttributeDefs& defs, int unit) {
  if (defs.n < 0 || defs.n > kMifMaxAttributes) gisShouldNotBeHere("mifWriteHeader");
  const char* const failure = "ERROR 0437 - Writing .mif file header.";
  auto line = [unit, failure](const std::string& text) {
    if (!fuWriteLine(unit, text)) gisWriteFailure(failure, fuName(unit));
  };
  line("Version 300");
  line("Charset \"WindowsLatin1\"");
  line("Delimiter \",\"");
  line(fixed::trimmed(gGis.gisOutputCoordSys));
  line("Columns " + std::to_string(defs.n));
  for (int i = 1; i <= defs.n; ++i) {
    std::string a(2, ' ');
    a.append(fixed::trimmed(defs.name[i])).append(1, ' ').append(fixed::trimmed(defs.type[i]));
    if (defs.width[i] > 0) a.append(1, '(').append(std::to_string(defs.width[i])).append(1, ')');
    line(a);
  }
  line("Data");
  line("");
}

// ---- .mid rows ----

namespace {

// The column types that MapInfo reads as numbers.
bool isNumericType(const std::string& type) {
  const std::string t = UPPERCASE(TRIMF(type));
  for (std::string_view numeric : {"FLOAT", "INTEGER", "SMALLINT", "LARGEINT", "DECIMAL"})
    if (t.starts_with(numeric)) return true;
  return false;
}

// The end of the value that starts at pos: the next comma outside double quotes, or the end.
std::size_t midValueEnd(std::string_view row, std::size_t pos) {
  bool quoted = false;
  for (; pos < row.size(); ++pos) {
    if (row[pos] == '"') quoted = !quoted;
    else if (row[pos] == ',' && !quoted) break;
  }
  return pos;
}

// A value that a reader takes as a number, or no value at all; a number in quotes is one too.
bool readsAsNumber(std::string_view value) {
  std::string_view v = fixed::stripped(value);
  if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = fixed::stripped(v.substr(1, v.size() - 2));
  return v.empty() || gisIsNumberText(v);
}

// A reader takes a value that is no number in a numeric column as 0: the first such value of a
// column tells the user, a message per row would bury it.
void warnNotANumber(MifLayer& mif, int column, std::string_view value) {
  if (!gisFirstValueWarning(mif.valueWarnings[column], kWarnedNotANumber)) return;
  gisWarnValue(mif.midUnit, mif.rowsWritten + 1,
               "WARNING 0415 - Value " + std::string(fixed::stripped(value)) +
                   " is not a number, written empty in .mid field " + fixed::trimmed(mif.attributeName[column]) + ".");
}

}  // namespace

void mifKeepColumns(MifLayer& mif, const GisAttributeDefs& defs) {
  if (defs.n < 0 || defs.n > kMifMaxAttributes) gisShouldNotBeHere("mifKeepColumns");
  mif.nAttributes = defs.n;
  for (int i = 1; i <= defs.n; ++i) {
    mif.attributeName[i] = fixed::fit(fixed::trimmed(defs.name[i]), kGisAttributeNameLength);
    mif.attributeType[i] = fixed::fit(fixed::trimmed(defs.type[i]), kGisAttributeTypeLength);
    mif.numericColumn[i] = isNumericType(defs.type[i]);
  }
}

std::string_view midRow(MifLayer& mif, const std::string& line) {
  const std::string_view row(line.data(), fixed::trimLen(line));
  std::string& changed = gGis.gisMidRow;
  bool anyChanged = false;
  std::size_t copied = 0;  // the row before this position is in changed
  std::size_t pos = 0;
  for (int k = 1; k <= mif.nAttributes; ++k) {
    const std::size_t end = midValueEnd(row, pos);
    const std::string_view value = row.substr(pos, end - pos);
    if (mif.numericColumn[k] && !readsAsNumber(value)) {
      warnNotANumber(mif, k, value);
      if (!anyChanged) changed.clear();
      anyChanged = true;
      changed.append(row.substr(copied, pos - copied));
      copied = end;
    }
    if (end >= row.size()) break;
    pos = end + 1;
  }
  if (!anyChanged) return row;
  changed.append(row.substr(copied));
  return changed;
}
