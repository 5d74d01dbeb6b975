// The streams behind the file units, and input and output on an open unit.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/file_offsets.hpp"
#include "platform/folders.hpp"
#include "utility/file_streams.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"
#include "utility/run_control.hpp"

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------------
// FileStream

namespace {
constexpr std::size_t kPendingSize = 64 * 1024;
constexpr std::size_t kSmallPending = 4 * 1024;
constexpr std::size_t kAheadSize = 64 * 1024;
}  // namespace

FileStream::~FileStream() {
  abandonRecord();
  if (!f) return;
  flushPending();
  std::fclose(f);
}

bool FileStream::pendingSpace(std::size_t n, char*& at) {
  // Most items fit behind the bytes already buffered.
  if (buffersWrites && n < kPendingSize && pendingSize + n <= std::min(pendingCapacity, kPendingSize)) {
    at = pending.get() + pendingSize;
    return true;
  }
  return makePendingSpace(n, at);
}

bool FileStream::makePendingSpace(std::size_t n, char*& at) {
  at = nullptr;
  if (!buffersWrites || n >= kPendingSize) return true;
  if (pendingSize + n > kPendingSize && !flushPending()) return false;
  if (pendingSize + n > pendingCapacity) {
    // Small files (a profile of a few kilobytes) never need the whole block.
    const std::size_t capacity = std::min(std::max({pendingSize + n, 2 * pendingCapacity, kSmallPending}), kPendingSize);
    auto grown = std::make_unique_for_overwrite<char[]>(capacity);
    if (pendingSize > 0) std::memcpy(grown.get(), pending.get(), pendingSize);
    pending = std::move(grown);
    pendingCapacity = capacity;
  }
  at = pending.get() + pendingSize;
  return true;
}

bool FileStream::recordSpace(std::size_t n, char*& at, bool& inPending) {
  if (!pendingSpace(n, at)) return false;
  inPending = at != nullptr;
  if (inPending) return true;
  // A record the write buffer cannot take: the bytes before it go first, and the record is laid out
  // in the pending storage, grown to it and kept for the next such record.
  if (!flushPending()) return false;
  if (n > pendingCapacity || !pending) {
    pending = std::make_unique_for_overwrite<char[]>(std::max<std::size_t>(n, 1));
    pendingCapacity = std::max<std::size_t>(n, 1);
  }
  at = pending.get();
  return true;
}

void FileStream::abandonRecord() {
  if (!activeRecord) return;
  RecordBuffer& r = *activeRecord;
  activeRecord = nullptr;
  r.stream_ = nullptr;
  r.open_ = false;
  r.spoiled_ = true;
  r.size_ = r.used_ = 0;
}

bool FileStream::put(const char* data, std::size_t n) {
  char* at = nullptr;
  if (!pendingSpace(n, at)) return false;
  if (!at) {
    if (!flushPending()) return false;
    if (n == 0 || std::fwrite(data, 1, n, f) == n) return true;
    bytesLost = true;
    return false;
  }
  std::memcpy(at, data, n);
  pendingSize += n;
  return true;
}

bool FileStream::giveBack() {
  const std::size_t unread = aheadEnd - aheadPos;
  aheadPos = aheadEnd = 0;
  return unread == 0 || platform::seekFile(f, -static_cast<std::int64_t>(unread), SEEK_CUR);
}

bool FileStream::fillAhead() {
  aheadPos = aheadEnd = 0;
  if (!ahead) ahead = std::make_unique_for_overwrite<char[]>(kAheadSize);
  const std::int64_t at = platform::tellFile(f);
  if (at < 0) return false;
  aheadOffset = static_cast<std::uint64_t>(at);
  // Blocks end on multiples of their size, where the C stream's own buffer (as large as a block)
  // ends after a seek: whole blocks then come from the host without a copy through that buffer.
  const std::size_t want = kAheadSize - static_cast<std::size_t>(aheadOffset % kAheadSize);
  aheadEnd = std::fread(ahead.get(), 1, want, f);
  return aheadEnd > 0;
}

