// The file-unit manager: numbering, the openers' console lines and questions, the shared streams
// behind the units, reading and writing, the copy tree, and the host folder and box stand-ins.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "platform/file_identity.hpp"
#include "platform/file_times.hpp"
#include "platform/folders.hpp"
#include "platform/message_box.hpp"
#include "tests/test_support.hpp"
#include "utility/file_streams.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"

namespace fs = std::filesystem;

namespace {

class FilesTest : public FileUnitsTest {
 protected:
  // The next lines of the unit, read one by one.
  static void expectLines(int unit, std::initializer_list<std::string> lines) {
    std::string line;
    for (const std::string& want : lines) {
      ASSERT_EQ(fuReadLine(unit, line), ReadStatus::Ok) << want;
      EXPECT_EQ(line, want);
    }
  }
  int open(const std::string& mode, const std::string& name) {
    int unit = 0;
    OPENERBYNAME(unit, mode, name, static_cast<int>(name.size()));
    return unit;
  }
  static std::string columns(int unit) {
    std::string u = std::to_string(unit);
    return std::string(u.size() < 4 ? 4 - u.size() : 0, ' ') + u;
  }
  static std::string opened(const std::string& name, int unit) {
    return "\nTrying to open file " + name + "...OK.\nOpened File Unit:" + columns(unit) + "\n";
  }
  static std::string created(const std::string& name, int unit) {
    return "\nTrying to open file " + name + "...OK.  File Unit:" + columns(unit) + "\n";
  }
  static std::string missing(const std::string& name) {
    return "\nTrying to open file " + name + "...\nCHECK 0008 - \"" + name + "\" cannot be found\n";
  }
  static constexpr const char* kCheckPrompt = "\nCheck file exists and press enter or enter another file name: ";
};

// ---- Numbering ----

TEST_F(FilesTest, BaseThousandGivesFixedAndPoolUnits) {
  for (int k = 1; k <= 8; ++k) EXPECT_EQ(gFileUnits.fuFixedUnit[k], 992 + k);
  EXPECT_EQ(gFileUnits.fuPoolUnit[1], 1001);
  EXPECT_EQ(gFileUnits.fuPoolUnit[1000], 2000);
  EXPECT_TRUE(gRunFlags.fuPauseOnExit);
  EXPECT_FALSE(gRunFlags.fuGuiMode);
  EXPECT_EQ(gFileUnits.fuFixedMode[3], "  ");
  EXPECT_EQ(gFileUnits.fuFixedName[3], std::string(kTextLength, ' '));
}

TEST_F(FilesTest, SmallBaseIsRaisedToNine) {
  FILEUNITSINITIALISE(3);
  EXPECT_EQ(gFileUnits.fuFixedUnit[1], 2);
  EXPECT_EQ(gFileUnits.fuFixedUnit[8], 9);
  EXPECT_EQ(gFileUnits.fuPoolUnit[1], 10);
  EXPECT_EQ(gFileUnits.fuPoolUnit[1000], 1009);
  writeFile("a.txt", "x\n");
  EXPECT_EQ(open("I ", "a.txt"), 10);
}

TEST_F(FilesTest, PoolSlotsAreTakenFirstFreeAndReused) {
  writeFile("a.txt", "");
  int a = open("I ", "a.txt"), b = open("O ", "b.txt"), c = open("O ", "c.txt");
  EXPECT_EQ(a, 1001);
  EXPECT_EQ(b, 1002);
  EXPECT_EQ(c, 1003);
  CLOSER(b);
  EXPECT_EQ(open("O ", "d.txt"), 1002);
  EXPECT_EQ(open("O ", "e.txt"), 1004);
}

TEST_F(FilesTest, TheThousandAndFirstOpenStops) {
  writeFile("a.txt", "x\n");
  for (int i = 0; i < 1000; ++i) open("I ", "a.txt");
  clearOutput();
  int unit = 0;
  EXPECT_EQ(expectRunEnd([&] { OPENERBYNAME(unit, "I ", "a.txt", 5); }), 1);
  EXPECT_EQ(output(), "No free file numbers.\n");
  EXPECT_TRUE(fuIsOpen(2000));  // a stop with text closes nothing
}

// ---- Console lines of the openers and CLOSER ----

TEST_F(FilesTest, InputOpenAndCloseLines) {
  writeFile("a.txt", "x\n");
  int unit = open("I ", "  a.txt");
  EXPECT_EQ(unit, 1001);
  EXPECT_EQ(output(), opened("a.txt", 1001));
  EXPECT_TRUE(fuIsOpen(unit));
  EXPECT_EQ(fuName(unit), "a.txt");
  EXPECT_EQ(fuMode(unit), "I ");
  clearOutput();
  CLOSER(unit);
  EXPECT_EQ(unit, 0);
  EXPECT_EQ(output(), "...Closed File Unit:1001\n");
  EXPECT_FALSE(fuIsOpen(1001));
  EXPECT_FALSE(gFileUnits.fuPoolOpen[1]);
}

TEST_F(FilesTest, OutputOpenLineAndRightAlignedSmallUnits) {
  EXPECT_EQ(open("O ", "o.txt"), 1001);
  EXPECT_EQ(output(), created("o.txt", 1001));
  FILEUNITSINITIALISE(3);
  clearOutput();
  int unit = open("O ", "p.txt");
  EXPECT_EQ(output(), "\nTrying to open file p.txt...OK.  File Unit:  10\n");
  clearOutput();
  CLOSER(unit);
  EXPECT_EQ(output(), "...Closed File Unit:  10\n");
}

TEST_F(FilesTest, DoubledSeparatorsAreTidiedBeforeTheOpen) {
  fs::create_directory("d");
  int unit = open("O ", "d//o.txt");
  EXPECT_EQ(output(), created("d/o.txt", unit));
  EXPECT_EQ(fuName(unit), "d/o.txt");
}

TEST_F(FilesTest, CloserOnUnknownOrClosedUnits) {
  int stranger = 4242;
  CLOSER(stranger);
  EXPECT_EQ(stranger, 4242);
  int closedPool = 1005;
  CLOSER(closedPool);
  EXPECT_EQ(closedPool, 1005);
  int zero = 0;
  CLOSER(zero);
  EXPECT_EQ(output(), "");
}

TEST_F(FilesTest, CloseAllClosesEveryUnitButKeepsTheFlags) {
  writeFile("a.txt", "x\n");
  int a = openQuietly("I ", "a.txt"), b = openQuietly("O ", "b.txt");
  int f = 0;
  OPENERNAMED(3, f, "c.txt", "O ", "", 1);
  clearOutput();
  CLOSEALLFILEUNITS();
  EXPECT_EQ(output(), "\nClosing all file units...\n");
  EXPECT_FALSE(fuIsOpen(a));
  EXPECT_FALSE(fuIsOpen(b));
  EXPECT_FALSE(fuIsOpen(f));
  EXPECT_TRUE(gFileUnits.fuPoolOpen[1]);
  EXPECT_TRUE(gFileUnits.fuFixedOpen[3]);
}

TEST_F(FilesTest, ProgressLinesAreEchoedToTheLogUnitOnceItIsSet) {
  int log = openQuietly("O ", "run.log");
  writeFile("a.txt", "x\n");
  int a = open("I ", "a.txt");
  CLOSER(a);
  fuFlush(log);
  EXPECT_EQ(readFile("run.log"), "");
  gFileUnits.fuLogUnit = log;
  a = open("I ", "a.txt");
  int b = open("O ", "b.txt");
  setInput("a.txt\n");
  int c = open("I ", "gone.txt");  // the prompt itself is not echoed
  CLOSER(a);
  CLOSER(b);
  CLOSER(c);
  fuFlush(log);
  EXPECT_EQ(readFile("run.log"), opened("a.txt", 1002) + created("b.txt", 1003) + missing("gone.txt") +
                                     opened("a.txt", 1004) +
                                     "...Closed File Unit:1002\n...Closed File Unit:1003\n...Closed File Unit:1004\n");
}

// ---- Missing inputs and the name prompt ----

TEST_F(FilesTest, MissingInputAsksForAnotherName) {
  writeFile("good.txt", "x\n");
  setInput("good.txt\n");
  int unit = open("I ", "bad.txt");
  EXPECT_EQ(unit, 1001);
  EXPECT_EQ(output(), missing("bad.txt") + kCheckPrompt + opened("good.txt", 1001));
  EXPECT_EQ(fuName(unit), "good.txt");
}

TEST_F(FilesTest, FixedSlotAsksWithItsDescription) {
  writeFile("good.txt", "x\n");
  setInput("  good.txt\n");
  int unit = 0;
  OPENERNAMED(1, unit, "bad.txt", "I ", "control", 1);
  EXPECT_EQ(unit, 993);
  EXPECT_EQ(output(), missing("bad.txt") + "What is the control file name? " + opened("good.txt", 993));
  // The typed name replaces the stored one, and its length follows.
  EXPECT_EQ(fixed::trimmed(gFileUnits.fuFixedName[1]), "good.txt");
  EXPECT_EQ(gFileUnits.fuFixedNameLen[1], 8);
  EXPECT_TRUE(gFileUnits.fuFixedOpen[1]);
  EXPECT_EQ(gFileUnits.fuFixedMode[1], "I ");
}

TEST_F(FilesTest, BlankAnswerTriesTheSameNameAgain) {
  setInput("\n");
  int status = expectRunEnd([&] { open("I ", "bad.txt"); });
  EXPECT_EQ(status, 1);
  EXPECT_EQ(output(), missing("bad.txt") + kCheckPrompt + "\nNo file name entered.  Trying file again...\n" +
                          missing("bad.txt") + kCheckPrompt +
                          "\nNo file name entered and no more console input.\n\nPress Enter to Close\n");
}

TEST_F(FilesTest, EndOfInputAtThePromptEndsTheRun) {
  writeFile("other.txt", "");
  int other = openQuietly("I ", "other.txt");
  EXPECT_EQ(expectRunEnd([&] { open("I ", "bad.txt"); }), 1);
  EXPECT_TRUE(outputHas("No file name entered and no more console input.\n\nPress Enter to Close\n"));
  EXPECT_FALSE(fuIsOpen(other));  // through EXITS: the units are closed
}

TEST_F(FilesTest, TypedAnswerIsCutAtEightyCharacters) {
  const std::string name80(80, 'n');
  writeFile(name80, "x\n");
  setInput(name80 + "tail\n");
  int unit = open("I ", "bad.txt");
  EXPECT_EQ(fuName(unit), name80);
}

TEST_F(FilesTest, FolderNamedAsInputCountsAsMissing) {
  fs::create_directory("folder.sdf");
  EXPECT_EQ(expectRunEnd([&] { open("I ", "folder.sdf"); }), 1);
  EXPECT_EQ(output().rfind(missing("folder.sdf") + kCheckPrompt, 0), 0u) << output();
}

TEST_F(FilesTest, UnreadableInputEndsTheRunNamingTheFile) {
#ifdef _WIN32
  GTEST_SKIP() << "permission bits cannot make a file unreadable on Windows, and the child that gives up "
                  "root to read without them is POSIX's";
#else
  writeFile("locked.txt", "x\n");
  fs::permissions("locked.txt", fs::perms::none);
  const auto openLocked = [&] { EXPECT_EQ(expectRunEnd([&] { open("I ", "locked.txt"); }), 1); };
  std::string printed;
  if (!std::ifstream("locked.txt").is_open()) {
    openLocked();
    printed = output();
  } else {
    // This user (root) reads files without permission: the open runs in a child that gives that
    // up first, becoming nobody, and sends back what it printed.
    fs::permissions(".", fs::perms::others_exec, fs::perm_options::add);
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
      ::close(pipeEnds[0]);
      const bool nobody = ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0;
      if (nobody) openLocked();
      const std::string sent = nobody ? output() : "the child could not become nobody";
      const bool whole = ::write(pipeEnds[1], sent.data(), sent.size()) == static_cast<ssize_t>(sent.size());
      ::_exit(whole && !::testing::Test::HasFailure() ? 0 : 1);
    }
    ::close(pipeEnds[1]);
    char chunk[512];
    for (ssize_t n; (n = ::read(pipeEnds[0], chunk, sizeof chunk)) > 0;)
      printed.append(chunk, static_cast<std::size_t>(n));
    ::close(pipeEnds[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the run in the child: " << printed;
  }
  fs::permissions("locked.txt", fs::perms::owner_all);
  EXPECT_EQ(printed, "\nTrying to open file locked.txt...Can't Open\n"
                      "ERROR - File \"locked.txt\" exists but could not be opened for reading.\n"
                      "\nPress Enter to Close\n");
#endif
}

TEST_F(FilesTest, DriveLettersAreReplaced) {
#ifdef _WIN32
  GTEST_SKIP() << "E: names a drive on Windows, which the test cannot make";
#endif
  gFileUnits.fuInputDrive = "E";
  fs::create_directories("E:/data");
  writeFile("E:/data/a.sdf", "x\n");
  int unit = open("I ", "C:\\data\\a.sdf");
  EXPECT_EQ(output(), opened("E:\\data\\a.sdf", 1001));
  EXPECT_EQ(fuName(unit), "E:\\data\\a.sdf");
  clearOutput();
  // A name without ":" in column 2 keeps its first character.
  fs::create_directories("data");
  writeFile("data/b.sdf", "x\n");
  open("I ", "data\\b.sdf");
  EXPECT_EQ(output(), opened("data\\b.sdf", 1002));
  clearOutput();
  // Outputs follow the output drive, not the input drive.
  gFileUnits.fuOutputDrive = "F";
  fs::create_directories("F:");
  open("O ", "C:o.txt");
  EXPECT_EQ(output(), created("F:o.txt", 1003));
  EXPECT_TRUE(fs::exists("F:o.txt"));
}

TEST_F(FilesTest, BackslashesSeparateFoldersOnTheHost) {
  fs::create_directories("a/b");
  int unit = open("O ", "a\\b\\c.txt");
  fuWriteLine(unit, "hello");
  CLOSER(unit);
  EXPECT_EQ(readFile("a/b/c.txt"), "hello\n");
  EXPECT_TRUE(fuFileExists("a\\b\\c.txt"));
  EXPECT_FALSE(fuFileExists("a\\b"));
  EXPECT_FALSE(fuFileExists("   "));
}

// ---- Output failures ----

TEST_F(FilesTest, AppendOpenThatFailsOnAnExistingFileGivesNoUnit) {
  fs::create_directory("busy.txt");  // exists, but no file can be opened there
  int unit = open("A ", "busy.txt");
  EXPECT_EQ(unit, 0);
  EXPECT_EQ(output(), "\nTrying to open file busy.txt...FAILED.  No File Unit allocated.\n");
  EXPECT_FALSE(gFileUnits.fuPoolOpen[1]);
}

// The report ends with the host's own reason: a name too long is neither a file in use nor a
// missing folder.
TEST_F(FilesTest, FailedOutputReportsPausesAndTriesAgain) {
  auto report = [](const std::string& name, const std::string& reason) {
    return "Can't Open\n\n Can't open: " + name + "\n\n Another application or user maybe using it,\n"
           "    or the file's folder does not exist.\n If so, close the file or create file path.\n"
           " Reason given by the system: " + reason + ".\n\nPress Enter to Continue\n";
  };
  setInput("\n");
  EXPECT_EQ(expectRunEnd([&] { open("AB", "nofolder/x.bin"); }), 1);
  const std::string missing = report("nofolder/x.bin", "No such file or directory");
  EXPECT_EQ(output(), "\nTrying to open file nofolder/x.bin..." + missing + missing +
                          "ERROR - Could not open \"nofolder/x.bin\" and there is no more console input to try again.\n"
                          "\nPress Enter to Close\n");
  const std::string longName(300, 'n');
  clearOutput();
  EXPECT_EQ(expectRunEnd([&] { open("O ", longName); }), 1);
#ifdef _WIN32
  const std::string tooLong = "No such file or directory";  // Windows finds no such folder
#else
  const std::string tooLong = "File name too long";
#endif
  EXPECT_EQ(output().rfind("\nTrying to open file " + longName + "..." + report(longName, tooLong), 0), 0u)
      << output();
}

TEST_F(FilesTest, UnrecognisedModeOpensNothing) {
  int unit = open("XX", "x.txt");
  EXPECT_EQ(output(), "\nTrying to open file x.txt...  Unrecognised file type XX file " + fixed::fit("x.txt", 80) + "\n");
  EXPECT_FALSE(fuIsOpen(unit));
  EXPECT_FALSE(fs::exists("x.txt"));
}

TEST_F(FilesTest, ReadWriteModeOpensOrCreatesWithoutAResultLine) {
  int unit = open("IO", "rw.txt");
  EXPECT_EQ(output(), "\nTrying to open file rw.txt...");
  EXPECT_TRUE(fuWriteLine(unit, "a"));
  EXPECT_TRUE(fuRewind(unit));
  std::string line;
  EXPECT_EQ(fuReadLine(unit, line), ReadStatus::Ok);
  EXPECT_EQ(line, "a");
}

// ---- A file already open ----

TEST_F(FilesTest, OutputOnAFileBeingReadAsksToCloseItAndOnAFileBeingWrittenStops) {
  writeFile("o.txt", "old\n");
  int first = openQuietly("I ", "o.txt");
  setInput("y\n");
  int second = open("O ", "o.txt");
  EXPECT_EQ(second, 1002);
  EXPECT_EQ(output(), "\nTrying to open file o.txt...\no.txt is already open, close it? OK.  File Unit:1002\n");
  EXPECT_FALSE(fuIsOpen(first));
  EXPECT_TRUE(gFileUnits.fuPoolOpen[1]);  // the other slot's flag is not the open's business
  fuWriteLine(second, "new");
  // A file the run writes is never asked about: closing it would leave it unfinished.
  std::filesystem::create_hard_link(dir_ / "o.txt", dir_ / "link.txt");
  clearOutput();
  EXPECT_EQ(expectRunEnd([&] { open("O ", "link.txt"); }), 1);
  EXPECT_EQ(output(), "\nTrying to open file link.txt...\nERROR - link.txt would be written over o.txt, a file this "
                      "run writes.\n\nPress Enter to Close\n");
  EXPECT_EQ(readFile("o.txt"), "new\n");
}

TEST_F(FilesTest, RefusingToCloseAsksForAnotherName) {
  writeFile("o.txt", "");
  openQuietly("I ", "o.txt");
  setInput("n\nother.txt\n");
  int unit = open("O ", "o.txt");
  EXPECT_EQ(output(), "\nTrying to open file o.txt...\no.txt is already open, close it? " + std::string(kCheckPrompt) +
                          created("other.txt", 1002));
  EXPECT_EQ(fuName(unit), "other.txt");
}

TEST_F(FilesTest, EndOfInputAtTheCloseQuestionEndsTheRun) {
  writeFile("o.txt", "");
  openQuietly("I ", "o.txt");
  EXPECT_EQ(expectRunEnd([&] { open("O ", "o.txt"); }), 1);
  EXPECT_EQ(output(), "\nTrying to open file o.txt...\no.txt is already open, close it? \n"
                      "No answer and no more console input.\n\nPress Enter to Close\n");
}

TEST_F(FilesTest, InputsAndSharedModesOpenAFileOnceMore) {
  writeFile("a.txt", "one\ntwo\n");
  int a = openQuietly("I ", "a.txt"), b = openQuietly("I ", "a.txt");
  EXPECT_NE(a, b);
  std::string line;
  ASSERT_EQ(fuReadLine(a, line), ReadStatus::Ok);
  EXPECT_EQ(line, "one");
  ASSERT_EQ(fuReadLine(b, line), ReadStatus::Ok);  // one stream, one position
  EXPECT_EQ(line, "two");
  EXPECT_EQ(fuUnitOfFile("./a.txt"), a);
  EXPECT_EQ(fuUnitOfFile("none.txt"), 0);
  CLOSER(a);
  EXPECT_TRUE(fuIsOpen(b));
  EXPECT_EQ(fuUnitOfFile("a.txt"), b);
  // A file is known by what it is: names that reach it through a hard or a symbolic link are it,
  // and a shared open of such a name joins its stream.
  fs::create_hard_link("a.txt", "hard.txt");
  std::vector<std::string> spellings{"./a.txt", (dir_ / "a.txt").string(),
                                     "../" + dir_.filename().string() + "/a.txt", "hard.txt"};
#ifdef _WIN32
  spellings.insert(spellings.end(), {".\\a.txt", "A.TXT"});
  // Windows makes a symbolic link only with a privilege or in developer mode, and wine makes none
  // at all (its call succeeds and leaves nothing): without one, the link's case is left out.
  CreateSymbolicLinkA("soft.txt", "a.txt", SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
  if (fs::exists("soft.txt")) spellings.push_back("soft.txt");
  else std::cout << "no symbolic link could be made here; its case is left out\n";
#else
  fs::create_symlink("a.txt", "soft.txt");
  spellings.push_back("soft.txt");
#endif
  for (const std::string& name : spellings) EXPECT_EQ(fuUnitOfFile(name), b) << name;
  writeFile("copy.txt", "one\ntwo\n");
  EXPECT_EQ(fuUnitOfFile("copy.txt"), 0);
  // The host's identity under those answers: a name and its open stream, the name spelt otherwise
  // and the links are one file; a file of the same bytes is another, and a missing one is none.
  const platform::FileIdentity file = platform::fileIdentity("a.txt");
  EXPECT_TRUE(file.exists && file.regular);
  std::FILE* stream = std::fopen("a.txt", "rb");
  ASSERT_NE(stream, nullptr);
  EXPECT_TRUE(platform::openFileIdentity(stream).sameFile(file));
  std::fclose(stream);
  for (const std::string& name : spellings) EXPECT_TRUE(platform::fileIdentity(name).sameFile(file)) << name;
  EXPECT_FALSE(platform::fileIdentity("copy.txt").sameFile(file));
  EXPECT_FALSE(platform::fileIdentity("none.txt").exists);
  const platform::FileIdentity folder = platform::fileIdentity(".");
  EXPECT_TRUE(folder.exists && !folder.regular);
  const int c = openQuietly("SB", "hard.txt");
  EXPECT_EQ(fuTell(c), fuTell(b));
  EXPECT_EQ(readFile("a.txt"), "one\ntwo\n") << "joining the open stream keeps what it holds";
  // A caller that asks the host once for a name's file gets the file its open unit was given.
  const platform::FileIdentity hard = fuIdentityOfFile("hard.txt");
  EXPECT_TRUE(hard.sameFile(fuIdentityOfUnit(b)));
  EXPECT_EQ(fuUnitOfFile(hard), fuUnitOfFile("a.txt"));
  EXPECT_FALSE(fuIdentityOfFile("copy.txt").sameFile(hard));
  EXPECT_FALSE(fuIdentityOfFile(" ").exists);
  EXPECT_FALSE(fuIdentityOfUnit(999).exists);  // no unit open
}

// ---- Shared streams and contents kept or emptied ----

TEST_F(FilesTest, TwoViewsOfOneFileWriteAtOnePosition) {
  int le = openQuietly("SB", "x.shp");
  int be = openQuietly("SE", "x.shp");
  EXPECT_EQ(fuOrder(le), byteorder::Order::Little);
  EXPECT_EQ(fuOrder(be), byteorder::Order::Big);
  EXPECT_TRUE(fuPutI32(be, 9994));
  EXPECT_TRUE(fuPutI32(le, 1000));
  EXPECT_TRUE(fuPutU16(be, 0x0102));
  EXPECT_TRUE(fuPutU16(le, 0x0102));
  EXPECT_TRUE(fuPutF64(le, 1.0));
  EXPECT_TRUE(fuPutU8(be, 7));
  EXPECT_EQ(fuTell(le), 21u);
  EXPECT_EQ(fuTell(be), 21u);
  ASSERT_TRUE(fuSeek(be, 4));
  EXPECT_TRUE(fuPutI32(le, 5));  // the seek on one view moved the other
  CLOSER(le);
  CLOSER(be);
  const std::string expected = std::string("\x00\x00\x27\x0a", 4) + std::string("\x05\x00\x00\x00", 4) +
                               "\x01\x02" "\x02\x01" + std::string("\x00\x00\x00\x00\x00\x00\xf0\x3f", 8) + "\x07";
  EXPECT_EQ(readFile("x.shp"), expected);
}

TEST_F(FilesTest, FirstSharedOpenEmptiesALongerEarlierFile) {
  writeFile("x.shp", std::string(500, 'z'));
  int le = openQuietly("SB", "x.shp");
  fuPutBytes(le, "abc");
  int be = openQuietly("SE", "x.shp");  // joins the open stream and keeps what it holds
  fuPutBytes(be, "d");
  CLOSER(le);
  CLOSER(be);
  EXPECT_EQ(readFile("x.shp"), "abcd");
  // Once no unit holds it, the next shared open is a first one again, in the same run too.
  int again = openQuietly("S ", "x.shp");
  fuPutBytes(again, "A");
  CLOSER(again);
  EXPECT_EQ(readFile("x.shp"), "A");
}

TEST_F(FilesTest, OutputModesEmptyOrAppend) {
  writeFile("o.txt", "previous contents\n");
  int o = openQuietly("O ", "o.txt");
  fuWriteLine(o, "new");
  CLOSER(o);
  EXPECT_EQ(readFile("o.txt"), "new\n");
  int a = openQuietly("A ", "o.txt");
  fuWriteLine(a, "more");
  fuSeek(a, 0);  // appends go to the end wherever the position is
  fuWriteLine(a, "last");
  CLOSER(a);
  EXPECT_EQ(readFile("o.txt"), "new\nmore\nlast\n");
  int created = openQuietly("AB", "fresh.bin");
  EXPECT_TRUE(fuPutI32(created, 1));
  CLOSER(created);
  EXPECT_EQ(readFile("fresh.bin"), std::string("\x01\x00\x00\x00", 4));
}

TEST_F(FilesTest, AppendingToAFileOpenForInputSharesItsStream) {
  // Longer than a block read ahead: the reading goes on where it was once the file is writable.
  std::string text = "first\n";
  for (int i = 0; i < 10000; ++i) text += "line " + std::to_string(i) + "\n";
  writeFile("log.txt", text);
  int in = openQuietly("I ", "log.txt");
  std::string line;
  fuReadLine(in, line);
  EXPECT_EQ(line, "first");
  int out = openQuietly("A ", "log.txt");
  expectLines(in, {"line 0", "line 1"});
  EXPECT_TRUE(fuWriteLine(out, "second"));
  EXPECT_FALSE(fuWriteLine(in, "never"));  // an input unit does not write
  fuRewind(in);
  fuReadLine(in, line);
  EXPECT_EQ(line, "first");
  EXPECT_EQ(readFile("log.txt"), text + "second\n");
#ifndef _WIN32
  // The file is opened for writing again by the name it was opened by, which must still reach it:
  // a name that now reaches another file is refused, naming the file, and neither is written.
  // Not on Windows, where a name of an open file cannot be made to reach another.
  writeFile("kept.txt", "kept\n");
  writeFile("other.txt", "other\n");
  fs::create_symlink("kept.txt", "link.txt");
  openQuietly("I ", "link.txt");
  fs::remove("link.txt");
  fs::create_symlink("other.txt", "link.txt");
  EXPECT_EQ(expectRunEnd([&] { open("A ", "kept.txt"); }), 1);
  EXPECT_TRUE(outputHas("\nTrying to open file kept.txt...Can't Open\n\nERROR - Could not open file \"kept.txt\" for "
                        "writing: it is open for reading as \"link.txt\", and that name now reaches another file.\n"))
      << output();
  EXPECT_EQ(readFile("kept.txt"), "kept\n");
  EXPECT_EQ(readFile("other.txt"), "other\n");
#endif
}

// ---- Reading and writing ----

TEST_F(FilesTest, LinesReadAlikeWithCrLfAndLf) {
  writeFile("mixed.txt", "one\r\ntwo\n\r\nthree\r\nlast");
  int unit = openQuietly("I ", "mixed.txt");
  std::string line;
  expectLines(unit, {"one", "two", "", "three", "last"});
  EXPECT_TRUE(fuAtEnd(unit));
  EXPECT_EQ(fuReadLine(unit, line), ReadStatus::End);
  EXPECT_EQ(line, "");
  EXPECT_TRUE(fuRewind(unit));
  EXPECT_FALSE(fuAtEnd(unit));
  ASSERT_EQ(fuReadLine(unit, line), ReadStatus::Ok);
  EXPECT_EQ(line, "one");
  // The position after a line is the end of that line, whatever the reader took ahead.
  EXPECT_EQ(fuTell(unit), 5u);
  std::string bytes;
  ASSERT_TRUE(fuGetBytes(unit, 3, bytes));
  EXPECT_EQ(bytes, "two");
  ASSERT_EQ(fuReadLine(unit, line), ReadStatus::Ok);
  EXPECT_EQ(line, "");
  // NUL bytes, lines longer than a piece of the reader, and a last line of exactly a piece, read
  // from a plain file (blocks taken ahead) and from a pipe (pieces, nothing given back).
  const std::string nul("a\0b\0", 4), longLine(600, 'x'), lastLine(127, 'y');
  const std::string odd = nul + "\n" + longLine + "\r\n" + std::string(127, 'z') + "\n" + lastLine;
  writeFile("odd.txt", odd);
#ifdef _WIN32
  // A Windows pipe has no name in a folder.
  const std::vector<std::string> names{"odd.txt"};
#else
  const std::vector<std::string> names{"odd.txt", "odd.pipe"};
  ASSERT_EQ(mkfifo("odd.pipe", 0600), 0);
  std::thread writer([&odd] { writeFile("odd.pipe", odd); });
#endif
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    unit = openQuietly("I ", name);
    expectLines(unit, {nul, longLine, std::string(127, 'z'), lastLine});
    EXPECT_EQ(fuReadLine(unit, line), ReadStatus::End);
  }
#ifndef _WIN32
  writer.join();
#endif
  // A line across the blocks taken from the host, and the end of the file met inside a block.
  const std::string first(65530, 'b'), across(20, 'c');
  writeFile("big.txt", first + "\n" + across + "\nend");
  unit = openQuietly("I ", "big.txt");
  expectLines(unit, {first, across});
  EXPECT_FALSE(fuAtEnd(unit));
  ASSERT_EQ(fuReadLine(unit, line), ReadStatus::Ok);
  EXPECT_EQ(line, "end");
  EXPECT_TRUE(fuAtEnd(unit));
  // Going back to a line that lies in the block taken ahead (a reader that looked one line ahead)
  // moves only the place in the block: the host's stream stays where the block ended. A seek out
  // of the block, and a rewind after the block was used up, read the file afresh.
  ASSERT_TRUE(fuSeek(unit, 0));
  expectLines(unit, {first});
  unit = openQuietly("I ", "mixed.txt");  // the stream the first unit on it still holds
  ASSERT_TRUE(fuRewind(unit));
  const FileStream& stream = *fileunits::findStream(fileunits::identityOf("mixed.txt"));
  expectLines(unit, {"one"});
  const std::uint64_t second = fuTell(unit);
  const long host = std::ftell(stream.f);
  expectLines(unit, {"two", ""});
  EXPECT_EQ(fuTell(unit), 11u);
  ASSERT_TRUE(fuSeek(unit, second));
  expectLines(unit, {"two"});
  EXPECT_EQ(std::ftell(stream.f), host);
  EXPECT_EQ(fuTell(unit), 9u);
  expectLines(unit, {"", "three", "last"});
  EXPECT_TRUE(fuRewind(unit));
  EXPECT_EQ(fuTell(unit), 0u);
  expectLines(unit, {"one"});
}

TEST_F(FilesTest, UnitsThatAreNotOpenFailQuietly) {
  std::string s = "untouched";
  EXPECT_FALSE(fuWriteLine(1234, "x"));
  EXPECT_FALSE(fuPutI32(1234, 1));
  EXPECT_EQ(fuReadLine(1234, s), ReadStatus::Error);
  EXPECT_FALSE(fuGetBytes(1234, 4, s));
  EXPECT_FALSE(fuSeek(1234, 0));
  EXPECT_TRUE(fuAtEnd(1234));
  EXPECT_EQ(fuName(1234), "");
  EXPECT_EQ(fuSize(1234), 0u);
  EXPECT_FALSE(fuFlush(1234));
}

TEST_F(FilesTest, BinaryItemsReadInTheUnitsOrder) {
  std::string bytes;
  byteorder::putI32(bytes, 9994, byteorder::Order::Big);
  byteorder::putI32(bytes, 1000, byteorder::Order::Little);
  byteorder::putF64(bytes, -2.5, byteorder::Order::Little);
  writeFile("in.shp", bytes);
  int be = openQuietly("BE", "in.shp");
  int le = openQuietly("BI", "in.shp");
  std::int32_t i = 0;
  double d = 0;
  ASSERT_TRUE(fuGetI32(be, i));
  EXPECT_EQ(i, 9994);
  ASSERT_TRUE(fuGetI32(le, i));
  EXPECT_EQ(i, 1000);
  ASSERT_TRUE(fuGetF64(le, d));
  EXPECT_EQ(d, -2.5);
  EXPECT_FALSE(fuGetI32(le, i));  // nothing left
  EXPECT_EQ(fuSize(le), 16u);

  // Items and lines of a file larger than the blocks read ahead, taken across the ends of blocks,
  // with the position told, a seek back into an earlier block and the end found.
  std::string large = "head line\n";
  for (int k = 0; large.size() < 200003; ++k) large += static_cast<char>('a' + k % 26);
  writeFile("large.bin", large);
  const int unit = openQuietly("BI", "large.bin");
  std::string line;
  ASSERT_EQ(fuReadLine(unit, line), ReadStatus::Ok);
  EXPECT_EQ(line, "head line");
  std::size_t at = 10;
  char item[7];
  while (at + sizeof item <= large.size()) {
    ASSERT_TRUE(fuGetBytes(unit, item)) << at;
    ASSERT_EQ(std::string(item, sizeof item), large.substr(at, sizeof item)) << at;
    at += sizeof item;
    ASSERT_EQ(fuTell(unit), at);
    ASSERT_EQ(fuAtEnd(unit), at == large.size()) << at;
  }
  EXPECT_FALSE(fuGetBytes(unit, item)) << "fewer bytes left than the item";
  std::string rest;
  ASSERT_TRUE(fuGetBytes(unit, large.size() - at, rest));
  EXPECT_EQ(rest, large.substr(at));
  EXPECT_TRUE(fuAtEnd(unit));
  ASSERT_TRUE(fuSeek(unit, 65530));
  ASSERT_TRUE(fuGetBytes(unit, 13, rest));
  EXPECT_EQ(rest, large.substr(65530, 13));
  EXPECT_EQ(fuTell(unit), 65543u);
}

TEST_F(FilesTest, CountsBeyondTheFileAreRefused) {
  writeFile("short.bin", "abcdef");
  int unit = openQuietly("BI", "short.bin");
  std::string got;
  EXPECT_FALSE(fuGetBytes(unit, static_cast<std::size_t>(1) << 40, got));
  EXPECT_TRUE(got.empty());
  EXPECT_EQ(fuTell(unit), 0u);  // nothing was consumed
  char seven[7];
  EXPECT_FALSE(fuGetBytes(unit, seven));
  EXPECT_EQ(fuTell(unit), 0u);
  ASSERT_TRUE(fuGetBytes(unit, 6, got));
  EXPECT_EQ(got, "abcdef");
  EXPECT_TRUE(fuGetBytes(unit, 0, got));
}

TEST_F(FilesTest, ReadingBackWhatAUnitWrote) {
  int unit = openQuietly("BO", "rw.bin");
  fuPutBytes(unit, "0123456789");
  EXPECT_EQ(fuTell(unit), 10u);  // the position counts what is buffered for writing
  EXPECT_EQ(fuSize(unit), 10u);
  ASSERT_TRUE(fuSeek(unit, 2));
  std::string got;
  ASSERT_TRUE(fuGetBytes(unit, 3, got));
  EXPECT_EQ(got, "234");
  fuPutBytes(unit, "X");  // writing straight after reading
  CLOSER(unit);
  EXPECT_EQ(readFile("rw.bin"), "01234X6789");
  // Lines shorter and longer than the write buffer's block, and a read of them on the same unit.
  unit = openQuietly("O ", "lines.txt");
  const std::string longLine(70000, 'L');
  std::string expected;
  for (int i = 0; i < 2000; ++i) {
    ASSERT_TRUE(fuWriteLine(unit, "row " + std::to_string(i)));
    expected += "row " + std::to_string(i) + "\n";
  }
  ASSERT_TRUE(fuWriteLine(unit, longLine));
  ASSERT_TRUE(fuWrite(unit, "end"));
  ASSERT_TRUE(fuRewind(unit));
  std::string line;
  ASSERT_EQ(fuReadLine(unit, line), ReadStatus::Ok);
  EXPECT_EQ(line, "row 0");
  CLOSER(unit);
  EXPECT_EQ(readFile("lines.txt"), expected + longLine + "\nend");
  // The size a read was checked against grows with a write through another unit on the file, and
  // with a patch.
  const int le = openQuietly("SB", "grow.bin");
  const int be = openQuietly("SE", "grow.bin");
  ASSERT_TRUE(fuPutBytes(le, "abcd"));
  ASSERT_TRUE(fuRewind(be));
  ASSERT_TRUE(fuGetBytes(be, 4, got));
  EXPECT_FALSE(fuGetBytes(be, 1, got));
  ASSERT_TRUE(fuPutI32(be, 0x65666768));
  ASSERT_TRUE(fuSeek(le, 4));
  ASSERT_TRUE(fuGetBytes(le, 4, got));
  EXPECT_EQ(got, "efgh");
  ASSERT_TRUE(fuPatchFile("grow.bin", 8, "ij"));
  ASSERT_TRUE(fuGetBytes(be, 2, got));
  EXPECT_EQ(got, "ij");
  EXPECT_EQ(fuSize(le), 10u);
}

TEST_F(FilesTest, PatchRewritesAClosedFile) {
  writeFile("p.bin", "0123456789");
  EXPECT_TRUE(fuPatchFile("p.bin", 3, "abc"));
  EXPECT_EQ(readFile("p.bin"), "012abc6789");
  EXPECT_FALSE(fuPatchFile("none.bin", 0, "x"));
  EXPECT_FALSE(fs::exists("none.bin"));
  fs::create_directory("dir.bin");
  EXPECT_FALSE(fuPatchFile("dir.bin", 0, "x"));
}

TEST_F(FilesTest, PatchOfAnOpenFileGoesThroughItsStream) {
  int unit = openQuietly("SB", "p.bin");
  fuPutBytes(unit, "0123456789");
  EXPECT_TRUE(fuPatchFile("p.bin", 0, "AB"));
  EXPECT_EQ(fuTell(unit), 10u);
  fuPutBytes(unit, "!");
  CLOSER(unit);
  EXPECT_EQ(readFile("p.bin"), "AB23456789!");
}

// ---- Record buffers ----

TEST_F(FilesTest, RecordBuffersWriteOnlyCommittedBytesAndBlockTheirStreamMeanwhile) {
  int le = openQuietly("SB", "r.shp");
  int be = openQuietly("SE", "r.shp");
  ASSERT_TRUE(fuPutBytes(le, "ab"));
  {
    RecordBuffer left(le, 4);  // filled, never committed
    ASSERT_TRUE(left.ok());
    std::memcpy(left.take(4), "LOST", 4);
  }
  {
    RecordBuffer part(le, 4);  // committed half-filled: refused
    part.take(2);
    EXPECT_FALSE(part.commit());
  }
  {
    RecordBuffer over(le, 2);  // an item that does not fit spoils the record
    over.putI32(1, byteorder::Order::Little);
    EXPECT_FALSE(over.commit());
  }
  EXPECT_EQ(fuTell(le), 2u);
  // While a record is open, no use of its stream through any unit can see or save its bytes.
  {
    RecordBuffer record(le, 8);
    ASSERT_TRUE(record.ok());
    EXPECT_EQ(record.order(), byteorder::Order::Little);
    EXPECT_EQ(fuTell(be), 0u);
    EXPECT_EQ(fuSize(le), 0u);
    EXPECT_FALSE(fuPutI32(be, 7));
    EXPECT_FALSE(fuSeek(le, 0));
    EXPECT_FALSE(fuFlush(be));
    EXPECT_FALSE(fuPatchFile("r.shp", 0, "X"));
    EXPECT_FALSE(RecordBuffer(be, 1).ok());
    EXPECT_TRUE(fuIsOpen(le));
    record.putI32(9994, byteorder::Order::Big);
    record.putI32(1000);
    ASSERT_TRUE(record.commit());
    EXPECT_FALSE(record.commit());  // once only
  }
  // Committed records between ordinary writes on both views, one larger than the write buffer.
  ASSERT_TRUE(fuPutI32(be, 5));
  {
    RecordBuffer record(be, 4);
    record.putI32(6);
    ASSERT_TRUE(record.commit());
  }
  const std::string big(70000, 'B');
  {
    RecordBuffer record(le, big.size());
    std::memcpy(record.take(big.size()), big.data(), big.size());
    ASSERT_TRUE(record.commit());
  }
  ASSERT_TRUE(fuPutBytes(le, "z"));
  EXPECT_EQ(fuTell(be), 2u + 8 + 4 + 4 + big.size() + 1);
  // A close while a record is open saves what came before it and abandons the record.
  RecordBuffer cut(le, 3);
  std::memcpy(cut.take(3), "cut", 3);
  CLOSER(le);
  CLOSER(be);
  EXPECT_FALSE(cut.commit());
  EXPECT_EQ(readFile("r.shp"), "ab" + std::string("\x00\x00\x27\x0a\xe8\x03\x00\x00", 8) +
                                   std::string("\x00\x00\x00\x05\x00\x00\x00\x06", 8) + big + "z");
}

// ---- Type codes ----

TEST_F(FilesTest, TypeCodesFollowTheExtension) {
  writeFile("LAYER.MIF", "");
  int unit = openQuietly("I ", "LAYER.MIF");
  EXPECT_EQ(FILEUNITTYPE(unit), 101);
  CLOSER(unit);
  unit = openQuietly("O ", "table.csv");  // the same pool slot keeps its code
  EXPECT_EQ(unit, 1001);
  EXPECT_EQ(FILEUNITTYPE(unit), 101);
  EXPECT_EQ(FILEUNITTYPE(openQuietly("O ", "b.mid")), 102);
  EXPECT_EQ(FILEUNITTYPE(openQuietly("O ", "c.12da")), 111);
  EXPECT_EQ(FILEUNITTYPE(openQuietly("O ", "d.txt")), 0);
  EXPECT_EQ(FILEUNITTYPE(993), 0);  // fixed units hold no code
}

// ---- Fixed slots ----

TEST_F(FilesTest, FixedSlotNumbersOutsideOneToEightStop) {
  int unit = 0;
  EXPECT_EQ(expectRunEnd([&] { OPENER(9, unit, "I ", "x", 1); }), 1);
  EXPECT_EQ(output(), "Incorrect file number - OPENER\n");
  clearOutput();
  EXPECT_EQ(expectRunEnd([&] { OPENERNAMED(0, unit, "a.txt", "O ", "x", 1); }), 1);
  EXPECT_EQ(output(), "Incorrect file number - OPENER\n");
  clearOutput();
  EXPECT_EQ(expectRunEnd([&] { NAMED(-1); }), 1);
  EXPECT_EQ(output(), "Invalid file number - NAMED\n");
  clearOutput();
  std::string name;
  EXPECT_EQ(expectRunEnd([&] { GETNAM(9, name); }), 1);
  EXPECT_EQ(output(), "Invalid file number - GETNAM\n");
  CLEARFILENAME(12);  // nothing to clear, nothing stops
}

TEST_F(FilesTest, FixedSlotOpenTwiceStops) {
  int unit = 0;
  OPENERNAMED(2, unit, "o.txt", "O ", "output", 1);
  EXPECT_EQ(unit, 994);
  clearOutput();
  EXPECT_EQ(expectRunEnd([&] { OPENER(2, unit, "O ", "output", 1); }), 1);
  EXPECT_EQ(output(), "File already opened - OPENER\n");
  EXPECT_TRUE(fuIsOpen(994));
  CLOSER(unit);
  EXPECT_FALSE(gFileUnits.fuFixedOpen[2]);
  EXPECT_TRUE(NAMED(2));
  OPENER(2, unit, "A ", "output", 0);  // the stored name lives on after the close
  EXPECT_EQ(unit, 994);
}

TEST_F(FilesTest, FixedSlotWithoutNameAndNoAskEndsTheRun) {
  int unit = 0;
  EXPECT_EQ(expectRunEnd([&] { OPENER(4, unit, "I ", "input", 0); }), 1);
  EXPECT_EQ(output(), "\nERROR - No file name is stored for file number 4.\n\nPress Enter to Close\n");
}

TEST_F(FilesTest, FixedSlotWithoutNameAsksForOne) {
  writeFile("typed.txt", "");
  setInput("typed.txt\n");
  int unit = 0;
  OPENER(4, unit, "I ", "input", 1);
  EXPECT_EQ(output(), "What is the input file name? " + opened("typed.txt", 996));
  EXPECT_EQ(gFileUnits.fuFixedNameLen[4], 9);
}

TEST_F(FilesTest, NamesStoredAndCleared) {
  int unit = 0;
  OPENERNAMED(5, unit, "   stored.txt", "O ", "x", 1);
  EXPECT_TRUE(NAMED(5));
  EXPECT_EQ(gFileUnits.fuFixedNameLen[5], 10);
  std::string name;
  GETNAM(5, name);
  EXPECT_EQ(name, fixed::fit("stored.txt", 80));
  CLEARFILENAME(5);
  EXPECT_FALSE(NAMED(5));
  EXPECT_EQ(gFileUnits.fuFixedName[5], std::string(kTextLength, ' '));
}

TEST_F(FilesTest, DerivedNamesReplaceOrAddThePrefix) {
  writeFile("i_model.dat", "");
  int unit = 0;
  OPENERNAMED(1, unit, "i_model.dat", "I ", "input", 1);
  OPENERDERIVED(2, unit, "O ", "output", 1, "o_");
  EXPECT_EQ(fixed::trimmed(gFileUnits.fuFixedName[2]), "o_model.dat");
  EXPECT_EQ(gFileUnits.fuFixedNameLen[2], 11);
  EXPECT_TRUE(fs::exists("o_model.dat"));
  // A slot that already has a name keeps it.
  CLOSER(unit);
  OPENERDERIVED(2, unit, "O ", "output", 1, "x_");
  EXPECT_EQ(fixed::trimmed(gFileUnits.fuFixedName[2]), "o_model.dat");

  CLOSER(unit);
  FILEUNITSINITIALISE(1000);
  CLEARFILENAME(2);
  writeFile("model.dat", "");
  OPENERNAMED(1, unit, "model.dat", "I ", "input", 1);
  OPENERDERIVED(2, unit, "O ", "output", 1, "o_");
  EXPECT_EQ(fixed::trimmed(gFileUnits.fuFixedName[2]), "o_model.dat");
  EXPECT_EQ(gFileUnits.fuFixedNameLen[2], 11);
}

TEST_F(FilesTest, DerivedAndPrefixedNamesAreNotCut) {
  const std::string longBase(120, 'm');
  for (const char* d : {"deep", "p_deep", "q_deep"}) fs::create_directory(d);
  writeFile("deep/" + longBase + ".dat", "");
  int unit = 0;
  OPENERNAMED(1, unit, "deep/" + longBase + ".dat", "I ", "input", 1);
  OPENERPREFIXED(unit, "O ", "p_", ".csv");
  EXPECT_EQ(fuName(unit), "p_deep/" + longBase + ".dat.csv");
  OPENERDERIVED(3, unit, "O ", "output", 1, "q_");
  EXPECT_EQ(fixed::trimmed(gFileUnits.fuFixedName[3]), "q_deep/" + longBase + ".dat");
  EXPECT_EQ(gFileUnits.fuFixedNameLen[3], static_cast<int>(longBase.size()) + 11);
}

TEST_F(FilesTest, PrefixedNamesDropBlanksOfPrefixAndSuffix) {
  writeFile("i_run.dat", "");
  int unit = 0;
  OPENERNAMED(1, unit, "i_run.dat", "I ", "input", 1);
  OPENERPREFIXED(unit, "O ", "e ", "_x  ");
  EXPECT_EQ(fuName(unit), "erun.dat_x");
}

TEST_F(FilesTest, StandardUnitsOpenSlotsOneAndTwo) {
  writeFile("in.dat", "");
  gFileUnits.fuFixedName[1] = fixed::fit("in.dat", kTextLength);
  gFileUnits.fuFixedNameLen[1] = 6;
  gFileUnits.fuFixedName[2] = fixed::fit("out.dat", kTextLength);
  gFileUnits.fuFixedNameLen[2] = 7;
  OPENSTANDARDUNITS();
  EXPECT_EQ(output(), opened("in.dat", 993) + created("out.dat", 994));
  EXPECT_TRUE(gFileUnits.fuFixedOpen[1]);
  EXPECT_TRUE(gFileUnits.fuFixedOpen[2]);
  EXPECT_EQ(gFileUnits.fuFixedMode[2], "F ");
}

TEST_F(FilesTest, EmptyNamePausesAndStopsWithoutClosing) {
  writeFile("a.txt", "");
  int a = openQuietly("I ", "a.txt");
  int unit = 0;
  EXPECT_EQ(expectRunEnd([&] { OPENERBYNAME(unit, "I ", "    ", 4); }), 1);
  EXPECT_EQ(output(), "\nEmpty filename specified.  Bailing out.  Please contact support@plenvor.example.\n"
                      "Press Enter to Close\n");
  EXPECT_TRUE(fuIsOpen(a));
}

TEST_F(FilesTest, CoreWithABlankNameAsksFirst) {
  writeFile("a.txt", "");
  setInput("a.txt\n");
  int unit = 1500;
  std::string name(kTextLength, ' ');
  OPENERCORE(unit, name, 0, "I ", "data", 1, 0);
  EXPECT_EQ(output(), "What is the data file name? " + opened("a.txt", 1500));
  EXPECT_EQ(name, fixed::fit("a.txt", kTextLength));
  // A caller's field too short for the final name grows to hold it.
  setInput("a.txt\n");
  std::string shortName;
  int other = 1501;
  OPENERCORE(other, shortName, 0, "I ", "data", 1, 0);
  EXPECT_EQ(shortName, "a.txt");
}

// ---- Trimmed lengths ----

TEST_F(FilesTest, TrimmedLengthsWriteANulAfterTheText) {
  std::string t = "ab  ";
  EXPECT_EQ(LENSL(t), 2);
  EXPECT_EQ(t, std::string("ab\0 ", 4));
  std::string full = "ab";
  EXPECT_EQ(LENSL(full), 2);
  EXPECT_EQ(full, "ab");
  std::string nuls("a\0\0 ", 4);
  EXPECT_EQ(LENSL(nuls), 1);
  std::string blank = "   ", empty;
  EXPECT_EQ(LENSL(blank), 0);
  EXPECT_EQ(blank[0], '\0');
  EXPECT_EQ(LENSL(empty), 0);
}

TEST_F(FilesTest, NulAtFirstBlank) {
  std::string t = "ab cd";
  EXPECT_EQ(NULLATFIRSTBLANK(t), 2);
  EXPECT_EQ(t, std::string("ab\0cd", 5));
  std::string n("x\0y", 3);
  EXPECT_EQ(NULLATFIRSTBLANK(n), 1);
  std::string none = "abc";
  EXPECT_EQ(NULLATFIRSTBLANK(none), 3);
  std::string lead = " a";
  EXPECT_EQ(NULLATFIRSTBLANK(lead), 0);
  std::string empty;
  EXPECT_EQ(NULLATFIRSTBLANK(empty), 0);
  EXPECT_TRUE(empty.empty());
}

// ---- Dialog mode ----

class FilesDialogTest : public FilesTest {
 protected:
  void SetUp() override {
    FilesTest::SetUp();
    gRunFlags.fuGuiMode = true;
    gRunFlags.fuTitle = fixed::fit("Model", 100);
    gRunFlags.fuRunName = fixed::fit("run1", 100);
  }
};

TEST_F(FilesDialogTest, MissingInputRetriesOrCancels) {
  setInput("r\nc\n");
  EXPECT_EQ(expectRunEnd([&] { open("I ", "bad.txt"); }), 1);
  const std::string box = "\n[Model run1]\nModel FILE and/or path\nbad.txt\ndoes not exist.\nRetry or Cancel? ";
  EXPECT_EQ(output(), missing("bad.txt") + box + missing("bad.txt") + box);
}

TEST_F(FilesDialogTest, RefusingToCloseAnOpenFileEndsTheRun) {
  writeFile("o.txt", "");
  openQuietly("I ", "o.txt");
  setInput("n\n");
  EXPECT_EQ(expectRunEnd([&] { open("O ", "o.txt"); }), 1);
  EXPECT_EQ(output().rfind("\nTrying to open file o.txt...\n[Model run1]\nModel file \no.txt\nis already open.  Close it?\n"
                           "Yes or No? \n[Model]\nPremature Exit of Model Simulation run1\n\n"
                           "Press OK to Close Simulation Window\nPress Enter for OK: ",
                           0),
            0u)
      << output();
}

TEST_F(FilesDialogTest, MissingFolderIsCreatedOnRequest) {
  setInput("yes\ny\n");
  int unit = open("O ", "new/sub/o.txt");
  EXPECT_EQ(output(), "\nTrying to open file new/sub/o.txt...Can't Open\n"
                      "\n[Model run1]\nnew/sub/\n\nAbove folder does not exist!  Create?\n\n"
                      "Either create the folder yourself and press No,\nor press Yes to have the folder created for you.\n"
                      "Yes, No or Cancel? "
                      "\n[Model run1]\nCreate folder below?\n\nnew/sub/\nYes or No? "
                      "OK.  File Unit:1001\n");
  EXPECT_TRUE(fuIsOpen(unit));
  EXPECT_TRUE(fs::is_directory("new/sub"));
}

TEST_F(FilesDialogTest, FolderQuestionsCanBeDeclinedAndCancelled) {
  // No at the second box goes back to the first; an unknown answer asks again; Cancel stops.
  setInput("y\nn\nmaybe\nc\n");
  EXPECT_EQ(expectRunEnd([&] { open("O ", "new/o.txt"); }), 1);
  EXPECT_FALSE(fs::exists("new"));
  std::string out = output();
  std::size_t firstBoxes = 0;
  for (std::size_t p = out.find("Above folder does not exist!"); p != std::string::npos;
       p = out.find("Above folder does not exist!", p + 1))
    ++firstBoxes;
  EXPECT_EQ(firstBoxes, 2u);
  EXPECT_NE(out.find("Yes, No or Cancel? Yes, No or Cancel? "), std::string::npos);
}

TEST_F(FilesDialogTest, AutoCreateMakesTheFolderOnceWithoutAsking) {
  gRunFlags.fuAutoCreateFolders = true;
  int unit = open("O ", "auto/o.txt");
  EXPECT_TRUE(fuIsOpen(unit));
  EXPECT_EQ(output(), "\nTrying to open file auto/o.txt...Can't Open\nOK.  File Unit:1001\n");
}

TEST_F(FilesDialogTest, AutoCreateAsksWhenTheFolderDoesNotHelp) {
  gRunFlags.fuAutoCreateFolders = true;
  writeFile("plain", "");  // a file where the folder should be: the open keeps failing
  EXPECT_EQ(expectRunEnd([&] { open("O ", "plain/o.txt"); }), 1);
  EXPECT_TRUE(outputHas("Could not create folder:"));
}

TEST_F(FilesDialogTest, LockedFileOffersRetryAndCancel) {
  fs::create_directory("locked.txt");
  setInput("\nc\n");
  EXPECT_EQ(expectRunEnd([&] { open("O ", "locked.txt"); }), 1);
  const std::string box = "\n[Model run1]\nlocked.txt\n\nAbove file is locked by another application.\n\n"
                          "Close the file in the other application and press Retry.\nRetry or Cancel? ";
  EXPECT_EQ(output(), "\nTrying to open file locked.txt...Can't Open\n" + box + "Can't Open\n" + box);
}

TEST_F(FilesDialogTest, EmptyNameShowsTheBox) {
  int unit = 0;
  EXPECT_EQ(expectRunEnd([&] { OPENERBYNAME(unit, "O ", "", 0); }), 1);
  EXPECT_EQ(output(), "\n[Model]\nEmpty filename specified.  Bailing out.  Please contact support@plenvor.example.\n"
                      "Press Enter for OK: ");
}

// ---- Copy mode ----

class FilesCopyTest : public FilesTest {
 protected:
  void SetUp() override {
    FilesTest::SetUp();
    gFileUnits.fuCopyInputs = true;
    fixed::assign(gFileUnits.fuCopyRoot, "copy/");
    fs::create_directories("data/xf");
    writeFile("data/river.sdf", "sdf");
    writeFile("data/river.prj", "prj");
    writeFile("data/River.txt", "txt");
    writeFile("data/other.sdf", "other");
  }
};

TEST_F(FilesCopyTest, InputAndItsCompanionsAreCopied) {
  int unit = openQuietly("I ", "data/river.sdf");
  EXPECT_TRUE(fuIsOpen(unit));
  EXPECT_EQ(readFile("copy/data/river.sdf"), "sdf");
  EXPECT_EQ(readFile("copy/data/river.prj"), "prj");
  EXPECT_EQ(readFile("copy/data/River.txt"), "txt");
  EXPECT_FALSE(fs::exists("copy/data/other.sdf"));
  EXPECT_EQ(fixed::trimmed(gFileUnits.fuLastCopy), "copy/data/river.sdf");
}

TEST_F(FilesCopyTest, NamedOnlyCopiesJustTheFile) {
  gFileUnits.fuCopyNamedOnly = true;
  openQuietly("I ", "data/river.sdf");
  EXPECT_TRUE(fs::exists("copy/data/river.sdf"));
  EXPECT_FALSE(fs::exists("copy/data/river.prj"));
}

TEST_F(FilesCopyTest, CacheFileBringsTheFilesOfItsParentFolder) {
  writeFile("data/xf/river.sdf.xf", "cache");
  std::string name = "data/xf/river.sdf.xf";
  int unit = openQuietly("I ", name);
  EXPECT_EQ(fuName(unit), "data/xf/river.sdf.xf");
  EXPECT_EQ(readFile("copy/data/xf/river.sdf.xf"), "cache");
  EXPECT_EQ(readFile("copy/data/xf/../river.sdf"), "sdf");
  EXPECT_EQ(readFile("copy/data/xf/../river.prj"), "prj");
  EXPECT_EQ(fixed::trimmed(gFileUnits.fuLastCopy), "copy/data/xf/..\\river.sdf");
}

TEST_F(FilesCopyTest, OutputsGoIntoTheCopyTree) {
  int unit = open("O ", "results/out.csv");
  EXPECT_EQ(fuName(unit), "copy/results/out.csv");
  // The attempt is announced under the name asked for; the unit holds the name in the copy tree.
  EXPECT_EQ(output(), created("results/out.csv", 1001));
  EXPECT_TRUE(fs::exists("copy/results/out.csv"));
  EXPECT_FALSE(fs::exists("results"));
}

TEST_F(FilesCopyTest, CopyFolderThatCannotBeMadeEndsTheRun) {
  writeFile("blocker", "");
  fixed::assign(gFileUnits.fuCopyRoot, "blocker/");
  EXPECT_EQ(expectRunEnd([&] { open("I ", "data/river.sdf"); }), 1);
  EXPECT_EQ(output(), opened("data/river.sdf", 1001) +
                          "ERROR 0005 - Could not make the folder below while making a copy of the input files.\n"
                          "             Check permissions and/or sufficient disk space.\n"
                          "\"blocker/data/\"\n\nPress Enter to Close\n");
}

TEST_F(FilesCopyTest, CopyThatFailsEndsTheRun) {
  fs::create_directories("copy/data/river.sdf");  // a folder where the copy should land
  EXPECT_EQ(expectRunEnd([&] { open("I ", "data/river.sdf"); }), 1);
  EXPECT_TRUE(outputHas("ERROR 0006 - Could not copy the file below while making a copy of the input files.\n"
                        "             Check permissions and/or sufficient disk space.\n"
                        "\"data/river.sdf\"\n"));
}

// ---- Host stand-ins ----

TEST_F(FilesTest, FoldersAreMadeAndFilesCopied) {
  EXPECT_EQ(platform::makeFolder("x\\y\\z"), 0);
  EXPECT_TRUE(fs::is_directory("x/y/z"));
  EXPECT_EQ(platform::makeFolder("x/y/z"), 0);  // already there
  EXPECT_EQ(platform::makeFolder("   "), -1);
  writeFile("f", "");
  EXPECT_EQ(platform::makeFolder("f/sub"), -1);
  writeFile("a.dat", "1");
  EXPECT_EQ(platform::copyFiles("a.dat", "x/y"), 0);
  EXPECT_EQ(readFile("x/y/a.dat"), "1");
  writeFile("a.dat", "2");
  EXPECT_EQ(platform::copyFiles("a.dat", "x/y"), 0);  // replaces
  EXPECT_EQ(readFile("x/y/a.dat"), "2");
  EXPECT_EQ(platform::copyFiles("none.dat", "x/y"), -1);
  EXPECT_EQ(platform::copyFiles("a.dat", "nofolder"), -1);
  EXPECT_EQ(platform::copyFiles("zz.*", "x"), -1);  // nothing matches
  writeFile("ab.dat", "");
  writeFile("a", "");
  EXPECT_EQ(platform::copyFiles("./a.*", "x/y/z"), 0);
  EXPECT_TRUE(fs::exists("x/y/z/a.dat"));
  EXPECT_TRUE(fs::exists("x/y/z/a"));
  EXPECT_FALSE(fs::exists("x/y/z/ab.dat"));
  // A name's bytes reach the host as fopen takes them (on Windows in the ANSI code page, where 0x92
  // is a right quote): the questions about the file, its full name, its time and its copies all
  // find the file that fopen made.
  const std::string quoted = "Devil\x92s \xFC.dat";
  std::FILE* made = std::fopen(quoted.c_str(), "wb");
  ASSERT_NE(made, nullptr);
  std::fclose(made);
  EXPECT_TRUE(fuFileExists(quoted));
  EXPECT_EQ(fuFullName(quoted), (fs::current_path() / "").string() + quoted);
  std::int64_t seconds = 0;
  EXPECT_TRUE(fileModifiedSeconds(quoted, seconds));
  EXPECT_EQ(platform::copyFiles("Devil\x92s \xFC.*", "x"), 0);
  EXPECT_TRUE(fuFileExists("x/" + quoted));
#ifdef _WIN32
  EXPECT_EQ(platform::hostPath("a\\b/c"), "a\\b/c");  // both are the host's own separators
#else
  EXPECT_EQ(platform::hostPath("a\\b/c"), "a/b/c");
#endif
}

TEST_F(FilesTest, MessageBoxAnswers) {
  using namespace platform;
  // The sets are the host's own flags: a desktop box is given them as they are.
  const unsigned sets[] = {kBoxErrorOk, kBoxWarningOk, kBoxQuestionYesNo, kBoxWarningYesNoCancel,
                           kBoxWarningRetryCancel, kBoxErrorRetryCancel};
  const unsigned host[] = {0x10010, 0x10030, 0x10024, 0x10033, 0x10035, 0x10015};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(sets[i], host[i]) << i;
  setInput("Yes\n no \nC\nmaybe\nN\n\nanything\ncancel\nx\nagain\n");
  EXPECT_EQ(messageBox("q", "t", kBoxQuestionYesNo), kBoxYes);
  EXPECT_EQ(messageBox("q", "t", kBoxQuestionYesNo), kBoxNo);
  EXPECT_EQ(messageBox("q", "t", kBoxWarningYesNoCancel), kBoxCancel);
  EXPECT_EQ(messageBox("q", "t", kBoxWarningYesNoCancel), kBoxNo);  // "maybe" asks again
  EXPECT_EQ(messageBox("q", "t", kBoxErrorOk), kBoxOk);
  EXPECT_EQ(messageBox("q", "t", kBoxWarningRetryCancel), kBoxRetry);
  EXPECT_EQ(messageBox("q", "t", kBoxWarningRetryCancel), kBoxCancel);
  EXPECT_EQ(messageBox("q", "t", kBoxWarningOk), kBoxOk);
  EXPECT_EQ(messageBox("q", "t", kBoxErrorRetryCancel), kBoxRetry);
  // At the end of input: OK, No, Cancel and Cancel.
  EXPECT_EQ(messageBox("q", "t", kBoxWarningOk), kBoxOk);
  EXPECT_EQ(messageBox("q", "t", kBoxQuestionYesNo), kBoxNo);
  EXPECT_EQ(messageBox("q", "t", kBoxWarningYesNoCancel), kBoxCancel);
  EXPECT_EQ(messageBox("q", "t", kBoxWarningRetryCancel), kBoxCancel);
}

TEST_F(FilesTest, MessageBoxShowsCaptionAndLines) {
  setInput("\n");
  platform::messageBox(std::string("one\rtwo\r\n\rthree\0hidden", 23), std::string("Cap\0", 4), platform::kBoxErrorOk);
  EXPECT_EQ(output(), "\n[Cap]\none\ntwo\n\nthree\nPress Enter for OK: ");
}

}  // namespace
