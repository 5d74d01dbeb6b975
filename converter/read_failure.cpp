#include "converter/read_failure.hpp"

#include "platform/console.hpp"
#include "utility/fixed_text.hpp"
#include "utility/run_control.hpp"

void stopOnDataReadFailure(bool ranOut, const std::string& line) {
  console::line();
  if (ranOut) {
    console::line("ERROR reading data");
    console::line();
  } else {
    console::line("ERROR - Reading following line in file:");
    console::line();
    console::line(fixed::trimmed(line));
    console::line();
  }
  EXITS();
}
