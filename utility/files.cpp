// The file-unit table: initialisation, the fixed-slot and name openers, closing, and the small
// name routines. The open itself is OPENERCORE (file_open_core.cpp); the streams and the
// input and output on a unit are in file_io.cpp.
#include "utility/files.hpp"

#include <cstdio>
#include <vector>

#include "platform/console.hpp"
#include "platform/message_box.hpp"
#include "platform/process_state.hpp"
#include "utility/file_streams.hpp"
#include "utility/fixed_text.hpp"
#include "utility/paths.hpp"
#include "utility/run_control.hpp"
#include "utility/text.hpp"

FileUnitTable gFileUnits;
namespace {
const bool kEnrolled = processstate::enrol("gFileUnits", [] { gFileUnits.reset(); });

void blankNames(FileUnitTable& t) {
  for (auto& n : t.fuFixedName) n = fixed::blanks(kTextLength);
  for (auto& m : t.fuFixedMode) m = fixed::blanks(2);
}

bool validSlot(int slot) { return slot >= 1 && slot <= FileUnitTable::kFixed; }

// The start of slot 1's name that a derived name keeps: a two-character prefix such as "i_" is
// replaced, any other name is kept whole.
std::size_t derivedStart() {
  const std::string& first = gFileUnits.fuFixedName[1];
  return (first.size() >= 2 && first[1] == '_') ? 3 : 1;
}

// Characters from..to (1-based) of slot 1's stored name.
std::string firstNamePart(std::size_t from) {
  const std::string& first = gFileUnits.fuFixedName[1];
  std::size_t len = static_cast<std::size_t>(gFileUnits.fuFixedNameLen[1] > 0 ? gFileUnits.fuFixedNameLen[1] : 0);
  if (len > first.size()) len = first.size();
  if (from > len) return {};
  return first.substr(from - 1, len - from + 1);
}

std::string nonBlank(const std::string& s) {
  std::string r;
  for (char c : s)
    if (c != ' ') r += c;
  return r;
}

void storeFixedName(int slot, const std::string& name) {
  std::string n = fixed::trimmed(name);
  if (n.size() > kTextLength) n.resize(kTextLength);
  gFileUnits.fuFixedName[static_cast<std::size_t>(slot)] = fixed::fit(n, kTextLength);
  gFileUnits.fuFixedNameLen[static_cast<std::size_t>(slot)] = static_cast<int>(n.size());
}

// What the fixed-slot openers share: refuse a slot already open, then open its unit under the slot's mode.
void openFixedSlot(int slot, int& unit, const std::string& mode, const std::string& description, int ask) {
  const auto k = static_cast<std::size_t>(slot);
  if (gFileUnits.fuFixedOpen[k]) fuStop("File already opened - OPENER");
  unit = gFileUnits.fuFixedUnit[k];
  gFileUnits.fuFixedMode[k] = fixed::fit(mode, 2);
  OPENERCORE(unit, gFileUnits.fuFixedName[k], gFileUnits.fuFixedNameLen[k], mode, description, ask,
             gFileUnits.fuLogUnit);
  // The stored length follows the name the core ended with (typed, tidied or redirected).
  gFileUnits.fuFixedNameLen[k] = static_cast<int>(fixed::trimLen(gFileUnits.fuFixedName[k]));
  gFileUnits.fuFixedOpen[k] = unit != 0;
}

void closeSlotUnit(int& unit, bool& open) {
  if (!open) return;
  const int u = unit;
  const std::string name = fuName(u);
  const bool saved = fileunits::disconnect(u);
  unit = 0;
  open = false;
  if (!saved) {
    fileunits::reportUnwritten(name);
    EXITS();
  }
  // The echo unit itself, once closed, can take no line.
  fileunits::echoLine(u == gFileUnits.fuLogUnit ? 0 : gFileUnits.fuLogUnit,
                      "...Closed File Unit:" + fileunits::unitColumns(u));
}

void typeFromExtension(std::size_t slot, const std::string& name) {
  const std::string ext = fixed::trimmed(FILEEXT(name));
  if (ext == ".mif") gFileUnits.fuPoolType[slot] = kFileTypeMif;
  else if (ext == ".mid") gFileUnits.fuPoolType[slot] = kFileTypeMid;
  else if (ext == ".12da") gFileUnits.fuPoolType[slot] = kFileType12da;
}

[[noreturn]] void emptyNameStop() {
  const std::string text = std::string("Empty filename specified.  Bailing out.  Please contact") + SUPPORT_CONTACT + ".";
  if (gRunFlags.fuGuiMode) {
    fuShowUntilOk(text, platform::kBoxErrorOk);
  } else {
    console::line();
    console::line(text);
    fuPause("Press Enter to Close");
  }
  fuStopSilently();
}
}  // namespace

