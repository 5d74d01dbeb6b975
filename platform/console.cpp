#include "platform/console.hpp"

#include <iostream>

namespace console {
namespace {
std::ostream* gOut = nullptr;
std::istream* gIn = nullptr;
std::ostream& out() { return gOut ? *gOut : std::cout; }
std::istream& in() { return gIn ? *gIn : std::cin; }
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
  gOut = o;
  gIn = i;
}

}  // namespace console
