// An output layer whose files lost bytes to a failed write, cut back to the records that all its
// files hold whole. The files are read back through their units in blocks: this runs only after a
// write failed, once per layer, and costs a read of what the layer's files hold.
#include "gis/layer_cut.hpp"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <span>
#include <string_view>

#include "gis/shapefile_format.hpp"
#include "utility/byte_order.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"

namespace {

constexpr std::size_t kBlock = 64 * 1024;
// Enough of a MIF line to tell its keyword and the count after it.
constexpr std::size_t kLineHead = 64;
constexpr std::int64_t kMostRecords = std::numeric_limits<int>::max();

// The bytes of one file read through its unit a block at a time, up to the size it has now.
class BlockReader {
 public:
  BlockReader(int unit, std::uint64_t size)
      : unit_(unit), size_(size), block_(std::make_unique_for_overwrite<char[]>(kBlock)) {}

  // The bytes from off to the end of the block read, a block from off being read when off is not
  // in it; empty at the end of the file or when the read fails.
  std::string_view from(std::uint64_t off) {
    if (off >= size_) return {};
    if ((off < start_ || off >= start_ + filled_) && !load(off)) return {};
    return {block_.get() + (off - start_), static_cast<std::size_t>(start_ + filled_ - off)};
  }
  // n bytes from off in one piece (n at most a block); null when the file ends first or the read fails.
  const unsigned char* at(std::uint64_t off, std::size_t n) {
    if (n > kBlock || off > size_ || n > size_ - off) return nullptr;
    if ((off < start_ || off + n > start_ + filled_) && !load(off)) return nullptr;
    return reinterpret_cast<const unsigned char*>(block_.get() + (off - start_));
  }

 private:
  bool load(std::uint64_t off) {
    start_ = off;
    filled_ = 0;
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, size_ - off));
    if (!fuSeek(unit_, off) || !fuGetBytes(unit_, std::span<char>(block_.get(), n))) return false;
    filled_ = n;
    return true;
  }

  int unit_;
  std::uint64_t size_;
  std::unique_ptr<char[]> block_;
  std::uint64_t start_ = 0;
  std::size_t filled_ = 0;
};

// ---- Shapefile sub-layers ----

void widen(ShpSubLayer& shp, double xmin, double ymin, double xmax, double ymax) {
  shp.xmin = std::min(shp.xmin, xmin);
  shp.ymin = std::min(shp.ymin, ymin);
  shp.xmax = std::max(shp.xmax, xmax);
  shp.ymax = std::max(shp.ymax, ymax);
}

// The main file's records after its header, at most most of them, as far as each is whole and
// numbered in turn: how many, with end set after the last and the sub-layer box set to their
// vertices' box.
std::int64_t wholeShapes(int unit, std::uint64_t size, std::int64_t most, std::uint64_t& end, ShpSubLayer& shp) {
  using byteorder::Order;
  constexpr double big = std::numeric_limits<double>::max();
  shp.xmin = shp.ymin = big;
  shp.xmax = shp.ymax = -big;
  BlockReader file(unit, size);
  constexpr std::size_t recordHeader = 2 * kShpRecordHeaderWords;  // number and content length
  end = kShpHeaderBytes;
  std::int64_t count = 0;
  while (count < most) {
    const unsigned char* head = file.at(end, recordHeader + kShpTypeBytes);
    if (!head || byteorder::getI32(head, Order::Big) != count + 1) break;
    const std::int32_t words = byteorder::getI32(head + 4, Order::Big);
    const std::int32_t type = byteorder::getI32(head + 8, Order::Little);
    if (words < kShpNullContentWords || static_cast<std::uint64_t>(words) * 2 + recordHeader > size - end) break;
    const std::uint64_t content = end + recordHeader + kShpTypeBytes;
    if (type == kShpPoint) {
      const unsigned char* p = words >= kShpPointContentWords ? file.at(content, kShpPointBytes) : nullptr;
      if (!p) break;
      const double x = byteorder::getF64(p, Order::Little), y = byteorder::getF64(p + 8, Order::Little);
      widen(shp, x, y, x, y);
    } else if (type == kShpPolyline || type == kShpPolygon || type == kShpMultiPoint) {
      const unsigned char* p = 2 * words >= kShpTypeBytes + kShpBoxBytes ? file.at(content, kShpBoxBytes) : nullptr;
      if (!p) break;
      widen(shp, byteorder::getF64(p, Order::Little), byteorder::getF64(p + 8, Order::Little),
            byteorder::getF64(p + 16, Order::Little), byteorder::getF64(p + 24, Order::Little));
    } else if (type != kShpNullShape) {
      break;
    }
    end += recordHeader + 2 * static_cast<std::uint64_t>(words);
    ++count;
  }
  return count;
}

