#pragma once
// File names and paths: "/" and "\" both separate folders; extensions come with their dot.
#include <string>

std::string FILEEXT(const std::string& n);
std::string FILEEXTKC(const std::string& n);
std::string FILENAME(const std::string& n);
std::string FILENAMEEXT(const std::string& n);
std::string FILENAMEPATH(const std::string& n);
std::string FILEFOLDERPATH(const std::string& n);
std::string FILENAMENO_(const std::string& n);
std::string FILENAMEPATHNO_(const std::string& n);
std::string FILE___EXT(const std::string& n);
std::string ADDFOLDER(const std::string& folder, const std::string& file);
std::string REMOVEDOTDOT(const std::string& s);
std::string CLEANPATH(std::string& s);
bool DRIVETOFOLDER(std::string& s);
