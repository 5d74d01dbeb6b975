#include "fuzz/fuzz_run.hpp"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>

#include "platform/console.hpp"
#include "platform/process_state.hpp"
#include "utility/run_control.hpp"
#include "utility/zero_array.hpp"

namespace fuzzrun {
namespace {

namespace fs = std::filesystem;

fs::path gFolder;
fs::path gHome;  // the folder the fuzzer was started in: its corpus and artifact paths are relative to it
std::ostringstream gOut;
std::istringstream gIn;

// Where the working folder goes: TMPDIR when it is set, else a folder in memory where the host has
// one, as the files of every input are written, read and removed there.
fs::path workParent() {
  std::error_code ec;
  if (std::getenv("TMPDIR") == nullptr && fs::is_directory("/dev/shm", ec)) return "/dev/shm";
  return fs::temp_directory_path();
}

void removeFolder() {
  std::error_code ec;
  if (!gFolder.empty()) fs::remove_all(gFolder, ec);
}

}  // namespace

void startInput() {
  // The state first: it closes whatever the last input left open before its files go.
  processstate::resetAll();
  if (gFolder.empty()) {
    zerostorage::startupOver();
    std::random_device rd;
    gFolder = workParent() / ("plenvor_fuzz_" + std::to_string(rd()) + std::to_string(rd()));
    fs::create_directories(gFolder);
    gHome = fs::current_path();
    std::atexit(removeFolder);
    return;
  }
  for (const fs::directory_entry& entry : fs::directory_iterator(gFolder)) fs::remove_all(entry.path());
}

void writeFile(const std::string& name, std::string_view bytes) {
  std::ofstream f(gFolder / name, std::ios::binary);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void run(const std::function<void()>& work) {
  gOut.str("");
  gIn.clear();
  gIn.str("");
  console::redirect(&gOut, &gIn);
  fs::current_path(gFolder);
  try {
    work();
  } catch (const RunEnd&) {
  }
  fs::current_path(gHome);
  console::redirect(nullptr, nullptr);
  if (std::getenv("PLENVOR_FUZZ_ECHO")) std::cerr << gOut.str() << std::flush;
}

}  // namespace fuzzrun
