#pragma once
// Shared test scaffolding: every test starts from clean process state, with the console captured
// and a fresh temporary folder as the working directory.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "utility/run_control.hpp"

// The support address, as the system's "Should not be here" and "Please contact" messages end with it.
inline const std::string kContact = SUPPORT_CONTACT;

class PlenvorTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Resets every process-wide state block of the system, as between runs; the console stays
  // captured by the test.
  void resetAllState();

  // Console input for the code under test (lines joined with '\n').
  void setInput(const std::string& text);
  // Everything written to the console so far.
  std::string output() const { return out_.str(); }
  void clearOutput() { out_.str(""); }
  // Whether the console output so far holds text; a failure shows the whole output.
  ::testing::AssertionResult outputHas(const std::string& text) const;
  // The same for text as whole lines: at the start of the output or after a line end, and ended.
  ::testing::AssertionResult outputHasLines(const std::string& text) const;
  // Runs f and returns the exit status of the RunEnd it ends with; fails the test when f returns.
  template <class F>
  int expectRunEnd(F&& f) {
    try {
      f();
    } catch (const RunEnd& e) {
      return e.status;
    }
    ADD_FAILURE() << "the run did not end";
    return -1;
  }
  // What f, which must end the run with status 1, printed.
  template <class F>
  std::string failureOutput(F&& f) {
    clearOutput();
    EXPECT_EQ(expectRunEnd(f), 1);
    return output();
  }
  // f ends the run with status 1, printing message as lines of their own.
  template <class F>
  void expectStop(const std::string& message, F&& f) {
    clearOutput();
    EXPECT_EQ(expectRunEnd(f), 1) << message;
    EXPECT_TRUE(outputHasLines(message));
  }

  std::filesystem::path dir_;  // the test's own temporary working folder

 private:
  std::ostringstream out_;
  std::istringstream in_;
  std::filesystem::path oldCwd_;
};

// The tests of the modules that open files start with the file units laid out from 1000, as the
// program lays them out.
class FileUnitsTest : public PlenvorTest {
 protected:
  void SetUp() override;
  // A fresh start within a test, for each case of a table.
  void startAgain();
  // A unit opened on name through the file-unit manager (mode "I ", "O ", ...), the console left clean.
  int openQuietly(const std::string& mode, const std::string& name);
  // A file of the given text, opened for reading as above.
  int openText(const std::string& name, const std::string& text);
};

// A region in the ring layout of the inside tests, indexed from 1: each ring as given, then the
// copy of its second vertex; z holds a triangle's node values where a test sets them.
struct Region {
  std::vector<double> x{0.0};  // index 0 unused
  std::vector<double> y{0.0};
  std::vector<float> z{0.0f};
  std::vector<std::int32_t> partEnd{0};
  std::int32_t n = 0;
  std::int32_t nParts = 0;

  Region& ring(const std::vector<std::pair<double, double>>& pts);
  std::vector<float> xf() const { return {x.begin(), x.end()}; }
  std::vector<float> yf() const { return {y.begin(), y.end()}; }
};

// Each pair of texts, and whether the test of two texts holds for it.
struct TextPair {
  std::string a, b;
  bool holds;
};
void expectHolds(bool (*test)(const std::string&, const std::string&), std::initializer_list<TextPair> cases);

// Each text, and what the routine of one text makes of it (trailing blanks aside).
void expectGives(std::string (*routine)(const std::string&),
                 std::initializer_list<std::pair<std::string, std::string>> cases);

// Runs one of the independent checkers of ../shared/tools (shpcheck.py, gdalcheck.py) with its
// arguments in the working folder and expects it to accept them, with a report that holds
// reportHolds. The checkers run on the host that builds: in a Windows build's tests, which run under
// wine, this checks nothing, and the files of the Windows build are checked by test.sh instead.
void expectCheckerAccepts(const std::string& tool, const std::string& args, const std::string& reportHolds = {});

// Reads a whole file as bytes.
std::string readFile(const std::filesystem::path& p);
void writeFile(const std::filesystem::path& p, const std::string& bytes);
