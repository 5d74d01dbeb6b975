#pragma once
// The file-unit manager: the one door through which every file of the system is opened, read,
// written and closed. A unit is a small integer handle; mode codes are two characters ("I ",
// "O ", "SB", "SE", ...). Units that name the same physical file share one stream and one
// position, so the bytes written never depend on buffering or on which view wrote them; a file is
// known by its device and number on the host, however its name is spelt and whatever links lead
// to it. A unit's byte order comes from its mode ("BE", "BN" and "SE" are big-endian, the others
// little).
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/file_identity.hpp"
#include "utility/byte_order.hpp"
#include "utility/fixed_text.hpp"

struct FileStream;  // one open physical file, shared by every unit that names it (file_streams.hpp)

// What one open unit is connected to.
struct UnitConnection {
  std::shared_ptr<FileStream> stream;
  std::string mode;  // the two-character mode code it was opened with
  std::string name;  // the file name as the system wrote it (trimmed)
  byteorder::Order order = byteorder::Order::Little;
  bool canWrite = false;  // output modes and "IO"
  bool append = false;    // "A " and "AB": every write goes to the end of the file
  bool operator==(const UnitConnection&) const = default;
};

struct FileUnitTable {
  static constexpr int kFixed = 8;
  static constexpr int kPool = 1000;
  std::array<int, kFixed + 1> fuFixedUnit{};          // index 1..8
  std::array<bool, kFixed + 1> fuFixedOpen{};
  std::array<std::string, kFixed + 1> fuFixedMode;    // text of 2
  std::array<int, kFixed + 1> fuFixedNameLen{};
  std::array<std::string, kFixed + 1> fuFixedName;    // text of kTextLength
  std::array<int, kPool + 1> fuPoolUnit{};            // index 1..1000
  std::array<bool, kPool + 1> fuPoolOpen{};
  std::array<int, kPool + 1> fuPoolType{};
  int fuLogUnit = 0;
  std::string fuInputDrive = " ";
  std::string fuOutputDrive = " ";
  int fuBufferCount = 0;
  bool fuCopyInputs = false;
  std::string fuCopyRoot = std::string(kTextLength, ' ');
  std::string fuLastCopy = std::string(kTextLength, ' ');
  bool fuCopyNamedOnly = false;
  // The connections of the open units, by unit number. The first connection to a file opened
  // "S ", "SB" or "SE" (no unit holds it yet) empties it, so a shorter output never keeps the
  // tail of an earlier, longer one; later units join the open stream and keep what it holds.
  std::map<int, UnitConnection> fuConnections;
  // The connections last looked up, by unit modulo 16: every item a writer puts asks for one.
  // An entry goes with its unit's connect and disconnect.
  std::array<std::pair<int, UnitConnection*>, 16> fuConnectionCache{};
  FileUnitTable();
  void reset();  // the state before FILEUNITSINITIALISE; also closes every stream it holds
  bool operator==(const FileUnitTable&) const = default;
};
extern FileUnitTable gFileUnits;

// The type codes of a pool slot, set by a name open from the extension of its file; any other
// extension leaves the slot's code as it was.
inline constexpr int kFileTypeMif = 101;   // ".mif"
inline constexpr int kFileTypeMid = 102;   // ".mid"
inline constexpr int kFileType12da = 111;  // ".12da"

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

// Name questions that go through the manager's own view of names (both separators, host path).
bool fuFileExists(const std::string& name);   // a file, not a folder, of this name exists
bool fuFolderExists(const std::string& name); // a folder of this name exists
int fuUnitOfFile(const std::string& name);    // the lowest open unit connected to the file; 0 when none
// The identity of the file a name reaches, for a caller that asks more than one question of a
// name: the host is asked once here, and not again by the two below. Not existing when nothing of
// that name exists.
platform::FileIdentity fuIdentityOfFile(const std::string& name);
int fuUnitOfFile(const platform::FileIdentity& file);  // as above, for a file already asked for
// The identity the host gave the file on unit when the unit was opened; not existing when the
// unit is not open.
platform::FileIdentity fuIdentityOfUnit(int unit);
// The host's full path of a name (absolute, "." and ".." resolved by name alone); the name
// itself when the host cannot tell.
std::string fuFullName(const std::string& name);
// The full name of the file a name reaches once its symbolic links are followed, whether or not
// that file exists yet: two names that reach one file not made yet have one reached name.
std::string fuReachedName(const std::string& name);

// Input and output on an open unit. A write or read on a unit that is not open fails (returns
// false); nothing is ever written past a buffer.
enum class ReadStatus { Ok, End, Error };

bool fuIsOpen(int unit);
std::string fuName(int unit);                 // the name the unit was opened with; "" when none
std::string fuMode(int unit);                 // the mode the unit was opened with; "" when none
bool fuReadsOnly(int unit);                   // the unit is open in an input mode
byteorder::Order fuOrder(int unit);

