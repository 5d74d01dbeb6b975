#include "platform/message_box.hpp"

#include "platform/console.hpp"

namespace platform {
namespace {

// The text up to its first NUL, as the box would show it.
std::string untilNul(const std::string& s) { return s.substr(0, s.find('\0')); }

std::string answerWord(const std::string& line) {
  std::size_t b = line.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  std::size_t e = line.find_last_not_of(" \t");
  std::string w = line.substr(b, e - b + 1);
  for (char& c : w)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return w;
}

void showText(const std::string& text, const std::string& caption) {
  console::line();
  console::line('[' + untilNul(caption) + ']');
  std::string shown = untilNul(text), cur;
  for (std::size_t i = 0; i < shown.size(); ++i) {
    char c = shown[i];
    if (c == '\r' || c == '\n') {
      console::line(cur);
      cur.clear();
      if (c == '\r' && i + 1 < shown.size() && shown[i + 1] == '\n') ++i;
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) console::line(cur);
}

}  // namespace

int messageBox(const std::string& text, const std::string& caption, unsigned flags) {
  showText(text, caption);
  std::string answer;
  switch (flags & kBoxButtonsMask) {
    case kBoxButtonsYesNoCancel:
      for (;;) {
        console::write("Yes, No or Cancel? ");
        if (!console::readLine(answer)) return kBoxCancel;
        std::string w = answerWord(answer);
        if (w == "y" || w == "yes") return kBoxYes;
        if (w == "n" || w == "no") return kBoxNo;
        if (w == "c" || w == "cancel") return kBoxCancel;
      }
    case kBoxButtonsYesNo: {
      console::write("Yes or No? ");
      if (!console::readLine(answer)) return kBoxNo;
      std::string w = answerWord(answer);
      return (w == "y" || w == "yes") ? kBoxYes : kBoxNo;
    }
    case kBoxButtonsRetryCancel: {
      console::write("Retry or Cancel? ");
      if (!console::readLine(answer)) return kBoxCancel;
      std::string w = answerWord(answer);
      return (w == "c" || w == "cancel") ? kBoxCancel : kBoxRetry;
    }
    case kBoxButtonsOkCancel: {
      console::write("OK or Cancel? ");
      if (!console::readLine(answer)) return kBoxCancel;
      std::string w = answerWord(answer);
      return (w == "c" || w == "cancel") ? kBoxCancel : kBoxOk;
    }
    default:  // kBoxButtonsOk, and any set this stand-in does not know
      console::write("Press Enter for OK: ");
      console::readLine(answer);
      return kBoxOk;
  }
}

}  // namespace platform
