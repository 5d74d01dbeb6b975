// The GIS layer library's messages and stops.
#include "gis/gis_messages.hpp"

#include <string>
#include <vector>

#include "gis/gis_state.hpp"
#include "platform/console.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"
#include "utility/run_control.hpp"

void gisLogLine(const std::string& text) {
  console::line(text);
  if (gGis.gisLogUnit > 0) fuWriteLineOrExit(gGis.gisLogUnit, text);
}

void gisSetMessage(const std::string& line1, const std::string& line2) {
  gGis.gisMessageLines[1] = fixed::fit(line1, kTextLength);
  gGis.gisMessageLines[2] = fixed::fit(line2, kTextLength);
  gGis.gisMessageLines[3] = fixed::blanks(kTextLength);
  gGis.gisMessageLines[4] = fixed::blanks(kTextLength);
}

bool gisFirstValueWarning(unsigned char& warned, unsigned char kind) {
  if (warned & kind) return false;
  warned |= kind;
  return true;
}

void gisWarnValue(int unit, int record, const std::string& line1) {
  std::string where = kMessageIndent + "In file " + fuName(unit);
  if (record > 0) where += ", record " + std::to_string(record);
  gisSetMessage(line1, where + "; later such values of this field are not reported.");
  gisPrintMessage(1);
}

void gisFail(const std::string& line1, const std::string& line2) {
  gisSetMessage(line1, line2);
  gisPrintMessage(1);
  EXITS();
}

void gisWriteFailure(const std::string& line1, const std::string& fileName) {
  gisFail(line1, fileName.empty() ? std::string() : kMessageIndent + "Could not write file " + fileName + ".");
}

void gisShouldNotBeHere(const std::string& where) {
  console::line();
  console::line("Should not be here [" + where + "] - please contact" + SUPPORT_CONTACT);
  EXITS();
}

void gisCheckHandle(std::string_view routine, int gisID) {
  if (gisID >= 1 && gisID <= kGisMaxLayers) return;
  const std::string shown = gisID < 1 ? "0" : std::to_string(gisID);
  console::line("Should not be here " + std::string(routine) + "[gisID=" + shown + "] - please contact" +
                SUPPORT_CONTACT);
  EXITS();
}

void gisPrintMessage(int nBlank) {
  std::vector<std::string> lines(static_cast<std::size_t>(nBlank > 0 ? nBlank : 0));
  lines.push_back(fixed::trimmed(gGis.gisMessageLines[1]));
  for (int i = 2; i <= 4; ++i)
    if (!fixed::isBlank(gGis.gisMessageLines[i])) lines.push_back(fixed::trimmed(gGis.gisMessageLines[i]));
  // The whole message reaches the console before a failing log can end the run.
  for (const std::string& l : lines) console::line(l);
  if (gGis.gisLogUnit > 0)
    for (const std::string& l : lines) fuWriteLineOrExit(gGis.gisLogUnit, l);
}
