#pragma once
// Run flags and the ways out of a run.
//
// EXITS is the one way out: it closes the managed units, pauses and ends the run by throwing
// RunEnd, which the program's entry point catches and turns into the process exit status. A stop
// with text (fuStop) ends the run at once, without the pause and without closing units, after
// flushing every open file. Tests catch RunEnd to see a run end.
#include <array>
#include <string>

struct RunEnd {
  int status;  // process exit status: 0 after a normal end, 1 after an error
};

// The run flags, set by FILEUNITSINITIALISE.
struct RunFlags {
  bool fuPauseOnExit = true;
  bool fuSkipClose = false;
  bool fuGuiMode = false;
  std::string fuTitle = std::string(100, ' ');
  std::string fuRunName = std::string(100, ' ');
  bool fuAutoCreateFolders = false;
  std::array<bool, 26> fuLetterFlags{};
  // Called once by EXITS before it closes the units, so that an owner of open output files can
  // complete them (an output layer's header totals); set by that owner, taken before the call.
  void (*fuCompleteBeforeExit)() = nullptr;
  // EXITS is completing the open output files. A fatal error there has been reported: EXITS then
  // throws RunEnd at once, which ends the completion of the file it met alone (its owner catches
  // it and goes on with the others), and the run ends as a failure.
  bool fuCompleting = false;
  bool fuCompletionFailed = false;
  void reset() { *this = RunFlags{}; }
  bool operator==(const RunFlags&) const = default;
};
extern RunFlags gRunFlags;

// Status 1 ends a run after an error, 0 a normal end or the user's own choice to stop.
[[noreturn]] void EXITS(int status = 1);
// A stop with text: prints the text, flushes every open file, ends with status 1; no pause, no closing.
[[noreturn]] void fuStop(const std::string& text);
// Cancel in a dialog: ends with no text.
[[noreturn]] void fuStopSilently();

void PAUSERUN();
bool ASKYESNO(const std::string& question);
void SETFLAGS();
void WRITECHARS(const std::string& text, int n);
void WRITETRIMMED(std::string& text);
void READCONSOLELINE(std::string& text, int& n);
bool SAMESIGN(float a, float b);

// Dialog mode: an OK box under the title, shown until it returns OK.
void fuShowUntilOk(const std::string& text, unsigned flags);

// The console pause: text on its own line, then one console line is read. Returns at end of input
// too: false then, true when a line was read.
bool fuPause(const std::string& text);

// Support contact address used by the "Should not be here" and "Please contact" messages.
inline constexpr const char* SUPPORT_CONTACT = " support@plenvor.example";
