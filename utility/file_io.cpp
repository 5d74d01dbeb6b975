// The streams behind the file units, and input and output on an open unit.
#include <climits>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/folders.hpp"
#include "utility/file_streams.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"
#include "utility/run_control.hpp"

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------------
// FileStream

FileStream::~FileStream() {
  if (f) std::fclose(f);
}

bool FileStream::switchTo(Op op) {
  if (!f) return false;
  if (last != Op::None && last != op && std::fseek(f, 0, SEEK_CUR) != 0) return false;
  last = op;
  return true;
}

bool FileStream::seekTo(long offset, int whence) {
  if (!f) return false;
  last = Op::None;
  return std::fseek(f, offset, whence) == 0;
}

bool FileStream::closeNow() {
  if (!f) return true;
  int r = std::fclose(f);
  f = nullptr;
  return r == 0;
}

// ---------------------------------------------------------------------------------------------
// The stream layer

namespace fileunits {

std::string hostKey(const std::string& name) {
  std::error_code ec;
  fs::path p(platform::hostPath(fixed::trimmed(name)));
  fs::path a = fs::absolute(p, ec);
  if (ec) a = p;
  fs::path c = fs::weakly_canonical(a, ec);
  if (ec) return a.lexically_normal().string();
  return c.string();
}

bool isFolder(const std::string& name) {
  std::error_code ec;
  return fs::is_directory(fs::path(platform::hostPath(fixed::trimmed(name))), ec);
}

bool existsOnHost(const std::string& name) {
  std::error_code ec;
  return fs::exists(fs::path(platform::hostPath(fixed::trimmed(name))), ec);
}

std::shared_ptr<FileStream> findStream(const std::string& key) {
  for (auto& [unit, c] : gFileUnits.fuConnections)
    if (c.stream && c.stream->key == key) return c.stream;
  return nullptr;
}

std::shared_ptr<FileStream> openStream(const std::string& name, Access access) {
  std::string host = platform::hostPath(fixed::trimmed(name));
  if (host.empty() || isFolder(name)) return nullptr;
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
  s->key = hostKey(name);
  s->writable = access != Access::Read;
  return s;
}

bool makeWritable(FileStream& s) {
  if (s.writable) return true;
  if (!s.f) return false;
  long pos = std::ftell(s.f);
  std::FILE* g = std::fopen(s.hostName.c_str(), "r+b");
  if (!g) return false;
  std::fclose(s.f);
  s.f = g;
  s.writable = true;
  s.last = FileStream::Op::None;
  if (pos > 0) std::fseek(s.f, pos, SEEK_SET);
  return true;
}

namespace {
bool isOneOf(const std::string& mode, std::initializer_list<const char*> list) {
  for (const char* m : list)
    if (mode == m) return true;
  return false;
}
}  // namespace

void connect(int unit, const std::string& name, const std::string& mode, std::shared_ptr<FileStream> stream) {
  if (gFileUnits.fuConnections.count(unit)) disconnect(unit);
  UnitConnection c;
  c.mode = fixed::fit(mode, 2);
  c.name = fixed::trimmed(name);
  c.order = isOneOf(c.mode, {"BE", "BN", "SE"}) ? byteorder::Order::Big : byteorder::Order::Little;
  c.binary = isOneOf(c.mode, {"UI", "BI", "BE", "UO", "BO", "BN", "AB", "SB", "SE"});
  c.canWrite = !isOneOf(c.mode, {"I ", "UI", "BI", "BE"});
  c.append = isOneOf(c.mode, {"A ", "AB"});
  gFileUnits.fuConnectedThisRun.insert(stream->key);
  c.stream = std::move(stream);
  gFileUnits.fuConnections[unit] = std::move(c);
}

bool disconnect(int unit) {
  auto it = gFileUnits.fuConnections.find(unit);
  if (it == gFileUnits.fuConnections.end()) return true;
  std::shared_ptr<FileStream> s = std::move(it->second.stream);
  gFileUnits.fuConnections.erase(it);
  if (!s) return true;
  // A buffered write can fail only when its bytes leave the buffer: here at the latest.
  const bool saved = s.use_count() == 1 ? s->closeNow() : (!s->f || !s->writable || std::fflush(s->f) == 0);
  if (saved || s->failureTold) return true;
  s->failureTold = true;
  return false;
}

std::vector<int> unitsOnFile(const std::string& key) {
  std::vector<int> units;
  for (auto& [unit, c] : gFileUnits.fuConnections)
    if (c.stream && c.stream->key == key) units.push_back(unit);
  return units;
}

}  // namespace fileunits

// ---------------------------------------------------------------------------------------------
// Questions about names and units

