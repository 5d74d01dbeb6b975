// The MapInfo save-date check: an exported MIF/MID pair must not be older than the table it was
// exported from, or the layer read would miss the table's latest edits.
#include <cstdint>
#include <string>

#include "platform/console.hpp"
#include "platform/file_times.hpp"
#include "platform/message_box.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"
#include "utility/messages.hpp"
#include "utility/run_control.hpp"
#include "utility/text.hpp"

namespace {

using platform::kCR;

// A log line that cannot be written ends the run naming the log, as every log writer does.
void echo(const std::string& text, int logUnit) {
  console::line(text);
  if (logUnit > 0) fuWriteLineOrExit(logUnit, text);
}

// Console mode: the user re-exports the layer and presses Enter. With no console input left
// nobody can re-export, and asking again would repeat the check for ever.
bool waitForReExport(const std::string& fileA) {
  console::line("Re-export mif file and press Enter, or close window.");
  std::string answer;
  if (console::readLine(answer)) return false;
  console::line();
  console::line("Console input has ended; cannot wait for the re-export of " + quoted(fileA) + ".");
  EXITS(1);
}

// Dialog mode: Retry checks again, Cancel stops the run.
bool askReExport(const std::string& label, const std::string& fileA, const std::string& fileB) {
  console::line("Re-export mif file, or use CHECK MI SAVE DATE == WARNING or OFF to suppress check.");
  const std::string text = label + " - Save date of " + kCR + quoted(fileB) + kCR + "is later than that of " + kCR +
                           quoted(fileA);
  const std::string caption = fixed::trimmed(gRunFlags.fuTitle) + " " + fixed::trimmed(gRunFlags.fuRunName);
  if (platform::messageBox(text, caption, platform::kBoxErrorRetryCancel) == platform::kBoxCancel) fuStopSilently();
  return false;
}

bool staleExport(const std::string& label, const std::string& fileA, const std::string& fileB, int& unitA,
                 int& unitB, bool isError, int logUnit) {
  const std::string line = label + " - Save date of " + quoted(fileB) + " file is later than that of " + quoted(fileA);
  if (!isError) {
    echo(line, logUnit);
    return true;
  }
  CLOSER(unitA);
  CLOSER(unitB);
  console::line(line);
  if (gRunFlags.fuGuiMode) return askReExport(label, fileA, fileB);
  return waitForReExport(fileA);
}

bool unreadableTime(const std::string& label, const std::string& fileA, const std::string& fileB, bool isError,
                    int logUnit) {
  echo(label + " - Could not access save date of " + quoted(fileA) + " to check with " + quoted(fileB), logUnit);
  if (!isError) return true;
  console::line();
  console::line("NOTE - If using KESTRA.exe, use CHECK MI SAVE DATE == WARNING or OFF to suppress check");
  console::line();
  EXITS(1);
}

}  // namespace

bool CHECKMISAVEDATE(const std::string& fileA, const std::string& fileB, int& unitA, int& unitB, bool isError,
                     int logUnit) {
  const std::string nameA = fixed::trimmed(fileA), nameB = fixed::trimmed(fileB);
  std::int64_t timeA = 0, timeB = 0;
  const bool haveA = fileModifiedSeconds(nameA, timeA);
  console::write("Checking save date is later than that of " + nameB + "...");
  const bool haveB = fileModifiedSeconds(nameB, timeB);
  const std::string label = isError ? "ERROR 0004" : "WARNING 0004";

  // Without both times nothing can be compared; either missing time is handled the same way.
  if (!haveA || !haveB) {
    console::line("NOT OK");
    console::line();
    return unreadableTime(label, nameA, nameB, isError, logUnit);
  }
  if (timeA < timeB) {
    console::line("NOT OK");
    console::line();
    return staleExport(label, nameA, nameB, unitA, unitB, isError, logUnit);
  }
  console::line("OK");
  console::line();
  return true;
}