std::size_t FileStream::takeAhead(char* to, std::size_t n) {
  std::size_t taken = 0;
  while (taken < n) {
    if (aheadPos == aheadEnd && !fillAhead()) {
      std::clearerr(f);
      break;
    }
    const std::size_t k = std::min(n - taken, aheadEnd - aheadPos);
    std::memcpy(to + taken, ahead.get() + aheadPos, k);
    aheadPos += k;
    taken += k;
  }
  return taken;
}

bool FileStream::flushPending() {
  // The block read ahead goes even when every byte of it was used: a block kept past a seek would
  // tell the position it had before.
  if (aheadEnd > 0 && !giveBack()) return false;
  if (pendingSize == 0) return true;
  const bool ok = f && std::fwrite(pending.get(), 1, pendingSize, f) == pendingSize;
  if (!ok) bytesLost = true;
  pendingSize = 0;
  return ok;
}

bool FileStream::switchTo(Op op, bool keepAhead) {
  if (!f) return false;
  if (op == Op::Write && !giveBack()) return false;
  if (op != Op::Write && !keepAhead && !flushPending()) return false;
  if (last != Op::None && last != op && !platform::seekFile(f, 0, SEEK_CUR)) return false;
  last = op;
  return true;
}

bool FileStream::seekTo(std::int64_t offset, int whence) {
  if (!f) return false;
  const bool flushed = flushPending();
  last = Op::None;
  return platform::seekFile(f, offset, whence) && flushed;
}

std::uint64_t FileStream::knownSize() {
  if (sizeKnown) return size;
  if (!f || !flushPending()) return 0;
  const std::int64_t here = platform::tellFile(f);
  if (here < 0 || !seekTo(0, SEEK_END)) return 0;
  const std::int64_t end = platform::tellFile(f);
  if (!seekTo(here, SEEK_SET) || end < 0) return 0;
  size = static_cast<std::uint64_t>(end);
  sizeKnown = true;
  return size;
}

bool FileStream::closeNow() {
  abandonRecord();
  if (!f) return true;
  const bool flushed = flushPending();
  int r = std::fclose(f);
  f = nullptr;
  return r == 0 && flushed;
}

// ---------------------------------------------------------------------------------------------
// The stream layer