namespace {

UnitConnection* connection(int unit) {
  auto it = gFileUnits.fuConnections.find(unit);
  if (it == gFileUnits.fuConnections.end() || !it->second.stream || !it->second.stream->f) return nullptr;
  return &it->second;
}

FileStream* readable(int unit) {
  UnitConnection* c = connection(unit);
  if (!c || !c->stream->switchTo(FileStream::Op::Read)) return nullptr;
  return c->stream.get();
}

FileStream* writable(int unit) {
  UnitConnection* c = connection(unit);
  if (!c || !c->canWrite || !c->stream->writable) return nullptr;
  FileStream* s = c->stream.get();
  if (c->append && !s->seekTo(0, SEEK_END)) return nullptr;
  if (!s->switchTo(FileStream::Op::Write)) return nullptr;
  return s;
}

bool putRaw(int unit, const std::string& bytes) {
  FileStream* s = writable(unit);
  if (!s) return false;
  if (bytes.empty()) return true;
  if (std::fwrite(bytes.data(), 1, bytes.size(), s->f) == bytes.size()) return true;
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

int fuUnitOfFile(const std::string& name) {
  if (fixed::isBlank(name)) return 0;
  std::vector<int> units = fileunits::unitsOnFile(fileunits::hostKey(name));
  return units.empty() ? 0 : units.front();
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

byteorder::Order fuOrder(int unit) { return orderOf(unit); }

// ---------------------------------------------------------------------------------------------
// Text

bool fuWriteLine(int unit, const std::string& text) { return putRaw(unit, text + '\n'); }

bool fuWrite(int unit, const std::string& text) { return putRaw(unit, text); }

ReadStatus fuReadLine(int unit, std::string& line) {
  line.clear();
  FileStream* s = readable(unit);
  if (!s) return ReadStatus::Error;
  bool any = false;
  for (;;) {
    int c = std::getc(s->f);
    if (c == EOF) break;
    any = true;
    if (c == '\n') break;
    line += static_cast<char>(c);
  }
  if (std::ferror(s->f)) {
    std::clearerr(s->f);
    return ReadStatus::Error;
  }
  if (!any) return ReadStatus::End;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return ReadStatus::Ok;
}

bool fuAtEnd(int unit) {
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
  UnitConnection* c = connection(unit);
  return c && c->stream->seekTo(0, SEEK_SET);
}

// ---------------------------------------------------------------------------------------------
// Binary items

bool fuPutBytes(int unit, const std::string& bytes) { return putRaw(unit, bytes); }

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

bool fuGetBytes(int unit, std::size_t n, std::string& bytes) {
  bytes.clear();
  if (!connection(unit)) return false;
  // A count read from a damaged file must not make us allocate or read beyond the file.
  std::uint64_t here = fuTell(unit), size = fuSize(unit);
  if (here > size || n > size - here) return false;
  FileStream* s = readable(unit);
  if (!s) return false;
  bytes.resize(n);
  if (n == 0) return true;
  std::size_t got = std::fread(bytes.data(), 1, n, s->f);
  if (got != n) {
    std::clearerr(s->f);
    bytes.resize(got);
    return false;
  }
  return true;
}

bool fuGetI32(int unit, std::int32_t& v) {
  std::string b;
  if (!fuGetBytes(unit, 4, b)) return false;
  v = byteorder::getI32(reinterpret_cast<const unsigned char*>(b.data()), orderOf(unit));
  return true;
}

bool fuGetF64(int unit, double& v) {
  std::string b;
  if (!fuGetBytes(unit, 8, b)) return false;
  v = byteorder::getF64(reinterpret_cast<const unsigned char*>(b.data()), orderOf(unit));
  return true;
}

bool fuSeek(int unit, std::uint64_t byteOffset) {
  UnitConnection* c = connection(unit);
  if (!c || byteOffset > static_cast<std::uint64_t>(LONG_MAX)) return false;
  return c->stream->seekTo(static_cast<long>(byteOffset), SEEK_SET);
}

std::uint64_t fuTell(int unit) {
  UnitConnection* c = connection(unit);
  if (!c) return 0;
  long p = std::ftell(c->stream->f);
  return p < 0 ? 0 : static_cast<std::uint64_t>(p);
}

std::uint64_t fuSize(int unit) {
  UnitConnection* c = connection(unit);
  if (!c) return 0;
  FileStream& s = *c->stream;
  long here = std::ftell(s.f);
  if (here < 0 || !s.seekTo(0, SEEK_END)) return 0;
  long end = std::ftell(s.f);
  s.seekTo(here, SEEK_SET);
  return end < 0 ? 0 : static_cast<std::uint64_t>(end);
}

bool fuFlush(int unit) {
  UnitConnection* c = connection(unit);
  if (!c) return false;
  if (std::fflush(c->stream->f) == 0) return true;
  c->stream->failureTold = true;  // the caller is told by the result
  return false;
}

std::vector<std::string> fuFlushAll() {
  std::vector<std::string> failed;
  for (auto& [unit, c] : gFileUnits.fuConnections) {
    FileStream* s = c.stream.get();
    if (!s || !s->f || std::fflush(s->f) == 0 || s->failureTold) continue;
    s->failureTold = true;
    failed.push_back(c.name);
  }
  return failed;
}

void fuWriteFailed(int unit) {
  fileunits::reportUnwritten(fuName(unit));
  EXITS();
}

void fuWriteLineOrExit(int unit, const std::string& text) {
  if (!fuWriteLine(unit, text)) fuWriteFailed(unit);
}

bool fuPatchFile(const std::string& name, std::uint64_t offset, const std::string& bytes) {
  if (offset > static_cast<std::uint64_t>(LONG_MAX) || fixed::isBlank(name)) return false;
  if (std::shared_ptr<FileStream> open = fileunits::findStream(fileunits::hostKey(name))) {
    FileStream& s = *open;
    if (!fileunits::makeWritable(s)) return false;
    long here = std::ftell(s.f);
    bool ok = here >= 0 && s.seekTo(static_cast<long>(offset), SEEK_SET) &&
              (bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), s.f) == bytes.size()) &&
              std::fflush(s.f) == 0;
    if (here >= 0) s.seekTo(here, SEEK_SET);
    return ok;
  }
  if (fileunits::isFolder(name)) return false;
  std::string host = platform::hostPath(fixed::trimmed(name));
  std::FILE* f = std::fopen(host.c_str(), "r+b");
  if (!f) return false;
  bool ok = std::fseek(f, static_cast<long>(offset), SEEK_SET) == 0 &&
            (bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size());
  ok = (std::fclose(f) == 0) && ok;
  return ok;
}
