#pragma once
// Inside the file-unit manager: the physical streams behind the units. One FileStream per open
// file, shared by every unit that names it, so all of them read and write at one position.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_identity.hpp"
#include "utility/files.hpp"

struct FileStream {
  // The C stream's buffer of a file opened for reading alone: larger than the host's default.
  // Declared first, it outlives the stream that uses it.
  std::unique_ptr<char[]> buffer;
  // Bytes written and not yet passed to the C stream: the writers' many small items (a record
  // header, a point, a table row) are buffered here and flushed in large blocks. Every other use
  // of the stream flushes them first, so the file and its position never differ from what the
  // writes made them.
  std::unique_ptr<char[]> pending;
  std::size_t pendingSize = 0;
  std::size_t pendingCapacity = 0;
  bool buffersWrites = false;  // writes are buffered here (a plain file created for writing)
  // Bytes taken from a plain file opened for reading ahead of the lines and items read from it: the
  // file comes from the host in large blocks, each line found and each item copied where it stands.
  // Telling the position, and seeking to a place within the block, use the block as it stands;
  // every other use of the stream gives the unread bytes back first (a seek back over them), so
  // that the stream's position is always the end of the last line or item read. While aheadEnd is
  // above 0 the block is that of the C stream's position: it begins at aheadOffset and the C
  // stream stands at its end.
  std::unique_ptr<char[]> ahead;
  std::size_t aheadPos = 0;
  std::size_t aheadEnd = 0;
  std::uint64_t aheadOffset = 0;
  bool readsAhead = false;
  std::FILE* f = nullptr;
  platform::FileIdentity identity;  // the physical file, whatever name reached it
  std::string hostName;             // the host path it was opened with
  bool writable = false;
  // The file's size, asked of the host once per open and once again after the file was written
  // through any unit: a read checks what is left against it without a seek per item, which would
  // throw away the C stream's buffer.
  std::uint64_t size = 0;
  bool sizeKnown = false;
  // A write or flush of this file has failed and a caller was told: its close need not say so again.
  bool failureTold = false;
  // Some bytes written to this file did not reach it: the file may end anywhere in what was written.
  bool bytesLost = false;
  enum class Op { None, Read, Write };
  Op last = Op::None;

  FileStream() = default;
  FileStream(const FileStream&) = delete;
  FileStream& operator=(const FileStream&) = delete;
  ~FileStream();

  // The record buffer open on this stream, if any: until it is committed or abandoned every other
  // use of the stream is refused, as its bytes behind the pending ones are not filled yet.
  RecordBuffer* activeRecord = nullptr;

  bool put(const char* data, std::size_t n);  // false when the bytes could not be written
  // Space for n bytes just behind the pending ones, not yet counted among them: the caller fills
  // it and then counts it (pendingSize += n). Null when the stream does not buffer writes or n is
  // a block or more (then put); false when the bytes buffered before could not be written.
  bool pendingSpace(std::size_t n, char*& at);
  bool makePendingSpace(std::size_t n, char*& at);  // pendingSpace when the block must be flushed or grown
  // Space for a record of n bytes: behind the pending ones where the stream buffers writes and n
  // is less than a block, else at the start of the pending storage, which is then written on its
  // own at the commit. False when the bytes buffered before could not be written.
  bool recordSpace(std::size_t n, char*& at, bool& inPending);
  // The open record's bytes abandoned: the record is told and can no longer be committed. Every
  // close and every stop of the run does this first.
  void abandonRecord();
  // The pending bytes to the C stream, after the bytes read ahead were given back.
  bool flushPending();
  bool giveBack();  // the bytes read ahead and not yet used, back to the C stream
  bool fillAhead();  // the next block read ahead; false at the end of the file or on an error
  // n bytes from the block read ahead into to, further blocks read as needed; the bytes taken,
  // fewer when the file ends or fails first.
  std::size_t takeAhead(char* to, std::size_t n);
  // A C stream may not turn from writing to reading (or back) without a seek in between. A read
  // of lines keeps the bytes read ahead.
  bool switchTo(Op op, bool keepAhead = false);
  bool seekTo(std::int64_t offset, int whence);
  std::uint64_t knownSize();  // the file's size; 0 when the host cannot tell
  bool closeNow();  // false when the close reported an error
};