FileUnitTable::FileUnitTable() { blankNames(*this); }

void FileUnitTable::reset() {
  fuConnections.clear();  // the streams close with their last unit
  *this = FileUnitTable{};
}

namespace fileunits {

const FileMode* fileMode(std::string_view code) {
  for (const FileMode& m : kFileModes)
    if (m.code == code) return &m;
  return nullptr;
}

std::vector<std::string> closeTableUnits() {
  std::vector<std::string> unsaved;
  auto closeOne = [&](int unit) {
    const std::string name = fuName(unit);
    if (!disconnect(unit)) unsaved.push_back(name);
  };
  for (int k = 1; k <= FileUnitTable::kFixed; ++k)
    if (gFileUnits.fuFixedOpen[static_cast<std::size_t>(k)]) closeOne(gFileUnits.fuFixedUnit[static_cast<std::size_t>(k)]);
  for (int k = 1; k <= FileUnitTable::kPool; ++k)
    if (gFileUnits.fuPoolOpen[static_cast<std::size_t>(k)]) closeOne(gFileUnits.fuPoolUnit[static_cast<std::size_t>(k)]);
  return unsaved;
}

void reportUnwritten(const std::string& name) {
  console::line();
  console::line("ERROR 0007 - Could not write " +
                (name.empty() ? std::string("to a file unit that is not open") : "file \"" + name + "\"") + ".");
  console::line("             Check permissions and/or sufficient disk space.");
}

void echoLine(int echoUnit, const std::string& text) {
  console::line(text);
  if (echoUnit > 0) fuWriteLineOrExit(echoUnit, text);
}

void echoWrite(int echoUnit, const std::string& text) {
  console::write(text);
  if (echoUnit > 0 && !fuWrite(echoUnit, text)) fuWriteFailed(echoUnit);
}

std::string unitColumns(int unit) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%4d", unit);
  return buf;
}

std::string boxCaption() {
  return fixed::trimmed(gRunFlags.fuTitle) + " " + fixed::trimmed(gRunFlags.fuRunName) + platform::kNul;
}

}  // namespace fileunits

platform::FileIdentity fuFileIdentity(const std::string& name) {
  if (fixed::isBlank(name)) return {};
  return fileunits::identityOf(name);
}

void FILEUNITSINITIALISE(int firstUnit) {
  const int base = firstUnit > 9 ? firstUnit : 9;
  for (int k = 1; k <= FileUnitTable::kFixed; ++k) gFileUnits.fuFixedUnit[static_cast<std::size_t>(k)] = base - 8 + k;
  gFileUnits.fuFixedOpen.fill(false);
  gFileUnits.fuFixedNameLen.fill(0);
  for (auto& m : gFileUnits.fuFixedMode) m = fixed::blanks(2);
  for (int k = 1; k <= FileUnitTable::kPool; ++k) gFileUnits.fuPoolUnit[static_cast<std::size_t>(k)] = base + k;
  gFileUnits.fuPoolOpen.fill(false);
  gFileUnits.fuPoolType.fill(0);
  gFileUnits.fuLogUnit = 0;
  gFileUnits.fuInputDrive = fixed::blanks(1);
  gFileUnits.fuOutputDrive = fixed::blanks(1);

  gRunFlags.fuGuiMode = false;
  gRunFlags.fuTitle = fixed::blanks(100);
  gRunFlags.fuRunName = fixed::blanks(100);
  gRunFlags.fuPauseOnExit = true;
  gRunFlags.fuSkipClose = false;
  gRunFlags.fuAutoCreateFolders = false;
}

void OPENER(int slot, int& unit, const std::string& mode, const std::string& description, int ask) {
  // Slots below 1 would index outside the table: they stop like slots above 8.
  if (!validSlot(slot)) fuStop("Incorrect file number - OPENER");
  const auto k = static_cast<std::size_t>(slot);
  if (gFileUnits.fuFixedOpen[k]) fuStop("File already opened - OPENER");
  if (ask < 1 && gFileUnits.fuFixedNameLen[k] < 1) {
    console::line();
    console::line("ERROR - No file name is stored for file number " + std::to_string(slot) + ".");
    EXITS();
  }
  openFixedSlot(slot, unit, mode, description, ask);
}

void OPENERNAMED(int slot, int& unit, const std::string& name, const std::string& mode,
                 const std::string& description, int ask) {
  if (validSlot(slot)) storeFixedName(slot, TRIMF(name));
  OPENER(slot, unit, mode, description, ask);
}

