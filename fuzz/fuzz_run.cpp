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

namespace fuzzrun {
namespace {

namespace fs = std::filesystem;

fs::path gFolder;
fs::path gHome;  // the folder the fuzzer was started in: its corpus and artifact paths are relative to it
std::ostringstream gOut;
std::istringstream gIn;

void removeFolder() {
  std::error_code ec;
  if (!gFolder.empty()) fs::remove_all(gFolder, ec);
}

}  // namespace

void startInput() {
  // The state first: it closes whatever the last input left open before its files go.
  processstate::resetAll();
  if (gFolder.empty()) {
    std::random_device rd;
    gFolder = fs::temp_directory_path() / ("plenvor_fuzz_" + std::to_string(rd()) + std::to_string(rd()));
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
