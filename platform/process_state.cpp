#include "platform/process_state.hpp"

namespace processstate {

namespace {
// Built on first use: blocks enrol during static initialisation, in no set order.
std::vector<Block>& list() {
  static std::vector<Block> blocks;
  return blocks;
}
}  // namespace

bool enrol(const char* name, void (*reset)()) {
  list().push_back(Block{name, reset});
  return true;
}

const std::vector<Block>& blocks() { return list(); }

void resetAll() {
  for (const Block& b : list()) b.reset();
}

}  // namespace processstate
