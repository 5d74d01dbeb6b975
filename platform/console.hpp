#pragma once
// The console: every progress line, prompt and pause of the system goes through here.
// Output is buffered and flushed before every console read and at exit. Tests redirect both
// directions to string streams.
#include <iosfwd>
#include <string>
#include <string_view>

namespace console {

void write(std::string_view text);        // text with no line end
void line(std::string_view text = {});     // text and a line end
void record(std::string_view text = {});   // a free-format output record: one blank, text, line end
                                           // (an empty record is an empty line)
void flush();

// Reads one console line into text (without its line end and without a trailing CR).
// Returns false at the end of console input (text is then empty).
bool readLine(std::string& text);

// Tests: send output to out and read input from in; nullptr restores the standard streams.
void redirect(std::ostream* out, std::istream* in);

// The program's console while this lives. On Windows the command-line arguments and file names are
// in the ANSI code page, while a console reads and writes in its own (OEM) code page: the console
// is set to the ANSI code page here, so that a name typed at the prompt is the file's name and a
// name prints as it is spelt, and it gets its own code pages back at the end. Elsewhere the console
// passes bytes as they are, and this does nothing.
class ProgramConsole {
 public:
  ProgramConsole();
  ~ProgramConsole();
  ProgramConsole(const ProgramConsole&) = delete;
  ProgramConsole& operator=(const ProgramConsole&) = delete;

 private:
  [[maybe_unused]] unsigned inputCodePage_ = 0;  // the console's own; 0 where there is no console
  [[maybe_unused]] unsigned outputCodePage_ = 0;
};

}  // namespace console
