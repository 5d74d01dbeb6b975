// OPENERCORE: the open itself, with the questions and retries of a failed open, and the copy
// of opened inputs into a copy tree.
#include <cerrno>
#include <string>
#include <system_error>
#include <vector>

#include "platform/console.hpp"
#include "platform/folders.hpp"
#include "platform/message_box.hpp"
#include "utility/file_streams.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"
#include "utility/paths.hpp"
#include "utility/run_control.hpp"
#include "utility/text.hpp"

namespace {

using fileunits::echoLine;
using fileunits::echoWrite;

using platform::kCR;
using platform::kNul;

using fileunits::ModeClass;

// One open in progress.
struct CoreOpen {
  int& unit;
  std::string name;  // trimmed
  std::string mode;  // two characters
  const fileunits::FileMode* meaning;  // the mode's row of the table; null for a code it does not hold
  std::string description;
  int echoUnit;
  platform::FileIdentity file{};  // the file the name reaches, asked for once per attempt
  bool autoCreateTried = false;
  // Why the host refused the last output open; none when it gave no reason.
  std::error_code refusal{};

  bool input() const { return meaning && meaning->kind == ModeClass::Input; }
  // A file another unit holds is opened once more, not asked about. A code the table does not
  // hold shares when it begins with "A" or "S", as the table's shared codes do.
  bool opensOnceMore() const { return meaning ? meaning->opensOnceMore : mode[0] == 'A' || mode[0] == 'S'; }
};

std::string descriptionText(const std::string& d) {
  std::size_t n = d.size();
  while (n > 0 && (d[n - 1] == ' ' || d[n - 1] == '\0')) --n;
  return d.substr(0, n);
}

std::string boxText(const std::string& composed) { return fixed::trimmed(fixed::fit(composed, 256)) + kNul; }

int box(const std::string& text, unsigned flags) {
  return platform::messageBox(text, fileunits::boxCaption(), flags);
}

// A blank or missing name: ask for another (or, in dialog mode, whether to try again).
void askForName(CoreOpen& op) {
  if (gRunFlags.fuGuiMode) {
    const std::string text = fixed::trimmed(gRunFlags.fuTitle) + " FILE and/or path" + kCR + op.name + kCR +
                             "does not exist." + kNul;
    if (box(text, platform::kBoxWarningRetryCancel) == platform::kBoxCancel) fuStopSilently();
    return;
  }
  const std::string description = descriptionText(op.description);
  if (description.empty()) {
    console::line();
    console::write("Check file exists and press enter or enter another file name: ");
  } else {
    console::write("What is the " + description + " file name? ");
  }
  std::string answer;
  if (!console::readLine(answer)) {
    console::line();
    console::line("No file name entered and no more console input.");
    EXITS();
  }
  if (answer.size() > 80) answer.resize(80);
  if (fixed::isBlank(answer)) {
    console::line();
    console::line("No file name entered.  Trying file again...");
    return;
  }
  op.name = fixed::trimmed(TRIMF(answer));
}

// Before each attempt: tidy the name, replace its drive, announce the attempt.
void prepareAndAnnounce(CoreOpen& op) {
  std::string work = fixed::fit(op.name, kTextLength);
  op.name = CLEANPATH(work);
  const std::string& drive = op.input() ? gFileUnits.fuInputDrive : gFileUnits.fuOutputDrive;
  if (!drive.empty() && drive[0] != ' ' && op.name.size() >= 2 && op.name[1] == ':') op.name[0] = drive[0];
  echoLine(op.echoUnit, "");
  echoWrite(op.echoUnit, "Trying to open file " + op.name + "...");
}

// A file open elsewhere for writing is one this run writes: closing it would leave it unfinished
// and opening it again would empty it, so the run stops rather than ask.
void refuseFileThisRunWrites(const CoreOpen& op) {
  for (int other : fileunits::unitsOnFile(op.file)) {
    if (fuReadsOnly(other)) continue;
    console::line();
    console::line("ERROR - " + op.name + " would be written over " + fuName(other) + ", a file this run writes.");
    EXITS();
  }
}

// A file open elsewhere, for a mode that may not share it: false sends the user back to naming a file.
bool closeOtherConnections(CoreOpen& op) {
  if (gRunFlags.fuGuiMode) {
    const std::string text = fixed::trimmed(gRunFlags.fuTitle) + " file " + kCR + op.name + kCR +
                             "is already open.  Close it?" + kNul;
    if (box(text, platform::kBoxQuestionYesNo) != platform::kBoxYes) EXITS();
  } else {
    console::line();
    console::write(op.name + " is already open, close it? ");
    std::string answer;
    if (!console::readLine(answer)) {
      console::line();
      console::line("No answer and no more console input.");
      EXITS();
    }
    if (answer.empty() || (answer[0] != 'Y' && answer[0] != 'y')) return false;
  }
  for (int other : fileunits::unitsOnFile(op.file))
    if (!fileunits::disconnect(other)) fuStop("  Unable to close file.");
  return true;
}

// Text of a folder of the copy tree: the copy root and the folder with its drive made a folder name.
std::string copyTreeFolder(const std::string& sourceFolder) {
  std::string f = fixed::fit(sourceFolder, kTextLength);
  DRIVETOFOLDER(f);
  return fixed::trimmed(gFileUnits.fuCopyRoot) + fixed::trimmed(f);
}

void makeCopyFolder(const std::string& folder) {
  if (platform::makeFolder(folder) != -1) return;
  console::line("ERROR 0005 - Could not make the folder below while making a copy of the input files.");
  console::line("             Check permissions and/or sufficient disk space.");
  console::line("\"" + folder + "\"");
  EXITS();
}

// In a copy run the opened input, and the files that belong with it, go into the copy tree.
void copyInput(const CoreOpen& op) {
  std::string folder = copyTreeFolder(FILEFOLDERPATH(op.name));
  makeCopyFolder(folder);
  // The caller's name stays the file it opened; the copy works on a name of its own.
  std::string copyName = op.name;
  bool copied = true;
  if (gFileUnits.fuCopyNamedOnly) {
    copied = platform::copyFiles(op.name, folder) != -1;
  } else {
    std::string sourceFolder = fixed::trimmed(FILEFOLDERPATH(op.name));
    if (ASAME(FILEEXT(op.name), ".xf")) {
      platform::copyFiles(op.name, folder);
      copyName = fixed::trimmed(FILENAME(op.name));
      sourceFolder += "..\\";
      folder = copyTreeFolder(sourceFolder);
      makeCopyFolder(folder);
    }
    copied = platform::copyFiles(sourceFolder + fixed::trimmed(FILENAME(copyName)) + ".*", folder) != -1;
  }
  if (!copied) {
    console::line("ERROR 0006 - Could not copy the file below while making a copy of the input files.");
    console::line("             Check permissions and/or sufficient disk space.");
    console::line("\"" + copyName + "\"");
    EXITS();
  }
  fixed::assign(gFileUnits.fuLastCopy,
                fixed::trimmed(ADDFOLDER(folder, fixed::trimmed(FILENAME(copyName)) + fixed::trimmed(FILEEXTKC(copyName)))));
}

// True when the input is open, false when it is missing.
bool openInput(CoreOpen& op) {
  if (!fuFileExists(op.name)) {
    echoLine(op.echoUnit, "");
    echoLine(op.echoUnit, "CHECK 0008 - \"" + op.name + "\" cannot be found");
    return false;
  }
  std::shared_ptr<FileStream> s = fileunits::findStream(op.file);
  if (!s) s = fileunits::openStream(op.name, fileunits::Access::Read);
  if (!s) {
    echoLine(op.echoUnit, "Can't Open");
    console::line("ERROR - File \"" + op.name + "\" exists but could not be opened for reading.");
    EXITS();
  }
  fileunits::connect(op.unit, op.name, op.mode, std::move(s));
  echoLine(op.echoUnit, "OK.");
  echoLine(op.echoUnit, "Opened File Unit:" + fileunits::unitColumns(op.unit));
  if (gFileUnits.fuCopyInputs) copyInput(op);
  return true;
}

// A file open for reading whose stream could not be made writable, named with the reason; the run
// ends. The open for writing did not take place, so nothing has been written to any file.
[[noreturn]] void refuseReopen(const CoreOpen& op, const FileStream& s, fileunits::Reopen why) {
  const std::vector<int> readers = fileunits::unitsOnFile(s.identity);
  const std::string reader = readers.empty() ? op.name : fuName(readers.front());
  console::line();
  if (why == fileunits::Reopen::AnotherFile)
    console::line("ERROR - Could not open file \"" + op.name + "\" for writing: it is open for reading as \"" + reader +
                  "\", and that name now reaches another file.");
  else if (why == fileunits::Reopen::Unpositioned)
    console::line("ERROR - Could not open file \"" + op.name +
                  "\" for writing at the place where it is being read.");
  else
    console::line("ERROR - Could not open file \"" + op.name + "\".");
  EXITS();
}

// "IO": opened or created with the host's defaults; returns without a result line.
void openReadWrite(CoreOpen& op) {
  std::shared_ptr<FileStream> s = fileunits::findStream(op.file);
  if (s) {
    if (const fileunits::Reopen why = fileunits::makeWritable(*s); why != fileunits::Reopen::Writable)
      refuseReopen(op, *s, why);
  } else {
    s = fileunits::openStream(op.name, fileunits::Access::Update);
    if (!s) s = fileunits::openStream(op.name, fileunits::Access::Read);
  }
  if (!s) {
    console::line();
    console::line("ERROR - Could not open file \"" + op.name + "\".");
    EXITS();
  }
  fileunits::connect(op.unit, op.name, op.mode, std::move(s));
}

// Outputs of a copy run go into the copy tree.
void redirectIntoCopyTree(CoreOpen& op) {
  const std::string folder = copyTreeFolder(FILEFOLDERPATH(op.name));
  if (platform::makeFolder(folder) == -1) {
    console::line();
    makeCopyFolder(folder);
  }
  op.name = fixed::trimmed(ADDFOLDER(folder, fixed::trimmed(FILENAME(op.name)) + fixed::trimmed(FILEEXTKC(op.name))));
  fixed::assign(gFileUnits.fuLastCopy, op.name);
  op.file = fileunits::identityOf(op.name);
}

// One output open by the mode table; false when the host refused.
bool tryOpenOutput(CoreOpen& op) {
  if (std::shared_ptr<FileStream> shared = fileunits::findStream(op.file)) {
    errno = 0;
    const fileunits::Reopen why = fileunits::makeWritable(*shared);
    if (why == fileunits::Reopen::Refused) {
      op.refusal = std::error_code(errno, std::generic_category());
      return false;
    }
    if (why != fileunits::Reopen::Writable) {
      echoLine(op.echoUnit, "Can't Open");
      refuseReopen(op, *shared, why);
    }
    fileunits::connect(op.unit, op.name, op.mode, std::move(shared));
    return true;
  }
  // No unit holds the file: it is opened as the mode's row says.
  errno = 0;
  std::shared_ptr<FileStream> s = fileunits::openStream(op.name, op.meaning->access);
  if (!s) {
    op.refusal = std::error_code(errno, std::generic_category());
    return false;
  }
  fileunits::connect(op.unit, op.name, op.mode, std::move(s));
  return true;
}

// A failed output open on the console: tell the user, pause, and let the open be tried again.
void reportFailedOutput(const CoreOpen& op) {
  console::record();
  console::record("Can't open: " + op.name);
  console::record();
  console::record("Another application or user maybe using it,");
  console::record("   or the file's folder does not exist.");
  console::record("If so, close the file or create file path.");
  // The host's own reason settles which it is, or that it is neither (a name too long, say).
  if (op.refusal) console::record("Reason given by the system: " + op.refusal.message() + ".");
  console::line();
  if (!fuPause("Press Enter to Continue")) {
    console::line("ERROR - Could not open \"" + op.name + "\" and there is no more console input to try again.");
    EXITS();
  }
}

// A missing output folder in dialog mode.
void folderDialog(CoreOpen& op) {
  const std::string folder = fixed::trimmed(FILEFOLDERPATH(op.name));
  for (;;) {
    // Creating without asking is done once per open: a folder that exists already, or an open
    // that still fails after the folder was made, is the user's to decide.
    const bool ask = !(gRunFlags.fuAutoCreateFolders && !op.autoCreateTried);
    if (ask) {
      const int r = box(boxText(folder + kCR + kCR + "Above folder does not exist!  Create?" + kCR + kCR +
                                "Either create the folder yourself and press No," + kCR +
                                "or press Yes to have the folder created for you."),
                        platform::kBoxWarningYesNoCancel);
      if (r == platform::kBoxCancel) fuStopSilently();
      if (r == platform::kBoxNo) return;
      if (box(boxText("Create folder below?" + kCR + kCR + folder + kCR), platform::kBoxQuestionYesNo) !=
          platform::kBoxYes)
        continue;
    }
    op.autoCreateTried = true;
    while (platform::makeFolder(folder) == -1) {
      if (box(boxText("Could not create folder:" + kCR + kCR + folder + kCR + kCR +
                      "Check permissions and/or sufficient disk space."),
              platform::kBoxWarningRetryCancel) == platform::kBoxCancel)
        fuStopSilently();
    }
    return;
  }
}

// Output and read-write opens, tried again until one succeeds or the user gives up.
void openOutput(CoreOpen& op) {
  if (!op.meaning || op.meaning->kind != ModeClass::Output) {
    if (op.meaning && op.meaning->kind == ModeClass::ReadWrite) {
      openReadWrite(op);
      return;
    }
    console::line("  Unrecognised file type " + op.mode + " file " + fixed::fit(op.name, 80));
    return;
  }
  if (gFileUnits.fuCopyInputs) redirectIntoCopyTree(op);
  for (;;) {
    if (tryOpenOutput(op)) {
      echoLine(op.echoUnit, "OK.  File Unit:" + fileunits::unitColumns(op.unit));
      return;
    }
    op.file = fileunits::identityOf(op.name);  // a further attempt asks the host again
    const bool exists = fileunits::existsOnHost(op.name);
    if (op.meaning->unitZeroWhenRefused && exists) {
      echoLine(op.echoUnit, "FAILED.  No File Unit allocated.");
      op.unit = 0;
      return;
    }
    echoLine(op.echoUnit, "Can't Open");
    if (!gRunFlags.fuGuiMode) {
      reportFailedOutput(op);
    } else if (exists) {
      if (box(boxText(op.name + kCR + kCR + "Above file is locked by another application." + kCR + kCR +
                      "Close the file in the other application and press Retry."),
              platform::kBoxWarningRetryCancel) == platform::kBoxCancel)
        fuStopSilently();
    } else {
      folderDialog(op);
    }
  }
}

// The caller's name receives the final name; a field too short for it grows rather than cut it.
void storeName(std::string& name, const std::string& finalName) {
  if (finalName.size() <= name.size()) fixed::assign(name, finalName);
  else name = finalName;
}

}  // namespace

void OPENERCORE(int& unit, std::string& name, int /*nameLen*/, const std::string& mode,
                const std::string& description, int /*ask*/, int echoUnit) {
  const std::string m = fixed::fit(mode, 2);
  CoreOpen op{unit, fixed::trimmed(name), m, fileunits::fileMode(m), description, echoUnit};
  if (fixed::isBlank(op.name)) askForName(op);
  for (;;) {
    prepareAndAnnounce(op);
    op.file = fileunits::identityOf(op.name);
    const bool openElsewhere = fileunits::findStream(op.file) != nullptr;
    if (openElsewhere && !op.opensOnceMore()) refuseFileThisRunWrites(op);
    if (openElsewhere && !op.opensOnceMore() && !closeOtherConnections(op)) {
      askForName(op);
      continue;
    }
    if (op.input()) {
      if (openInput(op)) break;
      askForName(op);
      continue;
    }
    openOutput(op);
    break;
  }
  storeName(name, op.name);
}
