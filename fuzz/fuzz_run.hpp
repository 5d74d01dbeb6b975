#pragma once
// What the fuzz targets share: a temporary folder of their own as the working folder of a run, the console
// on a string stream with nothing to read (every prompt gets an empty answer), and the process-wide
// state reset before each input, so that no input depends on the ones before it.
#include <functional>
#include <string>
#include <string_view>

namespace fuzzrun {

// Clean process-wide state, and the working folder: created on the first call (in /dev/shm where
// there is one and TMPDIR is not set), emptied on every later one.
void startInput();
// One file of the working folder holding bytes.
void writeFile(const std::string& name, std::string_view bytes);
// Runs one input's work with the console captured; the run's end (RunEnd) is its normal way out.
// With PLENVOR_FUZZ_ECHO set, the console transcript goes to stderr afterwards.
void run(const std::function<void()>& work);

}  // namespace fuzzrun
