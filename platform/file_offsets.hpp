#pragma once
// Places in an open C stream as 64-bit byte offsets: the C library's own ftell and fseek take a
// long, which on some hosts holds no more than 2 GiB, and a layer's files can be larger.
#include <cstdint>
#include <cstdio>

namespace platform {

// The stream's position in bytes from the start of the file; -1 when the host cannot tell.
std::int64_t tellFile(std::FILE* f);
// Moves the stream to offset bytes from whence (SEEK_SET, SEEK_CUR or SEEK_END); false when the
// host refuses.
bool seekFile(std::FILE* f, std::int64_t offset, int whence);
// Cuts the file an open stream holds to size bytes, through the stream's own handle, so that no
// name has to reach the file again; the stream must be flushed first. False when the host refuses.
bool cutFile(std::FILE* f, std::int64_t size);

}  // namespace platform
