#include "platform/file_identity.hpp"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace platform {

#ifdef _WIN32

// Windows knows a file by the serial number of its volume and its index on that volume; stat()
// knows neither there (its number is always 0, and its device is the drive for a name but 0 for an
// open stream), so the handle is asked.
namespace {

FileIdentity identityOf(HANDLE h) {
  BY_HANDLE_FILE_INFORMATION info;
  if (h == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(h, &info)) return {};
  FileIdentity id;
  id.device = info.dwVolumeSerialNumber;
  id.inode = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  id.exists = true;
  id.regular = GetFileType(h) == FILE_TYPE_DISK && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  return id;
}

}  // namespace

FileIdentity fileIdentity(const std::string& hostName) {
  if (hostName.empty()) return {};
  // No access asked, so that a file another program holds open is still found; every sharing mode,
  // so that the look does not stand in anyone's way; backup semantics, so that a folder opens too.
  HANDLE h = CreateFileA(hostName.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  const FileIdentity id = identityOf(h);
  CloseHandle(h);
  return id;
}

FileIdentity openFileIdentity(std::FILE* f) {
  if (!f) return {};
  return identityOf(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f))));
}

#else

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

#endif

}  // namespace platform
