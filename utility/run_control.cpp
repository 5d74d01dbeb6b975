// Run flags, the pause and the ways out of a run, and the small console routines.
#include "utility/run_control.hpp"

#include <utility>
#include <vector>

#include "platform/console.hpp"
#include "platform/message_box.hpp"
#include "platform/process_state.hpp"
#include "utility/file_streams.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"

RunFlags gRunFlags;
namespace {
const bool kEnrolled = processstate::enrol("gRunFlags", [] { gRunFlags.reset(); });
using platform::kCR;
using platform::kNul;

// The exit completing the output files, for as long as the completion runs.
struct Completing {
  Completing() { gRunFlags.fuCompleting = true; }
  ~Completing() { gRunFlags.fuCompleting = false; }
  Completing(const Completing&) = delete;
  Completing& operator=(const Completing&) = delete;
};

// A question that can no longer be answered ends the run, as every prompt does.
[[noreturn]] void endOfConsoleInput(const std::string& text) {
  console::line();
  console::line(text);
  EXITS();
}
}  // namespace

void fuShowUntilOk(const std::string& text, unsigned flags) {
  const std::string caption = fixed::trimmed(gRunFlags.fuTitle) + kNul;
  while (platform::messageBox(text + kNul, caption, flags) != platform::kBoxOk) {
  }
}

bool fuPause(const std::string& text) {
  console::line(text);
  std::string answer;
  return console::readLine(answer);
}

void EXITS(int status) {
  // A fatal error while the exit completes the output files, reported already: the exit under way
  // goes on, and ends the run as a failure.
  if (gRunFlags.fuCompleting) {
    gRunFlags.fuCompletionFailed = true;
    throw RunEnd{1};
  }
  // Files are complete before the pause; one whose bytes could not be saved makes the run a failure.
  std::vector<std::string> unsaved;
  if (!gRunFlags.fuSkipClose) {
    // Taken before the call, so that it runs once.
    if (void (*complete)() = std::exchange(gRunFlags.fuCompleteBeforeExit, nullptr)) {
      const Completing completing;
      complete();
    }
    if (gRunFlags.fuCompletionFailed) status = 1;
    unsaved = fileunits::closeTableUnits();
  }
  for (const std::string& name : fuFlushAll()) unsaved.push_back(name);
  for (const std::string& name : unsaved) fileunits::reportUnwritten(name);
  if (!unsaved.empty()) status = 1;
  if (gRunFlags.fuPauseOnExit) {
    if (gRunFlags.fuGuiMode) {
      fuShowUntilOk("Premature Exit of " + fixed::trimmed(gRunFlags.fuTitle) + " Simulation " +
                        fixed::trimmed(gRunFlags.fuRunName) + kCR + kCR + "Press OK to Close Simulation Window",
                    platform::kBoxErrorOk);
    } else {
      console::line();
      fuPause("Press Enter to Close");
    }
  }
  console::flush();
  throw RunEnd{status};
}

void fuStop(const std::string& text) {
  console::line(text);
  fuFlushAll();
  console::flush();
  throw RunEnd{1};
}

void fuStopSilently() {
  fuFlushAll();
  console::flush();
  throw RunEnd{1};
}

void PAUSERUN() {
  if (gRunFlags.fuGuiMode) {
    fuShowUntilOk(fixed::trimmed(gRunFlags.fuTitle) + " Simulation " + fixed::trimmed(gRunFlags.fuRunName) +
                      " paused" + kCR + kCR + "Refer to Simulation Window" + kCR + kCR + "Press OK to Continue",
                  platform::kBoxWarningOk);
    return;
  }
  console::line();
  fuPause("Press Enter to Continue");
}

bool ASKYESNO(const std::string& question) {
  console::write(question + "? ");
  std::string answer;
  if (!console::readLine(answer)) endOfConsoleInput("No answer and no more console input.");
  return !answer.empty() && (answer[0] == 'Y' || answer[0] == 'y');
}

void SETFLAGS() {
  console::write("Set flags: ");
  std::string answer;
  if (!console::readLine(answer)) endOfConsoleInput("No flags entered and no more console input.");
  if (answer.size() > 26) answer.resize(26);
  for (char c : answer) {
    if (c >= 'A' && c <= 'Z') gRunFlags.fuLetterFlags[static_cast<std::size_t>(c - 'A')] = true;
    else if (c >= 'a' && c <= 'z') gRunFlags.fuLetterFlags[static_cast<std::size_t>(c - 'a')] = true;
  }
}

void WRITECHARS(const std::string& text, int n) {
  // Never beyond the text itself, whatever n says.
  if (n <= 0) return;
  std::size_t count = static_cast<std::size_t>(n) < text.size() ? static_cast<std::size_t>(n) : text.size();
  console::write(std::string_view(text).substr(0, count));
}

void WRITETRIMMED(std::string& text) { WRITECHARS(text, LENSL(text)); }

void READCONSOLELINE(std::string& text, int& n) {
  std::string answer;
  console::readLine(answer);
  // The line read is kept in the caller's text, within its declared length.
  fixed::assign(text, answer);
  n = LENSL(text);
}

bool SAMESIGN(float a, float b) { return !((a >= 0.0f && b < 0.0f) || (a < 0.0f && b >= 0.0f)); }
