#include "platform/file_identity.hpp"

#include <sys/stat.h>

namespace platform {
namespace {

FileIdentity identityOf(const struct stat& st) {
  FileIdentity id;
  id.device = static_cast<std::uint64_t>(st.st_dev);
  id.inode = static_cast<std::uint64_t>(st.st_ino);
  id.exists = true;
  id.regular = S_ISREG(st.st_mode);
  return id;
}

}  // namespace

FileIdentity fileIdentity(const std::string& hostName) {
  struct stat st {};
  if (hostName.empty() || ::stat(hostName.c_str(), &st) != 0) return {};
  return identityOf(st);
}

FileIdentity openFileIdentity(std::FILE* f) {
  struct stat st {};
  if (!f || ::fstat(::fileno(f), &st) != 0) return {};
  return identityOf(st);
}

}  // namespace platform