void OPENERDERIVED(int slot, int& unit, const std::string& mode, const std::string& description, int ask,
                   const std::string& prefix) {
  if (validSlot(slot) && gFileUnits.fuFixedNameLen[static_cast<std::size_t>(slot)] == 0)
    storeFixedName(slot, fixed::fit(prefix, 2) + firstNamePart(derivedStart()));
  OPENER(slot, unit, mode, description, ask);
}

void OPENSTANDARDUNITS() {
  int unit = 0;
  openFixedSlot(1, unit, "I ", "input", 1);
  openFixedSlot(2, unit, "F ", "output", 1);
}

void OPENERBYNAME(int& unit, const std::string& mode, const std::string& name, int nameLen) {
  std::string n = fixed::fit(TRIMF(name), kTextLength);
  if (fixed::isBlank(n)) emptyNameStop();
  std::size_t k = 1;
  while (k <= FileUnitTable::kPool && gFileUnits.fuPoolOpen[k]) ++k;
  if (k > FileUnitTable::kPool) fuStop("No free file numbers.");
  unit = gFileUnits.fuPoolUnit[k];
  OPENERCORE(unit, n, nameLen, mode, "  ", 0, gFileUnits.fuLogUnit);
  if (unit != 0) typeFromExtension(k, n);
  gFileUnits.fuPoolOpen[k] = unit != 0;
}

void OPENERPREFIXED(int& unit, const std::string& mode, const std::string& prefix, const std::string& suffix) {
  const std::string name = nonBlank(prefix) + firstNamePart(derivedStart()) + nonBlank(suffix);
  OPENERBYNAME(unit, mode, TRIMF(name), static_cast<int>(fixed::trimLen(name)));
}

void CLOSER(int& unit) {
  const int u = unit;
  // The slot that holds the unit, among the fixed slots first.
  auto closeIn = [&](const auto& units, auto& open, int slots) {
    for (std::size_t i = 1; i <= static_cast<std::size_t>(slots); ++i) {
      if (units[i] != u) continue;
      if (open[i]) closeSlotUnit(unit, open[i]);
      open[i] = false;
      return true;
    }
    return false;
  };
  if (!closeIn(gFileUnits.fuFixedUnit, gFileUnits.fuFixedOpen, FileUnitTable::kFixed))
    closeIn(gFileUnits.fuPoolUnit, gFileUnits.fuPoolOpen, FileUnitTable::kPool);
}

void CLOSEALLFILEUNITS() {
  console::line();
  console::line("Closing all file units...");
  if (gFileUnits.fuLogUnit > 0) {
    fuWriteLineOrExit(gFileUnits.fuLogUnit, "");
    fuWriteLineOrExit(gFileUnits.fuLogUnit, "Closing all file units...");
  }
  gFileUnits.fuLogUnit = 0;
  const std::vector<std::string> unsaved = fileunits::closeTableUnits();
  for (const std::string& name : unsaved) fileunits::reportUnwritten(name);
  if (!unsaved.empty()) EXITS();
}

int FILEUNITTYPE(int unit) {
  for (std::size_t k = 1; k <= FileUnitTable::kPool; ++k)
    if (gFileUnits.fuPoolUnit[k] == unit) return gFileUnits.fuPoolType[k];
  return 0;
}

bool NAMED(int slot) {
  if (!validSlot(slot)) fuStop("Invalid file number - NAMED");
  return gFileUnits.fuFixedNameLen[static_cast<std::size_t>(slot)] >= 1;
}

void GETNAM(int slot, std::string& name) {
  if (!validSlot(slot)) fuStop("Invalid file number - GETNAM");
  name = fixed::fit(gFileUnits.fuFixedName[static_cast<std::size_t>(slot)], 80);
}

void CLEARFILENAME(int slot) {
  if (!validSlot(slot)) return;
  const auto k = static_cast<std::size_t>(slot);
  gFileUnits.fuFixedNameLen[k] = 0;
  gFileUnits.fuFixedName[k] = fixed::blanks(kTextLength);
}

int LENSL(std::string& text) {
  std::size_t n = text.size();
  while (n > 0 && (text[n - 1] == ' ' || text[n - 1] == '\0')) --n;
  if (n < text.size()) text[n] = '\0';
  return static_cast<int>(n);
}

int NULLATFIRSTBLANK(std::string& text) {
  // An empty text has no first position to write: its length, 0, is returned.
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ' ' || text[i] == '\0') {
      text[i] = '\0';
      return static_cast<int>(i);
    }
  }
  return static_cast<int>(text.size());
}
