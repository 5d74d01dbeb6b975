#include "platform/file_offsets.hpp"

#include <stdio.h>
#include <sys/types.h>
#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace platform {

#if defined(_WIN32)
std::int64_t tellFile(std::FILE* f) { return f ? _ftelli64(f) : -1; }
bool seekFile(std::FILE* f, std::int64_t offset, int whence) { return f && _fseeki64(f, offset, whence) == 0; }
bool cutFile(std::FILE* f, std::int64_t size) { return f && size >= 0 && _chsize_s(_fileno(f), size) == 0; }
#else
// The hosts this builds for keep file offsets in 64 bits.
static_assert(sizeof(off_t) >= 8, "file offsets of 64 bits");
std::int64_t tellFile(std::FILE* f) { return f ? static_cast<std::int64_t>(::ftello(f)) : -1; }
bool seekFile(std::FILE* f, std::int64_t offset, int whence) {
  return f && ::fseeko(f, static_cast<off_t>(offset), whence) == 0;
}
bool cutFile(std::FILE* f, std::int64_t size) {
  return f && size >= 0 && ::ftruncate(::fileno(f), static_cast<off_t>(size)) == 0;
}
#endif

}  // namespace platform