namespace fileunits {

namespace {

constexpr std::size_t kStreamBufferSize = 64 * 1024;

// Sets a newly opened C stream's buffering, before any transfer on it. A file opened for reading
// gets a large buffer. A plain file created for writing gets none: its writes are buffered in
// large blocks, which then go to the host at once instead of being copied once more. A device or
// a pipe is written through the C stream as it stands, and cannot take back what was read ahead.
void setBuffering(FileStream& s, Access access) {
  const bool plain = s.identity.regular;
  if (access == Access::Create) {
    s.buffersWrites = plain;
    if (s.buffersWrites) std::setvbuf(s.f, nullptr, _IONBF, 0);
  } else if (access == Access::Read) {
    if (!s.buffer) s.buffer = std::make_unique_for_overwrite<char[]>(kStreamBufferSize);
    std::setvbuf(s.f, s.buffer.get(), _IOFBF, kStreamBufferSize);
    s.readsAhead = plain;
  }
}

}  // namespace

platform::FileIdentity identityOf(const std::string& name) {
  return platform::fileIdentity(platform::hostPath(fixed::trimmed(name)));
}

bool isFolder(const std::string& name) {
  std::error_code ec;
  return fs::is_directory(platform::hostFilePath(fixed::trimmed(name)), ec);
}

bool existsOnHost(const std::string& name) {
  std::error_code ec;
  return fs::exists(platform::hostFilePath(fixed::trimmed(name)), ec);
}

std::shared_ptr<FileStream> findStream(const platform::FileIdentity& file) {
  for (auto& [unit, c] : gFileUnits.fuConnections)
    if (c.stream && c.stream->identity.sameFile(file)) return c.stream;
  return nullptr;
}

std::shared_ptr<FileStream> openStream(const std::string& name, Access access) {
  std::string host = platform::hostPath(fixed::trimmed(name));
  // Only a read would take a folder for a file; the other opens refuse one themselves.
  if (host.empty() || (access == Access::Read && isFolder(name))) return nullptr;
  std::FILE* f = nullptr;
  switch (access) {
    case Access::Read: f = std::fopen(host.c_str(), "rb"); break;
    case Access::Create: f = std::fopen(host.c_str(), "w+b"); break;
    case Access::Update:
      f = std::fopen(host.c_str(), "r+b");
      if (!f && !existsOnHost(name)) f = std::fopen(host.c_str(), "w+b");
      break;
  }
  if (!f) return nullptr;
  auto s = std::make_shared<FileStream>();
  s->f = f;
  s->hostName = host;
  s->identity = platform::openFileIdentity(f);
  setBuffering(*s, access);
  s->writable = access != Access::Read;
  return s;
}

Reopen makeWritable(FileStream& s) {
  if (s.activeRecord) return Reopen::Refused;
  if (s.writable) return Reopen::Writable;
  if (!s.f || !s.flushPending()) return Reopen::Refused;
  const std::int64_t pos = platform::tellFile(s.f);
  if (pos < 0) return Reopen::Unpositioned;
  // The file opened again for writing, beside the stream that reads it until it proves to be the
  // same file, set up as the stream was at its open and at the stream's position.
  FileStream again;
  again.f = std::fopen(s.hostName.c_str(), "r+b");
  if (!again.f) return Reopen::Refused;
  again.identity = platform::openFileIdentity(again.f);
  if (!again.identity.sameFile(s.identity)) return Reopen::AnotherFile;
  setBuffering(again, Access::Read);
  if (!platform::seekFile(again.f, pos, SEEK_SET)) return Reopen::Unpositioned;
  std::fclose(s.f);
  s.f = std::exchange(again.f, nullptr);
  s.buffer.swap(again.buffer);  // the old buffer goes with the closed stream
  s.writable = true;
  s.last = FileStream::Op::None;
  return Reopen::Writable;
}

namespace {
std::pair<int, UnitConnection*>& cacheEntry(int unit) {
  return gFileUnits.fuConnectionCache[static_cast<unsigned>(unit) % gFileUnits.fuConnectionCache.size()];
}
}  // namespace

void connect(int unit, const std::string& name, const std::string& mode, std::shared_ptr<FileStream> stream) {
  if (gFileUnits.fuConnections.count(unit)) disconnect(unit);
  cacheEntry(unit) = {0, nullptr};
  UnitConnection c;
  c.mode = fixed::fit(mode, 2);
  c.name = fixed::trimmed(name);
  // Only the openers connect, and only with a code of the table.
  if (const FileMode* m = fileMode(c.mode)) {
    c.order = m->bigEndian ? byteorder::Order::Big : byteorder::Order::Little;
    c.canWrite = m->kind != ModeClass::Input;
    c.append = m->append;
  }
  c.stream = std::move(stream);
  gFileUnits.fuConnections[unit] = std::move(c);
}

// The buffered bytes of a stream that stays open, flushed to the host's file; false when they
// could not be written.
bool saveNow(FileStream& s) {
  s.abandonRecord();
  const bool flushed = s.flushPending();
  return std::fflush(s.f) == 0 && flushed;
}

bool disconnect(int unit) {
  auto it = gFileUnits.fuConnections.find(unit);
  if (it == gFileUnits.fuConnections.end()) return true;
  cacheEntry(unit) = {0, nullptr};
  std::shared_ptr<FileStream> s = std::move(it->second.stream);
  gFileUnits.fuConnections.erase(it);
  if (!s) return true;
  // A buffered write can fail only when its bytes leave the buffer: here at the latest.
  const bool saved = s.use_count() == 1 ? s->closeNow() : (!s->f || !s->writable || fileunits::saveNow(*s));
  if (saved || s->failureTold) return true;
  s->failureTold = true;
  return false;
}

std::vector<int> unitsOnFile(const platform::FileIdentity& file) {
  std::vector<int> units;
  for (auto& [unit, c] : gFileUnits.fuConnections)
    if (c.stream && c.stream->identity.sameFile(file)) units.push_back(unit);
  return units;
}

}  // namespace fileunits

