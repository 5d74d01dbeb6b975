#pragma once
#include <string>
#include <vector>

// The converter's main program; args[0] is the program itself. Ends only through EXITS.
[[noreturn]] void plenvorMain(const std::vector<std::string>& args);
