#pragma once
// The file-unit manager: the one door through which every file of the system is opened, read,
// written and closed. A unit is a small integer handle; mode codes are two characters ("I ",
// "O ", "SB", "SE", ...). Units that name the same physical file share one stream and one
// position, so the bytes written never depend on buffering or on which view wrote them; a
// unit's byte order comes from its mode ("BE", "BN" and "SE" are big-endian, the others little).
#include <array>
#include <cstdint>
#include <string>

#include "utility/byte_order.hpp"

struct FileUnitTable {
  static constexpr int kFixed = 8;
  static constexpr int kPool = 1000;
  std::array<int, kFixed + 1> fuFixedUnit{};          // index 1..8
  std::array<bool, kFixed + 1> fuFixedOpen{};
  std::array<std::string, kFixed + 1> fuFixedMode;    // text of 2
  std::array<int, kFixed + 1> fuFixedNameLen{};
  std::array<std::string, kFixed + 1> fuFixedName;    // text of 1000
  std::array<int, kPool + 1> fuPoolUnit{};            // index 1..1000
  std::array<bool, kPool + 1> fuPoolOpen{};
  std::array<int, kPool + 1> fuPoolType{};
  int fuLogUnit = 0;
  std::string fuInputDrive = " ";
  std::string fuOutputDrive = " ";
  int fuBufferCount = 0;
  bool fuCopyInputs = false;
  std::string fuCopyRoot = std::string(1000, ' ');
  std::string fuLastCopy = std::string(1000, ' ');
  bool fuCopyNamedOnly = false;
  void reset();  // the state before FILEUNITSINITIALISE; also closes every stream it holds
};
extern FileUnitTable gFileUnits;

// The routines of the manager.
void FILEUNITSINITIALISE(int firstUnit);
void OPENER(int slot, int& unit, const std::string& mode, const std::string& description, int ask);
void OPENERNAMED(int slot, int& unit, const std::string& name, const std::string& mode,
                 const std::string& description, int ask);
void OPENERDERIVED(int slot, int& unit, const std::string& mode, const std::string& description, int ask,
                   const std::string& prefix);
void OPENSTANDARDUNITS();
void OPENERBYNAME(int& unit, const std::string& mode, const std::string& name, int nameLen);
void OPENERPREFIXED(int& unit, const std::string& mode, const std::string& prefix, const std::string& suffix);
void OPENERCORE(int& unit, std::string& name, int nameLen, const std::string& mode,
                const std::string& description, int ask, int echoUnit);
void CLOSER(int& unit);
void CLOSEALLFILEUNITS();
int FILEUNITTYPE(int unit);
bool NAMED(int slot);
void GETNAM(int slot, std::string& name);
void CLEARFILENAME(int slot);
int LENSL(std::string& text);
int NULLATFIRSTBLANK(std::string& text);

// Input and output on an open unit. A write or read on a unit that is not open fails (returns
// false); nothing is ever written past a buffer.
enum class ReadStatus { Ok, End, Error };

bool fuIsOpen(int unit);
std::string fuName(int unit);                 // the name the unit was opened with; "" when none
byteorder::Order fuOrder(int unit);

// Text: lines end with '\n'; a line read loses its line end and a trailing CR.
bool fuWriteLine(int unit, const std::string& text);
bool fuWrite(int unit, const std::string& text);
ReadStatus fuReadLine(int unit, std::string& line);
bool fuAtEnd(int unit);                       // true when no further byte can be read
bool fuRewind(int unit);

// Binary items at the shared position, in the unit's byte order (putBytes: as given).
bool fuPutBytes(int unit, const std::string& bytes);
bool fuPutI32(int unit, std::int32_t v);
bool fuPutF64(int unit, double v);
bool fuPutU8(int unit, std::uint8_t v);
bool fuPutU16(int unit, std::uint16_t v);
bool fuGetBytes(int unit, std::size_t n, std::string& bytes);   // false when fewer than n bytes remain
bool fuGetI32(int unit, std::int32_t& v);
bool fuGetF64(int unit, double& v);
bool fuSeek(int unit, std::uint64_t byteOffset);
std::uint64_t fuTell(int unit);
std::uint64_t fuSize(int unit);
bool fuFlush(int unit);
void fuFlushAll();

// Writes bytes at offset into an existing file that the manager has already closed (the
// direct-access rewrite of a finished file's header). False when the file cannot be written.
bool fuPatchFile(const std::string& name, std::uint64_t offset, const std::string& bytes);
