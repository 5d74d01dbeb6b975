// Converts its input as an SDF export, running the main program in-process as the command line
// would.
//
// Input: one options byte, then the SDF file's bytes.
//   options & 3: 0 no format option, 1 -shp, 2 -mif, 3 both (which the program refuses)
//   options & 4: -notrim
// The working folder also holds a Projection.prj and a Projection.mif, so both formats find their
// projection. Seeds: any SDF export with an options byte put before it (README.md, "Fuzzing").
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "converter/main_program.hpp"
#include "fuzz/fuzz_run.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t options = data[0];
  fuzzrun::startInput();
  fuzzrun::writeFile("in.sdf", std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
  fuzzrun::writeFile("Projection.prj", "PROJCS[\"Local\",GEOGCS[\"GCS\"],UNIT[\"Meter\",1.0]]\n");
  fuzzrun::writeFile("Projection.mif", "Version 300\nCoordSys NonEarth Units \"m\" Bounds (0, 0) (1000000, 1000000)\n");
  std::vector<std::string> args = {"plenvor"};
  if (options & 1) args.push_back("-shp");
  if (options & 2) args.push_back("-mif");
  if (options & 4) args.push_back("-notrim");
  args.push_back("in.sdf");
  fuzzrun::run([&] { plenvorMain(args); });
  return 0;
}
