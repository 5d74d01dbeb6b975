#include "platform/console.hpp"

#include <iostream>

#include "platform/process_state.hpp"

#ifdef _WIN32
#include <windows.h>
#endif

namespace console {
namespace {
// Where the console goes: the standard streams, or the streams a test has put in their place.
struct ConsoleStreams {
  std::ostream* out = nullptr;
  std::istream* in = nullptr;
  // Back to the standard streams. A stream put in their place belongs to its owner, who may have
  // let it go already, so it is not touched.
  void reset() { *this = ConsoleStreams{}; }
};
ConsoleStreams gConsoleStreams;
const bool kEnrolled = processstate::enrol("gConsoleStreams", [] { gConsoleStreams.reset(); });

std::ostream& out() { return gConsoleStreams.out ? *gConsoleStreams.out : std::cout; }
std::istream& in() { return gConsoleStreams.in ? *gConsoleStreams.in : std::cin; }
}  // namespace

void write(std::string_view text) { out() << text; }
void line(std::string_view text) { out() << text << '\n'; }
void record(std::string_view text) {
  if (text.empty()) out() << '\n';
  else out() << ' ' << text << '\n';
}
void flush() { out().flush(); }

bool readLine(std::string& text) {
  flush();
  text.clear();
  if (!std::getline(in(), text)) {
    text.clear();
    return false;
  }
  if (!text.empty() && text.back() == '\r') text.pop_back();
  return true;
}

void redirect(std::ostream* o, std::istream* i) {
  flush();
  gConsoleStreams.out = o;
  gConsoleStreams.in = i;
}

#ifdef _WIN32
ProgramConsole::ProgramConsole() : inputCodePage_(GetConsoleCP()), outputCodePage_(GetConsoleOutputCP()) {
  if (inputCodePage_ != 0) SetConsoleCP(GetACP());
  if (outputCodePage_ != 0) SetConsoleOutputCP(GetACP());
}

ProgramConsole::~ProgramConsole() {
  flush();
  if (inputCodePage_ != 0) SetConsoleCP(inputCodePage_);
  if (outputCodePage_ != 0) SetConsoleOutputCP(outputCodePage_);
}
#else
ProgramConsole::ProgramConsole() = default;
ProgramConsole::~ProgramConsole() = default;
#endif

}  // namespace console