namespace fileunits {

// How a stream is opened on the host.
enum class Access {
  Read,     // must exist; read-only
  Create,   // created, or emptied when present; read and write
  Update,   // opened when present (contents kept), created when missing; read and write
};

// What each two-character mode code means: the one table the manager consults.
enum class ModeClass {
  Input,      // reads only; the file must exist
  Output,     // writes, with its status captured and the open tried again on failure
  ReadWrite,  // "IO": opened or created with the host's defaults, no result line
};
struct FileMode {
  std::string_view code;
  ModeClass kind;
  // How the host opens a file that no unit holds yet. The shared outputs ("S ", "SB", "SE") empty
  // it like the plain outputs, so that a shorter output never keeps the tail of a longer one.
  Access access;
  bool bigEndian;     // numbers in big-endian order
  bool append;        // every write goes to the end of the file
  bool opensOnceMore; // a file another unit holds is opened once more rather than asked about
  bool unitZeroWhenRefused;  // a refused open of an existing file gives unit 0, not the retry
};
inline constexpr FileMode kFileModes[] = {
    // code, kind, access, bigEndian, append, opensOnceMore, unitZeroWhenRefused
    {"I ", ModeClass::Input,     Access::Read,   false, false, true,  false},
    {"UI", ModeClass::Input,     Access::Read,   false, false, true,  false},
    {"BI", ModeClass::Input,     Access::Read,   false, false, true,  false},
    {"BE", ModeClass::Input,     Access::Read,   true,  false, true,  false},
    {"O ", ModeClass::Output,    Access::Create, false, false, false, false},
    {"F ", ModeClass::Output,    Access::Create, false, false, false, false},
    {"UO", ModeClass::Output,    Access::Create, false, false, false, false},
    {"BO", ModeClass::Output,    Access::Create, false, false, false, false},
    {"BN", ModeClass::Output,    Access::Create, true,  false, false, false},
    {"A ", ModeClass::Output,    Access::Update, false, true,  true,  true},
    {"AB", ModeClass::Output,    Access::Update, false, true,  true,  false},
    {"S ", ModeClass::Output,    Access::Create, false, false, true,  false},
    {"SB", ModeClass::Output,    Access::Create, false, false, true,  false},
    {"SE", ModeClass::Output,    Access::Create, true,  false, true,  false},
    {"IO", ModeClass::ReadWrite, Access::Update, false, false, false, false},
};
// The row of a mode code (two characters, blank-padded, compared exactly); null for a code the
// table does not hold.
const FileMode* fileMode(std::string_view code);

// The identity of the file a name reaches (either separator); not existing when there is none.
platform::FileIdentity identityOf(const std::string& name);
bool isFolder(const std::string& name);
bool existsOnHost(const std::string& name);  // anything of that name, folders included

// The stream already open on that file, or null.
std::shared_ptr<FileStream> findStream(const platform::FileIdentity& file);
// A new stream on the file; null when the host refused.
std::shared_ptr<FileStream> openStream(const std::string& name, Access access);
// What became of a shared read-only stream that was to be made writable.
enum class Reopen {
  Writable,      // it is (or already was)
  Refused,       // the host would not open the file for writing
  AnotherFile,   // the path the stream was opened with now reaches another file
  Unpositioned,  // the stream's position could not be kept
};
// Makes a shared read-only stream writable: the file is opened again for writing by the path it
// was opened with, which must still reach the same file, with the stream's buffering and at its
// position. Any other result leaves the stream as it was.
Reopen makeWritable(FileStream& s);

// Connects unit to stream (a unit still connected elsewhere is first disconnected).
void connect(int unit, const std::string& name, const std::string& mode, std::shared_ptr<FileStream> stream);
// Disconnects unit. A stream that other units still name is flushed, so that what this unit wrote
// is saved now; the stream closes with its last unit. False when those bytes could not be saved
// and no caller has yet been told that the file failed.
bool disconnect(int unit);
// Every unit connected to the file, lowest first.
std::vector<int> unitsOnFile(const platform::FileIdentity& file);

// Closes the units of every open fixed slot (1 to 8) and then every open pool slot, without a
// word on the console and without changing the open flags. Returns the names of the files whose
// bytes could not be saved.
std::vector<std::string> closeTableUnits();

// The console lines of a file whose bytes could not be written or saved.
void reportUnwritten(const std::string& name);

// Console and echo-unit output of the manager's progress lines.
void echoLine(int echoUnit, const std::string& text);
void echoWrite(int echoUnit, const std::string& text);
std::string unitColumns(int unit);  // the unit right-aligned in 4 columns

// Caption of the manager's boxes: the title and the run name, each trimmed.
std::string boxCaption();

}  // namespace fileunits
