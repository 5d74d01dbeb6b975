#include "tests/test_support.hpp"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

#include "platform/console.hpp"
#include "platform/process_state.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"
#include "utility/zero_array.hpp"

namespace {
// Before the first test, as the program before its first run: the arrays made at start-up must
// have fitted their reservation, and those made later are blocks of their own.
struct ZeroStorageStartupOver : ::testing::Environment {
  void SetUp() override { zerostorage::startupOver(); }
};
[[maybe_unused]] const ::testing::Environment* const kStartupOver =
    ::testing::AddGlobalTestEnvironment(new ZeroStorageStartupOver);
}  // namespace

void PlenvorTest::resetAllState() {
  processstate::resetAll();
  console::redirect(&out_, &in_);
}

void PlenvorTest::SetUp() {
  processstate::resetAll();
  oldCwd_ = std::filesystem::current_path();
  std::random_device rd;
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string leaf = "plenvor_" + std::string(info->test_suite_name()) + "_" + info->name() + "_" +
                     std::to_string(rd());
  for (char& c : leaf)
    if (c == '/') c = '_';
  dir_ = std::filesystem::temp_directory_path() / leaf;
  std::filesystem::create_directories(dir_);
  std::filesystem::current_path(dir_);
  console::redirect(&out_, &in_);
}

void PlenvorTest::TearDown() {
  processstate::resetAll();
  std::filesystem::current_path(oldCwd_);
  std::error_code ec;
  if (!HasFailure()) std::filesystem::remove_all(dir_, ec);
}

::testing::AssertionResult PlenvorTest::outputHas(const std::string& text) const {
  const std::string all = output();
  if (all.find(text) != std::string::npos) return ::testing::AssertionSuccess() << "the output holds it:\n" << all;
  return ::testing::AssertionFailure() << "the output does not hold [" << text << "]:\n" << all;
}

::testing::AssertionResult PlenvorTest::outputHasLines(const std::string& text) const {
  return output().starts_with(text + "\n") ? outputHas(text + "\n") : outputHas("\n" + text + "\n");
}

void FileUnitsTest::SetUp() {
  PlenvorTest::SetUp();
  FILEUNITSINITIALISE(1000);
}

void FileUnitsTest::startAgain() {
  resetAllState();
  FILEUNITSINITIALISE(1000);
}

int FileUnitsTest::openQuietly(const std::string& mode, const std::string& name) {
  int unit = 0;
  OPENERBYNAME(unit, mode, name, static_cast<int>(name.size()));
  clearOutput();
  return unit;
}

int FileUnitsTest::openText(const std::string& name, const std::string& text) {
  writeFile(dir_ / name, text);
  return openQuietly("I ", name);
}

void PlenvorTest::setInput(const std::string& text) {
  in_.clear();
  in_.str(text);
}

Region& Region::ring(const std::vector<std::pair<double, double>>& pts) {
  for (const auto& [px, py] : pts) {
    x.push_back(px);
    y.push_back(py);
  }
  partEnd.push_back(static_cast<std::int32_t>(x.size()) - 1);
  x.push_back(pts[1].first);
  y.push_back(pts[1].second);
  n = static_cast<std::int32_t>(x.size()) - 1;
  ++nParts;
  return *this;
}

void expectHolds(bool (*test)(const std::string&, const std::string&), std::initializer_list<TextPair> cases) {
  for (const TextPair& c : cases) EXPECT_EQ(test(c.a, c.b), c.holds) << "[" << c.a << "] [" << c.b << "]";
}

void expectGives(std::string (*routine)(const std::string&),
                 std::initializer_list<std::pair<std::string, std::string>> cases) {
  for (const auto& [text, result] : cases) EXPECT_EQ(fixed::trimmed(routine(text)), result) << "[" << text << "]";
}

void expectCheckerAccepts(const std::string& tool, const std::string& args, const std::string& reportHolds) {
#ifdef _WIN32
  static_cast<void>(tool), static_cast<void>(args), static_cast<void>(reportHolds);
#else
  const std::string command = "/usr/bin/python3 " + std::string(PLENVOR_SOURCE_DIR) + "/../shared/tools/" + tool + " " +
                              args + " > checker.txt 2>&1";
  const int status = std::system(command.c_str());
  const std::string report = readFile("checker.txt");
  EXPECT_EQ(status, 0) << tool << " " << args << ":\n" << report;
  EXPECT_NE(report.find(reportHolds), std::string::npos) << report;
#endif
}

std::string readFile(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void writeFile(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream f(p, std::ios::binary);
  f << bytes;
}
