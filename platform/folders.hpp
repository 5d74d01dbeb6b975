#pragma once
// Folder creation and file copies on the host file system. They stand in for the command
// interpreter's mkdir and copy: no shell ever sees a file name. Both return -1 when the work could
// not be done and 0 otherwise.
#include <filesystem>
#include <string>

namespace platform {

// The host path of a system file name. Both "/" and "\" separate folders in this system; on a
// host whose only separator is "/", every "\" becomes "/".
std::string hostPath(const std::string& name);

// The same path for the standard file library, and a path of that library as a system file name.
// A name's bytes are taken as the C library's fopen takes them: on Windows in the ANSI code page,
// which the file library's own conversions do not use (it reads bytes as Latin-1 and gives UTF-8).
std::filesystem::path hostFilePath(const std::string& name);
std::string systemName(const std::filesystem::path& path);

// Creates the folder and any missing folders above it; an existing folder is success.
int makeFolder(const std::string& folder);

// Copies source into targetFolder, replacing a file of the same name there. A source whose last
// part ends in ".*" («river.*») copies every file of that bare name with any extension, and the file
// of the bare name alone; it fails when nothing matches. Names are matched ignoring case.
int copyFiles(const std::string& source, const std::string& targetFolder);

}  // namespace platform