// ---------------------------------------------------------------------------------------------
// Questions about names and units

namespace {

// The unit's connection from the table, kept in the cache; null when the unit is not connected.
UnitConnection* connectionFromTable(int unit) {
  auto it = gFileUnits.fuConnections.find(unit);
  if (it == gFileUnits.fuConnections.end()) return nullptr;
  fileunits::cacheEntry(unit) = {unit, &it->second};
  return &it->second;
}

// The cache answers the many calls of a reader on one unit; the table only the first.
inline UnitConnection* connection(int unit) {
  const std::pair<int, UnitConnection*>& cached = fileunits::cacheEntry(unit);
  UnitConnection* c = cached.second;
  if (!c || cached.first != unit) [[unlikely]] c = connectionFromTable(unit);
  if (!c || !c->stream || !c->stream->f) return nullptr;
  return c;
}

// The connection of a unit whose stream may be used now: none while a record is open on it.
UnitConnection* usable(int unit) {
  UnitConnection* c = connection(unit);
  return c && !c->stream->activeRecord ? c : nullptr;
}

FileStream* readable(int unit) {
  UnitConnection* c = usable(unit);
  if (!c || !c->stream->switchTo(FileStream::Op::Read)) return nullptr;
  return c->stream.get();
}

// The connection of a unit that can be written now, its stream turned to writing.
UnitConnection* writableConnection(int unit) {
  UnitConnection* c = usable(unit);
  if (!c || !c->canWrite || !c->stream->writable) return nullptr;
  FileStream* s = c->stream.get();
  if (c->append && !s->seekTo(0, SEEK_END)) return nullptr;
  s->sizeKnown = false;  // the write may make the file longer
  // Most writes follow a write, with nothing read ahead: there is nothing to turn.
  const bool turned = s->last == FileStream::Op::Write && s->aheadPos == s->aheadEnd;
  if (!turned && !s->switchTo(FileStream::Op::Write)) return nullptr;
  return c;
}

FileStream* writable(int unit) {
  UnitConnection* c = writableConnection(unit);
  return c ? c->stream.get() : nullptr;
}

// The bytes, and a line end after them when asked for, buffered for writing.
bool putRaw(int unit, std::string_view bytes, bool lineEnd = false) {
  FileStream* s = writable(unit);
  if (!s) return false;
  // Buffered as one piece, the line end with its line.
  char* at = nullptr;
  const std::size_t n = bytes.size();
  const char end = '\n';
  if (s->pendingSpace(n + (lineEnd ? 1 : 0), at)) {
    if (at) {
      if (n > 0) std::memcpy(at, bytes.data(), n);
      if (lineEnd) at[n] = end;
      s->pendingSize += n + (lineEnd ? 1 : 0);
      return true;
    }
    if (s->put(bytes.data(), n) && (!lineEnd || s->put(&end, 1))) return true;
  }
  s->failureTold = true;  // the caller is told by the result
  return false;
}

byteorder::Order orderOf(int unit) {
  UnitConnection* c = connection(unit);
  return c ? c->order : byteorder::Order::Little;
}

}  // namespace

bool fuFileExists(const std::string& name) {
  return !fixed::isBlank(name) && fileunits::existsOnHost(name) && !fileunits::isFolder(name);
}

bool fuFolderExists(const std::string& name) { return !fixed::isBlank(name) && fileunits::isFolder(name); }

std::string fuFullName(const std::string& name) {
  std::error_code ec;
  const fs::path p = fs::absolute(platform::hostFilePath(fixed::trimmed(name)), ec);
  if (ec) return name;
  return platform::systemName(p.lexically_normal());
}

