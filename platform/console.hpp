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

}  // namespace console