// Text: lines end with '\n'; a line read loses its line end and a trailing CR.
bool fuWriteLine(int unit, std::string_view text);
bool fuWrite(int unit, std::string_view text);
ReadStatus fuReadLine(int unit, std::string& line);
// The same line where it stands: in the block read ahead when it lies whole in it, else gathered
// into spill. The view holds until the file is next used through any unit.
ReadStatus fuReadLineView(int unit, std::string& spill, std::string_view& line);
// The bytes read ahead of the unit's position and not yet used, where they stand, and that
// position: a reader may look along the lines that follow and then seek to where it means to be.
// Empty when no block is read ahead. The view holds until the file is next used through any unit.
std::string_view fuBytesAhead(int unit, std::uint64_t& position);
bool fuAtEnd(int unit);                       // true when no further byte can be read
bool fuRewind(int unit);

// Binary items at the shared position, in the unit's byte order (putBytes: as given).
bool fuPutBytes(int unit, std::string_view bytes);
bool fuPutI32(int unit, std::int32_t v);
bool fuPutF64(int unit, double v);
bool fuPutU8(int unit, std::uint8_t v);
bool fuPutU16(int unit, std::uint16_t v);
bool fuGetBytes(int unit, std::size_t n, std::string& bytes);   // false when fewer than n bytes remain
// As many bytes as the caller's storage holds, without allocating; false when fewer remain.
bool fuGetBytes(int unit, std::span<char> bytes);
bool fuGetI32(int unit, std::int32_t& v);
bool fuGetF64(int unit, double& v);
bool fuSeek(int unit, std::uint64_t byteOffset);
std::uint64_t fuTell(int unit);
std::uint64_t fuSize(int unit);
bool fuFlush(int unit);                       // false when the buffered bytes could not be written
// Flushes every open file; the names of those whose bytes could not be written and whose failure
// no caller has been told yet.
std::vector<std::string> fuFlushAll();

// True once some bytes written to the unit's file did not reach it (a write or a flush failed): the
// file may then end anywhere in what was written, and its owner may cut it back to what it can use.
bool fuBytesLost(int unit);
// Cuts the unit's file to its first size bytes, after the bytes buffered for it are written (or
// lost); the position is left at the new end. False for a file that is shorter, is no plain file
// or could not be cut.
bool fuCut(int unit, std::uint64_t size);

// A write to unit that failed ends the run (status 1) with ERROR 0007 naming the unit's file.
[[noreturn]] void fuWriteFailed(int unit);
// A line on unit for a log or record file: a failed write ends the run as fuWriteFailed does.
void fuWriteLineOrExit(int unit, const std::string& text);

// Writes bytes at offset into an existing file that the manager has already closed (the
// direct-access rewrite of a finished file's header). False when the file cannot be written.
// When the file is still open on a unit, the bytes go through its shared stream and its
// position is kept.
bool fuPatchFile(const std::string& name, std::uint64_t offset, const std::string& bytes);

// A buffer for one record of n bytes at a unit's position, laid out in the stream's write
// buffer, so that a record built there is not copied once more. The bytes count as written only
// when the record is committed, and only when every one of them was filled: a record left
// uncommitted (an error on the way, an exception) writes nothing. While a record is open, its
// stream refuses every other use (a write, a read, a tell, a seek, a flush, through any unit that
// names the file), so nothing can see or save bytes that are not filled yet. A close or a stop
// of the run abandons the record.
class RecordBuffer {
 public:
  RecordBuffer(int unit, std::size_t n);
  ~RecordBuffer() {
    if (stream_) close();
  }
  RecordBuffer(const RecordBuffer&) = delete;
  RecordBuffer& operator=(const RecordBuffer&) = delete;

  // The buffer was given: the unit can be written and no other record is open on its stream.
  bool ok() const { return open_; }
  byteorder::Order order() const { return order_; }  // the unit's byte order

  // The next n bytes of the record, for the caller to fill at once; null (and the record spoiled,
  // so that it cannot be committed) when fewer than n are left.
  char* take(std::size_t n) {
    if (size_ - used_ < n) {
      spoiled_ = true;
      return nullptr;
    }
    char* p = at_ + used_;
    used_ += n;
    return p;
  }
  // An item in the unit's byte order, or in another that the file's layout asks for.
  void putI32(std::int32_t v) { putI32(v, order_); }
  void putI32(std::int32_t v, byteorder::Order o) {
    if (char* p = take(4)) byteorder::storeU32(p, static_cast<std::uint32_t>(v), o);
  }
  void putF64(double v) {
    if (char* p = take(8)) byteorder::storeF64(p, v, order_);
  }

  // Counts the filled record as written and closes it. False, writing nothing, when the buffer
  // was not given, is not filled to its last byte, was spoiled or abandoned; false as well when the
  // bytes buffered before it could not be written.
  bool commit();

 private:
  friend struct FileStream;
  void close();  // the stream freed of the record, nothing written
  // The stream while this is its open record; null once committed, closed or abandoned.
  FileStream* stream_ = nullptr;
  char* at_ = nullptr;
  std::size_t size_ = 0;
  std::size_t used_ = 0;
  bool open_ = false;
  bool spoiled_ = false;
  bool inPending_ = false;  // laid out behind the stream's pending bytes, else written on its own
  byteorder::Order order_ = byteorder::Order::Little;
};
