#pragma once
// Shared test scaffolding: every test starts from clean process state, with the console captured
// and a fresh temporary folder as the working directory.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "utility/run_control.hpp"

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

  std::filesystem::path dir_;  // the test's own temporary working folder

 private:
  std::ostringstream out_;
  std::istringstream in_;
  std::filesystem::path oldCwd_;
};

// Reads a whole file as bytes.
std::string readFile(const std::filesystem::path& p);
void writeFile(const std::filesystem::path& p, const std::string& bytes);
