#pragma once
// The one list of the process-wide state blocks. Each block enrols its reset from the file that
// defines it, so a new block cannot be forgotten by the tests' fixture or the fuzz targets, which
// walk this list between runs.
#include <vector>

namespace processstate {

struct Block {
  const char* name;
  void (*reset)();
};

// Enrols a block; returns true so that a namespace-scope constant can enrol it at start-up.
bool enrol(const char* name, void (*reset)());

// Every block enrolled, in the order of enrolment.
const std::vector<Block>& blocks();

// Resets every block: the state of a process that has not run yet.
void resetAll();

}  // namespace processstate
