#pragma once
// What the host knows a file by: its device and its number on that device (on Windows the serial
// number of its volume and its file index there). Two names reach the same file when their
// identities are equal, however they are spelt and whatever links, symbolic or hard, lead to it.
#include <cstdint>
#include <cstdio>
#include <string>

namespace platform {

struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool exists = false;   // false: nothing of that name, or the host could not tell
  bool regular = false;  // a plain file: not a folder, a device or a pipe
  // Files the host could not find are the same as no other file.
  bool sameFile(const FileIdentity& other) const {
    return exists && other.exists && device == other.device && inode == other.inode;
  }
  bool operator==(const FileIdentity&) const = default;
};

// The identity of the file a host path names, links followed.
FileIdentity fileIdentity(const std::string& hostName);
// The identity of the file an open stream holds.
FileIdentity openFileIdentity(std::FILE* f);

}  // namespace platform