std::string fuReachedName(const std::string& name) {
  std::error_code ec;
  fs::path p = fs::absolute(platform::hostFilePath(fixed::trimmed(name)), ec);
  if (ec) return name;
  // A loop of links ends after a few dozen.
  for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(p, ec)); ++hops) {
    const fs::path target = fs::read_symlink(p, ec);
    if (ec) break;
    p = target.is_absolute() ? target : p.parent_path() / target;
  }
  return platform::systemName(p.lexically_normal());
}

platform::FileIdentity fuIdentityOfFile(const std::string& name) {
  if (fixed::isBlank(name)) return {};
  return fileunits::identityOf(name);
}

int fuUnitOfFile(const platform::FileIdentity& file) {
  std::vector<int> units = fileunits::unitsOnFile(file);
  return units.empty() ? 0 : units.front();
}

int fuUnitOfFile(const std::string& name) { return fuUnitOfFile(fuIdentityOfFile(name)); }

platform::FileIdentity fuIdentityOfUnit(int unit) {
  UnitConnection* c = connection(unit);
  return c && c->stream ? c->stream->identity : platform::FileIdentity{};
}

bool fuIsOpen(int unit) { return connection(unit) != nullptr; }

std::string fuName(int unit) {
  UnitConnection* c = connection(unit);
  return c ? c->name : std::string();
}

std::string fuMode(int unit) {
  UnitConnection* c = connection(unit);
  return c ? c->mode : std::string();
}

bool fuReadsOnly(int unit) {
  UnitConnection* c = connection(unit);
  return c && !c->canWrite;
}

byteorder::Order fuOrder(int unit) { return orderOf(unit); }

// ---------------------------------------------------------------------------------------------
// Text

bool fuWriteLine(int unit, std::string_view text) { return putRaw(unit, text, true); }

bool fuWrite(int unit, std::string_view text) { return putRaw(unit, text); }

namespace {

// A line of a plain file from the block read ahead: the bytes up to the next line end, which may
// lie in a later block. False when the file has no byte left.
bool readLineAhead(FileStream& s, std::string& line) {
  bool any = false;
  for (;;) {
    if (s.aheadPos == s.aheadEnd && !s.fillAhead()) return any;
    any = true;
    const char* from = s.ahead.get() + s.aheadPos;
    const std::size_t left = s.aheadEnd - s.aheadPos;
    const char* end = static_cast<const char*>(std::memchr(from, '\n', left));
    if (end) {
      const std::size_t n = static_cast<std::size_t>(end - from);
      line.append(from, n);
      s.aheadPos += n + 1;
      return true;
    }
    line.append(from, left);
    s.aheadPos = s.aheadEnd;
  }
}

// A line through fgets, for a stream that cannot take bytes back (a device or a pipe). The line
// comes in pieces. Each piece is first filled with line ends, so that where fgets stopped can be
// told even in a line that holds NUL bytes: a line end followed by fgets' terminator is the
// line's own; otherwise the first line end is filler, just behind the terminator.
bool readLinePieces(FileStream& s, std::string& line) {
  char piece[128];
  bool any = false;
  for (;;) {
    std::memset(piece, '\n', sizeof piece);
    if (!std::fgets(piece, sizeof piece, s.f)) break;
    any = true;
    const char* end = static_cast<const char*>(std::memchr(piece, '\n', sizeof piece));
    if (!end) {  // a full piece: the line goes on
      line.append(piece, sizeof piece - 1);
      continue;
    }
    const std::size_t at = static_cast<std::size_t>(end - piece);
    if (at + 1 < sizeof piece && piece[at + 1] == '\0')
      line.append(piece, at);
    else
      line.append(piece, at - 1);  // the file ended before a line end
    break;
  }
  return any;
}

}  // namespace

ReadStatus fuReadLine(int unit, std::string& line) {
  line.clear();
  UnitConnection* c = usable(unit);
  if (!c || !c->stream->switchTo(FileStream::Op::Read, c->stream->readsAhead)) return ReadStatus::Error;
  FileStream& s = *c->stream;
  const bool any = s.readsAhead ? readLineAhead(s, line) : readLinePieces(s, line);
  if (std::ferror(s.f)) {
    std::clearerr(s.f);
    return ReadStatus::Error;
  }
  if (!any) return ReadStatus::End;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return ReadStatus::Ok;
}

