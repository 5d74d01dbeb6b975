#include <string>
#include <vector>

#include "converter/main_program.hpp"
#include "platform/console.hpp"
#include "utility/run_control.hpp"
#include "utility/zero_array.hpp"

int main(int argc, char** argv) {
  const console::ProgramConsole programConsole;
  // The arrays of the process-wide state are made; those a run makes are blocks of their own.
  zerostorage::startupOver();
  std::vector<std::string> args(argv, argv + argc);
  try {
    plenvorMain(args);
  } catch (const RunEnd& end) {
    console::flush();
    return end.status;
  }
}
