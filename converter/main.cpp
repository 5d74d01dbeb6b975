#include <string>
#include <vector>

#include "converter/main_program.hpp"
#include "platform/console.hpp"
#include "utility/run_control.hpp"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv, argv + argc);
  try {
    plenvorMain(args);
  } catch (const RunEnd& end) {
    console::flush();
    return end.status;
  }
}
