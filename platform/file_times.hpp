#pragma once
// File modification times, in whole seconds, as the file system reports them.
#include <cstdint>
#include <string>

// The modification time of the file name (either separator), in whole seconds of the file system's clock.
// False (seconds left unchanged) when the time cannot be read, for instance when the file is missing.
bool fileModifiedSeconds(const std::string& name, std::int64_t& seconds);