// ---- MIF/MID pairs ----

// The lines of one file, walked from a place in it.
struct LineWalk {
  BlockReader& file;
  std::uint64_t at = 0;

  // The end of the line from at, just after its line end; 0 when the file ends first.
  std::uint64_t lineEnd() {
    for (std::uint64_t from = at;;) {
      const std::string_view bytes = file.from(from);
      if (bytes.empty()) return 0;
      if (const void* nl = std::memchr(bytes.data(), '\n', bytes.size()))
        return from + static_cast<std::uint64_t>(static_cast<const char*>(nl) - bytes.data()) + 1;
      from += bytes.size();
    }
  }
  // Past the next line, with the first characters of its text in head; false when it is not whole.
  bool next(std::string_view& head) {
    const std::uint64_t end = lineEnd();
    if (end == 0) return false;
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(end - 1 - at, kLineHead));
    const unsigned char* text = file.at(at, n);
    head = text ? std::string_view(reinterpret_cast<const char*>(text), n) : std::string_view();
    at = end;
    return true;
  }
  // Past the next n lines; false when they are not all whole.
  bool skip(std::int64_t n) {
    for (; n > 0; --n) {
      const std::uint64_t end = lineEnd();
      if (end == 0) return false;
      at = end;
    }
    return true;
  }
};

// The count that follows a line's keyword, within 0..most.
bool countAfter(std::string_view head, std::string_view keyword, int most, int& n) {
  if (!head.starts_with(keyword)) return false;
  const char* first = head.data() + keyword.size();
  const char* last = head.data() + head.size();
  const auto [end, ec] = std::from_chars(first, last, n);
  return ec == std::errc() && end == last && n >= 0 && n <= most;
}

// Parts as the writer lays them out: for each, a line of one blank and its vertex count, then
// its vertex lines.
bool skipParts(LineWalk& lines, int parts) {
  for (int i = 1; i <= parts; ++i) {
    std::string_view head;
    int n = 0;
    if (!lines.next(head) || !countAfter(head, " ", kGisMaxVertices, n) || !lines.skip(n)) return false;
  }
  return true;
}

// Past one object as the MIF writer lays it out, its style lines included; false when the file
// ends inside it or it is not one of the writer's.
bool skipObject(LineWalk& lines, const MifLayer& mif) {
  std::string_view head;
  if (!lines.next(head)) return false;
  if (head == "none") return true;
  int n = 0;
  bool whole = false;
  if (head.starts_with("Point ") || head.starts_with("Line ")) {
    whole = true;
  } else if (head == "Text") {
    whole = lines.skip(2);  // the text, then its box
  } else if (countAfter(head, "Pline Multiple ", kGisMaxParts, n) || countAfter(head, "Region ", kGisMaxParts, n)) {
    whole = skipParts(lines, n);
  } else if (countAfter(head, "MultiPoint ", kGisMaxVertices, n) || countAfter(head, "Pline ", kGisMaxVertices, n)) {
    whole = lines.skip(n);
  }
  const bool styled = !fixed::isBlank(mif.mifStyleLines[1]);
  const int styleLines = styled ? (fixed::isBlank(mif.mifStyleLines[2]) ? 1 : 2) : 0;
  return whole && lines.skip(styleLines);
}

// The header as the writer lays it out: four lines, the column count, a line per column, "Data"
// and an empty line.
bool skipMifHeader(LineWalk& lines, const MifLayer& mif) {
  std::string_view head;
  return lines.skip(5 + static_cast<std::int64_t>(mif.nAttributes)) && lines.next(head) && head == "Data" &&
         lines.next(head) && head.empty();
}

