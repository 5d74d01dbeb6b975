// How long a reset of all process-wide state takes, as the tests' fixture and a fuzz run make it
// between runs: after a conversion run in this process, and on state that no run has used.
//
//     plenvor_reset_timing [SDF [RUNS]]
//
// With an SDF file, each of RUNS rounds (default 20) converts it with -shp in a temporary folder
// of its own, with the console captured, and times the reset that follows; without one, only the
// reset of unused state is timed. Prints the best and the median of each, in milliseconds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "converter/main_program.hpp"
#include "gis/gis_read.hpp"
#include "gis/grid_assign.hpp"
#include "platform/console.hpp"
#include "platform/process_state.hpp"
#include "utility/run_control.hpp"

namespace {

double resetMilliseconds() {
  const auto start = std::chrono::steady_clock::now();
  processstate::resetAll();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void report(const char* what, std::vector<double> times) {
  std::sort(times.begin(), times.end());
  std::printf("%s: best %.3f ms, median %.3f ms (%zu resets)\n", what, times.front(), times[times.size() / 2],
              times.size());
}

// One conversion of sdf in folder, console captured; true when it ended with status 0.
bool convert(const std::filesystem::path& sdf, const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  std::filesystem::copy_file(sdf, folder / sdf.filename(), std::filesystem::copy_options::overwrite_existing);
  const std::filesystem::path prj = sdf.parent_path() / "Projection.prj";
  if (std::filesystem::exists(prj))
    std::filesystem::copy_file(prj, folder / "Projection.prj", std::filesystem::copy_options::overwrite_existing);
  const std::filesystem::path back = std::filesystem::current_path();
  std::filesystem::current_path(folder);
  std::ostringstream out;
  std::istringstream in("\n");
  console::redirect(&out, &in);
  int status = 1;
  try {
    plenvorMain({"plenvor", "-shp", sdf.filename().string()});
  } catch (const RunEnd& end) {
    status = end.status;
  }
  console::redirect(nullptr, nullptr);
  std::filesystem::current_path(back);
  return status == 0;
}

}  // namespace

int main(int argc, char** argv) {
  // The reading side and the grid assignment, which the converter does not call, are part of the
  // process that the tests reset: their blocks are linked in as well.
  const void* volatile linked[] = {&gGisRead, &gAssignLayerBuffers, &gAssignObjectBuffers};
  (void)linked;
  std::printf("%zu state blocks:", processstate::blocks().size());
  for (const processstate::Block& b : processstate::blocks()) std::printf(" %s", b.name);
  std::printf("\n");
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
  std::vector<double> unused;
  for (int k = 0; k < runs; ++k) unused.push_back(resetMilliseconds());
  report("reset of unused state", unused);
  if (argc < 2) return 0;

  const std::filesystem::path sdf = std::filesystem::absolute(argv[1]);
  const std::filesystem::path work =
      std::filesystem::temp_directory_path() / ("plenvor-reset-timing-" + std::to_string(std::random_device{}()));
  std::vector<double> afterRun;
  bool ok = true;
  for (int k = 0; k < runs && ok; ++k) {
    ok = convert(sdf, work / std::to_string(k));
    afterRun.push_back(resetMilliseconds());
  }
  std::filesystem::remove_all(work);
  if (!ok) {
    std::fprintf(stderr, "the conversion of %s did not end normally\n", sdf.string().c_str());
    return 1;
  }
  report(("reset after converting " + sdf.filename().string()).c_str(), afterRun);
  return 0;
}