ReadStatus fuReadLineView(int unit, std::string& spill, std::string_view& line) {
  // A line whole in the block read ahead needs neither a copy nor a word with the host.
  if (const UnitConnection* c = usable(unit)) {
    FileStream& s = *c->stream;
    if (s.last == FileStream::Op::Read && s.aheadPos < s.aheadEnd) {
      const char* from = s.ahead.get() + s.aheadPos;
      if (const char* end = static_cast<const char*>(std::memchr(from, '\n', s.aheadEnd - s.aheadPos))) {
        std::size_t n = static_cast<std::size_t>(end - from);
        s.aheadPos += n + 1;
        if (n > 0 && from[n - 1] == '\r') --n;
        line = std::string_view(from, n);
        return ReadStatus::Ok;
      }
    }
  }
  const ReadStatus st = fuReadLine(unit, spill);
  line = spill;
  return st;
}

std::string_view fuBytesAhead(int unit, std::uint64_t& position) {
  const UnitConnection* c = usable(unit);
  if (c && c->stream->aheadEnd > 0 && c->stream->last == FileStream::Op::Read) {
    const FileStream& s = *c->stream;
    position = s.aheadOffset + s.aheadPos;
    return std::string_view(s.ahead.get() + s.aheadPos, s.aheadEnd - s.aheadPos);
  }
  position = fuTell(unit);
  return {};
}

bool fuAtEnd(int unit) {
  const UnitConnection* own = usable(unit);
  if (own && own->stream->aheadPos < own->stream->aheadEnd) return false;
  // A file read ahead asks for its next block, which the next read then uses.
  if (own && own->stream->readsAhead && own->stream->switchTo(FileStream::Op::Read, true)) {
    FileStream& s = *own->stream;
    if (s.fillAhead()) return false;
    std::clearerr(s.f);
    return true;
  }
  FileStream* s = readable(unit);
  if (!s) return true;
  int c = std::getc(s->f);
  if (c == EOF) {
    std::clearerr(s->f);
    return true;
  }
  std::ungetc(c, s->f);
  return false;
}

bool fuRewind(int unit) {
  UnitConnection* c = usable(unit);
  return c && c->stream->seekTo(0, SEEK_SET);
}

// ---------------------------------------------------------------------------------------------
// Binary items

bool fuPutBytes(int unit, std::string_view bytes) { return putRaw(unit, bytes); }

bool fuPutI32(int unit, std::int32_t v) {
  std::string b;
  byteorder::putI32(b, v, orderOf(unit));
  return putRaw(unit, b);
}

bool fuPutF64(int unit, double v) {
  std::string b;
  byteorder::putF64(b, v, orderOf(unit));
  return putRaw(unit, b);
}

bool fuPutU8(int unit, std::uint8_t v) {
  std::string b;
  byteorder::putU8(b, v);
  return putRaw(unit, b);
}

bool fuPutU16(int unit, std::uint16_t v) {
  std::string b;
  byteorder::putU16(b, v, orderOf(unit));
  return putRaw(unit, b);
}

