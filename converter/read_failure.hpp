#pragma once
#include <string>

// The converter's two read-error reports, shared by the projection file and the centre lines:
// a read that ran out of values ("ERROR reading data"), or one that met data it could not read
// (the line is shown). Both end the run through EXITS.
[[noreturn]] void stopOnDataReadFailure(bool ranOut, const std::string& line);
