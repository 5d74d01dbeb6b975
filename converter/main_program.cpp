#include "converter/main_program.hpp"

#include "utility/console.hpp"
#include "utility/run_control.hpp"

// Placeholder until the main program is built.
void plenvorMain(const std::vector<std::string>&) {
  console::line();
  console::line("Build 2023-01-AA");
  throw RunEnd{0};
}