namespace {

// The stream of a unit turned to reading n bytes; null when fewer than n are left, so that a count
// read from a damaged file never makes a reader allocate or read beyond the file. What is left is
// counted from the stream's own position (in the block read ahead, where there is one), so
// buffered reads stay buffered.
FileStream* readableFor(int unit, std::size_t n) {
  UnitConnection* c = usable(unit);
  if (!c) return nullptr;
  FileStream& s = *c->stream;
  const std::uint64_t size = s.knownSize();
  if (!s.switchTo(FileStream::Op::Read, s.readsAhead)) return nullptr;
  const std::int64_t here =
      s.aheadEnd > 0 ? static_cast<std::int64_t>(s.aheadOffset + s.aheadPos) : platform::tellFile(s.f);
  if (here < 0 || static_cast<std::uint64_t>(here) > size || n > size - static_cast<std::uint64_t>(here))
    return nullptr;
  return &s;
}

// n bytes of the stream into to: from the block read ahead in a file read ahead, through the C
// stream otherwise. The bytes read before the file ended or failed.
std::size_t takeBytes(FileStream& s, char* to, std::size_t n) {
  if (n == 0) return 0;
  if (s.readsAhead) return s.takeAhead(to, n);
  const std::size_t got = std::fread(to, 1, n, s.f);
  if (got != n) std::clearerr(s.f);
  return got;
}

}  // namespace

bool fuGetBytes(int unit, std::span<char> bytes) {
  // Most items lie whole in the block read ahead, which the file is known to hold.
  if (const UnitConnection* c = usable(unit)) {
    FileStream& s = *c->stream;
    if (s.last == FileStream::Op::Read && s.aheadEnd > 0 && s.aheadEnd - s.aheadPos >= bytes.size()) {
      if (!bytes.empty()) std::memcpy(bytes.data(), s.ahead.get() + s.aheadPos, bytes.size());
      s.aheadPos += bytes.size();
      return true;
    }
  }
  FileStream* s = readableFor(unit, bytes.size());
  return s && takeBytes(*s, bytes.data(), bytes.size()) == bytes.size();
}

bool fuGetBytes(int unit, std::size_t n, std::string& bytes) {
  bytes.clear();
  FileStream* s = readableFor(unit, n);
  if (!s) return false;
  bytes.resize(n);
  const std::size_t got = takeBytes(*s, bytes.data(), n);
  bytes.resize(got);
  return got == n;
}

bool fuGetI32(int unit, std::int32_t& v) {
  char b[4];
  if (!fuGetBytes(unit, b)) return false;
  v = byteorder::getI32(reinterpret_cast<const unsigned char*>(b), orderOf(unit));
  return true;
}

bool fuGetF64(int unit, double& v) {
  char b[8];
  if (!fuGetBytes(unit, b)) return false;
  v = byteorder::getF64(reinterpret_cast<const unsigned char*>(b), orderOf(unit));
  return true;
}

bool fuSeek(int unit, std::uint64_t byteOffset) {
  UnitConnection* c = usable(unit);
  if (!c || byteOffset > static_cast<std::uint64_t>(INT64_MAX)) return false;
  FileStream& s = *c->stream;
  // A place within the block read ahead (a reader going back to a line it has read): only the
  // place in the block moves, and the block stays.
  if (s.aheadEnd > 0 && byteOffset >= s.aheadOffset && byteOffset - s.aheadOffset <= s.aheadEnd) {
    s.aheadPos = static_cast<std::size_t>(byteOffset - s.aheadOffset);
    return true;
  }
  return s.seekTo(static_cast<std::int64_t>(byteOffset), SEEK_SET);
}

std::uint64_t fuTell(int unit) {
  UnitConnection* c = usable(unit);
  if (!c) return 0;
  FileStream& s = *c->stream;
  if (s.aheadEnd > 0) return s.aheadOffset + s.aheadPos;  // the block read ahead stays
  s.flushPending();
  const std::int64_t p = platform::tellFile(s.f);
  return p < 0 ? 0 : static_cast<std::uint64_t>(p);
}

std::uint64_t fuSize(int unit) {
  UnitConnection* c = usable(unit);
  return c ? c->stream->knownSize() : 0;
}

bool fuFlush(int unit) {
  UnitConnection* c = usable(unit);
  if (!c) return false;
  const bool flushed = c->stream->flushPending();
  if (std::fflush(c->stream->f) == 0 && flushed) return true;
  c->stream->failureTold = true;  // the caller is told by the result
  return false;
}

