#include "platform/file_times.hpp"

#include <chrono>
#include <filesystem>
#include <system_error>

#include "platform/folders.hpp"

bool fileModifiedSeconds(const std::string& name, std::int64_t& seconds) {
  if (name.empty()) return false;
  std::error_code ec;
  const auto t = std::filesystem::last_write_time(platform::hostFilePath(name), ec);
  if (ec) return false;
  // Floor, so that times before the clock's epoch still fall into the second that holds them.
  seconds = std::chrono::floor<std::chrono::seconds>(t.time_since_epoch()).count();
  return true;
}