// The .mif's objects after its header, at most most of them, as far as each is whole: how many,
// with end set after the last; -1 when the header is not whole.
std::int64_t wholeObjects(const MifLayer& mif, std::int64_t most, std::uint64_t& end) {
  const std::uint64_t size = fuSize(mif.mifUnit);
  BlockReader file(mif.mifUnit, size);
  LineWalk lines{file};
  if (!skipMifHeader(lines, mif)) return -1;
  end = lines.at;
  std::int64_t count = 0;
  while (count < most && lines.at < size && skipObject(lines, mif)) {
    ++count;
    end = lines.at;
  }
  return count;
}

// The whole rows of the .mid, at most most of them: how many, with end set after the last.
std::int64_t wholeRows(int unit, std::int64_t most, std::uint64_t& end) {
  BlockReader file(unit, fuSize(unit));
  LineWalk rows{file};
  end = 0;
  std::int64_t count = 0;
  while (count < most && rows.skip(1)) {
    ++count;
    end = rows.at;
  }
  return count;
}

}  // namespace

bool shpCutToWholeRecords(ShpSubLayer& shp, DbfSubLayer& dbf) {
  const bool shapes = shp.shpUnitLE > 0;  // a table opened alone has no main file
  std::int64_t whole = kMostRecords;
  const auto dbfHeader = static_cast<std::uint64_t>(dbfHeaderLength(std::max(dbf.nFields, 0)));
  const std::uint64_t dbfRecord = static_cast<std::uint64_t>(std::max(dbf.recordLength, 0)) + 1;
  if (dbf.unit > 0) {
    const std::uint64_t size = fuSize(dbf.unit);
    if (dbf.nFields < 1 || size < dbfHeader) return false;
    whole = static_cast<std::int64_t>(std::min<std::uint64_t>((size - dbfHeader) / dbfRecord, kMostRecords));
  }
  if (shapes) {
    const std::uint64_t header = kShpHeaderBytes;
    constexpr std::uint64_t entry = 2 * kShxEntryWords;
    const std::uint64_t shpSize = fuSize(shp.shpUnitLE);
    const std::uint64_t shxSize = shp.shxUnitBE > 0 ? fuSize(shp.shxUnitBE) : 0;
    if (shpSize < header || shxSize < header) return false;
    whole = std::min<std::int64_t>(whole, static_cast<std::int64_t>((shxSize - header) / entry));
    // When every record counted is there, the counts and the box stand; otherwise they are taken
    // from the records that are.
    std::uint64_t shpEnd = 2 * static_cast<std::uint64_t>(shp.fileLength);
    if (whole >= shp.records && shpSize >= shpEnd)
      whole = shp.records;
    else
      whole = wholeShapes(shp.shpUnitLE, shpSize, whole, shpEnd, shp);
    fuCut(shp.shpUnitLE, shpEnd);
    fuCut(shp.shxUnitBE, header + entry * static_cast<std::uint64_t>(whole));
    shp.records = static_cast<int>(whole);
    shp.fileLength = shp.nextOffset = static_cast<int>(shpEnd / 2);
  }
  if (dbf.unit > 0) {
    fuCut(dbf.unit, dbfHeader + dbfRecord * static_cast<std::uint64_t>(whole));
    dbf.records = static_cast<int>(whole);
  }
  return true;
}

bool mifCutToWholeRecords(MifLayer& mif) {
  std::uint64_t rowsEnd = 0;
  std::int64_t whole = wholeRows(mif.midUnit, kMostRecords, rowsEnd);
  if (mif.mifUnit > 0) {
    std::uint64_t objectsEnd = 0;
    const std::int64_t objects = wholeObjects(mif, whole, objectsEnd);
    if (objects < 0) return false;
    if (objects < whole) whole = wholeRows(mif.midUnit, objects, rowsEnd);
    fuCut(mif.mifUnit, objectsEnd);
    mif.objectsWritten = static_cast<int>(whole);
  }
  fuCut(mif.midUnit, rowsEnd);
  mif.rowsWritten = static_cast<int>(whole);
  return true;
}