std::vector<std::string> fuFlushAll() {
  std::vector<std::string> failed;
  for (auto& [unit, c] : gFileUnits.fuConnections) {
    FileStream* s = c.stream.get();
    if (!s || !s->f) continue;
    // Only the stops of a run flush every file: a record still open there will not be filled.
    s->abandonRecord();
    const bool flushed = s->flushPending();
    if ((std::fflush(s->f) == 0 && flushed) || s->failureTold) continue;
    s->failureTold = true;
    failed.push_back(c.name);
  }
  return failed;
}

bool fuBytesLost(int unit) {
  const UnitConnection* c = connection(unit);
  return c && c->stream->bytesLost;
}

bool fuCut(int unit, std::uint64_t size) {
  UnitConnection* c = writableConnection(unit);
  if (!c) return false;
  FileStream& s = *c->stream;
  // The bytes buffered go first, so that none lands after the cut; those that cannot be written
  // are lost, as the cut would lose them.
  s.flushPending();
  std::fflush(s.f);
  s.sizeKnown = false;
  // Only a plain file is cut, through the stream's own handle (so the one the stream holds,
  // whatever its name reaches now), and never made longer.
  if (!s.identity.regular || size > s.knownSize()) return false;
  const bool cut = platform::cutFile(s.f, static_cast<std::int64_t>(size));
  s.sizeKnown = false;
  return cut && s.seekTo(0, SEEK_END);
}

void fuWriteFailed(int unit) {
  fileunits::reportUnwritten(fuName(unit));
  EXITS();
}

void fuWriteLineOrExit(int unit, const std::string& text) {
  if (!fuWriteLine(unit, text)) fuWriteFailed(unit);
}

bool fuPatchFile(const std::string& name, std::uint64_t offset, const std::string& bytes) {
  if (offset > static_cast<std::uint64_t>(INT64_MAX) || fixed::isBlank(name)) return false;
  if (std::shared_ptr<FileStream> open = fileunits::findStream(fileunits::identityOf(name))) {
    FileStream& s = *open;
    if (s.activeRecord || fileunits::makeWritable(s) != fileunits::Reopen::Writable || !s.flushPending())
      return false;
    const std::int64_t here = platform::tellFile(s.f);
    bool ok = here >= 0 && s.seekTo(static_cast<std::int64_t>(offset), SEEK_SET) &&
              (bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), s.f) == bytes.size()) &&
              std::fflush(s.f) == 0;
    s.sizeKnown = false;  // the bytes may lie beyond the end
    if (here >= 0) s.seekTo(here, SEEK_SET);
    return ok;
  }
  if (fileunits::isFolder(name)) return false;
  std::string host = platform::hostPath(fixed::trimmed(name));
  std::FILE* f = std::fopen(host.c_str(), "r+b");
  if (!f) return false;
  bool ok = platform::seekFile(f, static_cast<std::int64_t>(offset), SEEK_SET) &&
            (bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size());
  ok = (std::fclose(f) == 0) && ok;
  return ok;
}

// ---------------------------------------------------------------------------------------------
// Record buffers

RecordBuffer::RecordBuffer(int unit, std::size_t n) {
  UnitConnection* c = writableConnection(unit);
  if (!c) return;
  FileStream* s = c->stream.get();
  order_ = c->order;
  if (!s->recordSpace(n, at_, inPending_)) {
    s->failureTold = true;  // the caller is told by ok()
    return;
  }
  stream_ = s;
  size_ = n;
  open_ = true;
  s->activeRecord = this;
}

void RecordBuffer::close() {
  if (stream_) stream_->activeRecord = nullptr;
  stream_ = nullptr;
}

bool RecordBuffer::commit() {
  FileStream* s = stream_;
  if (!s) return false;
  s->activeRecord = nullptr;
  stream_ = nullptr;
  open_ = false;
  if (spoiled_ || used_ != size_) return false;
  bool written = true;
  if (inPending_)
    s->pendingSize += size_;
  else
    written = size_ == 0 || std::fwrite(at_, 1, size_, s->f) == size_;
  if (!written) {
    s->failureTold = true;  // the caller is told by the result
    s->bytesLost = true;
  }
  return written;
}
