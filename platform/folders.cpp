#include "platform/folders.hpp"

#include <algorithm>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace platform {
namespace {

std::string lowered(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

std::string trimmedBlanks(const std::string& s) {
  std::size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  std::size_t e = s.find_last_not_of(' ');
  return s.substr(b, e - b + 1);
}

bool copyOne(const fs::path& from, const fs::path& folder) {
  std::error_code ec;
  if (!fs::is_regular_file(from, ec)) return false;
#ifdef _WIN32
  // The file library's copy will not replace a file there ("File exists"); the host's copy will.
  return CopyFileW(from.c_str(), (folder / from.filename()).c_str(), FALSE) != 0;
#else
  fs::copy_file(from, folder / from.filename(), fs::copy_options::overwrite_existing, ec);
  return !ec;
#endif
}

// "river.*" matches "river" and every "river.<anything>".
bool matchesStem(const std::string& file, const std::string& stem) {
  std::string f = lowered(file), s = lowered(stem);
  return f == s || (f.size() > s.size() && f.compare(0, s.size(), s) == 0 && f[s.size()] == '.');
}

}  // namespace

std::string hostPath(const std::string& name) {
  std::string p = name;
  if constexpr (fs::path::preferred_separator == '/') std::replace(p.begin(), p.end(), '\\', '/');
  return p;
}

#ifdef _WIN32
fs::path hostFilePath(const std::string& name) {
  const std::string host = hostPath(name);
  if (host.empty()) return {};
  const int n = MultiByteToWideChar(CP_ACP, 0, host.data(), static_cast<int>(host.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, host.data(), static_cast<int>(host.size()), wide.data(), n);
  return fs::path(wide);
}

std::string systemName(const fs::path& path) {
  const std::wstring& wide = path.native();
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string name(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), name.data(), n, nullptr, nullptr);
  return name;
}
#else
fs::path hostFilePath(const std::string& name) { return fs::path(hostPath(name)); }

std::string systemName(const fs::path& path) { return path.string(); }
#endif

int makeFolder(const std::string& folder) {
  std::string f = trimmedBlanks(folder);
  if (f.empty()) return -1;
  std::error_code ec;
  const fs::path p = hostFilePath(f);
  if (fs::is_directory(p, ec)) return 0;
  fs::create_directories(p, ec);
  return fs::is_directory(p, ec) ? 0 : -1;
}

int copyFiles(const std::string& source, const std::string& targetFolder) {
  std::string src = trimmedBlanks(source), dst = trimmedBlanks(targetFolder);
  if (src.empty() || dst.empty()) return -1;
  std::error_code ec;
  const fs::path folder = hostFilePath(dst);
  if (!fs::is_directory(folder, ec)) return -1;
  const fs::path from = hostFilePath(src);
  std::string leaf = systemName(from.filename());
  if (leaf.size() < 2 || leaf.compare(leaf.size() - 2, 2, ".*") != 0) return copyOne(from, folder) ? 0 : -1;

  std::string stem = leaf.substr(0, leaf.size() - 2);
  fs::path dir = from.parent_path();
  if (dir.empty()) dir = ".";
  fs::directory_iterator it(dir, ec), end;
  if (ec) return -1;
  int copied = 0;
  bool failed = false;
  for (; it != end; it.increment(ec)) {
    if (ec) return -1;
    const fs::path& p = it->path();
    if (!it->is_regular_file(ec) || !matchesStem(systemName(p.filename()), stem)) continue;
    if (copyOne(p, folder)) ++copied;
    else failed = true;
  }
  return (failed || copied == 0) ? -1 : 0;
}

}  // namespace platform
