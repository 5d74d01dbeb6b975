#include "converter/read_failure.hpp"

#include "converter/sdf_blocks.hpp"
#include "platform/console.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"
#include "utility/numbers.hpp"
#include "utility/run_control.hpp"

void reportReadPlace(ReadPlace place) {
  if (place.unit == 0) return;
  std::string text = "Line " + AINTEGER8(place.lineNo) + " of file " + fixed::trimmed(fuName(place.unit));
  text += sdfAtEnd(place.unit) ? ", the last line of the file." : ".";
  console::line(text);
}

void stopOnDataReadFailure(bool ranOut, const std::string& line, ReadPlace place) {
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
  reportReadPlace(place);
  EXITS();
}
